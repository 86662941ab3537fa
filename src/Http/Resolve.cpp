// Canonical host to its TCP endpoints.
#include "Common/Error.h"
#include "Http/Connect.h"

namespace vellumark {

namespace {

socketapi::TLookUp LookUpOf(THostKind kind) {
  switch (kind) {
    case THostKind::IPv4: return socketapi::TLookUp::IPv4Literal;
    case THostKind::IPv6: return socketapi::TLookUp::IPv6Literal;
    case THostKind::Domain: break;
  }
  return socketapi::TLookUp::Name;
}

}  // namespace

std::vector<socketapi::TAddress> ResolveHost(const std::string& host, THostKind kind, std::uint16_t port) {
  // Nothing can name a host here: an empty text (which the resolvers take as
  // "this machine"), or one with a zero byte inside (the lookup would read
  // only the part before it).
  if (!host.empty() && host.find('\0') == std::string::npos) {
    auto addresses = socketapi::LookUp(host, port, LookUpOf(kind));
    if (!addresses.empty()) return addresses;
  }
  throw TError("[" + host + "] IS INVALID ADDRSS.");
}

}  // namespace vellumark
