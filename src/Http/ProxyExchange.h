// An exchange through a proxy (THttpOptions::proxy): the request of a
// plain-http address goes to the proxy as it is; an https address gets a
// tunnel by CONNECT first. Either way the proxy may ask to sign in: Basic
// credentials go with the first request, and a Negotiate or NTLM sign-in
// (Http/ProxySignIn.h) takes its round trips on one kept-alive connection.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "Http/Http.h"
#include "Http/SocketIo.h"

namespace vellumark {

// The longest reply head taken from a proxy before it is refused.
inline constexpr std::size_t MaxProxyHeadSize = 64 * 1024;

// Does the exchange of HttpExchange through `options.proxy`, which must be
// set. Throws as HttpExchange does.
bool ExchangeThroughProxy(const TUrl& url, std::string_view request, const TReceiveSink& sink,
                          const THttpOptions& options);

// The token that follows `scheme` ("NTLM", letter case ignored) in a
// Proxy-Authenticate header of `head`: empty when the header names the
// scheme alone, nothing when no header names it.
std::optional<std::string> ProxyChallenge(std::string_view head, std::string_view scheme);

}  // namespace vellumark
