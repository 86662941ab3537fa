// The proxies the system offers for one address, in the order to try them.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "Proxy/ProxyAddress.h"
#include "Url/Url.h"

namespace vellumark {

// One way to reach the server: through a proxy, or directly (nothing).
using TProxyRoute = std::optional<TProxy>;

// Reads either of the two texts Windows gives for an address:
//
// - a proxy auto-config script's answer, entries separated by ";":
//   "PROXY a:8080; PROXY b:3128; DIRECT". "PROXY" and "HTTP" name an http
//   proxy, "DIRECT" a direct connection; "SOCKS", "SOCKS4", "SOCKS5",
//   "HTTPS" and "QUIC" entries are left out, since the program cannot speak
//   to those proxies. Keywords in any letter case.
// - a WinHTTP or Internet Options proxy list, entries separated by ";" or
//   blanks: "a:8080 b:3128", "http=a:8080;https=b:3128". An entry with
//   "scheme=" counts only for addresses of that scheme (`scheme`), one
//   without it for every address.
//
// Proxy addresses are read as ParseProxyAddress reads them; one that does
// not parse is left out. Never empty: when nothing usable is left (an empty
// or garbage text), the one route is direct.
std::vector<TProxyRoute> ParseProxyList(std::string_view answer, TUrlScheme scheme);

}  // namespace vellumark
