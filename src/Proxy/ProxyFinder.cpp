#include "Proxy/ProxyFinder.h"

#include <utility>

#include "Common/Base64.h"
#include "Proxy/BypassList.h"
#include "Proxy/StoredCredential.h"
#include "Proxy/SystemProxy.h"

namespace vellumark {

TVariableProxyFinder::TVariableProxyFinder(TEnvironmentLookup env, TProxySettings options)
    : env_(std::move(env)), options_(std::move(options)) {}

TProxyRoutes TVariableProxyFinder::RoutesFor(const TUrl& url) const {
  TProxyChoice choice = ChooseProxy(url, env_, options_);
  if (!choice.error.empty()) return {{}, std::move(choice.error)};
  return {{std::move(choice.proxy)}, {}};
}

TListProxyFinder::TListProxyFinder(std::string proxyList, std::string bypassList)
    : proxyList_(std::move(proxyList)), bypassList_(std::move(bypassList)) {}

TProxyRoutes TListProxyFinder::RoutesFor(const TUrl& url) const {
  if (BypassListMatches(bypassList_, url)) return {{std::nullopt}, {}};
  // A listed proxy's credentials come from the credential store, never from
  // the settings' text.
  std::vector<TProxyRoute> routes = ParseProxyList(proxyList_, url.scheme);
  for (auto& route : routes) {
    if (!route) continue;
    route->username.clear();
    route->password.clear();
  }
  return {std::move(routes), {}};
}

bool VariablesNameProxy(const TEnvironmentLookup& env, const TProxySettings& options) {
  if (options.proxyOption) return true;
  if (!env) return false;
  for (const std::string_view name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    if (auto value = env(name); value && !value->empty()) return true;
  }
  return false;
}

std::shared_ptr<const TProxyFinder> MakeProxyFinder(const TProxySources& sources) {
  if (VariablesNameProxy(sources.env, sources.options)) {
    const TEnvironmentLookup none = [](std::string_view) { return std::optional<std::string>(); };
    return std::make_shared<TVariableProxyFinder>(sources.env ? sources.env : none, sources.options);
  }
  if (sources.ini && !sources.ini->address.empty()) {
    return std::make_shared<TListProxyFinder>(sources.ini->address, sources.ini->bypass);
  }
  if (sources.useSystem) return SystemProxyFinder();
  return nullptr;
}

THttpProxy HttpProxyOf(const TProxy& proxy) {
  THttpProxy hop{proxy.host, proxy.hostKind, proxy.port, {}, proxy.username, proxy.password};
  if (!proxy.username.empty() || !proxy.password.empty()) {
    hop.authorization = "Basic " + Base64Encode(proxy.username + ":" + proxy.password);
  } else if (const auto stored = ReadStoredCredential(proxy)) {
    hop.authorization = "Basic " + Base64Encode(stored->username + ":" + stored->password);
  }
  return hop;
}

}  // namespace vellumark
