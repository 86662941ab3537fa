// The few socket calls the loopback test server needs, one file per
// platform. Kept apart from the product's own socket layer on purpose, so
// the server does not share the code under test. Sockets made here are
// non-blocking; the server bounds every wait in short slices so that it can
// stop promptly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vellumark::loopback::net {

using THandle = std::uintptr_t;
inline constexpr THandle InvalidHandle = ~THandle{0};

// A socket listening on `address` (an IPv4 or IPv6 literal of this machine:
// "127.0.0.1", "127.0.0.2", "::1") at `port`, or at an ephemeral port when
// `port` is 0, which is then stored in `port`. Throws std::runtime_error
// when that is not possible.
THandle Listen(int backlog, std::uint16_t& port, const std::string& address = "127.0.0.1");

// The next waiting connection of a listener, or InvalidHandle.
THandle Accept(THandle listener);

// Starts a connection to `address`:`port` without waiting for it.
THandle StartConnect(std::uint16_t port, const std::string& address = "127.0.0.1");

enum class TWait { Read, Write };

// True when the socket became readable (data, close, error, a waiting
// connection) or writable within `timeoutMs`.
bool WaitReady(THandle socket, TWait what, int timeoutMs);

// Outcome of one non-blocking transfer: bytes moved, 0 (receive: the peer
// closed), or kWouldBlock, or kFailed.
inline constexpr long kWouldBlock = -1;
inline constexpr long kFailed = -2;
long Send(THandle socket, const char* data, std::size_t count);
long Receive(THandle socket, char* buffer, std::size_t size);

// Orderly close, and abortive close (the peer's next receive fails).
void Close(THandle socket);
void Reset(THandle socket);

// The platform's error code for a refused connection.
int ConnectionRefusedCode();

// A port on 127.0.0.1 where nothing listens (bound once, then released).
std::uint16_t UnusedPort();

}  // namespace vellumark::loopback::net
