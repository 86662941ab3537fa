// Proxy auto-config answers and WinHTTP proxy lists, one row each: the
// routes to try in order for an address of the row's scheme.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "Proxy/ProxyList.h"

namespace vellumark {
namespace {

TEST(ProxyList, Routes) {
  constexpr auto kHttp = TUrlScheme::Http;
  constexpr auto kHttps = TUrlScheme::Https;
  struct TCase {
    std::string_view answer;
    TUrlScheme scheme;
    std::string_view routes;  // each proxy shown, or "direct", blank-separated
  };
  const TCase cases[] = {
      // Auto-config answers.
      {"PROXY a:8080; PROXY b:3128; DIRECT", kHttp, "a:8080 b:3128 direct"},
      {"proxy a:8080;direct", kHttps, "a:8080 direct"},
      {"HTTP a:8080", kHttp, "a:8080"},
      {"DIRECT; PROXY [::1]", kHttp, "direct [::1]:1080"},
      {"SOCKS s:1080; SOCKS5 t:1080; HTTPS h:443; QUIC q:443; PROXY a:8080", kHttp, "a:8080"},
      {"PROXY https://h:443; PROXY http://a:1", kHttp, "a:1"},
      {"PROXY; PROXY bad:port; DIRECT", kHttp, "direct"},
      {"SOCKS s:1080", kHttps, "direct"},
      // WinHTTP lists: ";" or blanks, per-scheme entries for their scheme.
      {"a:8080 b:3128", kHttp, "a:8080 b:3128"},
      {"http=a:8080;https=b:3128", kHttp, "a:8080"},
      {"http=a:8080;https=b:3128", kHttps, "b:3128"},
      {"HTTPS=b:3128 ftp=f:21 socks=s:1080 c:80", kHttps, "b:3128 c:80"},
      {"http=http://a:8080", kHttp, "a:8080"},
      {"https=https://b:443", kHttps, "direct"},
      // Empty and garbage: direct.
      {"", kHttp, "direct"},
      {"\x01\xff garbage= =x http=", kHttp, "direct"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    std::string routes;
    for (const auto& route : ParseProxyList(c.answer, c.scheme)) {
      if (!routes.empty()) routes += ' ';
      routes += route ? route->Shown() : "direct";
    }
    EXPECT_EQ(routes, c.routes);
  }
}

}  // namespace
}  // namespace vellumark
