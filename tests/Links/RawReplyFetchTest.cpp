// Replies as today's servers send them, through a real loopback exchange:
// the request's own bytes, chunked and compressed bodies cut anywhere, bot
// checks, charset declarations, cookies across a redirect, and the deadline
// of one address.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/Codepage.h"
#include "Http/SocketWait.h"
#include "Links/PageFetcher.h"
#include "support/Compress.h"
#include "support/LoopbackServer.h"
#include "jconvert/jconvert.h"

namespace vellumark {
namespace {

using loopback::HttpResponseText;
using loopback::Respond;
using loopback::TLoopbackServer;
using loopback::TScript;
using testing::Chunked;
using testing::Gzip;

using loopback::OptionsFor;

std::string Head(std::string_view status, std::string_view fields) {
  return std::string(status) + "\r\n" + std::string(fields) + "\r\n";
}

const std::string kPage = "<html><head><title>日本語の題名</title></head><body><p>text</p></body></html>";
const std::string kUtf8Html = "Content-Type: text/html; charset=UTF-8\r\n";
const std::string kChunked = "Transfer-Encoding: chunked\r\n";
// Every position inside the first Japanese character of the title.
const std::size_t kInsideCharacter = kPage.find("日") + 1;

std::string Bomb() {
  return Gzip("<html><head><title>Bomb</title></head>" + std::string(64u << 20, ' '));
}

struct TReplyRow {
  const char* name;
  std::vector<std::string> blocks;  // the reply, sent block by block
  int statusCode;
  std::string title;                // UTF-8 here, Shift_JIS in the record
  std::string error;                // what Error starts with; empty: none
};

TEST(RawReplyFetch, RepliesAsServersSendThem) {
  const std::string gzipped = Gzip(kPage);
  const std::string challenge = "<title>Just a moment...</title><body>";
  const TReplyRow rows[] = {
      {"chunks cut inside a character",
       {Head("HTTP/1.1 200 OK", kUtf8Html + kChunked), Chunked(kPage, {3, kInsideCharacter, kInsideCharacter + 1})},
       200, "日本語の題名", ""},
      {"chunked head in pieces",
       {"HTTP/1.1 200 OK\r\nTransfer-Enc", "oding: chunked\r\n" + kUtf8Html + "\r\n" + Chunked(kPage, {1}).substr(0, 9),
        Chunked(kPage, {1}).substr(9)},
       200, "日本語の題名", ""},
      {"gzip", {Head("HTTP/1.1 200 OK", kUtf8Html + "Content-Encoding: gzip\r\n") + gzipped}, 200, "日本語の題名", ""},
      {"chunked gzip cut everywhere",
       {Head("HTTP/1.1 200 OK", kUtf8Html + kChunked + "Content-Encoding: gzip\r\n"),
        Chunked(gzipped, {1, 2, 10, gzipped.size() / 2})},
       200, "日本語の題名", ""},
      {"gzip unasked on HTTP/1.0", {Head("HTTP/1.0 200 OK", kUtf8Html + "Content-Encoding: x-gzip\r\n") + gzipped},
       200, "日本語の題名", ""},
      {"zlib deflate", {Head("HTTP/1.1 200 OK", kUtf8Html + "Content-Encoding: deflate\r\n") + testing::ZlibDeflate(kPage)},
       200, "日本語の題名", ""},
      {"raw deflate", {Head("HTTP/1.1 200 OK", kUtf8Html + "Content-Encoding: deflate\r\n") + testing::RawDeflate(kPage)},
       200, "日本語の題名", ""},
      {"bomb ends at the cap", {Head("HTTP/1.1 200 OK", "Content-Encoding: gzip\r\n") + Bomb()}, 200, "Bomb", ""},
      {"damaged gzip", {Head("HTTP/1.1 200 OK", kUtf8Html + "Content-Encoding: gzip\r\n") + "\x1f\x8b garbage"},
       200, "", "the reply's gzip data is damaged"},
      {"unknown coding", {Head("HTTP/1.1 200 OK", "Content-Encoding: zstd\r\n") + kPage}, 200, "",
       "the page came in a content coding"},
      {"interim reply first", {"HTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\n\r\n", Head("HTTP/1.1 200 OK", kUtf8Html) + kPage},
       200, "日本語の題名", ""},
      {"bot check header", {Head("HTTP/1.1 403 Forbidden", "cf-mitigated: challenge\r\n") + "<title>Hi</title>"}, 403, "",
       "the site answered with a bot check"},
      {"bot check title", {Head("HTTP/1.1 503 Service Unavailable", "") + challenge}, 503, "",
       "the site answered with a bot check"},
      {"bot check script", {Head("HTTP/1.1 429 Too Many", "") + "<script src=\"/cdn-cgi/challenge-platform/x.js\">"}, 429,
       "", "the site answered with a bot check"},
      {"gzipped bot check", {Head("HTTP/1.1 403 Forbidden", "Content-Encoding: gzip\r\n") + Gzip(challenge)}, 403, "",
       "the site answered with a bot check"},
      {"that title on a 404 is no check", {Head("HTTP/1.1 404 Not Found", "") + challenge}, 404, "", ""},
      {"that title on a 200 is the page's", {Head("HTTP/1.1 200 OK", "") + challenge}, 200, "Just a moment...", ""},
      {"declaration in a comment",
       {Head("HTTP/1.1 200 OK", "") + "<!-- <meta charset=\"Shift_JIS\"> --><meta charset=\"euc-jp\">" +
        SjisToEuc(Utf8ToSjis(kPage))},
       200, "日本語の題名", ""},
      {"byte order mark over the header",
       {Head("HTTP/1.1 200 OK", "Content-Type: text/html; charset=Shift_JIS\r\n") + "\xEF\xBB\xBF" + kPage}, 200,
       "日本語の題名", ""},
  };
  TSocketLibrary library;
  for (const TReplyRow& row : rows) {
    SCOPED_TRACE(row.name);
    TScript script;
    script.ReadRequest();
    for (const std::string& block : row.blocks) script.Send(block).Delay(20);
    TLoopbackServer server(script);
    TPageFetcher fetcher(OptionsFor(server));
    TPageInfo info;
    fetcher.FetchPageInfo("http://127.0.0.1/", info);
    EXPECT_EQ(info.StatusCode, row.statusCode);
    EXPECT_EQ(info.Title, Utf8ToSjis(row.title));
    EXPECT_TRUE(info.Error.starts_with(row.error) && (row.error.empty() == info.Error.empty())) << info.Error;
  }
}

TEST(RawReplyFetch, RequestBytesAndCookiesAcrossTheChain) {
  TSocketLibrary library;
  // The site sets a cookie and redirects to see it come back; the cookie
  // goes to later requests of the same address only.
  TLoopbackServer server(std::map<std::string, TScript>{
      {"/a", Respond(HttpResponseText("HTTP/1.1 302 Found", {{"Set-Cookie", "seen=1; Path=/"}, {"Location", "/b"}}, ""))},
      {"/b", Respond(HttpResponseText("HTTP/1.1 200 OK", {}, "<title>B</title>"))}});
  TRequestSettings settings;
  settings.userAgent = "Test/1";
  TPageFetcher fetcher(OptionsFor(server), settings);
  TPageInfo info;
  fetcher.FetchPageInfo("http://127.0.0.1/a", info);
  EXPECT_EQ(info.Title, "B");
  fetcher.FetchPageInfo("http://127.0.0.1/b", info);

  const auto connections = server.Connections();
  ASSERT_EQ(connections.size(), 3u);
  EXPECT_EQ(connections[0].received,
            "GET /a HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nUser-Agent: Test/1\r\n"
            "Accept: text/html,application/xhtml+xml;q=0.9,*/*;q=0.8\r\nAccept-Language: ja,en;q=0.8\r\n"
            "Accept-Encoding: " + std::string(AcceptedEncodings()) + "\r\n\r\n");
  EXPECT_NE(connections[1].received.find("\r\nCookie: seen=1\r\n"), std::string::npos);
  EXPECT_EQ(connections[2].received.find("Cookie:"), std::string::npos) << "nothing is kept beyond one address";
}

TEST(RawReplyFetch, ServerThatDripsEndsAtTheDeadline) {
  TSocketLibrary library;
  TScript script;
  script.ReadRequest().Send("HTTP/1.1 200 OK\r\n\r\n<title>");
  for (int i = 0; i < 40; ++i) script.Delay(100).Send("x");
  TLoopbackServer server(script);
  TRequestSettings settings;
  settings.deadlineSeconds = 1;
  TPageFetcher fetcher(OptionsFor(server), settings);
  TPageInfo info;
  fetcher.FetchPageInfo("http://127.0.0.1/", info);
  EXPECT_EQ(info.Error, std::string(DeadlineMessage) + " (1 s)");
  EXPECT_EQ(info.Title, "");
}

}  // namespace
}  // namespace vellumark
