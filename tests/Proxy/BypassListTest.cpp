// The Windows bypass list against one address per row: "<local>",
// wildcards, ports, schemes, separators.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "Proxy/BypassList.h"

namespace vellumark {
namespace {

TEST(BypassList, Matches) {
  struct TCase {
    std::string_view list;
    std::string_view url;
    bool matches;
  };
  const TCase cases[] = {
      // "<local>": host names without a dot, no IP address.
      {"<local>", "http://intranet/", true},
      {"<LOCAL>", "http://intranet./", true},
      {"<local>", "http://intranet.corp/", false},
      {"<local>", "http://[::1]/", false},
      // Wildcards over the whole host, letter case ignored.
      {"*.corp.example", "http://a.b.corp.example/", true},
      {"*.corp.example", "http://corp.example/", false},
      {"*.corp.example", "http://a.corp.example.evil/", false},
      {"*corp.example", "http://badcorp.example/", true},
      {"10.*", "http://10.1.2.3/", true},
      {"10.*", "http://110.1.2.3/", false},
      {"EXAMPLE.com", "http://example.COM/", true},
      {"example.com", "http://a.example.com/", false},
      {"", "http://anything/", false},
      {"a*a*a*a*a*a*a*a*a*a*a*b", "http://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/", false},
      // Separators.
      {"foo; *.corp.example ;bar", "http://x.corp.example/", true},
      {"foo bar\t<local>", "http://intranet/", true},
      {"foo,bar", "http://bar/", false},
      // Ports and IPv6.
      {"example.com:8080", "http://example.com:8080/", true},
      {"example.com:8080", "http://example.com/", false},
      {"*:443", "https://anything.example/", true},
      {"::1", "http://[::1]/", true},
      {"[::1]:80", "http://[::1]/", true},
      // Schemes.
      {"https://*.example", "http://a.example/", false},
      {"HTTPS://*.example", "https://a.example/", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.list) + " | " + std::string(c.url));
    const auto url = ParseUrl(c.url);
    ASSERT_TRUE(url);
    EXPECT_EQ(BypassListMatches(c.list, *url), c.matches);
  }
}

}  // namespace
}  // namespace vellumark
