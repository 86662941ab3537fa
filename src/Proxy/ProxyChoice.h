// Which proxy, if any, carries the request for one address, by curl's rules
// for its options and environment variables:
//
//   http addresses    http_proxy (lower case only: a CGI program gets the
//                     request's "Proxy:" header as HTTP_PROXY), all_proxy,
//                     ALL_PROXY
//   https addresses   https_proxy, HTTPS_PROXY, all_proxy, ALL_PROXY
//   bypass            no_proxy, NO_PROXY (see TNoProxy); it applies to
//                     --proxy as well
//
// The first variable that is set and not empty counts. --proxy wins over
// the variables (an empty one means no proxy at all), --noproxy over
// no_proxy and NO_PROXY (an empty one bypasses nothing).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Proxy/ProxyAddress.h"
#include "Url/Url.h"

namespace vellumark {

// The value of an environment variable, or nothing when it is not set. The
// names are compared exactly: on Windows getenv("http_proxy") also finds
// HTTP_PROXY, so a lookup there walks the environment block instead.
using TEnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

struct TProxySettings {
  std::optional<std::string> proxyOption;    // --proxy
  std::optional<std::string> noProxyOption;  // --noproxy
};

struct TProxyChoice {
  // The proxy to go through; nothing: connect directly, unless `error` says
  // otherwise.
  std::optional<TProxy> proxy;
  // Not empty when the proxy address that applies is no address the program
  // can use: the message, naming the address (without its userinfo) and
  // where it came from. The page is then not fetched at all, as curl does.
  std::string error;
};

TProxyChoice ChooseProxy(const TUrl& url, const TEnvironmentLookup& env, const TProxySettings& options);

}  // namespace vellumark
