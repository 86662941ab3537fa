#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include "support/LoopbackSocket.h"

namespace vellumark::loopback::net {

namespace {

int Fd(THandle socket) { return static_cast<int>(socket); }

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

long Outcome(ssize_t result) {
  if (result >= 0) return static_cast<long>(result);
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return kWouldBlock;
  return kFailed;
}

}  // namespace

THandle Listen(int backlog, std::uint16_t& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("loopback server: socket failed");
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, backlog) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    const int error = errno;
    close(fd);
    throw std::runtime_error("loopback server: cannot listen: " + std::to_string(error));
  }
  port = ntohs(address.sin_port);
  return static_cast<THandle>(fd);
}

THandle Accept(THandle listener) {
  const int fd = accept4(Fd(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  return fd < 0 ? InvalidHandle : static_cast<THandle>(fd);
}

THandle StartConnect(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return InvalidHandle;
  const sockaddr_in address = Loopback(port);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS) {
    close(fd);
    return InvalidHandle;
  }
  return static_cast<THandle>(fd);
}

bool WaitReady(THandle socket, TWait what, int timeoutMs) {
  pollfd entry{Fd(socket), static_cast<short>(what == TWait::Read ? POLLIN : POLLOUT), 0};
  return poll(&entry, 1, timeoutMs) > 0;
}

long Send(THandle socket, const char* data, std::size_t count) {
  return Outcome(send(Fd(socket), data, count, MSG_NOSIGNAL));
}

long Receive(THandle socket, char* buffer, std::size_t size) {
  return Outcome(recv(Fd(socket), buffer, size, 0));
}

void Close(THandle socket) { close(Fd(socket)); }

void Reset(THandle socket) {
  const linger abort{1, 0};
  setsockopt(Fd(socket), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  close(Fd(socket));
}

int ConnectionRefusedCode() { return ECONNREFUSED; }

std::uint16_t UnusedPort() {
  std::uint16_t port = 0;
  Close(Listen(1, port));
  return port;
}

}  // namespace vellumark::loopback::net
