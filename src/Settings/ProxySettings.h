// The proxy a user may name in Vellumark.ini, over the system's settings, in
// a [Proxy] section that both front ends read and neither writes:
//
//   [Proxy]
//   Address=proxy.corp.example:8080
//   Bypass=<local>;*.corp.example
//
// Address is a proxy list as Windows writes one ("a:8080", or per scheme
// "http=a:8080;https=b:3128"); Bypass a bypass list (Proxy/BypassList.h).
// A password never goes in the file: the window takes a Basic proxy's
// credentials from Windows' Credential Manager (Proxy/StoredCredential.h).
#pragma once

#include <optional>

#include "Proxy/ProxyFinder.h"
#include "Settings/ControlState.h"

namespace vellumark {

inline constexpr const char* ProxySection = "Proxy";

// The section's proxy, or nothing when it names none (no Address, or an
// empty one).
std::optional<TIniProxy> ReadProxySettings(TProfileStore& store);

}  // namespace vellumark
