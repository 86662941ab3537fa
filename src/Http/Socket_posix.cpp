// BSD sockets. Lookups use the re-entrant calls, so exchanges may run on
// several threads at once; waits use poll(), which has no descriptor limit.
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
#include <vector>

#include "Http/Socket.h"

namespace vellumark::socketapi {

namespace {

int AsFd(THandle socket) { return static_cast<int>(socket); }

// Waits for `events` on the socket, restarting after signals without
// stretching the overall bound. Returns 0, TimedOutCode() or errno.
int Poll(int fd, short events, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
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

template <typename TLookup>
std::optional<std::uint32_t> FirstAddress(TLookup lookup) {
  std::vector<char> work(1024);
  for (;;) {
    hostent entry{};
    hostent* found = nullptr;
    int hostError = 0;
    const int result = lookup(entry, work, found, hostError);
    if (result == ERANGE && work.size() < (std::size_t{1} << 20)) {
      work.resize(work.size() * 2);
      continue;
    }
    if (result != 0 || found == nullptr || found->h_addrtype != AF_INET || found->h_length != 4 ||
        found->h_addr_list == nullptr || found->h_addr_list[0] == nullptr) {
      return std::nullopt;
    }
    std::uint32_t address = 0;
    std::memcpy(&address, found->h_addr_list[0], sizeof address);
    return address;
  }
}

}  // namespace

int TimedOutCode() { return ETIMEDOUT; }

THandle OpenStream(int& error) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    error = errno;
    return InvalidHandle;
  }
  return static_cast<THandle>(fd);
}

void Close(THandle socket) { close(AsFd(socket)); }

int StartConnect(THandle socket, std::uint32_t address, std::uint16_t port) {
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr.s_addr = address;
  if (connect(AsFd(socket), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) return 0;
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
  return Poll(AsFd(socket), what == TWaitFor::Read ? POLLIN : POLLOUT, timeoutMs);
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

std::optional<std::uint32_t> LookupByName(const std::string& name) {
  return FirstAddress([&](hostent& entry, std::vector<char>& work, hostent*& found, int& hostError) {
    return gethostbyname_r(name.c_str(), &entry, work.data(), work.size(), &found, &hostError);
  });
}

std::optional<std::uint32_t> LookupByAddress(std::uint32_t address) {
  return FirstAddress([&](hostent& entry, std::vector<char>& work, hostent*& found, int& hostError) {
    return gethostbyaddr_r(&address, sizeof address, AF_INET, &entry, work.data(), work.size(), &found,
                           &hostError);
  });
}

std::string RawErrorText(int code) {
  char buffer[256] = {};
  return ErrorTextOf(strerror_r(code, buffer, sizeof buffer), buffer);
}

void StartLibrary() {}

void StopLibrary() {}

}  // namespace vellumark::socketapi
