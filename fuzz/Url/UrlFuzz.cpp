// Random texts through the address parser. A byte 0xFF (never part of UTF-8)
// splits the data into a base and the text resolved against it; without one
// the whole data is parsed alone. Whatever comes in: no crash, an address
// that parses gives its own TUrl back when its href is parsed again, and
// what goes on the wire (request target, Host line, host) is printable ASCII
// without spaces.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Url/Url.h"

namespace {

using namespace vellumark;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool IsWireText(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  return true;
}

void CheckParsed(const std::optional<TUrl>& url, TUrlFailure failure) {
  Check((failure == TUrlFailure::None) == url.has_value());
  if (!url) return;
  Check(!url->host.empty() && IsWireText(url->host) && IsWireText(url->HostAndPort()));
  Check(url->path.starts_with('/') && IsWireText(url->RequestTarget()));
  const std::string href = url->Serialize();
  Check(IsWireText(href));
  Check(ParseUrl(href) == url);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TUrlFailure failure = TUrlFailure::None;
  const auto split = text.find('\xFF');
  if (split == std::string_view::npos) {
    CheckParsed(ParseUrl(text, nullptr, &failure), failure);
    return 0;
  }
  const auto base = ParseUrl(text.substr(0, split), nullptr, &failure);
  CheckParsed(base, failure);
  if (!base) return 0;
  CheckParsed(ParseUrl(text.substr(split + 1), &*base, &failure), failure);
  return 0;
}
