// Which setting decides (curl's options and variables over Vellumark.ini's
// [Proxy], over the system's), and the routes each finder gives.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "Proxy/ProxyFinder.h"

namespace vellumark {
namespace {

// The routes as one text: "a:1 direct", or "error", or "none" when no finder
// applies.
std::string RoutesShown(const std::shared_ptr<const TProxyFinder>& finder, const std::string& address) {
  if (!finder) return "none";
  const TProxyRoutes routes = finder->RoutesFor(*ParseUrl(address));
  if (!routes.error.empty()) return "error";
  std::string shown;
  for (const auto& route : routes.routes) {
    if (!shown.empty()) shown += ' ';
    if (!route) {
      shown += "direct";
      continue;
    }
    shown += route->Shown();
    if (!route->password.empty()) shown += "+pw";
  }
  return shown;
}

TEST(ProxyFinder, TheFirstSettingThatAppliesDecides) {
  struct TRow {
    std::map<std::string, std::string> variables;
    std::optional<std::string> proxyOption;
    std::optional<TIniProxy> ini;
    std::string address, routes;
  };
  const TRow rows[] = {
      {{}, std::nullopt, std::nullopt, "http://a.test/", "none"},
      {{{"no_proxy", "*"}}, std::nullopt, std::nullopt, "http://a.test/", "none"},
      {{{"http_proxy", "v:1"}}, std::nullopt, TIniProxy{"i:2", ""}, "http://a.test/", "v:1"},
      // A variable for the other scheme still means curl's rules decide.
      {{{"http_proxy", "v:1"}}, std::nullopt, TIniProxy{"i:2", ""}, "https://a.test/", "direct"},
      {{{"http_proxy", "v:1"}}, "", TIniProxy{"i:2", ""}, "http://a.test/", "direct"},
      {{{"HTTP_PROXY", "v:1"}}, std::nullopt, TIniProxy{"i:2", ""}, "http://a.test/", "i:2"},
      {{{"http_proxy", "u:p@v:1"}}, std::nullopt, std::nullopt, "http://a.test/", "v:1+pw"},
      {{{"http_proxy", "ftp://v:1"}}, std::nullopt, std::nullopt, "http://a.test/", "error"},
      {{}, std::nullopt, TIniProxy{"http=i:2;https=j:3 k:4", "<local>"}, "https://a.test/", "j:3 k:4"},
      {{}, std::nullopt, TIniProxy{"i:2", "<local>"}, "http://intranet/", "direct"},
      // Credentials in the file's list are dropped.
      {{}, std::nullopt, TIniProxy{"http://u:p@i:2;DIRECT", ""}, "http://a.test/", "i:2 direct"},
      {{}, std::nullopt, TIniProxy{"", ""}, "http://a.test/", "none"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.address + " " + (row.ini ? row.ini->address : "-"));
    const TEnvironmentLookup env = [&](std::string_view name) -> std::optional<std::string> {
      const auto found = row.variables.find(std::string(name));
      return found == row.variables.end() ? std::nullopt : std::optional(found->second);
    };
    const auto finder = MakeProxyFinder({env, {row.proxyOption, std::nullopt}, row.ini, /*useSystem=*/false});
    EXPECT_EQ(RoutesShown(finder, row.address), row.routes);
  }
}

}  // namespace
}  // namespace vellumark
