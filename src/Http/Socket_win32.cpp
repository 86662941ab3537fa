// Windows Sockets 2 (ws2_32): IPv4 and IPv6, getaddrinfo (safe on several
// threads at once). Waits use select(), whose exception set is where a
// failed connection attempt shows; WSAPoll is not used, since before
// Windows 10 2004 it does not report a connection attempt that fails.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "Http/Socket.h"
#include "Http/SocketAddress_sockets.h"

namespace vellumark::socketapi {

namespace {

SOCKET AsSocket(THandle socket) { return static_cast<SOCKET>(socket); }

timeval Duration(int timeoutMs) {
  if (timeoutMs < 0) timeoutMs = 0;
  timeval duration{};
  duration.tv_sec = timeoutMs / 1000;
  duration.tv_usec = (timeoutMs % 1000) * 1000;
  return duration;
}

// The outcome of an attempt that the exception set reported failed; where
// the system keeps no code for it, a refusal.
int FailedConnectOutcome(THandle socket) {
  const int outcome = ConnectOutcome(socket);
  return outcome != 0 ? outcome : WSAECONNREFUSED;
}

}  // namespace

int TimedOutCode() { return WSAETIMEDOUT; }

THandle OpenStream(int& error, TFamily family) {
  const SOCKET socket = ::socket(family == TFamily::IPv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) {
    error = WSAGetLastError();
    return InvalidHandle;
  }
  u_long nonBlocking = 1;
  if (ioctlsocket(socket, FIONBIO, &nonBlocking) == SOCKET_ERROR) {
    error = WSAGetLastError();
    closesocket(socket);
    return InvalidHandle;
  }
  return static_cast<THandle>(socket);
}

void Close(THandle socket) { closesocket(AsSocket(socket)); }

int StartConnect(THandle socket, const TAddress& address) {
  sockaddr_storage target;
  const int size = ToSockaddr(address, target);
  if (connect(AsSocket(socket), reinterpret_cast<const sockaddr*>(&target), size) == 0) return 0;
  const int started = WSAGetLastError();
  return started == WSAEWOULDBLOCK ? ConnectPending : started;
}

int ConnectOutcome(THandle socket) {
  int outcome = 0;
  int size = sizeof outcome;
  if (getsockopt(AsSocket(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&outcome), &size) ==
      SOCKET_ERROR) {
    return WSAGetLastError();
  }
  return outcome;
}

int WaitReady(THandle socket, TWaitFor what, int timeoutMs) {
  // Only the wanted set: the exception set of a connected socket reports
  // urgent (out-of-band) data, which a plain receive or send does not take,
  // so a wait that woke for it would find nothing to move and start again
  // at once, without end. A reset or closed connection still makes the
  // socket readable. A connection attempt that fails, though, shows only in
  // the exception set, so a wait for the end of one watches both.
  fd_set wanted;
  fd_set failed;
  FD_ZERO(&wanted);
  FD_ZERO(&failed);
  FD_SET(AsSocket(socket), &wanted);
  FD_SET(AsSocket(socket), &failed);
  timeval duration = Duration(timeoutMs);
  int ready = 0;
  switch (what) {
    case TWaitFor::Read: ready = select(0, &wanted, nullptr, nullptr, &duration); break;
    case TWaitFor::Write: ready = select(0, nullptr, &wanted, nullptr, &duration); break;
    case TWaitFor::Connect: ready = select(0, nullptr, &wanted, &failed, &duration); break;
  }
  if (ready == 0) return WSAETIMEDOUT;
  if (ready == SOCKET_ERROR) return WSAGetLastError();
  if (what == TWaitFor::Connect && FD_ISSET(AsSocket(socket), &failed)) return FailedConnectOutcome(socket);
  return 0;
}

int WaitConnects(std::span<const THandle> sockets, int timeoutMs, std::vector<int>& outcomes) {
  // An fd_set holds FD_SETSIZE sockets; the caller keeps far fewer attempts
  // under way at once.
  const std::size_t count = std::min<std::size_t>(sockets.size(), FD_SETSIZE);
  fd_set connected;
  fd_set failed;
  FD_ZERO(&connected);
  FD_ZERO(&failed);
  for (std::size_t i = 0; i < count; ++i) {
    FD_SET(AsSocket(sockets[i]), &connected);
    FD_SET(AsSocket(sockets[i]), &failed);
  }
  outcomes.assign(sockets.size(), ConnectPending);
  timeval duration = Duration(timeoutMs);
  const int ready = select(0, nullptr, &connected, &failed, &duration);
  if (ready == 0) return WSAETIMEDOUT;
  if (ready == SOCKET_ERROR) return WSAGetLastError();
  for (std::size_t i = 0; i < count; ++i) {
    if (FD_ISSET(AsSocket(sockets[i]), &failed)) {
      outcomes[i] = FailedConnectOutcome(sockets[i]);
    } else if (FD_ISSET(AsSocket(sockets[i]), &connected)) {
      outcomes[i] = ConnectOutcome(sockets[i]);
    }
  }
  return 0;
}

TTransfer Send(THandle socket, const char* data, int count) {
  const int sent = send(AsSocket(socket), data, count, 0);
  if (sent != SOCKET_ERROR) return {sent, false, 0};
  const int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) return {0, true, 0};
  return {0, false, error};
}

TTransfer Receive(THandle socket, char* buffer, int size) {
  const int received = recv(AsSocket(socket), buffer, size, 0);
  if (received != SOCKET_ERROR) return {received, false, 0};
  const int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) return {0, true, 0};
  return {0, false, error};
}

std::uint32_t ParseDottedAddress(const std::string& text) { return inet_addr(text.c_str()); }

std::vector<TAddress> LookUp(const std::string& host, std::uint16_t port, TLookUp what) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  switch (what) {
    case TLookUp::Name: hints.ai_family = AF_UNSPEC; break;
    case TLookUp::IPv4Literal: hints.ai_family = AF_INET; hints.ai_flags = AI_NUMERICHOST; break;
    case TLookUp::IPv6Literal: hints.ai_family = AF_INET6; hints.ai_flags = AI_NUMERICHOST; break;
  }
  addrinfo* found = nullptr;
  std::vector<TAddress> addresses;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return addresses;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (const auto address = FromAddrinfo(*entry, port)) addresses.push_back(*address);
  }
  freeaddrinfo(found);
  return addresses;
}

std::string RawErrorText(int code) {
  char buffer[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
  if (length > 0) return std::string(buffer, length);
  // Where the system has no text (Wine has none for a time-out), the
  // failures an exchange can end with are still named, in the words Linux
  // uses for them, so a failed fetch never reads as one without a message.
  switch (code) {
    case WSAETIMEDOUT: return "Connection timed out";
    case WSAECONNREFUSED: return "Connection refused";
    case WSAECONNRESET: return "Connection reset by peer";
    case WSAECONNABORTED: return "Software caused connection abort";
    case WSAENETUNREACH: return "Network is unreachable";
    case WSAEHOSTUNREACH: return "No route to host";
    case WSAENETDOWN: return "Network is down";
    default: return "";
  }
}

void StartLibrary() {
  // Version 2.2. The outcome is not examined: if start-up fails, every later
  // socket call fails and reports its own error.
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}

void StopLibrary() { WSACleanup(); }

}  // namespace vellumark::socketapi
