// Where the proxy for an address comes from: curl's options and variables,
// a proxy list with its bypass list (Vellumark.ini's [Proxy], Windows' manual
// setting), or Windows' own settings with auto-configuration. A fetch asks
// its finder once per address for the ways to reach it, in order.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Http/Http.h"
#include "Proxy/ProxyChoice.h"
#include "Proxy/ProxyList.h"
#include "Url/Url.h"

namespace vellumark {

// The ways to reach one address, to be tried in order: the next is tried
// only when the proxy of the one before cannot be reached.
struct TProxyRoutes {
  std::vector<TProxyRoute> routes;  // never empty when `error` is empty
  // Not empty when the address must not be fetched at all (a proxy setting
  // the program cannot use): the message.
  std::string error;
};

// Thread-safe: the workers of vellumark-cli share one finder.
class TProxyFinder {
 public:
  virtual ~TProxyFinder() = default;
  virtual TProxyRoutes RoutesFor(const TUrl& url) const = 0;
};

// curl's rules (Proxy/ProxyChoice.h) over the variables `env` gives.
class TVariableProxyFinder final : public TProxyFinder {
 public:
  TVariableProxyFinder(TEnvironmentLookup env, TProxySettings options);
  TProxyRoutes RoutesFor(const TUrl& url) const override;

 private:
  TEnvironmentLookup env_;
  TProxySettings options_;
};

// A fixed proxy list and its bypass list, read as Windows reads its manual
// setting (Proxy/ProxyList.h, Proxy/BypassList.h). Credentials written into
// the list are dropped: those come from the credential store.
class TListProxyFinder final : public TProxyFinder {
 public:
  TListProxyFinder(std::string proxyList, std::string bypassList);
  TProxyRoutes RoutesFor(const TUrl& url) const override;

 private:
  std::string proxyList_;
  std::string bypassList_;
};

// Whether curl's options or variables name a proxy at all (--proxy given,
// even empty, or one of http_proxy, https_proxy, HTTPS_PROXY, all_proxy,
// ALL_PROXY set and not empty): then they decide, over any other setting.
bool VariablesNameProxy(const TEnvironmentLookup& env, const TProxySettings& options);

// The proxy list of Vellumark.ini's [Proxy] section: Address (a proxy list
// as Windows writes one) and Bypass.
struct TIniProxy {
  std::string address;
  std::string bypass;
};

// What a run takes its proxy from, first that applies winning: curl's
// options and variables (when `env` is set and they name a proxy), the
// [Proxy] section, then the system's settings (Windows only, when
// `useSystem`). Null when none applies: every address goes direct.
struct TProxySources {
  TEnvironmentLookup env;  // empty: variables are not read (the window)
  TProxySettings options;
  std::optional<TIniProxy> ini;
  bool useSystem = false;
};
std::shared_ptr<const TProxyFinder> MakeProxyFinder(const TProxySources& sources);

// The proxy as an exchange goes through it: Basic credentials from its
// address, or else from the credential Windows keeps for it
// (Proxy/StoredCredential.h); the address's credentials also serve a
// Negotiate or NTLM sign-in, which otherwise is the signed-in user's.
THttpProxy HttpProxyOf(const TProxy& proxy);

}  // namespace vellumark
