#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Common/Error.h"
#include "cli/CliInput.h"

namespace vellumark {
namespace {

using Lines = std::vector<std::string>;

TEST(CliInput, AddressesStayUtf8AndAreCutAtTheLineLimit) {
  // 日本 stays UTF-8: the fetch reads it as Unicode.
  EXPECT_EQ(AddressesFromText("http://x/\xE6\x97\xA5\xE6\x9C\xAC\n"), Lines{"http://x/\xE6\x97\xA5\xE6\x9C\xAC"});
  // A byte-order mark at the start is not part of the first address.
  EXPECT_EQ(AddressesFromText("\xEF\xBB\xBFhttp://a/\r\nhttp://b/"), (Lines{"http://a/", "http://b/"}));
  const std::string longLine = "http://h/" + std::string(5000, 'a');
  EXPECT_EQ(AddressesFromText(longLine + "\nnext"), (Lines{longLine.substr(0, MaxAddressLineBytes), "next"}));
  // The limit falls inside a three-byte character (a + 1365 日 is 4096
  // bytes): the character is left out whole; on a boundary all is kept.
  std::string kanji = "a";
  for (int i = 0; i < 1400; ++i) kanji += "\xE6\x97\xA5";
  EXPECT_EQ(AddressesFromText(kanji)[0], kanji.substr(0, MaxAddressLineBytes));
  EXPECT_EQ(AddressesFromText("bc" + kanji)[0], ("bc" + kanji).substr(0, MaxAddressLineBytes - 1));
}

class CliInputFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vellumark_cli_input_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::filesystem::path dir_;
};

TEST_F(CliInputFiles, FilesAndStandardInputInTurn) {
  const std::string a = Write("a.txt", "http://a/1\r\nhttp://a/2");  // no break at the end
  const std::string b = Write("b.txt", "\nhttp://b/1\n");
  std::istringstream in("http://in/1\nhttp://in/2\n");
  // The last line of a file does not run into the first line of the next.
  EXPECT_EQ(ReadAddresses({a, "-", b}, in),
            (Lines{"http://a/1", "http://a/2", "http://in/1", "http://in/2", "", "http://b/1"}));

  std::istringstream only("x\r\ny");
  EXPECT_EQ(ReadAddresses({}, only), (Lines{"x", "y"}));
  std::istringstream empty("");
  EXPECT_EQ(ReadAddresses({}, empty), Lines{});
}

TEST_F(CliInputFiles, BookmarkExportsGiveTheirWebLinks) {
  const std::string exportText =
      "\xEF\xBB\xBF<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
      "<DT><A HREF=\"https://a/?x=1&amp;y=2\">A</A>\n<DT><A HREF=\"place:sort=8\">R</A>\n"
      "<DT><A HREF=\"http://b/" + std::string(5000, 'b') + "\">B</A>\n<DT><A HREF=\"javascript:x()\">J</A>\n</DL>\n";
  const std::string a = Write("bookmarks.html", exportText);
  // Any other text is lines, even an HTML page.
  const std::string b = Write("page.html", "<a href=\"http://no/\">\n");
  std::istringstream in("<!doctype netscape-bookmark-file-1><a href=ftp://f/><a href=http://in/>");
  std::size_t skipped = 0;
  EXPECT_EQ(ReadAddresses({a, b, "-"}, in, &skipped),
            (Lines{"https://a/?x=1&y=2", ("http://b/" + std::string(5000, 'b')).substr(0, MaxAddressLineBytes),
                   "<a href=\"http://no/\">", "http://in/"}));
  EXPECT_EQ(skipped, 3u);  // the files' counts add up
}

TEST_F(CliInputFiles, AnUnreadableFileIsNamed) {
  std::istringstream in("");
  const std::string missing = (dir_ / "missing.txt").string();
  try {
    ReadAddresses({Write("ok.txt", "http://a/\n"), missing}, in);
    FAIL() << "a missing file must raise";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot read '" + missing + "': no such file");
  }
  try {
    ReadAddresses({dir_.string()}, in);
    FAIL() << "a folder must raise";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot read '" + dir_.string() + "': it is a folder");
  }
  // A line break in the name is shown escaped: the message stays one line.
  try {
    ReadAddresses({"new\nline.txt"}, in);
    FAIL() << "a missing file must raise";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot read 'new\\nline.txt': no such file");
  }
}

}  // namespace
}  // namespace vellumark
