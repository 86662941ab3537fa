// The thin layer between the HTTP client and the platform's socket API
// (Windows Sockets 1.1 on Windows, BSD sockets elsewhere). Everything that
// decides something lives in portable code; these functions only make one
// platform call each (plus what the platform needs to make it bounded) and
// report the platform's error code. Sockets made here are non-blocking:
// every wait goes through WaitReady, which is what bounds it in time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vellumark::socketapi {

using THandle = std::uintptr_t;
inline constexpr THandle InvalidHandle = ~THandle{0};

// "All bits set": what the dotted-address conversion gives for a text it
// does not accept.
inline constexpr std::uint32_t NoAddress = 0xFFFFFFFFu;

// The platform's error code for "timed out" (WSAETIMEDOUT / ETIMEDOUT).
int TimedOutCode();

// A new non-blocking IPv4 TCP socket, or InvalidHandle with `error` set.
THandle OpenStream(int& error);
void Close(THandle socket);

// Starts connecting to `address` (network byte order) and `port` (host byte
// order) without waiting. Returns 0 when the connection is up at once,
// ConnectPending while it is under way (wait with TWaitFor::Connect, then
// read ConnectOutcome), or the platform's error code.
inline constexpr int ConnectPending = -1;
int StartConnect(THandle socket, std::uint32_t address, std::uint16_t port);
// The outcome of a connection attempt that a wait for TWaitFor::Connect has
// seen end: 0, or the platform's error code.
int ConnectOutcome(THandle socket);

// What a wait is for: data (or a close) to read, room to write, or the end
// of a connection attempt (success or failure).
enum class TWaitFor { Read, Write, Connect };

// Waits until the socket is ready for `what`, at most `timeoutMs`. Returns
// 0, or the platform's error code (TimedOutCode() when the time ran out).
// The portable waits (Http/SocketWait.h) call it in short slices when a wait
// can be cancelled.
int WaitReady(THandle socket, TWaitFor what, int timeoutMs);

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

// The first IPv4 address of the host database's entry for `name`, or none.
std::optional<std::uint32_t> LookupByName(const std::string& name);

// The first IPv4 address of the host database's entry for `address` (a
// reverse lookup), or none.
std::optional<std::uint32_t> LookupByAddress(std::uint32_t address);

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
