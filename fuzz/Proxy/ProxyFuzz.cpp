// Random texts as a proxy address, a no_proxy list, a proxy auto-config
// answer or WinHTTP list, a bypass list, a proxy's 407 head and a sign-in
// token. Whatever comes in: no crash, a
// proxy that parses is shown as printable ASCII and reads back as itself
// from what is shown, a no_proxy list naming it covers its address, and a
// proxy list always offers at least one route, a challenge token is one
// word, and a token that decodes encodes back to itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Common/Base64.h"
#include "Http/ProxyExchange.h"
#include "Proxy/BypassList.h"
#include "Proxy/NoProxy.h"
#include "Proxy/ProxyAddress.h"
#include "Proxy/ProxyList.h"

namespace {

using namespace vellumark;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool IsShownText(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const auto samples = {*ParseUrl("http://a.example.com/"), *ParseUrl("https://10.1.2.3:8443/"),
                               *ParseUrl("http://[fe80::1]/"), *ParseUrl("https://intranet/")};

  if (const auto proxy = ParseProxyAddress(text)) {
    const std::string shown = proxy->Shown();
    Check(!proxy->host.empty() && IsShownText(shown));
    const auto again = ParseProxyAddress(shown);
    Check(again && again->host == proxy->host && again->hostKind == proxy->hostKind && again->port == proxy->port);
    // A list separates entries at commas, which a domain may hold, and an
    // entry of dots alone names nothing.
    const auto url = ParseUrl("http://" + shown + "/");
    Check(url.has_value());
    if (proxy->host.find(',') == std::string::npos && proxy->host.find_first_not_of('.') != std::string::npos) {
      Check(TNoProxy(shown).Bypasses(*url));
    }
  }

  const TNoProxy noProxy(text);
  for (const auto& url : samples) {
    static_cast<void>(noProxy.Bypasses(url));
    static_cast<void>(BypassListMatches(text, url));
    Check(!ParseProxyList(text, url.scheme).empty());
  }

  if (const auto token = ProxyChallenge(text, "NTLM")) Check(token->find_first_of(" \t,\r\n") == std::string::npos);
  if (const auto bytes = Base64Decode(text)) {
    std::string_view unpadded = text;
    while (!unpadded.empty() && unpadded.back() == '=') unpadded.remove_suffix(1);
    std::string again = Base64Encode(*bytes);
    while (!again.empty() && again.back() == '=') again.pop_back();
    Check(again == unpadded);
  }
  return 0;
}
