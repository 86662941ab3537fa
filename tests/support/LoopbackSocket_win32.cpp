#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>
#include <string>

#include "support/LoopbackSocket.h"

namespace vellumark::loopback::net {

namespace {

SOCKET Sock(THandle socket) { return static_cast<SOCKET>(socket); }

// `text`:`port` as a socket address; its length goes to `size`.
sockaddr_storage SocketAddress(const std::string& text, std::uint16_t port, int& size) {
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

bool MakeNonBlocking(SOCKET socket) {
  u_long on = 1;
  return ioctlsocket(socket, FIONBIO, &on) != SOCKET_ERROR;
}

long Outcome(int result) {
  if (result != SOCKET_ERROR) return result;
  const int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK || error == WSAEINTR) return kWouldBlock;
  return kFailed;
}

// Transfers go in pieces that fit the int count of the platform calls.
int Piece(std::size_t count) { return count > (1u << 30) ? (1 << 30) : static_cast<int>(count); }

}  // namespace

THandle Listen(int backlog, std::uint16_t& port, const std::string& address) {
  int size = 0;
  sockaddr_storage local = SocketAddress(address, port, size);
  const SOCKET socket = ::socket(local.ss_family, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) throw std::runtime_error("loopback server: socket failed");
  if (bind(socket, reinterpret_cast<sockaddr*>(&local), size) == SOCKET_ERROR ||
      listen(socket, backlog) == SOCKET_ERROR ||
      getsockname(socket, reinterpret_cast<sockaddr*>(&local), &size) == SOCKET_ERROR ||
      !MakeNonBlocking(socket)) {
    const int error = WSAGetLastError();
    closesocket(socket);
    throw std::runtime_error("loopback server: cannot listen on " + address + ": " + std::to_string(error));
  }
  port = PortOf(local);
  return static_cast<THandle>(socket);
}

THandle Accept(THandle listener) {
  const SOCKET socket = accept(Sock(listener), nullptr, nullptr);
  if (socket == INVALID_SOCKET) return InvalidHandle;
  if (!MakeNonBlocking(socket)) {
    closesocket(socket);
    return InvalidHandle;
  }
  return static_cast<THandle>(socket);
}

THandle StartConnect(std::uint16_t port, const std::string& address) {
  int size = 0;
  const sockaddr_storage target = SocketAddress(address, port, size);
  const SOCKET socket = ::socket(target.ss_family, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) return InvalidHandle;
  if (!MakeNonBlocking(socket) ||
      (connect(socket, reinterpret_cast<const sockaddr*>(&target), size) == SOCKET_ERROR &&
       WSAGetLastError() != WSAEWOULDBLOCK)) {
    closesocket(socket);
    return InvalidHandle;
  }
  return static_cast<THandle>(socket);
}

bool WaitReady(THandle socket, TWait what, int timeoutMs) {
  fd_set wanted;
  fd_set failed;
  FD_ZERO(&wanted);
  FD_ZERO(&failed);
  FD_SET(Sock(socket), &wanted);
  FD_SET(Sock(socket), &failed);
  timeval duration{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int ready = what == TWait::Read ? select(0, &wanted, nullptr, &failed, &duration)
                                        : select(0, nullptr, &wanted, &failed, &duration);
  return ready > 0;
}

long Send(THandle socket, const char* data, std::size_t count) {
  return Outcome(send(Sock(socket), data, Piece(count), 0));
}

long Receive(THandle socket, char* buffer, std::size_t size) {
  return Outcome(recv(Sock(socket), buffer, Piece(size), 0));
}

void Close(THandle socket) { closesocket(Sock(socket)); }

void Reset(THandle socket) {
  const linger abort{1, 0};
  setsockopt(Sock(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
  closesocket(Sock(socket));
}

int ConnectionRefusedCode() { return WSAECONNREFUSED; }

std::uint16_t UnusedPort() {
  std::uint16_t port = 0;
  Close(Listen(1, port));
  return port;
}

}  // namespace vellumark::loopback::net
