#include "Url/SplitUrl.h"

namespace vellumark {

bool SplitUrl(std::string_view address, std::string& host, std::string& page) {
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

}  // namespace vellumark
