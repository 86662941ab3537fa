// Servers that misbehave on purpose: every fetch must end, keep memory
// bounded and leave a record as the fetch rules describe, never crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "Links/PageFetcher.h"
#include "PeakMemory.h"
#include "support/LoopbackServer.h"

#if defined(__SANITIZE_ADDRESS__)
// Freed blocks are held back by the address checker; keep that small so the
// peak measured here is the fetcher's own.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=4"; }
#endif

namespace vellumark {
namespace {

using namespace std::string_literals;
using loopback::HttpResponseText;
using loopback::Redirect;
using loopback::Respond;
using loopback::TLoopbackServer;
using loopback::TScript;

constexpr std::size_t MiB = 1024 * 1024;

// Measured before any test has allocated much.
const std::size_t kBaselineMemory = testing::PeakMemoryBytes();

// What a fetch may add to the process's peak: the 4 MiB response, its copy
// for the patterns and the wide text the engine matches on.
constexpr std::size_t kMemoryAllowance = 64 * MiB;

void ExpectBoundedMemory(const char* what) {
  const std::size_t peak = testing::PeakMemoryBytes();
  if (peak == 0 || kBaselineMemory == 0) {
    std::printf("[ memory   ] %s: peak not measurable here\n", what);
    return;
  }
  std::printf("[ memory   ] %s: peak %zu MiB, %zu MiB above the start\n", what, peak / MiB,
              (peak - std::min(peak, kBaselineMemory)) / MiB);
  EXPECT_LT(peak - std::min(peak, kBaselineMemory), kMemoryAllowance)
      << what << ": peak " << peak / MiB << " MiB, baseline " << kBaselineMemory / MiB << " MiB";
}

using loopback::OptionsFor;

TPageInfo Fetch(const TLoopbackServer& server, const std::string& address, int receiveTimeoutMs = 5000) {
  TPageFetcher fetcher(OptionsFor(server, receiveTimeoutMs));
  TPageInfo info;
  fetcher.FetchPageInfo(address, info);
  return info;
}

class HostileServer : public ::testing::Test {
 protected:
  TSocketLibrary library_;
};

TEST_F(HostileServer, SlowDripOneByteAtATime) {
  const std::string head =
      "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=Shift_JIS\r\n\r\n"
      "<html><head><title>Drip</title><meta name=\"description\" content=\"slow\"></head><BoDy>";
  TScript script;
  script.ReadRequest();
  for (char c : head) script.Send(std::string(1, c)).Delay(1);
  // After the body tag the server neither sends nor closes: only the stop
  // at "<body" lets the fetch finish with a record.
  script.Silent();
  TLoopbackServer server(std::move(script));
  const TPageInfo info = Fetch(server, "http://127.0.0.1/drip");
  EXPECT_EQ(info.StatusCode, 200);
  EXPECT_EQ(info.ContentType, "text/html");
  EXPECT_EQ(info.Title, "Drip");
  EXPECT_EQ(info.Description, "slow");
}

TEST_F(HostileServer, EndlessBodyWithoutBodyTagStopsAtFourMebibytes) {
  TLoopbackServer server(TScript()
                             .ReadRequest()
                             .Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html><head>")
                             .Stream(64 * 1024));
  const TPageInfo info = Fetch(server, "http://127.0.0.1/huge");
  EXPECT_EQ(info.Status, "HTTP/1.1 200 OK");
  EXPECT_EQ(info.StatusCode, 200);
  EXPECT_EQ(info.ContentType, "text/html");
  EXPECT_EQ(info.Title, "");
  ASSERT_TRUE(server.WaitForFinished(1));
  EXPECT_LT(server.Connections()[0].sent, 50 * MiB) << "the fetch went on reading";
  ExpectBoundedMemory("endless body");
}

TEST_F(HostileServer, OnlyTheFirstFourMebibytesAreRead) {
  const std::string header = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
  const std::string title = "<title>Late</title>";
  // The title closes exactly at the bound, then once a byte beyond it.
  for (const std::size_t end : {MaxResponseSize, MaxResponseSize + 1}) {
    std::string response;  // built in place: the test's own copies count in the peak too
    response.reserve(end + 16);
    response += header;
    response.append(end - header.size() - title.size(), 'f');
    response += title;
    response += "\r\n<body>";
    TLoopbackServer server(TScript().ReadRequest().Send(std::move(response)).Close());
    const TPageInfo info = Fetch(server, "http://127.0.0.1/");
    EXPECT_EQ(info.Title, end == MaxResponseSize ? "Late" : "") << "title ending at " << end;
  }
  ExpectBoundedMemory("four mebibyte head");
}

TEST_F(HostileServer, RedirectLoopEndsAfterTenRequests) {
  TLoopbackServer server(std::map<std::string, TScript>{
      {"/a", Redirect(301, "http://127.0.0.1/b")}, {"/b", Redirect(302, "/a")}});
  const TPageInfo info = Fetch(server, "http://127.0.0.1/a");
  EXPECT_EQ(server.Connections().size(), 10u);
  // The tenth request asked for /b, whose answer sends us back to /a.
  EXPECT_EQ(info.Page, "/b");
  EXPECT_EQ(info.StatusCode, 302);
  EXPECT_EQ(info.URL, "http://127.0.0.1/b");
}

TEST_F(HostileServer, LocationWithQuotesAndAngleBracketsCannotBecomeMarkup) {
  const std::string encodedPage = "/x%22%3E%3Cscript%3Ealert(%27hi%27)%3C/script%3E%3Ca%20href=%22";
  TLoopbackServer server(std::map<std::string, TScript>{
      {"/start", Redirect(302, "http://127.0.0.1/x\"><script>alert('hi')</script><a%20href=\"")},
      {encodedPage, Respond(HttpResponseText("HTTP/1.1 200 OK", {}, "<title>Landed</title><body>"))}});
  TPageInfo info = Fetch(server, "http://127.0.0.1/start");
  EXPECT_EQ(info.URL, "http://127.0.0.1" + encodedPage);
  EXPECT_EQ(info.Page, encodedPage) << "the next request asks for the encoded address";
  EXPECT_EQ(info.Title, "Landed");
  EXPECT_EQ(info.URL.find_first_of("\"<>'"), std::string::npos);

  // A relative target goes to Page encoded the same way; URL keeps the
  // address given.
  TLoopbackServer relative(std::map<std::string, TScript>{{"/r", Redirect(302, "/q\"<b>")}});
  info = Fetch(relative, "http://127.0.0.1/r");
  EXPECT_EQ(info.URL, "http://127.0.0.1/r");
  EXPECT_EQ(info.Page, "/q%22%3Cb%3E");
}

TEST_F(HostileServer, DescriptionWithRawLessThan) {
  TLoopbackServer server(TScript().ReadRequest().Send(
      "HTTP/1.1 200 OK\r\n\r\n<title>T</title>"
      "<meta name=\"description\" content=\"1 < 2 and <b>bold</b>\"><body>"));
  const TPageInfo info = Fetch(server, "http://127.0.0.1/");
  EXPECT_EQ(info.Description, "1 &lt; 2 and &lt;b");
  EXPECT_EQ(info.Title, "T");
}

TEST_F(HostileServer, MalformedAndTruncatedUtf8KeepsTheValidPart) {
  const std::string titleUtf8 = "\xe6\x97\xa5\xe6\x9c\xac";  // "日本"
  const std::string titleSjis = "\x93\xfa\x96\x7b";
  // A lead byte without its continuation, a stray continuation byte, and the
  // block ends inside a three-byte character.
  TLoopbackServer server(TScript().ReadRequest().Send(
      "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n<title>" + titleUtf8 +
      "\xc3(\x80</title><meta name=description content=\"" + titleUtf8 + "\"><body>\xe6\x97"));
  const TPageInfo info = Fetch(server, "http://127.0.0.1/");
  EXPECT_EQ(info.Title, titleSjis + "?(?");
  EXPECT_EQ(info.Description, titleSjis);
}

TEST_F(HostileServer, HeadersWithZeroBytes) {
  const std::string response =
      "HTTP/1.1 200 OK\r\nX-Junk: \0\0\0\r\nContent-Type: text/html; charset=EUC-JP\r\n\r\n"
      "<title>\xa4\xa2\xa4\xa4</title><body>"s;
  // The stop marker is looked for only before the first zero byte, so the
  // fetch reads on until the server closes...
  TLoopbackServer closing(TScript().ReadRequest().Send(response).Delay(100).Close());
  TPageInfo info = Fetch(closing, "http://127.0.0.1/");
  EXPECT_EQ(info.StatusCode, 200);
  EXPECT_EQ(info.ContentType, "text/html");
  EXPECT_EQ(info.Title, "\x82\xa0\x82\xa2");

  // ...and a server that does not close is ended by the receive time-out:
  // the exchange fails and the record shows only what came before it.
  TLoopbackServer silent(TScript().ReadRequest().Send(response).Silent());
  info = Fetch(silent, "http://127.0.0.1/", 300);
  EXPECT_EQ(info.Host, "127.0.0.1");
  EXPECT_EQ(info.StatusCode, 0);
  EXPECT_EQ(info.Title, "");
}

TEST_F(HostileServer, SilentServerIsEndedByTheTimeOut) {
  TLoopbackServer server(TScript().Silent());
  const TPageInfo info = Fetch(server, "http://127.0.0.1/", 300);
  EXPECT_EQ(info.URL, "http://127.0.0.1/");
  EXPECT_EQ(info.Page, "/");
  EXPECT_EQ(info.StatusCode, 0);
}

TEST_F(HostileServer, ResetInTheMiddleKeepsWhatArrived) {
  TLoopbackServer server(TScript()
                             .ReadRequest()
                             .Send("HTTP/1.1 200 OK\r\n\r\n<title>Part</title><meta name=desc")
                             .Delay(100)
                             .Reset());
  const TPageInfo info = Fetch(server, "http://127.0.0.1/");
  EXPECT_EQ(info.StatusCode, 200);
  EXPECT_EQ(info.Title, "Part");
  EXPECT_EQ(info.Description, "");
}

TEST_F(HostileServer, BinaryGarbageAfterTheStatusLine) {
  std::mt19937 random(7);
  std::string garbage(512 * 1024, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  for (const char* charset : {"", "UTF-8", "EUC-JP", "Shift_JIS"}) {
    const std::string headers =
        std::string("Content-Type: text/html") + (*charset ? "; charset=" : "") + charset + "\r\n";
    TLoopbackServer server(
        TScript().ReadRequest().Send("HTTP/1.1 200 OK\r\n" + headers + "\r\n" + garbage).Close());
    const TPageInfo info = Fetch(server, "http://127.0.0.1/");
    EXPECT_EQ(info.StatusCode, 200) << charset;
    EXPECT_EQ(info.Charset, charset);
  }
  ExpectBoundedMemory("binary garbage");
}

}  // namespace
}  // namespace vellumark
