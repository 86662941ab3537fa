// One request and its response over a fresh TCP connection, plain or TLS.
#include <algorithm>
#include <array>
#include <cstring>
#include <exception>

#include "Common/Error.h"
#include "Http/Connect.h"
#include "Http/Http.h"
#include "Http/Socket.h"
#include "Http/SocketWait.h"
#include "Http/SystemMessage.h"
#include "Http/Tls.h"

namespace vellumark {

namespace {

using socketapi::THandle;

// Closes the exchange's socket on every way out, errors included.
class TSocketCloser {
 public:
  explicit TSocketCloser(THandle socket) : socket_(socket) {}
  ~TSocketCloser() { socketapi::Close(socket_); }
  TSocketCloser(const TSocketCloser&) = delete;
  TSocketCloser& operator=(const TSocketCloser&) = delete;

 private:
  THandle socket_;
};

[[noreturn]] void RaiseSystemError(int code) { throw TError(SystemMessageText(code)); }

// Sends every byte of the request: a send may take only part of it, and the
// rest goes in further sends. Each wait for room is bounded.
void SendAll(THandle socket, std::string_view request, const TWaitLimits& limits) {
  // A single call moves at most this much, well inside the int count the
  // platform call takes.
  constexpr std::size_t MaxPerCall = std::size_t{1} << 30;
  while (!request.empty()) {
    const int ask = static_cast<int>(std::min(request.size(), MaxPerCall));
    const auto sent = socketapi::Send(socket, request.data(), ask);
    if (sent.error != 0) RaiseSystemError(sent.error);
    if (sent.wouldBlock || sent.count <= 0) {
      if (const int error = WaitSocket(socket, socketapi::TWaitFor::Write, limits)) {
        RaiseSystemError(error);
      }
      continue;
    }
    request.remove_prefix(static_cast<std::size_t>(sent.count));
  }
}

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

// The next block of a plain connection: its count, 0 when the peer closed,
// -1 when the receive failed; a time-out is raised.
int ReceivePlain(THandle socket, char* buffer, const TWaitLimits& limits) {
  for (;;) {
    const auto received = socketapi::Receive(socket, buffer, ReceiveBufferSize);
    if (received.wouldBlock) {
      const int error = WaitSocket(socket, socketapi::TWaitFor::Read, limits);
      if (error == socketapi::TimedOutCode()) RaiseSystemError(error);
      if (error != 0) return -1;
      continue;
    }
    if (received.error != 0) return -1;
    return received.count;
  }
}

bool Exchange(const TUrl& url, std::string_view request, const TReceiveSink& sink,
              const THttpOptions& options) {
  const std::uint16_t port =
      !url.Secure() && url.EffectivePort() == HttpPort ? options.port : url.EffectivePort();
  const THandle socket = ConnectToHost(url.host, url.hostKind, port,
                                       {options.connectTimeoutMs, options.cancelled, options.deadline});
  const TSocketCloser closer(socket);

  const TWaitLimits waits{options.receiveTimeoutMs, options.cancelled, options.deadline};
  if (!url.Secure()) {
    SendAll(socket, request, waits);
    ReceiveAll([&](char* buffer) { return ReceivePlain(socket, buffer, waits); }, sink, waits);
    return true;
  }
  // The session ends before the closer closes its socket.
  const auto session = StartTlsSession(socket, url.host, waits);
  session->SendAll(request, waits);
  ReceiveAll([&](char* buffer) { return session->Receive(buffer, ReceiveBufferSize, waits); },
             sink, waits);
  return true;
}

}  // namespace

bool HttpExchange(const TUrl& url, std::string_view request, const TReceiveSink& sink,
                  const THttpOptions& options) {
  try {
    return Exchange(url, request, sink, options);
  } catch (const std::exception& failure) {
    // Whatever went wrong inside (the sink's own error kind included)
    // leaves as the program's one error kind, with the same message.
    throw TError(failure.what());
  }
}

TSocketLibrary::TSocketLibrary() { socketapi::StartLibrary(); }

TSocketLibrary::~TSocketLibrary() { socketapi::StopLibrary(); }

}  // namespace vellumark
