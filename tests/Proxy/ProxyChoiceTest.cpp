// curl's choice of proxy, one row per combination of variables, address
// scheme and options: the proxy used, a direct connection, or an error that
// names where the unusable address came from and never shows its password.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "Proxy/ProxyChoice.h"

namespace vellumark {
namespace {

constexpr std::string_view kDirect = "direct";
constexpr std::string_view kErrorFrom = "error from ";

TEST(ProxyChoice, ChooseProxy) {
  using TEnvironment = std::map<std::string, std::string, std::less<>>;
  using std::nullopt;
  struct TCase {
    std::string_view url;
    TEnvironment env;
    std::optional<std::string> proxyOption;
    std::optional<std::string> noProxyOption;
    std::string_view expected;  // the proxy shown, kDirect, or kErrorFrom + source
  };
  const TCase cases[] = {
      // http: http_proxy in lower case only, then all_proxy, ALL_PROXY.
      {"http://h/", {{"http_proxy", "a:1"}, {"all_proxy", "b:2"}}, nullopt, nullopt, "a:1"},
      {"http://h/", {{"HTTP_PROXY", "a:1"}}, nullopt, nullopt, kDirect},
      {"http://h/", {{"HTTP_PROXY", "a:1"}, {"ALL_PROXY", "c:3"}}, nullopt, nullopt, "c:3"},
      {"http://h/", {{"all_proxy", "b:2"}, {"ALL_PROXY", "c:3"}}, nullopt, nullopt, "b:2"},
      {"http://h/", {{"https_proxy", "a:1"}, {"HTTPS_PROXY", "b:2"}}, nullopt, nullopt, kDirect},
      // https: https_proxy, HTTPS_PROXY, then all_proxy, ALL_PROXY.
      {"https://h/", {{"https_proxy", "a:1"}, {"HTTPS_PROXY", "b:2"}}, nullopt, nullopt, "a:1"},
      {"https://h/", {{"HTTPS_PROXY", "b:2"}, {"all_proxy", "c:3"}}, nullopt, nullopt, "b:2"},
      {"https://h/", {{"http_proxy", "a:1"}, {"ALL_PROXY", "c:3"}}, nullopt, nullopt, "c:3"},
      // An empty variable is not set.
      {"http://h/", {{"http_proxy", ""}, {"all_proxy", "b:2"}}, nullopt, nullopt, "b:2"},
      {"https://h/", {{"https_proxy", ""}, {"HTTPS_PROXY", "b:2"}}, nullopt, nullopt, "b:2"},
      {"http://h/", {{"http_proxy", "a:1"}, {"no_proxy", ""}, {"NO_PROXY", "h"}}, nullopt, nullopt, kDirect},
      // no_proxy before NO_PROXY; either bypasses --proxy too.
      {"http://h/", {{"http_proxy", "a:1"}, {"NO_PROXY", "h"}}, nullopt, nullopt, kDirect},
      {"http://h/", {{"http_proxy", "a:1"}, {"no_proxy", "x"}, {"NO_PROXY", "h"}}, nullopt, nullopt, "a:1"},
      {"https://a.h/", {{"no_proxy", "h"}}, "b:2", nullopt, kDirect},
      // The options win over the variables.
      {"http://h/", {{"http_proxy", "a:1"}}, "b:2", nullopt, "b:2"},
      {"https://h/", {{"https_proxy", "a:1"}}, "", nullopt, kDirect},
      {"http://h/", {{"http_proxy", "a:1"}, {"no_proxy", "h"}}, nullopt, "x", "a:1"},
      {"http://h/", {{"http_proxy", "a:1"}, {"no_proxy", "h"}}, nullopt, "", "a:1"},
      {"https://h/", {}, "b:2", "*", kDirect},
      // Unusable addresses: an error, unless the host is bypassed anyway.
      {"https://h/", {{"https_proxy", "socks5://u:secret@a:1"}}, nullopt, nullopt, "error from https_proxy"},
      {"http://h/", {{"http_proxy", "http://u:secret@x@a:99999/"}}, nullopt, nullopt, "error from http_proxy"},
      {"http://h/", {{"ALL_PROXY", "u:secret@[::1"}}, nullopt, nullopt, "error from ALL_PROXY"},
      {"http://h/", {}, "https://:secret@a", nullopt, "error from --proxy"},
      {"http://h/", {{"http_proxy", "not an address"}, {"no_proxy", "h"}}, nullopt, nullopt, kDirect},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.url) + " -> " + std::string(c.expected));
    const auto url = ParseUrl(c.url);
    ASSERT_TRUE(url);
    const TEnvironmentLookup env = [&](std::string_view name) -> std::optional<std::string> {
      const auto found = c.env.find(name);
      return found == c.env.end() ? nullopt : std::optional(found->second);
    };
    const auto choice = ChooseProxy(*url, env, {c.proxyOption, c.noProxyOption});
    EXPECT_EQ(choice.error.find("secret"), std::string::npos) << choice.error;
    if (c.expected.starts_with(kErrorFrom)) {
      EXPECT_FALSE(choice.proxy);
      EXPECT_NE(choice.error.find(c.expected.substr(kErrorFrom.size())), std::string::npos) << choice.error;
      continue;
    }
    EXPECT_EQ(choice.error, "");
    EXPECT_EQ(choice.proxy ? choice.proxy->Shown() : std::string(kDirect), c.expected);
  }
}

}  // namespace
}  // namespace vellumark
