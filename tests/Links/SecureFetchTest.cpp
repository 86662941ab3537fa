// Fetching over TLS and across schemes and ports: redirects between http and
// https, explicit ports, the HOST line as sent, the 4 MiB bound on a secure
// stream, and the Error a failed fetch leaves in its record. Run through
// tests/support/run-tls-tests, which starts the TLS servers
// (VELLUMARK_TLS_*_PORT) and trusts their test root.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "Common/Codepage.h"
#include "Http/SystemMessage.h"
#include "Http/Tls.h"
#include "Links/PageFetcher.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

using loopback::HttpResponseText;
using loopback::Respond;
using loopback::TLoopbackServer;
using loopback::TScript;

const TSocketLibrary socketLibrary;

std::string ServerPort(const char* name) {
  const std::string variable = std::string("VELLUMARK_TLS_") + name + "_PORT";
  const char* value = std::getenv(variable.c_str());
  if (value == nullptr) {
    ADD_FAILURE() << variable << " is not set: run this program through tests/support/run-tls-tests";
    return "0";
  }
  return value;
}

THttpOptions Options() {
  THttpOptions options;
  options.connectTimeoutMs = 5000;
  options.receiveTimeoutMs = 5000;
  return options;
}

TScript MovedTo(int code, const std::string& location) {
  return Respond(HttpResponseText("HTTP/1.1 " + std::to_string(code) + " Moved", {{"Location", location}}, ""));
}


class SecureFetch : public ::testing::Test {
 protected:
  const std::string good_ = ServerPort("GOOD");
  const std::string secure_ = "https://localhost:" + good_;
  TLoopbackServer plain_{std::map<std::string, TScript>{
      {"/page", Respond(HttpResponseText("HTTP/1.1 200 OK", {{"Content-Type", "text/html"}},
                                         "<title>plain page</title><body>"))},
      {"/301", MovedTo(301, secure_ + "/page")},
      {"/308", MovedTo(308, secure_ + "/page")},
      {"/to-expired", MovedTo(302, "https://localhost:" + ServerPort("EXPIRED") + "/page")},
  }};
  const std::string plain_address_ = "http://127.0.0.1:" + std::to_string(plain_.Port());
};

TEST_F(SecureFetch, RedirectsCrossSchemesAndPortsAndRelativeOnesKeepThem) {
  struct TRow {
    std::string address, url, host, page, title;
  };
  const std::string plainHost = "127.0.0.1:" + std::to_string(plain_.Port());
  const std::string secureHost = "localhost:" + good_;
  const std::string wideSecure = Utf8ToSjis("https://ｌｏｃａｌｈｏｓｔ:") + good_;
  const TRow rows[] = {
      {secure_ + "/page", secure_ + "/page", secureHost, "/page", "secure /page"},
      {plain_address_ + "/page", plain_address_ + "/page", plainHost, "/page", "plain page"},
      {plain_address_ + "/301", secure_ + "/page", secureHost, "/page", "secure /page"},
      {plain_address_ + "/308", secure_ + "/page", secureHost, "/page", "secure /page"},
      {secure_ + "/r302/" + plain_address_ + "/page", plain_address_ + "/page", plainHost, "/page", "plain page"},
      {secure_ + "/r303/" + plain_address_ + "/page", plain_address_ + "/page", plainHost, "/page", "plain page"},
      {secure_ + "/r307/" + plain_address_ + "/page", plain_address_ + "/page", plainHost, "/page", "plain page"},
      {secure_ + "/r308//next", secure_ + "/r308//next", secureHost, "/next", "secure /next"},
      // A host name in full-width letters: its ASCII form is the TLS server name.
      {wideSecure + "/page", wideSecure + "/page", wideSecure.substr(8), "/page", "secure /page"},
      // IPv4 number forms: the certificate is checked against the address
      // connected to, 127.0.0.1 (an IP name of the certificate).
      {"https://0x7f.1:" + good_ + "/page", "https://0x7f.1:" + good_ + "/page", "0x7f.1:" + good_, "/page",
       "secure /page"},
      {"https://0177.0.0.1:" + good_ + "/page", "https://0177.0.0.1:" + good_ + "/page", "0177.0.0.1:" + good_,
       "/page", "secure /page"},
  };
  TPageFetcher fetcher(Options());
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.address);
    TPageInfo info;
    fetcher.FetchPageInfo(row.address, info);
    EXPECT_EQ(info.Error, "");
    EXPECT_EQ(info.StatusCode, 200);
    EXPECT_EQ(info.URL, row.url);
    EXPECT_EQ(info.Host, row.host);
    EXPECT_EQ(info.Page, row.page);
    EXPECT_EQ(info.Title, row.title);
  }
}

TEST_F(SecureFetch, TheHostLineNamesTheHostAndThePortConnected) {
  TPageFetcher fetcher(Options());
  TPageInfo info;
  fetcher.FetchPageInfo(secure_ + "/echo", info);
  EXPECT_TRUE(info.Title.starts_with("GET /echo HTTP/1.1\r\nHost: localhost:" + good_ + "\r\n")) << info.Title;

  fetcher.FetchPageInfo(plain_address_ + "/page", info);
  ASSERT_TRUE(plain_.WaitForFinished(1));
  EXPECT_TRUE(plain_.Connections().back().received.starts_with(
      "GET /page HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(plain_.Port()) + "\r\n"));
}

TEST_F(SecureFetch, AFailedFetchSaysWhyInError) {
  struct TRow {
    std::string address;
    std::string error;  // what Error begins with
    std::string url;
    std::int32_t statusCode;
  };
  const std::string refused = "http://127.0.0.1:" + std::to_string(loopback::net::UnusedPort()) + "/";
  const std::string expired = "https://localhost:" + ServerPort("EXPIRED") + "/page";
  const TRow rows[] = {
      {"https://localhost:" + ServerPort("WRONGNAME") + "/",
       TlsFailureMessage(TTlsFailure::NameMismatch, "localhost"), "", 0},
      {"https://localhost:" + ServerPort("SELFSIGNED") + "/",
       TlsFailureMessage(TTlsFailure::Untrusted, "localhost"), "", 0},
      {plain_address_ + "/to-expired", TlsFailureMessage(TTlsFailure::Expired, "localhost"), expired, 302},
      {"http://localhost:8o/", "[localhost:8o] IS INVALID ADDRSS.", "", 0},
      {"https://localhost:65536/", "[localhost:65536] IS INVALID ADDRSS.", "", 0},
      {refused, SystemMessageText(loopback::net::ConnectionRefusedCode()), "", 0},
      {plain_address_ + "/missing", "", "", 404},
  };
  TPageFetcher fetcher(Options());
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.address);
    TPageInfo info;
    fetcher.FetchPageInfo(row.address, info);
    EXPECT_TRUE(info.Error.starts_with(row.error)) << info.Error;
    EXPECT_EQ(info.Error.empty(), row.error.empty()) << info.Error;
    EXPECT_EQ(info.URL, row.url.empty() ? row.address : row.url);
    EXPECT_EQ(info.StatusCode, row.statusCode);
    EXPECT_EQ(info.Title, "");
  }
}

TEST_F(SecureFetch, ASecureStreamWithoutABodyTagStopsAt4MiB) {
  TPageFetcher fetcher(Options());
  fetcher.BeginResponse();
  const TUrl stream = *ParseUrl(secure_ + "/stream");
  HttpExchange(stream, BuildRequestText(stream, {}),
               [&](const char* data, int count) { return fetcher.ReceiveChunk(data, count); }, Options());
  EXPECT_EQ(fetcher.ResponseBuffer().size(), MaxResponseSize);

  TPageInfo info;
  fetcher.FetchPageInfo(secure_ + "/stream", info);
  EXPECT_EQ(info.StatusCode, 200);
  EXPECT_EQ(info.Error, "");
}

}  // namespace
}  // namespace vellumark
