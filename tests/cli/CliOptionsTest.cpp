#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/Error.h"
#include "cli/CliOptions.h"

namespace vellumark {
namespace {

TCliOptions Parse(std::vector<std::string> args) { return ParseCliOptions(args); }

// The message of the TError that parsing raises, or "" when it succeeds.
std::string ErrorOf(std::vector<std::string> args) {
  try {
    ParseCliOptions(args);
  } catch (const TError& e) {
    return e.what();
  }
  return "";
}

TEST(CliOptions, NothingGivenMeansDefaultsAndStandardInput) {
  const TCliOptions o = Parse({});
  EXPECT_FALSE(o.format);
  EXPECT_FALSE(o.tagTemplate);
  EXPECT_FALSE(o.iniPath);
  EXPECT_FALSE(o.noDate);
  EXPECT_EQ(o.encoding, TOutputEncoding::Utf8);
  EXPECT_EQ(o.jobs, 8);
  EXPECT_FALSE(o.json);
  EXPECT_FALSE(o.quiet);
  EXPECT_TRUE(o.files.empty());
}

TEST(CliOptions, LongShortAttachedAndSeparateValuesAllParse) {
  const TCliOptions a = Parse({"--format", "3", "--jobs=32", "-e", "shift_jis", "--template=<#URL#>",
                               "--date-format", "yyyy-mm-dd", "--date-left=(", "--date-right", ")",
                               "--ini", "Vellumark.ini", "a.txt", "-", "b.txt"});
  EXPECT_EQ(a.format, 3);
  EXPECT_EQ(a.jobs, 32);
  EXPECT_EQ(a.encoding, TOutputEncoding::ShiftJis);
  EXPECT_EQ(a.tagTemplate, "<#URL#>");
  EXPECT_EQ(a.dateFormat, "yyyy-mm-dd");
  EXPECT_EQ(a.dateLeft, "(");
  EXPECT_EQ(a.dateRight, ")");
  EXPECT_EQ(a.iniPath, "Vellumark.ini");
  EXPECT_EQ(a.files, (std::vector<std::string>{"a.txt", "-", "b.txt"}));

  const TCliOptions b = Parse({"-f2", "-j", "4", "-tX", "-nq", "--json"});
  EXPECT_EQ(b.format, 2);
  EXPECT_EQ(b.jobs, 4);
  EXPECT_EQ(b.tagTemplate, "X");
  EXPECT_TRUE(b.noDate);
  EXPECT_TRUE(b.quiet);
  EXPECT_TRUE(b.json);

  // A bundle may end in a letter that takes a value.
  const TCliOptions c = Parse({"-nf", "4"});
  EXPECT_TRUE(c.noDate);
  EXPECT_EQ(c.format, 4);
}

TEST(CliOptions, ValuesThatLookLikeOptionsAndFilesAfterDoubleDash) {
  // An option's value is taken as it is, even when it starts with "-".
  EXPECT_EQ(Parse({"--date-left", "-["}).dateLeft, "-[");
  EXPECT_EQ(Parse({"-t", "--x--"}).tagTemplate, "--x--");
  // An empty template is a template (it gives the date suffix alone).
  EXPECT_EQ(Parse({"--template="}).tagTemplate, "");
  const TCliOptions o = Parse({"--", "-n", "--json"});
  EXPECT_FALSE(o.noDate);
  EXPECT_FALSE(o.json);
  EXPECT_EQ(o.files, (std::vector<std::string>{"-n", "--json"}));
}

TEST(CliOptions, EncodingNamesIgnoreLetterCase) {
  EXPECT_EQ(ParseOutputEncoding("UTF-8"), TOutputEncoding::Utf8);
  EXPECT_EQ(ParseOutputEncoding("utf8"), TOutputEncoding::Utf8);
  EXPECT_EQ(ParseOutputEncoding("Shift_JIS"), TOutputEncoding::ShiftJis);
  EXPECT_EQ(ParseOutputEncoding("sjis"), TOutputEncoding::ShiftJis);
  EXPECT_EQ(ParseOutputEncoding("CP932"), TOutputEncoding::ShiftJis);
  EXPECT_FALSE(ParseOutputEncoding("euc-jp"));
  EXPECT_FALSE(ParseOutputEncoding(""));
}

TEST(CliOptions, HelpAndVersion) {
  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"-V"}).version);
  EXPECT_TRUE(Parse({"--version"}).version);
  EXPECT_EQ(CliVersionText(), "0.6.9.19");
  EXPECT_NE(CliUsageText().find("--format"), std::string::npos);
}

TEST(CliOptions, EachProblemGivesAMessageNamingIt) {
  EXPECT_EQ(ErrorOf({"--frobnicate"}), "unknown option '--frobnicate' (try --help)");
  EXPECT_EQ(ErrorOf({"-x"}), "unknown option '-x' (try --help)");
  EXPECT_EQ(ErrorOf({"-nz"}), "unknown option '-z' (try --help)");
  EXPECT_EQ(ErrorOf({"--format"}), "option --format needs a value");
  EXPECT_EQ(ErrorOf({"-j"}), "option -j needs a value");
  EXPECT_EQ(ErrorOf({"--json=yes"}), "option --json takes no value");
  EXPECT_EQ(ErrorOf({"-f", "0"}), "format '0' is outside 1-4");
  EXPECT_EQ(ErrorOf({"-f", "5"}), "format '5' is outside 1-4");
  EXPECT_EQ(ErrorOf({"--format=two"}), "format 'two' is not a number 1-4");
  EXPECT_EQ(ErrorOf({"-f", " 1"}), "format ' 1' is not a number 1-4");
  EXPECT_EQ(ErrorOf({"-f", ""}), "format '' is not a number 1-4");
  EXPECT_EQ(ErrorOf({"-f", "-1"}), "format '-1' is not a number 1-4");
  EXPECT_EQ(ErrorOf({"-e", "euc-jp"}), "unknown encoding 'euc-jp' (use utf-8 or shift_jis)");
  EXPECT_EQ(ErrorOf({"-j", "0"}), "job count '0' is outside 1-256");
  EXPECT_EQ(ErrorOf({"-j", "257"}), "job count '257' is outside 1-256");
  EXPECT_EQ(ErrorOf({"-j", "99999999999"}), "job count '99999999999' is outside 1-256");
  EXPECT_EQ(ErrorOf({"-j", "many"}), "job count 'many' is not a number 1-256");
  EXPECT_EQ(ErrorOf({"--ini="}), "option --ini needs a file name");
  EXPECT_EQ(ErrorOf({"--json", "-e", "sjis"}),
            "--json writes UTF-8 and cannot be combined with --encoding shift_jis");
  EXPECT_EQ(ErrorOf({"--now", "2007-02-29"}),
            "date-time '2007-02-29' is not of the form YYYY-MM-DDTHH:MM:SS");
  // Control characters in a value are shown escaped, so every message is one line.
  EXPECT_EQ(ErrorOf({"-f", "1\n2"}), "format '1\\n2' is not a number 1-4");
  EXPECT_EQ(ErrorOf({"--x\r\n"}), "unknown option '--x\\r\\n' (try --help)");
  EXPECT_EQ(ErrorOf({"-e", "\t\x1B\x7F"}), "unknown encoding '\\t\\x1B\\x7F' (use utf-8 or shift_jis)");
  EXPECT_EQ(ErrorOf({"--now", "\n"}), "date-time '\\n' is not of the form YYYY-MM-DDTHH:MM:SS");
  EXPECT_EQ(ErrorOf({"--deadline", "0"}), "deadline '0' is outside 1-86400");
  // A header value that would end its line and start another.
  EXPECT_EQ(ErrorOf({"--user-agent", "a\r\nX-Evil: 1"}),
            "--user-agent takes printable ASCII text, not 'a\\r\\nX-Evil: 1'");
  // A proxy address that may carry a password is never repeated.
  EXPECT_EQ(ErrorOf({"--proxy", "socks5://u:secret@h"}).find("secret"), std::string::npos);
}

TEST(CliOptions, FixedDateTimes) {
  const auto t = ParseFixedTime("2007-01-05T13:04:59");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->year, 2007);
  EXPECT_EQ(t->month, 1);
  EXPECT_EQ(t->day, 5);
  EXPECT_EQ(t->hour, 13);
  EXPECT_EQ(t->minute, 4);
  EXPECT_EQ(t->second, 59);
  const auto midnight = ParseFixedTime("2000-02-29");  // a leap day
  ASSERT_TRUE(midnight);
  EXPECT_EQ(midnight->hour, 0);
  EXPECT_TRUE(ParseFixedTime("2007-01-05 00:00:00"));
  for (const char* bad : {"1900-02-29", "2007-13-01", "2007-04-31", "2007-01-05T24:00:00",
                          "2007-01-05T12:60:00", "2007-1-5", "2007/01/05", "", "2007-01-05X12:00:00"}) {
    EXPECT_FALSE(ParseFixedTime(bad)) << bad;
  }
}

}  // namespace
}  // namespace vellumark
