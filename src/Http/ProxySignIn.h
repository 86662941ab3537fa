// Signing in to a proxy by a scheme that takes several round trips on one
// kept-alive connection: Negotiate and NTLM, through the system's SSPI on
// Windows. The transport sends each token in a Proxy-Authorization header
// and hands back what the proxy's 407 answer carries in its
// Proxy-Authenticate header.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vellumark {

class TProxySignIn {
 public:
  virtual ~TProxySignIn() = default;

  // The scheme the tokens are for, as it goes before them in the header
  // ("Negotiate", "NTLM").
  virtual std::string Scheme() const = 0;

  // The next token, Base64, for the header: the first one when `challenge`
  // is empty, else the answer to the Base64 token the proxy sent. Nothing
  // when the exchange cannot go on (the proxy's token is malformed, the
  // system refuses); the sign-in has then failed.
  virtual std::optional<std::string> NextToken(std::string_view challenge) = 0;
};

// Starts a sign-in by `scheme` ("Negotiate" or "NTLM", letter case ignored)
// to the proxy `proxyHost`: with `username` (DOMAIN\user or user) and
// `password` when `username` is not empty, otherwise as the signed-in user.
// Null when the platform cannot sign in by that scheme (every platform but
// Windows).
std::unique_ptr<TProxySignIn> StartProxySignIn(std::string_view scheme, std::string_view proxyHost,
                                               std::string_view username, std::string_view password);

}  // namespace vellumark
