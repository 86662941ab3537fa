#include "Proxy/AddressRange.h"

#include <algorithm>
#include <string>

#include "Common/HexDigits.h"
#include "Url/Host.h"

namespace vellumark {

namespace {

// Decimal digits only, at most three of them.
std::optional<unsigned> ParseBits(std::string_view text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value;
}

// Pieces of hexadecimal digits between colons, each to two bytes.
bool AppendIPv6Pieces(std::string_view text, std::array<std::uint8_t, 16>& bytes, std::size_t& at) {
  while (!text.empty()) {
    const auto colon = std::min(text.find(':'), text.size());
    unsigned piece = 0;
    for (const char c : text.substr(0, colon)) {
      if (HexDigitValue(c) < 0) return false;
      piece = piece * 16 + static_cast<unsigned>(HexDigitValue(c));
    }
    if (colon == 0 || colon > 4 || at + 2 > bytes.size()) return false;
    bytes[at++] = static_cast<std::uint8_t>(piece >> 8);
    bytes[at++] = static_cast<std::uint8_t>(piece & 0xFF);
    text.remove_prefix(std::min(colon + 1, text.size()));
  }
  return true;
}

}  // namespace

// The canonical forms are dotted decimal with four parts, and compressed
// IPv6 with at most one "::" and no dotted tail, so reading them back to
// bytes needs none of the parser's other forms.
std::optional<TAddressRange::TBytes> TAddressRange::CanonicalBytes(std::string_view host, THostKind kind) {
  TBytes bytes{};
  if (kind == THostKind::IPv4) {
    std::size_t at = 0;
    for (std::size_t start = 0; start <= host.size(); ++at) {
      const auto dot = std::min(host.find('.', start), host.size());
      const auto part = ParseBits(host.substr(start, dot - start));
      if (at == 4 || !part || *part > 255) return std::nullopt;
      bytes[at] = static_cast<std::uint8_t>(*part);
      start = dot + 1;
    }
    if (at != 4) return std::nullopt;
    return bytes;
  }
  if (kind != THostKind::IPv6) return std::nullopt;
  const auto gap = host.find("::");
  std::size_t at = 0;
  if (gap == std::string_view::npos) {
    if (!AppendIPv6Pieces(host, bytes, at) || at != bytes.size()) return std::nullopt;
    return bytes;
  }
  TBytes tail{};
  std::size_t tailSize = 0;
  if (!AppendIPv6Pieces(host.substr(0, gap), bytes, at) || !AppendIPv6Pieces(host.substr(gap + 2), tail, tailSize) ||
      at + tailSize > bytes.size()) {
    return std::nullopt;
  }
  std::copy(tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(tailSize), bytes.end() - static_cast<std::ptrdiff_t>(tailSize));
  return bytes;
}

std::optional<TAddressRange> TAddressRange::Parse(std::string_view text) {
  std::optional<unsigned> bits;
  if (const auto slash = text.find('/'); slash != std::string_view::npos) {
    bits = ParseBits(text.substr(slash + 1));
    if (!bits) return std::nullopt;
    text = text.substr(0, slash);
  }
  if (text.empty()) return std::nullopt;
  // A colon makes it IPv6; the host parser takes that only in brackets.
  const bool colon = text.find(':') != std::string_view::npos;
  const auto host = url::ParseHost(colon ? '[' + std::string(text) + ']' : std::string(text));
  if (!host || host->kind == THostKind::Domain) return std::nullopt;
  const unsigned maxBits = host->kind == THostKind::IPv4 ? 32 : 128;
  if (bits.value_or(maxBits) > maxBits) return std::nullopt;
  const auto bytes = CanonicalBytes(host->text, host->kind);
  if (!bytes) return std::nullopt;
  TAddressRange range;
  range.kind_ = host->kind;
  range.address_ = *bytes;
  range.bits_ = bits.value_or(maxBits);
  return range;
}

bool TAddressRange::Contains(std::string_view host, THostKind kind) const {
  if (kind != kind_) return false;
  const auto bytes = CanonicalBytes(host, kind);
  if (!bytes) return false;
  for (unsigned bit = 0; bit < bits_; ++bit) {
    const unsigned mask = 0x80u >> (bit % 8);
    if (((*bytes)[bit / 8] & mask) != (address_[bit / 8] & mask)) return false;
  }
  return true;
}

}  // namespace vellumark
