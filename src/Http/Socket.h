// The thin layer between the HTTP client and the platform's socket API
// (Windows Sockets 2 on Windows, BSD sockets elsewhere). Everything that
// decides something lives in portable code; these functions only make one
// platform call each (plus what the platform needs to make it bounded) and
// report the platform's error code. Sockets made here are non-blocking:
// every wait goes through WaitReady or WaitConnects, which is what bounds it
// in time.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace vellumark::socketapi {

using THandle = std::uintptr_t;
inline constexpr THandle InvalidHandle = ~THandle{0};

// "All bits set": what the dotted-address conversion gives for a text it
// does not accept.
inline constexpr std::uint32_t NoAddress = 0xFFFFFFFFu;

enum class TFamily { IPv4, IPv6 };

// One TCP endpoint in portable form.
struct TAddress {
  TFamily family = TFamily::IPv4;
  // The address in network byte order: 4 bytes for IPv4, 16 for IPv6.
  std::array<std::uint8_t, 16> bytes{};
  std::uint16_t port = 0;    // host byte order
  std::uint32_t scopeId = 0;  // IPv6 only: the zone of a link-local address

  bool operator==(const TAddress&) const = default;
};

// The IPv4 endpoint of an address in network byte order (as the
// dotted-address conversion gives it) and a port.
inline TAddress IPv4Address(std::uint32_t networkOrder, std::uint16_t port) {
  TAddress address;
  std::memcpy(address.bytes.data(), &networkOrder, sizeof networkOrder);
  address.port = port;
  return address;
}

// The platform's error code for "timed out" (WSAETIMEDOUT / ETIMEDOUT).
int TimedOutCode();

// A new non-blocking TCP socket of the family, or InvalidHandle with
// `error` set.
THandle OpenStream(int& error, TFamily family = TFamily::IPv4);
void Close(THandle socket);

// Starts connecting to `address` without waiting (the socket must be of its
// family). Returns 0 when the connection is up at once, ConnectPending while
// it is under way (wait with WaitConnects or TWaitFor::Connect, then read
// ConnectOutcome), or the platform's error code.
inline constexpr int ConnectPending = -1;
int StartConnect(THandle socket, const TAddress& address);
// The outcome of a connection attempt that a wait has seen end: 0, or the
// platform's error code.
int ConnectOutcome(THandle socket);

// What a wait is for: data (or a close) to read, room to write, or the end
// of a connection attempt (success or failure).
enum class TWaitFor { Read, Write, Connect };

// Waits until the socket is ready for `what`, at most `timeoutMs`. Returns
// 0, or the platform's error code (TimedOutCode() when the time ran out).
// The portable waits (Http/SocketWait.h) call it in short slices when a wait
// can be cancelled.
int WaitReady(THandle socket, TWaitFor what, int timeoutMs);

// Waits at most `timeoutMs` until at least one of the connection attempts
// under way on `sockets` ends. `outcomes` gets one entry per socket:
// ConnectPending for an attempt still under way, 0 for one that connected,
// or the error code of one that failed. Returns 0 when some attempt ended,
// TimedOutCode() when none did in time, or the platform's error code when
// the wait itself failed.
int WaitConnects(std::span<const THandle> sockets, int timeoutMs, std::vector<int>& outcomes);

// Outcome of one non-blocking send or receive.
struct TTransfer {
  int count = 0;            // bytes moved; for a receive, 0 means the peer closed
  bool wouldBlock = false;  // nothing could move now: wait and try again
  int error = 0;            // non-zero: the call failed with this code
};

TTransfer Send(THandle socket, const char* data, int count);
TTransfer Receive(THandle socket, char* buffer, int size);

// The platform's dotted-text conversion (inet_addr): network byte order, or
// NoAddress.
std::uint32_t ParseDottedAddress(const std::string& text);

// What a lookup accepts.
enum class TLookUp {
  Name,         // any host name, through the system's resolver: both families
  IPv4Literal,  // only an IPv4 address written out: no lookup at all
  IPv6Literal,  // only an IPv6 address written out (no brackets): no lookup
};

// The TCP endpoints of `host` at `port`, by getaddrinfo (SOCK_STREAM;
// AF_UNSPEC for a name, AI_NUMERICHOST and the one family for a literal), in
// the order the system gives them. Empty when there is none. Safe on
// several threads at once.
std::vector<TAddress> LookUp(const std::string& host, std::uint16_t port, TLookUp what);

// The platform's own message text for an error code, untrimmed. On Windows,
// where the system has no text for the code, the usual failures of a
// connection (time-out, refusal, reset, abort, unreachable) are named in the
// words Linux uses, and any other code gives an empty text; on Linux, glibc
// names an unknown code itself ("Unknown error N"), and that text is given.
std::string RawErrorText(int code);

// Socket library start-up and shutdown (reference-counted by the platform).
void StartLibrary();
void StopLibrary();

}  // namespace vellumark::socketapi
