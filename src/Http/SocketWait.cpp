#include "Http/SocketWait.h"

#include <algorithm>
#include <chrono>

#include "Common/Error.h"

namespace vellumark {

using TClock = TWaitLimits::TClock;

void ThrowIfCancelled(const TWaitLimits& limits) {
  if (limits.cancelled != nullptr && limits.cancelled->load()) throw TError(CancelledMessage);
  if (limits.deadline != TClock::time_point::max() && TClock::now() >= limits.deadline) {
    throw TError(DeadlineMessage);
  }
}

TClock::time_point WaitEnd(const TWaitLimits& limits, int timeoutMs) {
  const auto now = TClock::now();
  // A far deadline is compared as a duration first: time_point::max() plus
  // nothing, never overflowed.
  const auto wait = std::chrono::milliseconds(std::max(timeoutMs, 0));
  if (limits.deadline - now <= wait) return limits.deadline;
  return now + wait;
}

int WaitSocket(socketapi::THandle socket, socketapi::TWaitFor what, const TWaitLimits& limits) {
  ThrowIfCancelled(limits);
  const bool noDeadline = limits.deadline == TClock::time_point::max();
  if (limits.cancelled == nullptr && noDeadline) {
    return socketapi::WaitReady(socket, what, limits.timeoutMs);
  }
  // In slices, so that a cancellation is seen soon; the whole wait keeps
  // its one bound, and ends at the deadline.
  const auto end = WaitEnd(limits, limits.timeoutMs);
  const long long sliceMs = limits.cancelled != nullptr ? CancelCheckMs : std::max(limits.timeoutMs, 0);
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - TClock::now()).count();
    const int slice = static_cast<int>(std::clamp<long long>(left, 0, sliceMs));
    const int result = socketapi::WaitReady(socket, what, slice);
    if (result != socketapi::TimedOutCode()) return result;
    ThrowIfCancelled(limits);
    if (left <= slice) {
      // A wait cut short by the deadline says so, whatever the clock's
      // rounding made of its last slice.
      if (end == limits.deadline) throw TError(DeadlineMessage);
      return result;
    }
  }
}

int ConnectSocket(socketapi::THandle socket, std::uint32_t address, std::uint16_t port,
                  const TWaitLimits& limits) {
  ThrowIfCancelled(limits);
  const int started = socketapi::StartConnect(socket, socketapi::IPv4Address(address, port));
  if (started != socketapi::ConnectPending) return started;
  if (const int waited = WaitSocket(socket, socketapi::TWaitFor::Connect, limits)) return waited;
  return socketapi::ConnectOutcome(socket);
}

}  // namespace vellumark
