#include "Http/SocketWait.h"

#include <algorithm>
#include <chrono>

#include "Common/Error.h"

namespace vellumark {

void ThrowIfCancelled(const TWaitLimits& limits) {
  if (limits.cancelled != nullptr && limits.cancelled->load()) throw TError(CancelledMessage);
}

int WaitSocket(socketapi::THandle socket, socketapi::TWaitFor what, const TWaitLimits& limits) {
  ThrowIfCancelled(limits);
  if (limits.cancelled == nullptr) return socketapi::WaitReady(socket, what, limits.timeoutMs);
  // In slices, so that a cancellation is seen soon; the whole wait keeps
  // its one bound.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(limits.timeoutMs, 0));
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int slice = static_cast<int>(std::clamp<long long>(left, 0, CancelCheckMs));
    const int result = socketapi::WaitReady(socket, what, slice);
    if (result != socketapi::TimedOutCode()) return result;
    ThrowIfCancelled(limits);
    if (left <= CancelCheckMs) return result;
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
