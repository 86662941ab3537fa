#include "Http/Connect.h"

#include <algorithm>
#include <chrono>

#include "Common/Error.h"
#include "Http/SystemMessage.h"

namespace vellumark {

namespace {

using socketapi::THandle;
using Clock = std::chrono::steady_clock;

// At most this many attempts are under way at once; a further address waits
// for one of them to fail (Windows' select watches at most 64 sockets).
constexpr std::size_t MaxAttemptsUnderWay = 16;

// The sockets of the attempts under way, in the order they started; all
// closed on the way out except the one handed to the caller.
class TAttempts {
 public:
  TAttempts() = default;
  ~TAttempts() {
    for (const THandle socket : sockets_) socketapi::Close(socket);
  }
  TAttempts(const TAttempts&) = delete;
  TAttempts& operator=(const TAttempts&) = delete;

  const std::vector<THandle>& Sockets() const { return sockets_; }
  void Add(THandle socket) { sockets_.push_back(socket); }
  void Close(std::size_t index) {
    socketapi::Close(sockets_[index]);
    sockets_.erase(sockets_.begin() + static_cast<std::ptrdiff_t>(index));
  }
  THandle Release(std::size_t index) {
    const THandle socket = sockets_[index];
    sockets_.erase(sockets_.begin() + static_cast<std::ptrdiff_t>(index));
    return socket;
  }

 private:
  std::vector<THandle> sockets_;
};

[[noreturn]] void RaiseSystemError(int code) { throw TError(SystemMessageText(code)); }

// Whole milliseconds from now until `moment`, rounded up, at least 0.
int MsUntil(Clock::time_point moment) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(moment - Clock::now()).count();
  return static_cast<int>(std::max<long long>(left, 0));
}

}  // namespace

std::vector<socketapi::TAddress> AttemptOrder(const std::vector<socketapi::TAddress>& addresses) {
  std::vector<socketapi::TAddress> v6;
  std::vector<socketapi::TAddress> v4;
  for (const auto& address : addresses) {
    (address.family == socketapi::TFamily::IPv6 ? v6 : v4).push_back(address);
  }
  std::vector<socketapi::TAddress> order;
  order.reserve(addresses.size());
  for (std::size_t i = 0; i < std::max(v6.size(), v4.size()); ++i) {
    if (i < v6.size()) order.push_back(v6[i]);
    if (i < v4.size()) order.push_back(v4[i]);
  }
  return order;
}

THandle ConnectFirst(const std::vector<socketapi::TAddress>& addresses, const TWaitLimits& limits,
                     int attemptDelayMs) {
  const auto deadline = WaitEnd(limits, limits.timeoutMs);
  TAttempts attempts;
  std::vector<int> outcomes;
  std::size_t next = 0;
  // When the next address is due: at once, then the delay after each start,
  // or as soon as an attempt fails.
  auto nextStart = Clock::now();
  // What the race reports when no attempt is left: the latest failure.
  int lastError = socketapi::TimedOutCode();
  const auto failed = [&](int error) {
    lastError = error;
    nextStart = Clock::now();
  };
  for (;;) {
    ThrowIfCancelled(limits);
    if (Clock::now() >= deadline) RaiseSystemError(socketapi::TimedOutCode());
    while (next < addresses.size() && attempts.Sockets().size() < MaxAttemptsUnderWay &&
           Clock::now() >= nextStart) {
      const socketapi::TAddress& address = addresses[next++];
      nextStart = Clock::now() + std::chrono::milliseconds(attemptDelayMs);
      int error = 0;
      const THandle socket = socketapi::OpenStream(error, address.family);
      if (socket == socketapi::InvalidHandle) {
        failed(error);
        continue;
      }
      const int started = socketapi::StartConnect(socket, address);
      if (started == 0) return socket;
      if (started != socketapi::ConnectPending) {
        socketapi::Close(socket);
        failed(started);
        continue;
      }
      attempts.Add(socket);
    }
    if (attempts.Sockets().empty()) RaiseSystemError(lastError);

    // Wait for an attempt to end, until the next one is due, or a slice when
    // the race can be cancelled.
    const bool moreToStart = next < addresses.size() && attempts.Sockets().size() < MaxAttemptsUnderWay;
    int waitMs = MsUntil(moreToStart ? std::min(deadline, nextStart) : deadline);
    if (limits.cancelled != nullptr) waitMs = std::min(waitMs, CancelCheckMs);
    const int waited = socketapi::WaitConnects(attempts.Sockets(), waitMs, outcomes);
    if (waited == socketapi::TimedOutCode()) continue;
    if (waited != 0) RaiseSystemError(waited);

    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      if (outcomes[i] == 0) return attempts.Release(i);
    }
    // Failed attempts leave the race in the order they started.
    std::size_t at = 0;
    for (const int outcome : outcomes) {
      if (outcome == socketapi::ConnectPending) {
        ++at;
      } else {
        attempts.Close(at);
        failed(outcome);
      }
    }
  }
}

THandle ConnectToHost(const std::string& host, THostKind kind, std::uint16_t port,
                      const TWaitLimits& limits) {
  ThrowIfCancelled(limits);
  return ConnectFirst(AttemptOrder(ResolveHost(host, kind, port)), limits);
}

}  // namespace vellumark
