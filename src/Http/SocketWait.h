// Bounded waits on a socket that a caller on another thread can cancel: the
// exchange and the TLS session wait only through these.
#pragma once

#include <atomic>
#include <chrono>

#include "Http/Socket.h"

namespace vellumark {

// The limits of every wait of one exchange: each wait lasts at most
// `timeoutMs`; when `cancelled` is set and becomes true, a wait under way
// ends within CancelCheckMs and raises TError(CancelledMessage); and no wait
// goes past `deadline`, the end of the whole address's time, where it raises
// TError(DeadlineMessage).
struct TWaitLimits {
  using TClock = std::chrono::steady_clock;
  int timeoutMs = 15000;
  const std::atomic<bool>* cancelled = nullptr;
  TClock::time_point deadline = TClock::time_point::max();
};

inline constexpr int CancelCheckMs = 50;
inline constexpr const char* CancelledMessage = "cancelled";
inline constexpr const char* DeadlineMessage = "the deadline for this address passed";

// Throws TError(CancelledMessage) when the limits' flag is set, and
// TError(DeadlineMessage) once their deadline has passed.
void ThrowIfCancelled(const TWaitLimits& limits);

// When a wait that may last `timeoutMs` from now must end at the latest: the
// earlier of that and the limits' deadline.
TWaitLimits::TClock::time_point WaitEnd(const TWaitLimits& limits, int timeoutMs);

// Waits until the socket is ready for `what`. Returns 0, or the platform's
// error code (socketapi::TimedOutCode() when the time ran out); throws when
// cancelled.
int WaitSocket(socketapi::THandle socket, socketapi::TWaitFor what, const TWaitLimits& limits);

// Connects the socket to one IPv4 address (network byte order) and port,
// waiting as above. Returns 0 or the error code. (An exchange races every
// address of its host instead: Http/Connect.h.)
int ConnectSocket(socketapi::THandle socket, std::uint32_t address, std::uint16_t port,
                  const TWaitLimits& limits);

}  // namespace vellumark
