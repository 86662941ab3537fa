// Windows Sockets 1.1 (wsock32). The host database calls keep their result in
// storage of the calling thread, so lookups on several threads do not
// disturb each other; the address is read out at once.
#include <winsock.h>

#include <cstring>

#include "Http/Socket.h"

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

std::optional<std::uint32_t> FirstAddress(const hostent* entry) {
  if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4 ||
      entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
    return std::nullopt;
  }
  std::uint32_t address = 0;
  std::memcpy(&address, entry->h_addr_list[0], sizeof address);
  return address;
}

}  // namespace

int TimedOutCode() { return WSAETIMEDOUT; }

THandle OpenStream(int& error) {
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
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

int StartConnect(THandle socket, std::uint32_t address, std::uint16_t port) {
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr.s_addr = address;
  if (connect(AsSocket(socket), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
    return 0;
  }
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
  if (what == TWaitFor::Connect && FD_ISSET(AsSocket(socket), &failed)) {
    // The attempt failed; its code, when the system keeps none, is a refusal.
    const int outcome = ConnectOutcome(socket);
    return outcome != 0 ? outcome : WSAECONNREFUSED;
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

std::optional<std::uint32_t> LookupByName(const std::string& name) {
  return FirstAddress(gethostbyname(name.c_str()));
}

std::optional<std::uint32_t> LookupByAddress(std::uint32_t address) {
  return FirstAddress(gethostbyaddr(reinterpret_cast<const char*>(&address), sizeof address, AF_INET));
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
  // Version 1.1. The outcome is not examined: if start-up fails, every later
  // socket call fails and reports its own error.
  WSADATA data;
  WSAStartup(0x0101, &data);
}

void StopLibrary() { WSACleanup(); }

}  // namespace vellumark::socketapi
