// Host text to IPv4 address, through the host database.
#include "Common/Error.h"
#include "Http/Http.h"
#include "Http/Socket.h"

namespace vellumark {

namespace {

std::optional<std::uint32_t> LookUp(const std::string& host) {
  // Nothing can name a host here: an empty text (which some platforms would
  // take as "this machine"), or one with a zero byte inside (the lookup
  // would read only the part before it).
  if (host.empty() || host.find('\0') != std::string::npos) return std::nullopt;

  if (!IsDottedAddress(host)) return socketapi::LookupByName(host);

  const std::uint32_t parsed = socketapi::ParseDottedAddress(host);
  if (parsed == socketapi::NoAddress) return std::nullopt;
  // The reverse lookup's entry decides when there is one; an address
  // without a reverse entry is still reachable by the address itself.
  if (const auto entry = socketapi::LookupByAddress(parsed)) return entry;
  return parsed;
}

}  // namespace

std::uint32_t ResolveHost(const std::string& host) {
  if (const auto address = LookUp(host)) return *address;
  throw TError("[" + host + "] IS INVALID ADDRSS.");
}

}  // namespace vellumark
