#include "Proxy/ProxyChoice.h"

#include <initializer_list>

#include "Proxy/NoProxy.h"

namespace vellumark {

namespace {

struct TSetting {
  std::string value;
  std::string source;  // the option or the variable it came from
};

// The first of `names` that is set and not empty.
std::optional<TSetting> FirstSet(const TEnvironmentLookup& env, std::initializer_list<std::string_view> names) {
  for (const auto name : names) {
    if (auto value = env(name); value && !value->empty()) return TSetting{std::move(*value), std::string(name)};
  }
  return std::nullopt;
}

// `text` without anything up to its last "@", where a password would be.
std::string WithoutUserinfo(std::string_view text) {
  const auto at = text.rfind('@');
  if (at == std::string_view::npos) return std::string(text);
  const auto separator = text.find("://");
  const std::string_view scheme = separator < at ? text.substr(0, separator + 3) : std::string_view();
  return std::string(scheme) + "***" + std::string(text.substr(at));
}

}  // namespace

TProxyChoice ChooseProxy(const TUrl& url, const TEnvironmentLookup& env, const TProxySettings& options) {
  std::string noProxy;
  if (options.noProxyOption) {
    noProxy = *options.noProxyOption;
  } else if (auto variable = FirstSet(env, {"no_proxy", "NO_PROXY"})) {
    noProxy = std::move(variable->value);
  }
  if (TNoProxy(noProxy).Bypasses(url)) return {};

  std::optional<TSetting> proxy;
  if (options.proxyOption) {
    if (options.proxyOption->empty()) return {};
    proxy = TSetting{*options.proxyOption, "--proxy"};
  } else if (url.Secure()) {
    proxy = FirstSet(env, {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"});
  } else {
    proxy = FirstSet(env, {"http_proxy", "all_proxy", "ALL_PROXY"});
  }
  if (!proxy) return {};

  TUrlFailure failure = TUrlFailure::None;
  auto parsed = ParseProxyAddress(proxy->value, &failure);
  if (parsed) return {std::move(parsed), {}};
  const std::string named = "the proxy address \"" + WithoutUserinfo(proxy->value) + "\" (" + proxy->source + ")";
  return {std::nullopt, named + (failure == TUrlFailure::OtherScheme ? " is not an http:// proxy" : " is not valid")};
}

}  // namespace vellumark
