// The current user's proxy settings as Windows keeps them for WinHTTP
// programs: a manual proxy list with its bypass list, or a proxy
// auto-config script (named, or found by auto-detection).
#pragma once

#include <memory>

#include "Proxy/ProxyFinder.h"

namespace vellumark {

// A finder for the system's settings as they are now (read once), or null
// when they say to connect directly, and on every platform but Windows.
// Auto-detection and loading the script happen at most once in the finder's
// life, and the answer for each host is kept, so a network without a script
// costs one wait, not one per address.
std::shared_ptr<const TProxyFinder> SystemProxyFinder();

}  // namespace vellumark
