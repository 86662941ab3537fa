// Cutting a page address into host and page, and recognising dotted IPv4
// host texts. Purely textual: no scheme table, no port parsing, no
// percent-decoding, no case folding.
#include <algorithm>

#include "Common/IntConvert.h"
#include "Http/Http.h"

namespace vellumark {

bool SplitUrl(std::string_view address, std::string& host, std::string& page) {
  // Only the lower-case "http" at the very start counts; "https" passes too
  // and is fetched like "http".
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
