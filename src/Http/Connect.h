// Connecting to a host: its addresses (a literal as written, a name through
// the system's resolver) and the race between them by RFC 8305 ("Happy
// Eyeballs"), so a host whose IPv6 route is broken costs a quarter of a
// second, not a time-out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Http/Socket.h"
#include "Http/SocketWait.h"
#include "Url/Url.h"

namespace vellumark {

// RFC 8305's Connection Attempt Delay: how long an attempt has to itself
// before the next address is tried beside it.
inline constexpr int AttemptDelayMs = 250;

// The endpoints of `host` (canonical, as in TUrl) at `port`. An IPv4 or IPv6
// literal is the one address as written (no lookup, no reverse lookup); a
// domain gives every address the system's resolver has for it, both
// families. Throws TError "[<host>] IS INVALID ADDRSS." when there is none.
std::vector<socketapi::TAddress> ResolveHost(const std::string& host, THostKind kind, std::uint16_t port);

// The order in which addresses are tried (RFC 8305 section 4): the families
// alternate, IPv6 first, and each family keeps the order it came in.
std::vector<socketapi::TAddress> AttemptOrder(const std::vector<socketapi::TAddress>& addresses);

// Connects to one of `addresses`, tried in the order given: an attempt
// starts at once, the next one when the last attempt fails or
// `attemptDelayMs` after it started, whichever comes first, while the
// earlier ones go on; the first to connect wins and every other socket is
// closed. The whole race lasts at most `limits.timeoutMs` and ends within
// CancelCheckMs of `limits.cancelled` becoming true. Returns the connected
// socket, which the caller closes. Throws TError with the system's message
// for the last failure when every attempt fails, for a time-out when the
// time runs out, or TError(CancelledMessage).
socketapi::THandle ConnectFirst(const std::vector<socketapi::TAddress>& addresses, const TWaitLimits& limits,
                                int attemptDelayMs = AttemptDelayMs);

// ResolveHost, AttemptOrder and ConnectFirst in one: a socket connected to
// the host at `port`.
socketapi::THandle ConnectToHost(const std::string& host, THostKind kind, std::uint16_t port,
                                 const TWaitLimits& limits);

}  // namespace vellumark
