#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "Common/Error.h"
#include "cli/CliRunner.h"
#include "support/FakeFetch.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

using testing_support::CountingFactory;
using testing_support::FakeFactory;
using testing_support::ThreadLimit;

struct TRun {
  int status = -1;
  std::string out, err;
};

TRun RunProgram(const std::vector<std::string>& args, const std::string& input = "", bool terminal = false,
         TFetcherFactory factory = FakeFactory(), std::uint16_t port = 0) {
  std::istringstream in(input);
  std::ostringstream out, err;
  TCliEnvironment env;
  env.in = &in;
  env.out = &out;
  env.err = &err;
  env.errIsTerminal = terminal;
  env.fetcherFactory = std::move(factory);
  if (port != 0) env.httpOptions.port = port;
  TRun run;
  run.status = RunCli(args, env);
  run.out = out.str();
  run.err = err.str();
  return run;
}

TEST(RunCli, ProblemsExitWithStatusTwoAndOneLine) {
  struct TCase {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<TCase> cases = {
      {{"--bogus"}, "vellumark-cli: unknown option '--bogus' (try --help)\n"},
      {{"-f", "5"}, "vellumark-cli: format '5' is outside 1-4\n"},
      {{"-e", "latin1"}, "vellumark-cli: unknown encoding 'latin1' (use utf-8 or shift_jis)\n"},
      {{"no-such-file.txt"}, "vellumark-cli: cannot read 'no-such-file.txt': no such file\n"},
      {{"--ini", "no-such.ini"}, "vellumark-cli: cannot read settings file 'no-such.ini': no such file\n"},
  };
  for (const auto& c : cases) {
    const TRun run = RunProgram(c.args, "http://a/\n");
    EXPECT_EQ(run.status, 2) << c.args[0];
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(run.out, "") << "nothing is fetched after a bad option";
  }
}

TEST(RunCli, HelpAndVersionGoToStandardOutput) {
  const TRun help = RunProgram({"--help", "--bogus-after-help-is-still-an-error"});
  EXPECT_EQ(help.status, 2);
  const TRun usage = RunProgram({"-h"});
  EXPECT_EQ(usage.status, 0);
  EXPECT_TRUE(usage.out.starts_with("Usage: vellumark-cli [OPTIONS] [FILE...]\n"));
  const TRun version = RunProgram({"-V"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "0.6.9.19\n");

  // An output that cannot be written is a failure here too.
  for (const char* option : {"-h", "-V"}) {
    std::istringstream in;
    std::ostream unwritable(nullptr);  // every write fails
    std::ostringstream err;
    TCliEnvironment env;
    env.in = &in;
    env.out = &unwritable;
    env.err = &err;
    EXPECT_EQ(RunCli({option}, env), 1) << option;
    EXPECT_EQ(err.str(), "vellumark-cli: cannot write standard output\n") << option;
  }
}

TEST(RunCli, OneLinePerAddressIncludingEmptyOnes) {
  const TRun run = RunProgram({"-n", "-t", "[#URL#|#TITLE#|#STATUS#]"}, "http://a/\r\n\r\nftp://b/\nhttp://c/");
  EXPECT_EQ(run.status, 0);
  // The empty line is an address too; a line that is not fetched shows the
  // line itself for the title.
  EXPECT_EQ(run.out, "[http://a/|T:http://a/|]\n[||]\n[ftp://b/|ftp://b/|]\n[http://c/|T:http://c/|]\n");
  EXPECT_EQ(run.err, "");
  // Nothing in, nothing out.
  EXPECT_EQ(RunProgram({"-n"}, "").out, "");
}

TEST(RunCli, BookmarkExportSaysHowManyLinksItLeftOut) {
  const std::string exportText =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DT><A HREF=\"http://a/\">A</A>\n<DT><A HREF=\"place:x\">P</A>\n"
      "<DT><A HREF='ftp://f/'>F</A>\n<DT><A HREF=https://b/>B</A>\n";
  const TRun run = RunProgram({"-n", "-t", "#URL#"}, exportText);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "http://a/\nhttps://b/\n");
  EXPECT_EQ(run.err, "vellumark-cli: 2 links skipped (not http or https)\n");
  const TRun one = RunProgram({"-n", "-t", "#URL#"}, "<!DOCTYPE NETSCAPE-Bookmark-file-1><a href=mailto:m>");
  EXPECT_EQ(one.err, "vellumark-cli: 1 link skipped (not http or https)\n");
  EXPECT_EQ(one.out, "");
}

TEST(RunCli, DateSuffixFormatsAndEncodings) {
  const TRun dated = RunProgram({"-t", "#URL#", "--now", "2007-01-05T09:08:07"}, "http://a/\n");
  EXPECT_EQ(dated.out, "http://a/:[2007/01/05]\n");
  const TRun custom = RunProgram({"-t", "#URL#", "--now", "2007-01-05T09:08:07", "--date-format", "yyyy\xE5\xB9\xB4m\xE6\x9C\x88",
                           "--date-left", " (", "--date-right", ")"},
                          "http://a/\n");
  EXPECT_EQ(custom.out, "http://a/ (2007\xE5\xB9\xB4" "1\xE6\x9C\x88)\n");  // 2007年1月
  // Format 4 is empty: the date suffix alone, or an empty line.
  EXPECT_EQ(RunProgram({"-f", "4", "--now", "2007-01-05"}, "http://a/\n").out, ":[2007/01/05]\n");
  EXPECT_EQ(RunProgram({"-f", "4", "-n"}, "http://a/\n").out, "\n");
  // Shift_JIS output: the template's 日 is written as Shift_JIS, lines end in CR LF.
  const TRun sjis = RunProgram({"-e", "shift_jis", "-n", "-t", "\xE6\x97\xA5#TITLE#"}, "http://a/\nx\n");
  EXPECT_EQ(sjis.out, "\x93\xFA" "T:http://a/\r\n\x93\xFAx\r\n");
}

TEST(RunCli, DefaultTemplateAndJsonRecords) {
  EXPECT_EQ(RunProgram({"-n"}, "http://a/\n").out,
            "<li><a target=\"link\" href=\"http://a/\">T:http://a/</a>...\n");
  const TRun json = RunProgram({"--json"}, "http://a/\nftp://b/\n");
  EXPECT_EQ(json.out,
            "{\"URL\":\"http://a/\",\"Host\":\"\",\"Page\":\"\",\"Status\":\"\",\"StatusCode\":200,"
            "\"ContentType\":\"\",\"Charset\":\"\",\"Title\":\"T:http://a/\",\"Description\":\"\",\"Error\":\"\"}\n"
            "{\"URL\":\"ftp://b/\",\"Host\":\"\",\"Page\":\"\",\"Status\":\"\",\"StatusCode\":0,"
            "\"ContentType\":\"\",\"Charset\":\"\",\"Title\":\"\",\"Description\":\"\",\"Error\":\"\"}\n");
}

// What a terminal shows for `bytes`: CR goes back to the left edge, LF starts
// a new line, any other byte overwrites the cell under the cursor. Trailing
// blanks are dropped from each line.
std::vector<std::string> Screen(const std::string& bytes) {
  std::vector<std::string> rows(1);
  std::size_t column = 0;
  for (const char c : bytes) {
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      rows.emplace_back();
      column = 0;
    } else {
      std::string& row = rows.back();
      if (row.size() <= column) row.resize(column + 1, ' ');
      row[column++] = c;
    }
  }
  for (auto& row : rows) row.erase(row.find_last_not_of(' ') + 1);
  return rows;
}

TEST(RunCli, ProgressCounterOnlyOnATerminalAndNotWhenQuiet) {
  const std::string input = "http://a/\nhttp://b/\nhttp://c/\n";
  const TRun shown = RunProgram({"-n", "-j", "1"}, input, true);
  EXPECT_NE(shown.err.find("\r3/3"), std::string::npos) << shown.err;
  EXPECT_TRUE(shown.err.ends_with("\r   \r")) << "the counter is wiped at the end";
  EXPECT_EQ(shown.out.size(), RunProgram({"-n"}, input).out.size());
  EXPECT_EQ(RunProgram({"-n"}, input, false).err, "");
  EXPECT_EQ(RunProgram({"-n", "-q"}, input, true).err, "");
}

TEST(RunCli, ProgressCounterAndLinesOnTheSameTerminalDoNotMix) {
  // Standard output and standard error on one terminal (the plain
  // interactive run): every line starts at the left edge, and the counter is
  // gone at the end.
  std::string input;
  std::vector<std::string> expected;
  for (int i = 0; i < 12; ++i) {
    const std::string address = (i % 4 == 0 ? "slow" : "http://h/") + std::to_string(i);
    input += address + "\n";
    expected.push_back("[" + address + "]");
  }
  expected.emplace_back();  // the cursor after the last line end
  for (const char* jobs : {"1", "3"}) {
    std::istringstream in(input);
    std::ostringstream terminal;
    TCliEnvironment env;
    env.in = &in;
    env.out = &terminal;
    env.err = &terminal;
    env.errIsTerminal = true;
    env.fetcherFactory = FakeFactory();
    ASSERT_EQ(RunCli({"-n", "-j", jobs, "-t", "[#URL#]"}, env), 0);
    EXPECT_NE(terminal.str().find("/12"), std::string::npos) << "the counter was shown";
    EXPECT_EQ(Screen(terminal.str()), expected) << "-j " << jobs;
  }
}

TEST(RunCli, AnOutputThatCannotBeWrittenIsAFailure) {
  // 100 addresses on two workers: fetching stops with the first failed line.
  std::string input;
  for (int i = 0; i < 100; ++i) input += "slow" + std::to_string(i) + "\n";
  std::istringstream in(input);
  std::ostream unwritable(nullptr);  // every write fails
  std::ostringstream err;
  std::atomic<int> fetches{0};
  TCliEnvironment env;
  env.in = &in;
  env.out = &unwritable;
  env.err = &err;
  env.fetcherFactory = CountingFactory(fetches);
  EXPECT_EQ(RunCli({"-n", "-j", "2"}, env), 1);
  EXPECT_EQ(err.str(), "vellumark-cli: cannot write standard output\n");
  EXPECT_LE(fetches.load(), 6);
}

TEST(RunCli, NoWorkerThreadAtAllIsAOneLineFailure) {
  std::istringstream in("http://a/\n");
  std::ostringstream out, err;
  std::atomic<int> started{0};
  TCliEnvironment env;
  env.in = &in;
  env.out = &out;
  env.err = &err;
  env.fetcherFactory = FakeFactory();
  env.startThread = ThreadLimit(0, started);
  EXPECT_EQ(RunCli({"-n"}, env), 2);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "vellumark-cli: cannot start a worker thread: " +
                           std::make_error_code(std::errc::resource_unavailable_try_again).message() + "\n");
}

// Against a real server: every address has its own page, answered after a
// pause that makes the first addresses the slowest, so with several jobs
// the fetches finish out of order.
TEST(RunCli, ParallelFetchesOfRealPagesKeepTheInputOrder) {
  std::map<std::string, loopback::TScript> routes;
  std::string input;
  std::string expected;
  constexpr int kPages = 16;
  for (int i = 0; i < kPages; ++i) {
    const std::string path = "/p" + std::to_string(i);
    const std::string body = "<html><head><title>Page " + std::to_string(i) + "</title></head><body>x";
    routes[path] = loopback::TScript()
                       .Delay((kPages - i) * 15)
                       .Send(loopback::HttpResponseText(
                           "HTTP/1.1 200 OK", {{"Content-Type", "text/html; charset=UTF-8"}}, body));
    input += "http://127.0.0.1" + path + "\n";
    expected += "http://127.0.0.1" + path + " Page " + std::to_string(i) + " 200\n";
  }
  routes["/moved"] = loopback::Redirect(302, "/p3");
  input += "http://127.0.0.1/moved\n";
  expected += "http://127.0.0.1/moved Page 3 200\n";
  input += "http://127.0.0.1/missing\n";
  expected += "http://127.0.0.1/missing http://127.0.0.1/missing 404\n";
  loopback::TLoopbackServer server(routes);

  const TRun run = RunProgram({"-n", "-j", "8", "-t", "#URL# #TITLE# #STATUS#"}, input, false, nullptr, server.Port());
  EXPECT_EQ(run.status, 0);
  // #STATUS# is the status line; keep only its code for the comparison.
  std::string simplified;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    const auto at = line.find("HTTP/1.1 ");
    simplified += (at == std::string::npos ? line : line.substr(0, at) + line.substr(at + 9, 3)) + "\n";
  }
  EXPECT_EQ(simplified, expected);

  const TRun json = RunProgram({"--json", "-j", "4"}, "http://127.0.0.1/p1\n", false, nullptr, server.Port());
  EXPECT_NE(json.out.find("\"Title\":\"Page 1\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"Charset\":\"UTF-8\""), std::string::npos) << json.out;
}

// The tag line and --json carry the same safe values: a page declared only
// by <meta charset>, a title with quotes and a character Shift_JIS lacks.
TEST(RunCli, TagLineAndJsonCarryTheSameEscapedValues) {
  loopback::TLoopbackServer server(std::map<std::string, loopback::TScript>{
      {"/p", loopback::Respond(loopback::HttpResponseText(
                 "HTTP/1.1 200 OK", {{"Content-Type", "text/html"}},
                 "<html><head><meta charset=\"utf-8\"><title>\"Tom's\" caf\xc3\xa9</title></head><body>"))}});
  const std::string title = "&quot;Tom&#39;s&quot; caf&#233;";
  const TRun run = RunProgram({"-n", "-t", "#TITLE#|#CHARSET#"}, "http://127.0.0.1/p\n", false, nullptr, server.Port());
  EXPECT_EQ(run.out, title + "|utf-8\n");
  const TRun json = RunProgram({"--json"}, "http://127.0.0.1/p\n", false, nullptr, server.Port());
  EXPECT_NE(json.out.find("\"Title\":\"" + title + "\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"Charset\":\"utf-8\""), std::string::npos) << json.out;
}

}  // namespace
}  // namespace vellumark
