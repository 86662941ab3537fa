// BSD sockets. getaddrinfo is safe on several threads at once; waits use
// poll(), which has no descriptor limit.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "Http/Socket.h"
#include "Http/SocketAddress_sockets.h"

namespace vellumark::socketapi {

namespace {

int AsFd(THandle socket) { return static_cast<int>(socket); }

// Waits for the events of `entries`, restarting after signals without
// stretching the overall bound. Returns 0 once some entry has an event,
// TimedOutCode() or errno.
int PollAll(std::span<pollfd> entries, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const int ready =
        poll(entries.data(), entries.size(), left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (ready > 0) return 0;
    if (ready == 0) return ETIMEDOUT;
    if (errno != EINTR) return errno;
  }
}

// glibc offers the GNU strerror_r (returns the text) or the POSIX one
// (fills the buffer); these two overloads take either.
[[maybe_unused]] const char* ErrorTextOf(const char* gnuResult, const char*) { return gnuResult; }
[[maybe_unused]] const char* ErrorTextOf(int posixResult, const char* buffer) {
  return posixResult == 0 ? buffer : "";
}

}  // namespace

int TimedOutCode() { return ETIMEDOUT; }

THandle OpenStream(int& error, TFamily family) {
  const int domain = family == TFamily::IPv6 ? AF_INET6 : AF_INET;
  const int fd = socket(domain, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    error = errno;
    return InvalidHandle;
  }
  return static_cast<THandle>(fd);
}

void Close(THandle socket) { close(AsFd(socket)); }

int StartConnect(THandle socket, const TAddress& address) {
  sockaddr_storage target;
  const auto size = static_cast<socklen_t>(ToSockaddr(address, target));
  if (connect(AsFd(socket), reinterpret_cast<const sockaddr*>(&target), size) == 0) return 0;
  if (errno == EINPROGRESS || errno == EINTR) return ConnectPending;
  return errno;
}

int ConnectOutcome(THandle socket) {
  int outcome = 0;
  socklen_t size = sizeof outcome;
  if (getsockopt(AsFd(socket), SOL_SOCKET, SO_ERROR, &outcome, &size) != 0) return errno;
  return outcome;
}

int WaitReady(THandle socket, TWaitFor what, int timeoutMs) {
  pollfd entry{AsFd(socket), static_cast<short>(what == TWaitFor::Read ? POLLIN : POLLOUT), 0};
  return PollAll({&entry, 1}, timeoutMs);
}

int WaitConnects(std::span<const THandle> sockets, int timeoutMs, std::vector<int>& outcomes) {
  std::vector<pollfd> entries;
  entries.reserve(sockets.size());
  for (const THandle socket : sockets) entries.push_back({AsFd(socket), POLLOUT, 0});
  outcomes.assign(sockets.size(), ConnectPending);
  const int ready = PollAll(entries, timeoutMs);
  if (ready != 0) return ready;
  // An attempt that ends either way makes the socket writable; a failed one
  // also reports POLLERR (and POLLHUP). SO_ERROR tells which.
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].revents != 0) outcomes[i] = ConnectOutcome(sockets[i]);
  }
  return 0;
}

TTransfer Send(THandle socket, const char* data, int count) {
  // MSG_NOSIGNAL: a peer that has gone away makes the call fail with EPIPE
  // instead of killing the process with SIGPIPE.
  for (;;) {
    const ssize_t sent = send(AsFd(socket), data, static_cast<std::size_t>(count), MSG_NOSIGNAL);
    if (sent >= 0) return {static_cast<int>(sent), false, 0};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {0, true, 0};
    return {0, false, errno};
  }
}

TTransfer Receive(THandle socket, char* buffer, int size) {
  for (;;) {
    const ssize_t received = recv(AsFd(socket), buffer, static_cast<std::size_t>(size), 0);
    if (received >= 0) return {static_cast<int>(received), false, 0};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {0, true, 0};
    return {0, false, errno};
  }
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
  return ErrorTextOf(strerror_r(code, buffer, sizeof buffer), buffer);
}

void StartLibrary() {}

void StopLibrary() {}

}  // namespace vellumark::socketapi
