#include "Http/SocketIo.h"

#include <algorithm>
#include <cstddef>

#include "Common/Error.h"
#include "Http/SystemMessage.h"

namespace vellumark {

void RaiseSystemError(int code) { throw TError(SystemMessageText(code)); }

void SendAll(socketapi::THandle socket, std::string_view data, const TWaitLimits& limits) {
  // A single call moves at most this much, well inside the int count the
  // platform call takes.
  constexpr std::size_t MaxPerCall = std::size_t{1} << 30;
  while (!data.empty()) {
    const int ask = static_cast<int>(std::min(data.size(), MaxPerCall));
    const auto sent = socketapi::Send(socket, data.data(), ask);
    if (sent.error != 0) RaiseSystemError(sent.error);
    if (sent.wouldBlock || sent.count <= 0) {
      if (const int error = WaitSocket(socket, socketapi::TWaitFor::Write, limits)) RaiseSystemError(error);
      continue;
    }
    data.remove_prefix(static_cast<std::size_t>(sent.count));
  }
}

int ReceivePlain(socketapi::THandle socket, char* buffer, int size, const TWaitLimits& limits) {
  for (;;) {
    const auto received = socketapi::Receive(socket, buffer, size);
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

}  // namespace vellumark
