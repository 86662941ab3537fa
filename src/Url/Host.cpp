#include "Url/Host.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "Common/AsciiCase.h"
#include "Url/Idna.h"
#include "Url/PercentEncode.h"

namespace vellumark::url {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) { return IsDigit(c) || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f'); }

int HexValue(char c) { return IsDigit(c) ? c - '0' : AsciiLower(c) - 'a' + 10; }

// The forbidden domain code points, and, as a guard for what the platform's
// IDNA returns, anything that is not ASCII.
bool IsForbiddenInDomain(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte >= 0x7F || std::string_view("#%/:<>?@[\\]^|").find(c) != std::string_view::npos;
}

// ---- IPv4 ------------------------------------------------------------------

// One part of an IPv4 host: decimal, "0x" hex or leading-"0" octal ("0x"
// alone is 0). Values past 2^32 are held at 2^32: too large either way.
std::optional<std::uint64_t> ParseIPv4Number(std::string_view text) {
  if (text.empty()) return std::nullopt;
  unsigned radix = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    radix = 16;
  } else if (text.size() >= 2 && text[0] == '0') {
    text.remove_prefix(1);
    radix = 8;
  }
  std::uint64_t value = 0;
  for (const char c : text) {
    const bool valid = radix == 16 ? IsHexDigit(c) : IsDigit(c) && static_cast<unsigned>(c - '0') < radix;
    if (!valid) return std::nullopt;
    value = std::min<std::uint64_t>(value * radix + static_cast<unsigned>(HexValue(c)), 1ull << 32);
  }
  return value;
}

// Whether the last label (a final empty one aside) is a number, which makes
// the host an IPv4 address or nothing.
bool EndsInANumber(std::string_view domain) {
  if (domain.ends_with('.')) domain.remove_suffix(1);
  const auto dot = domain.rfind('.');
  const std::string_view last = dot == std::string_view::npos ? domain : domain.substr(dot + 1);
  if (!last.empty() && std::all_of(last.begin(), last.end(), IsDigit)) return true;
  return ParseIPv4Number(last).has_value();
}

// One to four parts; each but the last is a byte, the last fills the bytes
// that are left ("127.1" is 127.0.0.1, "2130706433" too).
std::optional<std::uint32_t> ParseIPv4(std::string_view text) {
  if (text.ends_with('.')) text.remove_suffix(1);
  std::array<std::uint64_t, 4> parts{};
  std::size_t count = 0;
  while (true) {
    const auto dot = text.find('.');
    if (count == parts.size()) return std::nullopt;
    const auto part = ParseIPv4Number(text.substr(0, dot));
    if (!part) return std::nullopt;
    parts[count++] = *part;
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  std::uint64_t address = parts[count - 1];
  if (address >= (1ull << (8 * (5 - count)))) return std::nullopt;
  for (std::size_t i = 0; i + 1 < count; ++i) {
    if (parts[i] > 255) return std::nullopt;
    address += parts[i] << (8 * (3 - i));
  }
  return static_cast<std::uint32_t>(address);
}

std::string SerializeIPv4(std::uint32_t address) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    text += std::to_string((address >> shift) & 0xFF);
    if (shift > 0) text += '.';
  }
  return text;
}

// ---- IPv6 ------------------------------------------------------------------

using TIPv6 = std::array<std::uint16_t, 8>;

// Eight hex pieces with at most one "::" standing for a run of zero pieces;
// the last two pieces may be written as a dotted IPv4 address.
std::optional<TIPv6> ParseIPv6(std::string_view text) {
  TIPv6 address{};
  std::size_t piece = 0;
  std::optional<std::size_t> compress;
  std::size_t i = 0;
  const auto at = [&](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
  if (at(0) == ':') {
    if (at(1) != ':') return std::nullopt;
    i = 2;
    compress = ++piece;
  }
  while (i < text.size()) {
    if (piece == 8) return std::nullopt;
    if (text[i] == ':') {
      if (compress) return std::nullopt;
      ++i;
      compress = ++piece;
      continue;
    }
    unsigned value = 0;
    std::size_t length = 0;
    while (length < 4 && IsHexDigit(at(i))) {
      value = value * 16 + static_cast<unsigned>(HexValue(text[i]));
      ++i;
      ++length;
    }
    if (at(i) == '.') {
      // The dotted tail: exactly four decimal bytes without leading zeros,
      // filling two pieces.
      if (length == 0 || piece > 6) return std::nullopt;
      i -= length;
      int numbersSeen = 0;
      while (i < text.size()) {
        if (numbersSeen > 0) {
          if (text[i] != '.' || numbersSeen == 4) return std::nullopt;
          ++i;
        }
        if (!IsDigit(at(i))) return std::nullopt;
        int byte = -1;
        while (IsDigit(at(i))) {
          if (byte == 0) return std::nullopt;
          byte = (byte < 0 ? 0 : byte * 10) + (text[i] - '0');
          if (byte > 255) return std::nullopt;
          ++i;
        }
        address[piece] = static_cast<std::uint16_t>(address[piece] * 0x100 + byte);
        ++numbersSeen;
        if (numbersSeen == 2 || numbersSeen == 4) ++piece;
      }
      if (numbersSeen != 4) return std::nullopt;
      break;
    }
    if (at(i) == ':') {
      ++i;
      if (i == text.size()) return std::nullopt;
    } else if (i < text.size()) {
      return std::nullopt;
    }
    address[piece++] = static_cast<std::uint16_t>(value);
  }
  if (compress) {
    // Move the pieces after "::" to the end; zeros fill the gap.
    std::size_t swaps = piece - *compress;
    for (piece = 7; piece != 0 && swaps > 0; --piece, --swaps) {
      std::swap(address[piece], address[*compress + swaps - 1]);
    }
  } else if (piece != 8) {
    return std::nullopt;
  }
  return address;
}

// Lower-case hex without leading zeros; the first longest run of two or
// more zero pieces becomes "::".
std::string SerializeIPv6(const TIPv6& address) {
  std::size_t compress = address.size();
  std::size_t longest = 1;
  for (std::size_t start = 0; start < address.size();) {
    std::size_t end = start;
    while (end < address.size() && address[end] == 0) ++end;
    if (end - start > longest) {
      compress = start;
      longest = end - start;
    }
    start = end == start ? start + 1 : end;
  }
  constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i == compress) {
      text += i == 0 ? "::" : ":";
      i += longest - 1;
      continue;
    }
    bool leading = true;
    for (int shift = 12; shift >= 0; shift -= 4) {
      const unsigned digit = (address[i] >> shift) & 0xF;
      if (leading && digit == 0 && shift > 0) continue;
      leading = false;
      text += kHex[digit];
    }
    if (i != address.size() - 1) text += ':';
  }
  return text;
}

// ---- Domains ---------------------------------------------------------------

// An ASCII domain none of whose labels starts with "xn--" needs nothing of
// IDNA but lower case.
bool IsPlainAscii(std::string_view domain) {
  if (std::any_of(domain.begin(), domain.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    return false;
  }
  for (std::size_t start = 0; start <= domain.size();) {
    const auto dot = std::min(domain.find('.', start), domain.size());
    if (StartsWithIgnoreCase(domain.substr(start, dot - start), "xn--")) return false;
    start = dot + 1;
  }
  return true;
}

}  // namespace

std::optional<THost> ParseHost(std::string_view input) {
  if (input.starts_with('[')) {
    if (!input.ends_with(']')) return std::nullopt;
    const auto address = ParseIPv6(input.substr(1, input.size() - 2));
    if (!address) return std::nullopt;
    return THost{SerializeIPv6(*address), THostKind::IPv6};
  }

  const std::string domain = PercentDecode(input);
  std::string ascii;
  if (IsPlainAscii(domain)) {
    ascii.resize(domain.size());
    std::transform(domain.begin(), domain.end(), ascii.begin(), AsciiLower);
  } else {
    // Decoded bytes that are no UTF-8 would read as U+FFFD, which IDNA refuses.
    if (!IsUtf8(domain)) return std::nullopt;
    auto converted = DomainToAsciiPlatform(domain);
    if (!converted) return std::nullopt;
    ascii = std::move(*converted);
  }
  // IDNA may map a whole domain away ("\u00AD") or onto a forbidden
  // character ("\uFF05" is "%").
  if (ascii.empty() || std::any_of(ascii.begin(), ascii.end(), IsForbiddenInDomain)) return std::nullopt;

  if (EndsInANumber(ascii)) {
    const auto address = ParseIPv4(ascii);
    if (!address) return std::nullopt;
    return THost{SerializeIPv4(*address), THostKind::IPv4};
  }
  return THost{std::move(ascii), THostKind::Domain};
}

}  // namespace vellumark::url
