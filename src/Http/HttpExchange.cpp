// One request and its response over a fresh TCP connection.
#include <algorithm>
#include <array>
#include <cstring>
#include <exception>

#include "Common/Error.h"
#include "Http/Http.h"
#include "Http/Socket.h"
#include "Http/SocketWait.h"
#include "Http/SystemMessage.h"

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

// Hands each received block to the sink until the peer closes, a receive
// fails (which ends receiving quietly, as a close does) or the sink says
// stop. Only a time-out is raised.
void ReceiveAll(THandle socket, const TReceiveSink& sink, const TWaitLimits& limits) {
  std::array<char, ReceiveBufferSize> buffer;
  for (;;) {
    buffer.fill(0);
    const auto received = socketapi::Receive(socket, buffer.data(), ReceiveBufferSize);
    if (received.wouldBlock) {
      const int error = WaitSocket(socket, socketapi::TWaitFor::Read, limits);
      if (error == socketapi::TimedOutCode()) RaiseSystemError(error);
      if (error != 0) return;
      continue;
    }
    if (received.error != 0 || received.count <= 0) return;
    if (!sink(buffer.data(), received.count)) return;
  }
}

bool Exchange(const std::string& host, std::string_view request, const TReceiveSink& sink,
              const THttpOptions& options) {
  int error = 0;
  const THandle socket = socketapi::OpenStream(error);
  if (socket == socketapi::InvalidHandle) RaiseSystemError(error);
  const TSocketCloser closer(socket);

  const std::uint32_t address = ResolveHost(host);
  if (const int failed = ConnectSocket(socket, address, options.port,
                                      {options.connectTimeoutMs, options.cancelled})) {
    RaiseSystemError(failed);
  }
  const TWaitLimits waits{options.receiveTimeoutMs, options.cancelled};
  SendAll(socket, request, waits);
  ReceiveAll(socket, sink, waits);
  return true;
}

}  // namespace

bool HttpExchange(const std::string& host, std::string_view request, const TReceiveSink& sink,
                  const THttpOptions& options) {
  try {
    return Exchange(host, request, sink, options);
  } catch (const std::exception& failure) {
    // Whatever went wrong inside (the sink's own error kind included)
    // leaves as the program's one error kind, with the same message.
    throw TError(failure.what());
  }
}

TSocketLibrary::TSocketLibrary() { socketapi::StartLibrary(); }

TSocketLibrary::~TSocketLibrary() { socketapi::StopLibrary(); }

}  // namespace vellumark
