// A proxy that answers oddly, one row each, against a loopback stand-in:
// what the exchange makes of it, for an https page (CONNECT) and an http
// page (the reply passes through); and the tokens of Proxy-Authenticate.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Common/Error.h"
#include "Http/Http.h"
#include "Http/ProxyExchange.h"
#include "support/LoopbackServer.h"

namespace vellumark {
namespace {

using loopback::TLoopbackServer;
using loopback::TScript;

const TSocketLibrary socketLibrary;

TEST(ProxyExchange, OddAnswersEndCleanly) {
  struct TRow {
    std::string answer;        // what the proxy sends after the request
    bool secure;               // an https page (CONNECT), or http
    std::string outcome;       // what the error begins with, or "got:" and the bytes passed on
  };
  const std::string endless(MaxProxyHeadSize + 2048, 'x');
  const TRow rows[] = {
      {"HTTP/1.1 200 Connection established\r\n\r\nEARLY", true, "the proxy 127.0.0.1:P sent more than"},
      {"", true, "the proxy 127.0.0.1:P gave no answer to the request for a tunnel to site.test:443"},
      {endless, true, "the proxy 127.0.0.1:P gave no answer"},
      {"HTTP/1.0 403 Forbidden\r\n\r\n", true, "the proxy 127.0.0.1:P did not open a tunnel to site.test:443 (HTTP/1.0 403 Forbidden)"},
      {"HTTP/1.1 502 \x1b[31mBad\r\n\r\n", true, "the proxy 127.0.0.1:P did not open a tunnel to site.test:443 (HTTP/1.1 502 [31mBad)"},
      // NTLM offered where the system cannot sign in so, or asked with a
      // malformed challenge: the 407 stands.
      {"HTTP/1.1 407 No\r\nProxy-Authenticate: NTLM\r\nContent-Length: 0\r\n\r\n", true,
       "the proxy 127.0.0.1:P asks for credentials (407)"},
      // An http page's reply goes to the sink as it came, whatever it is.
      {"HTTP/1.1 407 No\r\n\r\nbody", false, "got:HTTP/1.1 407 No\r\n\r\nbody"},
      {"no head at all", false, "got:no head at all"},
      {endless, false, "got:" + endless},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.outcome.substr(0, 80));
    TLoopbackServer proxy(TScript().ReadRequest().Send(row.answer));
    THttpOptions options;
    options.connectTimeoutMs = options.receiveTimeoutMs = 5000;
    options.proxy = THttpProxy{"127.0.0.1", THostKind::IPv4, proxy.Port(), {}, {}, {}};
    TUrl url;
    url.scheme = row.secure ? TUrlScheme::Https : TUrlScheme::Http;
    url.host = "site.test";
    std::string got;
    std::string outcome;
    try {
      HttpExchange(url, "GET http://site.test/ HTTP/1.1\r\n\r\n", [&](const char* data, int count) {
        got.append(data, static_cast<std::size_t>(count));
        return true;
      }, options);
      outcome = "got:" + got;
    } catch (const TError& failure) {
      outcome = failure.what();
    }
    std::string expected = row.outcome;
    if (const auto at = expected.find(":P "); at != std::string::npos) {
      expected.replace(at, 3, ":" + std::to_string(proxy.Port()) + " ");
    }
    EXPECT_TRUE(outcome.starts_with(expected)) << outcome.substr(0, 200);
  }
}

TEST(ProxyExchange, ChallengeTokens) {
  const std::string head =
      "HTTP/1.1 407 x\r\nProxy-Authenticate: Basic realm=\"r\"\r\nproxy-authenticate: ntlm  TlRMTQ==, x\r\n"
      "Proxy-Authenticate: NegotiateX abc\r\nProxy-Authenticate: Negotiate\r\n\r\n";
  EXPECT_EQ(ProxyChallenge(head, "NTLM"), "TlRMTQ==");
  EXPECT_EQ(ProxyChallenge(head, "Negotiate"), "");
  EXPECT_EQ(ProxyChallenge(head, "Digest"), std::nullopt);
}

}  // namespace
}  // namespace vellumark
