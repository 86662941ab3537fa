#include "System/ShellPath.h"

#include <gtest/gtest.h>

namespace vellumark {
namespace {

// 表 and ソ in Shift_JIS: their second bytes are a backslash (0x5C).
const std::string kHyou = "\x95\x5C";
const std::string kSo = "\x83\x5C";
// A lead byte before a colon: 0x3A cannot be a second byte, so the lead byte
// stands alone and the colon separates, as in the path the system receives.
const std::string kLoneLeadColon = "\x88:";

TEST(ShellPath, FolderDirectoryAndFileName) {
  EXPECT_EQ(ExtractFilePath("C:\\Tools\\Vellumark.exe"), "C:\\Tools\\");
  EXPECT_EQ(ExtractFileDir("C:\\Tools\\Vellumark.exe"), "C:\\Tools");
  EXPECT_EQ(ExtractFileName("C:\\Tools\\Vellumark.exe"), "Vellumark.exe");

  // A drive root keeps its backslash in the directory part.
  EXPECT_EQ(ExtractFilePath("C:\\Vellumark.exe"), "C:\\");
  EXPECT_EQ(ExtractFileDir("C:\\Vellumark.exe"), "C:\\");
  EXPECT_EQ(ExtractFileDir("\\\\server\\share\\a.exe"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDir("\\a.exe"), "\\");
  EXPECT_EQ(ExtractFileDir("C:a.exe"), "C:");
  EXPECT_EQ(ExtractFileDir("a\\\\b.exe"), "a\\\\");  // a separator before the backslash keeps it

  // Web and mail targets: the path part is the scheme and its colon.
  EXPECT_EQ(ExtractFilePath("http://www.example.jp/"), "http:");
  EXPECT_EQ(ExtractFilePath("MailTo:someone@example.jp?subject=from [Vellumark.exe] user"), "MailTo:");

  EXPECT_EQ(ExtractFilePath("Vellumark.exe"), "");
  EXPECT_EQ(ExtractFileDir("Vellumark.exe"), "");
  EXPECT_EQ(ExtractFileName("Vellumark.exe"), "Vellumark.exe");
  EXPECT_EQ(ExtractFileName("C:\\Tools\\"), "");
  EXPECT_EQ(ExtractFilePath(""), "");
}

TEST(ShellPath, SecondBytesOfDoubleByteCharactersSeparateNothing) {
  const std::string folder = "C:\\" + kHyou;  // C:\表
  EXPECT_EQ(ExtractFilePath(folder), "C:\\");
  EXPECT_EQ(ExtractFileName(folder), kHyou);
  EXPECT_EQ(ExtractFileDir(folder + "\\a.exe"), folder);
  // The character before the final backslash ends in 0x5C but is no separator.
  EXPECT_EQ(ExtractFileDir("C:\\" + kSo + "\\" + kHyou + "\\Vellumark.exe"), "C:\\" + kSo + "\\" + kHyou);
  EXPECT_EQ(ExtractFileName("C:\\" + kSo + kHyou + ".exe"), kSo + kHyou + ".exe");
  EXPECT_EQ(ExtractFilePath("C:\\x" + kLoneLeadColon + "y"), "C:\\x" + kLoneLeadColon);
  EXPECT_EQ(ExtractFileDir("C:\\x\x88\\\\y"), "C:\\x\x88\\");  // 0x88 0x5C, then a backslash
  // A lead byte at the very end does not swallow anything that is not there.
  EXPECT_EQ(ExtractFileName("C:\\a\x95"), "a\x95");
}

TEST(ShellPath, ExtensionsAndTrailingBackslash) {
  EXPECT_EQ(ChangeFileExt("Vellumark.exe", ""), "Vellumark");
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\Vellumark", ""), "C:\\a.b\\Vellumark");
  EXPECT_EQ(ChangeFileExt("C:\\a\\x.tar.gz", ".ini"), "C:\\a\\x.tar.ini");
  EXPECT_EQ(ChangeFileExt(kHyou + ".exe", ""), kHyou);

  EXPECT_EQ(ExcludeTrailingBackslash("C:\\Desktop\\"), "C:\\Desktop");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\Desktop"), "C:\\Desktop");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\" + kHyou), "C:\\" + kHyou);  // 表 stays whole
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\" + kHyou + "\\"), "C:\\" + kHyou);
  EXPECT_EQ(ExcludeTrailingBackslash(""), "");
}

TEST(ShellPath, ShortcutFileNames) {
  EXPECT_EQ(ShortcutFileName("C:\\Users\\me\\Desktop", "Vellumark"), "C:\\Users\\me\\Desktop\\Vellumark.lnk");
  EXPECT_EQ(ShortcutFileName("C:\\Users\\me\\Desktop\\", "Vellumark"), "C:\\Users\\me\\Desktop\\Vellumark.lnk");
  EXPECT_EQ(ShortcutFileName("C:\\" + kHyou, "Vellumark"), "C:\\" + kHyou + "\\Vellumark.lnk");
  EXPECT_EQ(ShortcutFileName("C:\\D", ChangeFileExt(ExtractFileName("C:\\x\\Vellumark.exe"), "")),
            "C:\\D\\Vellumark.lnk");
}

}  // namespace
}  // namespace vellumark
