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

// `text`:`port` as a socket address; its length goes to `size`.
sockaddr_storage SocketAddress(const std::string& text, std::uint16_t port, socklen_t& size) {
  sockaddr_storage storage{};
  auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
  auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
  if (inet_pton(AF_INET, text.c_str(), &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    size = sizeof v4;
  } else if (inet_pton(AF_INET6, text.c_str(), &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    size = sizeof v6;
  } else {
    throw std::runtime_error("loopback server: not an address: " + text);
  }
  return storage;
}

std::uint16_t PortOf(const sockaddr_storage& storage) {
  return ntohs(storage.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(storage).sin6_port
                                             : reinterpret_cast<const sockaddr_in&>(storage).sin_port);
}

long Outcome(ssize_t result) {
  if (result >= 0) return static_cast<long>(result);
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return kWouldBlock;
  return kFailed;
}

}  // namespace

THandle Listen(int backlog, std::uint16_t& port, const std::string& address) {
  socklen_t size = 0;
  sockaddr_storage local = SocketAddress(address, port, size);
  const int fd = socket(local.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("loopback server: socket failed");
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), size) != 0 || listen(fd, backlog) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    const int error = errno;
    close(fd);
    throw std::runtime_error("loopback server: cannot listen on " + address + ": " + std::to_string(error));
  }
  port = PortOf(local);
  return static_cast<THandle>(fd);
}

THandle Accept(THandle listener) {
  const int fd = accept4(Fd(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  return fd < 0 ? InvalidHandle : static_cast<THandle>(fd);
}

THandle StartConnect(std::uint16_t port, const std::string& address) {
  socklen_t size = 0;
  const sockaddr_storage target = SocketAddress(address, port, size);
  const int fd = socket(target.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return InvalidHandle;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&target), size) != 0 && errno != EINPROGRESS) {
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
