// The system's side of the Info unit under Windows (or Wine): shortcut files
// written and read back through the shell-link object, special folders, the
// real OS description and the status lines.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Common/Codepage.h"
#include "Common/Error.h"
#include "System/Folders.h"
#include "System/OsVersion.h"
#include "System/Shell.h"
#include "System/ShellPath.h"
#include "System/ShellText.h"
#include "System/StatusSystem.h"
#include "System/VersionResource.h"

namespace vellumark {
namespace {

namespace fs = std::filesystem;

std::string ModulePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return WideToSjis(path);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(SjisToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

struct TLinkFields {
  std::wstring path, arguments, workingDirectory;
};

// Loads a shortcut file through a fresh shell-link object.
TLinkFields ReadLink(const std::string& file) {
  IShellLinkW* link = nullptr;
  EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                            reinterpret_cast<void**>(&link)));
  TLinkFields fields;
  if (link == nullptr) return fields;
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    EXPECT_HRESULT_SUCCEEDED(persist->Load(SjisToWide(file).c_str(), STGM_READ));
    wchar_t buffer[MAX_PATH * 2] = {};
    if (SUCCEEDED(link->GetPath(buffer, MAX_PATH * 2, nullptr, SLGP_RAWPATH))) fields.path = buffer;
    buffer[0] = 0;
    if (SUCCEEDED(link->GetArguments(buffer, MAX_PATH * 2))) fields.arguments = buffer;
    buffer[0] = 0;
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH * 2))) fields.workingDirectory = buffer;
    persist->Release();
  }
  link->Release();
  return fields;
}

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = fs::path(temp) / (L"vellumark-links-" + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string Folder() const { return WideToSjis(folder_.wstring()); }

  TComLibrary com_;
  fs::path folder_;
};

TEST_F(ShortcutTest, WritesTheLinkWithArgumentsTargetAndWorkingDirectory) {
  const std::string exe = ModulePath();
  const std::string name = ChangeFileExt(ExtractFileName(exe), "");
  for (const std::string& folder : {Folder(), Folder() + "\\"}) {
    const std::string file = Folder() + "\\" + name + ".lnk";
    DeleteFileW(SjisToWide(file).c_str());
    ASSERT_NO_THROW(CreateShortcut(exe, folder, name)) << folder;
    ASSERT_TRUE(fs::exists(SjisToWide(file))) << file;
    const TLinkFields link = ReadLink(file);
    EXPECT_EQ(link.arguments, L"/starup");
    EXPECT_EQ(_wcsicmp(link.path.c_str(), SjisToWide(exe).c_str()), 0)
        << WideToSjis(link.path) << " vs " << exe;
    EXPECT_EQ(link.workingDirectory, SjisToWide(ExtractFileDir(exe)));
    EXPECT_NE(link.workingDirectory.back(), L'\\');
  }
}

TEST_F(ShortcutTest, TargetInADriveRootKeepsTheRootBackslash) {
  ASSERT_NO_THROW(CreateShortcut("C:\\Vellumark.exe", Folder(), "Root"));
  const TLinkFields link = ReadLink(Folder() + "\\Root.lnk");
  EXPECT_EQ(link.workingDirectory, L"C:\\");
  EXPECT_EQ(link.arguments, L"/starup");
}

TEST_F(ShortcutTest, JapaneseFolderWhoseLastByteIsABackslashByte) {
  // 表 is 0x95 0x5C in Shift_JIS: the folder's last byte is not a backslash.
  const std::string hyou = "\x95\x5C";
  ASSERT_EQ(SjisToWide(hyou), L"\u8868");
  const std::string folder = Folder() + "\\" + hyou;
  ASSERT_TRUE(CreateDirectoryW(SjisToWide(folder).c_str(), nullptr));
  ASSERT_NO_THROW(CreateShortcut("C:\\" + hyou + "\\Vellumark.exe", folder, "Vellumark"));
  EXPECT_TRUE(fs::exists(folder_ / L"\u8868" / L"Vellumark.lnk"));
  const TLinkFields link = ReadLink(folder + "\\Vellumark.lnk");
  EXPECT_EQ(link.workingDirectory, L"C:\\\u8868");
  EXPECT_EQ(link.path, L"C:\\\u8868\\Vellumark.exe");
}

TEST_F(ShortcutTest, FailingSaveRaisesTheSystemText) {
  const std::string missing = Folder() + "\\no\\such\\folder";
  try {
    CreateShortcut(ModulePath(), missing, "Vellumark");
    FAIL() << "no error for a folder that does not exist";
  } catch (const TError& error) {
    EXPECT_STRNE(error.what(), "");
    std::printf("save error: %s\n", error.what());
    std::string text = error.what();
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
  }
  EXPECT_FALSE(fs::exists(SjisToWide(missing + "\\Vellumark.lnk")));
}

TEST_F(ShortcutTest, AnUnresolvedFolderRaisesPathNotFoundAndWritesNothing) {
  // Where the empty folder would put the link: the root of the current drive.
  const std::string linkName = "vellumark-unresolved-" + std::to_string(GetCurrentProcessId());
  const std::wstring atRoot = SjisToWide("\\" + linkName + ".lnk");
  std::string message;
  try {
    CreateShortcut(ModulePath(), "", linkName);
  } catch (const TError& error) {
    message = error.what();
  }
  EXPECT_EQ(message, SystemErrorText(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(GetFileAttributesW(atRoot.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(atRoot.c_str());
}

TEST(SpecialFolders, ResolveToExistingFolders) {
  TComLibrary com;
  EXPECT_EQ(GetDesktopFolder(), GetSpecialFolderPath(CsidlDesktop));
  for (const std::string& path : {GetDesktopFolder(), GetSendToFolder()}) {
    EXPECT_FALSE(path.empty());
    EXPECT_TRUE(IsFolder(path)) << path;
    EXPECT_NE(path.back(), '\\') << path;
  }
  // The Startup folder has a path even where nothing created it yet.
  EXPECT_FALSE(GetStartupFolder().empty());
  // An identifier the shell does not know gives an empty text.
  EXPECT_EQ(GetSpecialFolderPath(0x7F), "");
}

TEST(OsDescription, RealSystemTexts) {
  const std::string description = GetOSDescription();
  EXPECT_FALSE(RemoveFirstMicrosoft(description).empty());
  EXPECT_NE(description, "Unknown");
  EXPECT_EQ(description, GetOSProductName());
  const std::string simple = GetOSVersionText();
  EXPECT_EQ(simple.rfind("Windows NT Version ", 0), 0u) << simple;
  std::printf("OS: %s\n    %s\n", description.c_str(), simple.c_str());
}

TEST(Status, NineLinesFromTheSystem) {
  ASSERT_TRUE(BindProcessStatusApi());
  EXPECT_TRUE(BindProcessStatusApi());  // bound once, kept
  const TStatusFigures figures = ReadStatusFigures();
  EXPECT_GT(figures.totalPhys, 0u);
  EXPECT_GT(figures.workingSetSize, 0u);
  EXPECT_GE(figures.nowUtc, figures.creationTime);
  const TStatusLines lines = UpdateStatus();
  for (const std::string& line : lines.InOrder()) {
    EXPECT_FALSE(line.empty());
    std::printf("  %s\n", line.c_str());
  }
  EXPECT_EQ(lines.phys.rfind("Free Physical Memory:", 0), 0u);
  EXPECT_EQ(lines.processTime.rfind("Kernel:", 0), 0u);
  EXPECT_EQ(lines.workingSetSize.find("Memory Usage:0 KB"), std::string::npos) << lines.workingSetSize;
}

TEST(Status, MissingProcessStatusLibraryGivesNoCounters) {
  TProcessStatusApi missing("vellumark-no-such-psapi.dll");
  EXPECT_FALSE(missing.Bind());
  EXPECT_FALSE(missing.Bind());  // tried again, still missing
  TProcessMemoryCounters counters;
  counters.workingSetSize = 77;
  EXPECT_FALSE(missing.QueryMemoryCounters(GetCurrentProcess(), counters));
  EXPECT_EQ(counters.workingSetSize, 77u);  // untouched

  TProcessStatusApi present("PSAPI.dll");
  TProcessMemoryCounters real;
  EXPECT_TRUE(present.QueryMemoryCounters(GetCurrentProcess(), real));
  EXPECT_GT(real.workingSetSize, 0u);
  EXPECT_GE(real.peakWorkingSetSize, real.workingSetSize);
}

// A text of the user locale, read directly.
std::string UserLocaleText(LCTYPE item) {
  wchar_t text[16] = {};
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, item, text, 16);
  return WideToSjis(std::wstring_view(text, length > 0 ? static_cast<std::size_t>(length - 1) : 0));
}

TEST(Status, UserSeparatorsComeFromTheLocale) {
  const TNumberSeparators separators = UserNumberSeparators();
  EXPECT_EQ(separators.thousands, UserLocaleText(LOCALE_STHOUSAND));
  EXPECT_EQ(separators.decimal, UserLocaleText(LOCALE_SDECIMAL));
  // The suite runs with the Japanese locale: "," groups, "." separates.
  EXPECT_EQ(FormatSize(suCount, 1234567), "1,234,567");
  EXPECT_EQ(FormatSize(suMegabytes, 1294467072), "1,234.50 MB");  // 1234.5 x 2^20
}

TEST(VersionResource, AProgramWithoutOneGivesEmptyTexts) {
  // This test program is built without a version resource.
  EXPECT_EQ(GetOwnVersionInfoValue("FileVersion"), "");
  EXPECT_EQ(GetVersionInfoValue("FileVersion", ModulePath()), "");
  EXPECT_EQ(GetVersionInfoValue("Comments", ModulePath()), "");
  EXPECT_EQ(GetVersionInfoValue("FileVersion", ModulePath() + ".missing"), "");
}

}  // namespace
}  // namespace vellumark
