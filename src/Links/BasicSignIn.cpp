#include "Links/BasicSignIn.h"

#include "Common/AsciiCase.h"
#include "Common/Base64.h"
#include "Url/PercentEncode.h"

namespace vellumark {

std::optional<std::string> BasicAuthorization(const TUrl& url) {
  if (url.username.empty() && url.password.empty()) return std::nullopt;
  return "Basic " + Base64Encode(url::PercentDecode(url.username) + ":" + url::PercentDecode(url.password));
}

bool AsksForBasicSignIn(std::string_view responseText) {
  // Only the head counts: a page's text may mention the header.
  const std::string_view head = responseText.substr(0, responseText.find("\r\n\r\n"));
  constexpr std::string_view kName = "www-authenticate:";
  for (std::size_t lineStart = head.find('\n'); lineStart != std::string_view::npos;
       lineStart = head.find('\n', lineStart + 1)) {
    std::string_view line = head.substr(lineStart + 1);
    line = line.substr(0, line.find('\n'));
    if (!StartsWithIgnoreCase(line, kName)) continue;
    line.remove_prefix(kName.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (StartsWithIgnoreCase(line, "basic") &&
        (line.size() == 5 || line[5] == ' ' || line[5] == '\t' || line[5] == '\r' || line[5] == ',')) {
      return true;
    }
  }
  return false;
}

}  // namespace vellumark
