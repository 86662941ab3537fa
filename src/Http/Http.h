// The HTTP client's transport: one request/response exchange over a TCP
// connection (plain or TLS) to a parsed address's canonical host, IPv6 or
// IPv4 (Http/Connect.h), whose received bytes go to a caller's sink block by
// block. It neither builds nor reads HTTP; addresses come parsed (Url/Url.h).
//
// Every function here is safe to call from several threads at once; the only
// process-wide state is the socket library start-up (TSocketLibrary).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Common/Error.h"
#include "Url/Url.h"

namespace vellumark {

// The port of plain http when the address names none (TUrl::EffectivePort).
inline constexpr std::uint16_t HttpPort = 80;

// Size of the one receive buffer of an exchange: each receive asks for up to
// this many bytes, so a block handed to the sink holds at most this many.
inline constexpr int ReceiveBufferSize = 1025;

// Receives one block of an exchange: `count` (1..ReceiveBufferSize) bytes at
// `data`, valid only during the call; zero bytes inside are data. Returns
// true to go on receiving, false to stop. May throw; the exchange then ends
// with an error carrying the same message.
using TReceiveSink = std::function<bool(const char* data, int count)>;

// A proxy an exchange goes through (Proxy/ProxyFinder.h chooses it). For a
// plain-http address the request goes to the proxy as it is, so it must
// name the page in absolute form ("GET http://host/page HTTP/1.1"); an https
// address gets a tunnel by CONNECT, and TLS to the server inside it.
struct THttpProxy {
  std::string host;  // canonical, as in TUrl
  THostKind hostKind = THostKind::Domain;
  std::uint16_t port = 0;
  // The Proxy-Authorization value sent from the first request on
  // ("Basic ..."); empty: none until the proxy asks.
  std::string authorization;
  // For a sign-in by Negotiate or NTLM when the proxy asks for one
  // (Http/ProxySignIn.h): the credentials, or empty for the signed-in user.
  std::string username;
  std::string password;

  // "host:port" (IPv6 in brackets): how messages name the proxy. Never
  // with credentials.
  std::string Shown() const;
};

// The proxy of an exchange could not be reached (its name does not resolve,
// the connection is refused or times out): the caller may try the next way
// to the server. The message names the proxy.
class TProxyUnreachable : public TError {
 public:
  using TError::TError;
};

// The message for a proxy that answers 407: it asks for credentials, or
// refused the ones given.
std::string ProxyAsksMessage(const THttpProxy& proxy);

// Knobs for tests; the program always uses the defaults, apart from the
// proxy and the deadline, which a page fetch sets.
struct THttpOptions {
  // Where a plain-http exchange bound for port 80 connects instead (tests
  // serve "port 80" from an ephemeral port); the request text still names
  // port 80, and every other port and TLS are unaffected.
  std::uint16_t port = HttpPort;
  // Bound on establishing the connection: the whole race between the
  // host's addresses, not each attempt.
  int connectTimeoutMs = 15000;
  // Bound on each wait for the peer: for the next response block, and for
  // room to send more of the request.
  int receiveTimeoutMs = 15000;
  // When set, making it true from another thread ends the exchange under
  // way within about 50 ms with TError("cancelled"), and makes a new one
  // fail at once. The flag must outlive every exchange that uses it.
  const std::atomic<bool>* cancelled = nullptr;
  // When set, nothing of the exchange (connecting, the handshake, any wait,
  // the stream of blocks) goes on past this moment: it ends with
  // TError(DeadlineMessage) (Http/SocketWait.h). A page fetch sets it once
  // for all the requests of one address.
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
  // When set, the exchange goes through this proxy; the `port` knob above
  // does not apply then.
  std::optional<THttpProxy> proxy;
};

// Connects to the host of `url` at its port (a plain-http address bound for
// port 80 goes to `options.port`), or to `options.proxy` when set: an IPv4 or IPv6 literal as written, a
// domain at every address the system's resolver gives, raced by RFC 8305
// (Http/Connect.h). Sets up TLS when the address is https (Http/Tls.h: the
// certificate is always checked against `url.host`), sends all of `request`
// and hands every received block to `sink` until the peer closes the
// connection, a receive fails, or the sink returns false. Returns true in
// all of those cases. Throws TError on every failure (socket creation,
// resolution: "[<host>] IS INVALID ADDRSS.", connection, the TLS
// handshake, sending, a time-out, the deadline, or an error thrown by the sink), with the
// message of the failure; TProxyUnreachable when the proxy cannot be
// reached; a proxy's refusal of the tunnel as TError naming the proxy
// (ProxyAsksMessage for a 407). A plain-http reply through a proxy, a 407
// included, goes to the sink as any reply does. Every socket is closed before it returns or
// throws.
bool HttpExchange(const TUrl& url, std::string_view request, const TReceiveSink& sink,
                  const THttpOptions& options = {});

// Starts the platform's socket library for the life of the object and shuts
// it down afterwards. One instance lives in main() of each program.
class TSocketLibrary {
 public:
  TSocketLibrary();
  ~TSocketLibrary();
  TSocketLibrary(const TSocketLibrary&) = delete;
  TSocketLibrary& operator=(const TSocketLibrary&) = delete;
};

}  // namespace vellumark
