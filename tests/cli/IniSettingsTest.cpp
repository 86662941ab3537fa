#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Common/Codepage.h"
#include "Common/Error.h"
#include "cli/CliSettings.h"
#include "cli/IniFile.h"

namespace vellumark {
namespace {

// A settings file as the main window saves it: the window's bounds, then one
// section per owned component in declaration order with "Tag", "Enabled"
// and "Text" or "Checked", CR LF line ends, Shift_JIS values.
struct TSaved {
  std::string format1 = "<li><a href=\"#URL#\">#TITLE#</a>";
  std::string format2 = "<a href=\"#URL#\">#TITLE#</a> \x81\x79#DESCRIPTION#\x81\x7A";  // 【 】
  std::string format3 = "#TITLE# \x83\x5C\x83\x5D #URL#";  // ソゾ: trail bytes 0x5C and 0x5D
  std::string format4;
  std::string radio[4] = {"0", "0", "1", "0"};
  std::string notDate = "0";
  std::string left = "\x81\x69";                 // （
  std::string pattern = "yyyy\x94\x4Emm\x8C\x8E" "dd\x93\xFA";  // yyyy年mm月dd日
  std::string right = "\x81\x6A";                // ）

  std::string Text() const {
    std::string out = "[MainForm.MainForm]\r\nTop=195\r\nLeft=-20\r\nWidth=447\r\nHeight=358\r\n";
    auto section = [&](const std::string& name, const std::string& extraKey, const std::string& value) {
      out += "[MainForm." + name + "]\r\nTag=0\r\n";
      if (name != "ImageList1") out += "Enabled=1\r\n";
      if (!extraKey.empty()) out += extraKey + "=" + value + "\r\n";
    };
    section("PageControl", "", "");
    section("TabSheet1", "", "");
    section("Panel1", "", "");
    section("BtnBuild", "", "");
    section("Label17", "", "");
    for (int i = 0; i < 4; ++i) section("RbtnFormat" + std::to_string(i + 1), "Checked", radio[i]);
    section("ChkNotask", "Checked", "1");
    section("ChkNotFromClipboard", "Checked", "1");
    section("MemoSource", "", "");
    section("TabSheet2", "", "");
    section("EditFormat1", "Text", format1);
    section("EditFormat2", "Text", format2);
    section("EditFormat3", "Text", format3);
    section("EditFormat4", "Text", format4);
    section("ChkNotDate", "Checked", notDate);
    section("EditLeftPar", "Text", left);
    section("EditDateFormat", "Text", pattern);
    section("EditRightPar", "Text", right);
    section("ImageList1", "", "");
    return out;
  }
};

// The same file as Vellumark.exe keeps it: UTF-16LE with a byte-order mark
// (the profile functions then keep it in Unicode).
std::string AsUtf16LeFile(const std::string& sjis) {
  std::string out("\xFF\xFE", 2);
  for (const wchar_t c : SjisToWide(sjis)) {
    const auto unit = static_cast<std::uint32_t>(c);
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
  }
  return out;
}

TTagSettings Restore(const std::string& fileText) {
  TTagSettings settings = DefaultTagSettings();
  TIniFile ini = TIniFile::Parse(fileText);
  ApplyIniSettings(ini, settings);
  return settings;
}

TEST(IniFile, ProfileFormatDetails) {
  TIniFile ini = TIniFile::Parse(
      "orphan=1\n"
      "; a comment line\n"
      "[Main.A]\n"
      "  Key1 =  spaced value  \n"
      "quoted=\"  kept blanks  \"\n"
      "single='x'\n"
      "half=\"x\n"
      "noequals\n"
      "empty=\n"
      "dup=first\r"
      "dup=second\r\n"
      "[ main.a ]\n"
      "later=ignored\n"
      "dup=third\n"
      "[B]\n"
      "k=b\n");
  EXPECT_EQ(ini.Find("MAIN.A", "KEY1"), "spaced value");
  EXPECT_EQ(ini.Find("Main.A", "quoted"), "  kept blanks  ");
  EXPECT_EQ(ini.Find("Main.A", "single"), "x");
  EXPECT_EQ(ini.Find("Main.A", "half"), "\"x");
  EXPECT_EQ(ini.Find("Main.A", "empty"), "");
  EXPECT_FALSE(ini.Find("Main.A", "noequals"));
  EXPECT_EQ(ini.Find("Main.A", "dup"), "first");
  EXPECT_FALSE(ini.Find("Main.A", "later")) << "only the first section of a name counts";
  EXPECT_EQ(ini.Find("b", "k"), "b");
  EXPECT_FALSE(ini.Find("", "orphan"));
  EXPECT_FALSE(ini.Find("B", "Key1"));
  EXPECT_FALSE(ini.Find("C", "k"));
  EXPECT_EQ(ini.ReadString("C", "k", "fallback"), "fallback");
}

TEST(IniFile, ALargeFileKeepsEveryKeyAndOnlyTheFirstCopyOfASection) {
  // 20,000 keys in one section, then 20,000 sections, then the first section
  // again under another letter case. How long parsing takes is measured by
  // the benchmarks, not here.
  std::string text = "[Big]\n";
  constexpr int kCount = 20000;
  for (int i = 0; i < kCount; ++i) text += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  for (int i = 0; i < kCount; ++i) text += "[S" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
  text += "[big]\nKey0=again\nExtra=1\n";

  TIniFile ini = TIniFile::Parse(text);
  EXPECT_EQ(ini.Find("BIG", "key0"), "0");
  EXPECT_EQ(ini.Find("Big", "Key19999"), "19999");
  EXPECT_EQ(ini.Find("s19999", "K"), "19999");
  EXPECT_EQ(ini.Find("Big", "Extra"), std::nullopt);
}

TEST(IniFile, ValuesReadWithTheWindowsOwnReaders) {
  TIniFile ini = TIniFile::Parse(
      "[S]\nhex=0x200\ndollar=$200\nbare=0x\nblanks=  12\ntail=12abc\nnone=\nabc=abc\ntwo=2\nzero=0\n");
  EXPECT_EQ(ReadProfileInteger(ini, "S", "hex", -1), 512);
  EXPECT_EQ(ReadProfileInteger(ini, "S", "dollar", -1), 512);
  EXPECT_EQ(ReadProfileInteger(ini, "S", "bare", -1), -1);
  EXPECT_EQ(ReadProfileInteger(ini, "S", "blanks", -1), 12);
  EXPECT_EQ(ReadProfileInteger(ini, "S", "tail", -1), -1);
  EXPECT_EQ(ReadProfileInteger(ini, "S", "none", -1), -1);
  EXPECT_EQ(ReadProfileInteger(ini, "S", "missing", 42), 42);
  EXPECT_TRUE(ReadProfileBool(ini, "S", "two", false));
  EXPECT_FALSE(ReadProfileBool(ini, "S", "zero", true));
  EXPECT_TRUE(ReadProfileBool(ini, "S", "abc", true));  // not a number: the default stays
  EXPECT_FALSE(ReadProfileBool(ini, "S", "abc", false));
  EXPECT_EQ(ReadProfileText(ini, "S", "missing", "kept"), "kept");
  // The reader never writes.
  EXPECT_FALSE(ini.WriteString("S", "k", "v"));
  EXPECT_EQ(ini.Find("S", "k"), std::nullopt);
}

TEST(IniFile, LongTextsAreCutAndOtherEditorsEncodingsConverted) {
  // A long text comes back cut to 2047 bytes, at a character boundary: a
  // two-byte character that would straddle the limit goes whole.
  const std::string longValue = std::string(2046, 'v') + "\x93\xFA" + std::string(100, 'w');
  TIniFile longIni = TIniFile::Parse("[S]\nk=" + longValue + "\n");
  EXPECT_EQ(longIni.Find("S", "k"), longValue);
  EXPECT_EQ(ReadProfileText(longIni, "S", "k", ""), std::string(2046, 'v'));
  TTagSettings cut = DefaultTagSettings();
  TIniFile longTemplate = TIniFile::Parse("[MainForm.EditFormat1]\nText=" + std::string(3000, 't') + "\n");
  ApplyIniSettings(longTemplate, cut);
  EXPECT_EQ(cut.templates[0], std::string(2047, 't'));
  // "[S]\r\nk=日\r\n" as UTF-16LE with its mark, and as UTF-8 with its mark.
  const std::string utf16("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xE5\x65\r\0\n\0", 22);
  EXPECT_EQ(TIniFile::Parse(utf16).Find("S", "k"), "\x93\xFA");
  EXPECT_EQ(TIniFile::Parse("\xEF\xBB\xBF[S]\nk=\xE6\x97\xA5\n").Find("S", "k"), "\x93\xFA");
}

TEST(IniSettings, AFileSavedByTheWindowRestoresTemplatesFormatAndDate) {
  const TSaved saved;
  const TTagSettings s = Restore(saved.Text());
  EXPECT_EQ(s.templates[0], saved.format1);
  EXPECT_EQ(s.templates[1], saved.format2);
  EXPECT_EQ(s.templates[2], saved.format3);
  EXPECT_EQ(s.templates[3], "");
  EXPECT_EQ(ChosenFormat(s), 3);
  EXPECT_TRUE(s.date.enabled);
  EXPECT_EQ(s.date.left, saved.left);
  EXPECT_EQ(s.date.pattern, saved.pattern);
  EXPECT_EQ(s.date.right, saved.right);

  TSaved noDate;
  noDate.notDate = "1";
  EXPECT_FALSE(Restore(noDate.Text()).date.enabled);

  const TTagSettings unicode = Restore(AsUtf16LeFile(saved.Text()));
  EXPECT_EQ(unicode.templates, s.templates);
  EXPECT_EQ(unicode.formatChecked, s.formatChecked);
  EXPECT_EQ(unicode.date.pattern, saved.pattern);
  EXPECT_EQ(unicode.date.left, saved.left);
}

TEST(IniSettings, RadioButtonsRestoreAsTheWindowDoes) {
  auto formatFor = [](std::vector<std::string> radio) {
    TSaved saved;
    for (int i = 0; i < 4; ++i) saved.radio[i] = radio[static_cast<std::size_t>(i)];
    return ChosenFormat(Restore(saved.Text()));
  };
  EXPECT_EQ(formatFor({"1", "0", "0", "0"}), 1);
  EXPECT_EQ(formatFor({"0", "0", "0", "1"}), 4);
  EXPECT_EQ(formatFor({"0", "2", "0", "0"}), 2);       // any non-zero number is checked
  EXPECT_EQ(formatFor({"0", "1", "0", "1"}), 4);       // the last one visited wins
  EXPECT_EQ(formatFor({"1", "0", "1", "0"}), 3);
  EXPECT_EQ(formatFor({"0", "0", "0", "0"}), 1);       // none checked: template 1
  // "abc" keeps the current state: format 1 stays checked, "0" unchecks it.
  TSaved kept;
  kept.radio[0] = "abc";
  EXPECT_EQ(Restore(kept.Text()).formatChecked, (std::array<bool, 4>{false, false, true, false}));
  kept.radio[2] = "0";
  EXPECT_EQ(Restore(kept.Text()).formatChecked, (std::array<bool, 4>{true, false, false, false}));
  kept.radio[0] = "0";
  EXPECT_EQ(Restore(kept.Text()).formatChecked, (std::array<bool, 4>{false, false, false, false}));
  TTagSettings none = Restore("[MainForm.RbtnFormat1]\nChecked=0\n");
  EXPECT_EQ(none.formatChecked, (std::array<bool, 4>{false, false, false, false}));
  EXPECT_EQ(ChosenFormat(none), 1);
}

TEST(IniSettings, MissingAndBadValuesKeepTheDefaults) {
  const TTagSettings defaults = DefaultTagSettings();
  EXPECT_EQ(defaults.templates[0], "<li><a target=\"link\" href=\"#URL#\">#TITLE#</a>...#DESCRIPTION#");
  EXPECT_EQ(defaults.templates[3], "");
  EXPECT_EQ(ChosenFormat(defaults), 1);
  EXPECT_TRUE(defaults.date.enabled);
  EXPECT_EQ(defaults.date.pattern, "YYYY/MM/DD");

  const TTagSettings empty = Restore("");
  EXPECT_EQ(empty.templates, defaults.templates);
  EXPECT_EQ(empty.formatChecked, defaults.formatChecked);
  const TTagSettings bad = Restore("[MainForm.ChkNotDate]\nChecked=abc\n[MainForm.EditFormat2]\nTag=1\n");
  EXPECT_TRUE(bad.date.enabled);
  EXPECT_EQ(bad.templates[1], defaults.templates[1]);
  // A stored empty text is a text: template 1 cleared.
  EXPECT_EQ(Restore("[MainForm.EditFormat1]\nText=\n").templates[0], "");
}

class RunTemplateFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vellumark_cli_ini_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& bytes) {
    const auto path = dir_ / "Vellumark.ini";
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::filesystem::path dir_;
};

TEST_F(RunTemplateFiles, CommandLineOptionsOverrideTheSettingsFile) {
  TSaved saved;
  saved.notDate = "1";
  TCliOptions options;
  options.iniPath = Write(saved.Text());

  TRunTemplate run = ResolveRunTemplate(options);
  EXPECT_EQ(run.tagTemplate, saved.format3);
  EXPECT_FALSE(run.date.enabled);
  EXPECT_EQ(run.date.pattern, saved.pattern);

  options.format = 2;
  options.dateLeft = "\xE3\x80\x90";  // 【 in UTF-8 becomes Shift_JIS
  run = ResolveRunTemplate(options);
  EXPECT_EQ(run.tagTemplate, saved.format2);
  EXPECT_EQ(run.date.left, "\x81\x79");
  EXPECT_EQ(run.date.right, saved.right);

  options.tagTemplate = "#TITLE#\xE2\x80\xA6";  // … in UTF-8
  run = ResolveRunTemplate(options);
  EXPECT_EQ(run.tagTemplate, "#TITLE#\x81\x63");
  EXPECT_FALSE(run.fixedNow);

  options.now = TFixedTime{2007, 1, 5, 9, 8, 7};
  run = ResolveRunTemplate(options);
  ASSERT_TRUE(run.fixedNow);
  EXPECT_EQ(run.fixedNow->dayOfWeek, 5);  // a Friday
  EXPECT_EQ(run.fixedNow->second, 7);
}

TEST_F(RunTemplateFiles, RequestSettingsFromTheFileThenTheOptions) {
  struct TRow {
    std::string section;                // the [Request] section's lines
    std::optional<std::string> option;  // --user-agent
    std::string userAgent, acceptLanguage;
    int deadline;
  };
  const std::string ours = DefaultUserAgent();
  const TRow rows[] = {
      {"", std::nullopt, ours, "ja,en;q=0.8", 30},
      {"UserAgent=Me/1\nAcceptLanguage=en\nDeadlineSeconds=5\n", std::nullopt, "Me/1", "en", 5},
      {"UserAgent=Me/1\n", "Cli/2", "Cli/2", "ja,en;q=0.8", 30},
      {"UserAgent=\nAcceptLanguage=\n", std::nullopt, "", "", 30},                     // empty: no header
      {"UserAgent=\x93\xfa\x96\x7b\nDeadlineSeconds=0\n", std::nullopt, ours, "ja,en;q=0.8", 30},  // unusable: ignored
      {"DeadlineSeconds=86401\n", std::nullopt, ours, "ja,en;q=0.8", 30},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.section);
    TCliOptions options;
    options.iniPath = Write("[Request]\n" + row.section);
    options.userAgent = row.option;
    const TRunTemplate run = ResolveRunTemplate(options);
    EXPECT_EQ(run.request.userAgent, row.userAgent);
    EXPECT_EQ(run.request.acceptLanguage, row.acceptLanguage);
    EXPECT_EQ(run.request.deadlineSeconds, row.deadline);
  }
}

TEST_F(RunTemplateFiles, WithoutASettingsFileTheWindowsDefaultsApply) {
  TCliOptions options;
  TRunTemplate run = ResolveRunTemplate(options);
  EXPECT_EQ(run.tagTemplate, DefaultTagSettings().templates[0]);
  EXPECT_TRUE(run.date.enabled);
  EXPECT_EQ(run.date.left, ":[");
  EXPECT_EQ(run.date.right, "]");
  options.format = 4;
  EXPECT_EQ(ResolveRunTemplate(options).tagTemplate, "");
}

TEST_F(RunTemplateFiles, AnUnreadableSettingsFileIsNamed) {
  TCliOptions options;
  options.iniPath = (dir_ / "nothing.ini").string();
  try {
    ResolveRunTemplate(options);
    FAIL() << "a missing settings file must raise";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot read settings file '" + *options.iniPath + "': no such file");
  }
  options.iniPath = "a\r\nb.ini";
  try {
    ResolveRunTemplate(options);
    FAIL() << "a missing settings file must raise";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot read settings file 'a\\r\\nb.ini': no such file");
  }
}

}  // namespace
}  // namespace vellumark
