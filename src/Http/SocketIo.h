// Sending and receiving on a plain connected socket, each wait bounded and
// cancellable (Http/SocketWait.h): what the exchange with a server and the
// talk with a proxy both do before any TLS.
#pragma once

#include <array>
#include <string_view>
#include <utility>

#include "Http/Http.h"
#include "Http/Socket.h"
#include "Http/SocketWait.h"

namespace vellumark {

// A connected socket, closed on every way out, errors included.
class TOwnedSocket {
 public:
  explicit TOwnedSocket(socketapi::THandle socket = socketapi::InvalidHandle) : socket_(socket) {}
  ~TOwnedSocket() { Reset(); }
  TOwnedSocket(TOwnedSocket&& other) noexcept : socket_(std::exchange(other.socket_, socketapi::InvalidHandle)) {}
  TOwnedSocket& operator=(TOwnedSocket&& other) noexcept {
    if (this != &other) {
      Reset();
      socket_ = std::exchange(other.socket_, socketapi::InvalidHandle);
    }
    return *this;
  }
  TOwnedSocket(const TOwnedSocket&) = delete;
  TOwnedSocket& operator=(const TOwnedSocket&) = delete;

  socketapi::THandle Get() const { return socket_; }
  void Reset() {
    if (socket_ != socketapi::InvalidHandle) socketapi::Close(std::exchange(socket_, socketapi::InvalidHandle));
  }

 private:
  socketapi::THandle socket_;
};

// Throws TError with the system's message for a failed socket call.
[[noreturn]] void RaiseSystemError(int code);

// Sends every byte of `data`: a send may take only part of it, and the rest
// goes in further sends. Throws TError on failure or time-out.
void SendAll(socketapi::THandle socket, std::string_view data, const TWaitLimits& limits);

// The next block (at most `size` bytes): its count, 0 when the peer closed,
// -1 when the receive failed; a time-out is raised.
int ReceivePlain(socketapi::THandle socket, char* buffer, int size, const TWaitLimits& limits);

// Hands each block that `receive` gives to the sink until the peer closes
// (0), a receive fails (-1, which ends receiving quietly, as a close does) or
// the sink says stop. `receive` raises only a time-out. A peer that keeps
// sending never holds the exchange past the deadline.
template <typename TReceive>
void ReceiveAll(const TReceive& receive, const TReceiveSink& sink, const TWaitLimits& limits) {
  std::array<char, ReceiveBufferSize> buffer;
  for (;;) {
    ThrowIfCancelled(limits);
    buffer.fill(0);
    const int count = receive(buffer.data());
    if (count <= 0) return;
    if (!sink(buffer.data(), count)) return;
  }
}

}  // namespace vellumark
