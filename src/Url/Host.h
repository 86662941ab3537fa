// The URL Standard's host parser for http and https: an IPv6 literal in
// brackets, or a domain (percent-decoded, then domain-to-ASCII) that is an
// IPv4 address when its last label is a number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Url/Url.h"

namespace vellumark::url {

struct THost {
  std::string text;  // canonical: lower-case ASCII domain, dotted decimal, compressed IPv6 without brackets
  THostKind kind = THostKind::Domain;
};

// The canonical host for `input`, the authority's text between the
// userinfo and the port (still percent-encoded, not empty), or nothing when
// it is no valid host.
std::optional<THost> ParseHost(std::string_view input);

}  // namespace vellumark::url
