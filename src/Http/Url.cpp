// Cutting a page address into host and page, reading the scheme and port of
// an address, and recognising dotted IPv4 host texts. Purely textual: no
// percent-decoding, no case folding.
#include <algorithm>

#include "Common/IntConvert.h"
#include "Http/Http.h"

namespace vellumark {

bool SplitUrl(std::string_view address, std::string& host, std::string& page) {
  // Only the lower-case "http" at the very start counts; "https" passes too
  // (IsSecureAddress tells the two apart).
  if (!address.starts_with("http")) return false;

  std::string rest(address);
  // Everything up to and including the first "//" goes, wherever it stands.
  // An address without "//" keeps all of its text as the host part.
  if (const auto slashes = rest.find("//"); slashes != std::string::npos) {
    rest.erase(0, slashes + 2);
  }
  auto hostLength = rest.find('/');
  if (hostLength == std::string::npos) {
    hostLength = rest.size();
    rest.push_back('/');
  }
  host = rest.substr(0, hostLength);
  page = rest.substr(hostLength);
  return true;
}

bool IsSecureAddress(std::string_view address) { return address.starts_with("https://"); }

std::optional<TEndpoint> EndpointOf(std::string_view hostText, bool secure) {
  const auto colon = hostText.find(':');
  if (colon == std::string_view::npos) {
    return TEndpoint{std::string(hostText), secure ? HttpsPort : HttpPort, secure};
  }
  const std::string_view digits = hostText.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  unsigned port = 0;
  for (const char digit : digits) {
    if (digit < '0' || digit > '9') return std::nullopt;
    port = port * 10 + static_cast<unsigned>(digit - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return TEndpoint{std::string(hostText.substr(0, colon)), static_cast<std::uint16_t>(port), secure};
}

bool IsAddressPart(std::string_view text) {
  const auto value = TryStrToInt(text);
  return value && *value >= 0 && *value <= 255;
}

bool IsDottedAddress(std::string_view host) {
  if (std::count(host.begin(), host.end(), '.') != 3) return false;
  for (int part = 0; part < 4; ++part) {
    const auto dot = host.find('.');
    if (!IsAddressPart(host.substr(0, dot))) return false;
    host = dot == std::string_view::npos ? std::string_view{} : host.substr(dot + 1);
  }
  return true;
}

}  // namespace vellumark
