#include "Http/WireAddress.h"

#include <algorithm>
#include <optional>

#include "Common/Codepage.h"
#include "Common/Error.h"
#include "Http/Idna.h"

namespace vellumark {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsAscii(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Printable ASCII other than the space: the bytes a request target carries
// as they are.
bool IsSentAsIs(unsigned char c) { return c > 0x20 && c < 0x7F; }

// What a browser refuses to see in a host name once it is in ASCII form.
bool IsUsableHostName(std::string_view name) {
  constexpr std::string_view kRefused = "#%/:<>?@[\\]^|";
  return !name.empty() && std::all_of(name.begin(), name.end(), [&](char c) {
    return IsSentAsIs(static_cast<unsigned char>(c)) && kRefused.find(c) == std::string_view::npos;
  });
}

std::optional<std::string> AsciiName(std::string_view name, TAddressOrigin origin) {
  if (IsAscii(name)) return std::string(name);
  const std::string utf8 = origin == TAddressOrigin::Typed ? SjisToUtf8(name) : std::string(name);
  auto ascii = idna::ToAscii(utf8);
  if (!ascii || !IsUsableHostName(*ascii)) return std::nullopt;
  return ascii;
}

}  // namespace

std::string_view TrimAddressBlanks(std::string_view address) {
  while (!address.empty() && IsBlank(address.front())) address.remove_prefix(1);
  while (!address.empty() && IsBlank(address.back())) address.remove_suffix(1);
  return address;
}

std::string_view WithoutFragment(std::string_view text) { return text.substr(0, text.find('#')); }

std::string RequestTarget(std::string_view page, TAddressOrigin origin) {
  page = WithoutFragment(page);
  // ASCII bytes are the same in Shift_JIS and UTF-8; only text with a
  // non-ASCII byte is converted (as a whole, so a trail byte in the ASCII
  // range stays with its lead byte).
  const std::string utf8 =
      origin == TAddressOrigin::Typed && !IsAscii(page) ? SjisToUtf8(page) : std::string(page);
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string target;
  target.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsSentAsIs(byte)) {
      target.push_back(c);
    } else {
      target += '%';
      target += kHex[byte >> 4];
      target += kHex[byte & 0x0F];
    }
  }
  return target;
}

std::string WireHost(std::string_view host, TAddressOrigin origin) {
  std::string_view name = host;
  std::string_view port;
  if (const auto colon = host.rfind(':'); colon != std::string_view::npos) {
    const std::string_view digits = host.substr(colon + 1);
    if (!digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      name = host.substr(0, colon);
      port = host.substr(colon);
    }
  }
  auto ascii = AsciiName(name, origin);
  if (!ascii) throw TError("[" + std::string(host) + "] IS INVALID ADDRSS.");
  return *ascii + std::string(port);
}

}  // namespace vellumark
