// An IP address or a network of them, as a no_proxy entry writes one:
// "10.1.2.3", "::1", "10.0.0.0/8", "fe80::/10".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "Url/Url.h"

namespace vellumark {

class TAddressRange {
 public:
  // `text` is an IPv4 address in any form the address parser takes, or an
  // IPv6 address without brackets, then optionally "/" and the
  // number of leading bits that name the network (0-32 or 0-128; "/0" is
  // every address of its family). Returns nothing for anything else.
  static std::optional<TAddressRange> Parse(std::string_view text);

  // Whether a canonical host (as a TUrl holds it) lies in the range; a host
  // of the other family or a domain never does.
  bool Contains(std::string_view host, THostKind kind) const;

 private:
  using TBytes = std::array<std::uint8_t, 16>;  // IPv4 in the first four

  static std::optional<TBytes> CanonicalBytes(std::string_view host, THostKind kind);

  THostKind kind_ = THostKind::IPv4;
  TBytes address_{};
  unsigned bits_ = 0;
};

}  // namespace vellumark
