// The HTTP client: cutting a page address into host and page, reading the
// scheme and port of an address, resolving the host to an IPv4 address, and
// one request/response exchange over a TCP connection (plain or TLS) whose
// received bytes go to a caller's sink block by block.
//
// Every function here is safe to call from several threads at once; the only
// process-wide state is the socket library start-up (TSocketLibrary).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vellumark {

// The port an address connects to when its host text names none: 80 for
// plain http, 443 for https.
inline constexpr std::uint16_t HttpPort = 80;
inline constexpr std::uint16_t HttpsPort = 443;

// Size of the one receive buffer of an exchange: each receive asks for up to
// this many bytes, so a block handed to the sink holds at most this many.
inline constexpr int ReceiveBufferSize = 1025;

// Receives one block of an exchange: `count` (1..ReceiveBufferSize) bytes at
// `data`, valid only during the call; zero bytes inside are data. Returns
// true to go on receiving, false to stop. May throw; the exchange then ends
// with an error carrying the same message.
using TReceiveSink = std::function<bool(const char* data, int count)>;

// Cuts `address` into the host text (between the first "//" and the next
// "/") and the page text (the rest, always beginning with "/"). Returns false
// and leaves `host` and `page` untouched unless the address begins with the
// lower-case letters "http". Never throws.
bool SplitUrl(std::string_view address, std::string& host, std::string& page);

// True when the address is fetched over TLS: it begins with the lower-case
// "https://".
bool IsSecureAddress(std::string_view address);

// Where one exchange goes: the host to resolve (without a port), the port,
// and whether the connection speaks TLS.
struct TEndpoint {
  std::string host;
  std::uint16_t port = HttpPort;
  bool secure = false;
};

// The endpoint of a host text as SplitUrl gives it. A host text ending in
// ':' and 1 to 5 digits that name a port from 1 to 65535 connects to that
// port (the host is the text before the colon); one without a colon connects
// to HttpPort, or HttpsPort when `secure`. Anything else after a colon gives
// no endpoint.
std::optional<TEndpoint> EndpointOf(std::string_view hostText, bool secure);

// True when `text` reads, by the program's integer conversion, as a whole
// number from 0 to 255.
bool IsAddressPart(std::string_view text);

// True when `host` has exactly three dots and all four parts pass
// IsAddressPart.
bool IsDottedAddress(std::string_view host);

// Resolves a host text to an IPv4 address in network byte order. Throws
// TError "[<host>] IS INVALID ADDRSS." when there is no address for it.
std::uint32_t ResolveHost(const std::string& host);

// Knobs for tests; the program always uses the defaults.
struct THttpOptions {
  // Where a plain-http exchange bound for port 80 connects instead (tests
  // serve "port 80" from an ephemeral port); the request text still names
  // port 80, and every other port and TLS are unaffected.
  std::uint16_t port = HttpPort;
  // Bound on establishing the connection.
  int connectTimeoutMs = 15000;
  // Bound on each wait for the peer: for the next response block, and for
  // room to send more of the request.
  int receiveTimeoutMs = 15000;
  // When set, making it true from another thread ends the exchange under
  // way within about 50 ms with TError("cancelled"), and makes a new one
  // fail at once. The flag must outlive every exchange that uses it.
  const std::atomic<bool>* cancelled = nullptr;
};

// Connects to the endpoint (its host resolved with ResolveHost), sets up TLS
// when it is secure (Http/Tls.h: the certificate is always checked), sends
// all of `request` and hands every received block to `sink` until the peer
// closes the connection, a receive fails, or the sink returns false. Returns
// true in all of those cases. Throws TError on every failure (socket
// creation, resolution, connection, the TLS handshake, sending, a time-out,
// or an error thrown by the sink), with the message of the failure. The
// socket is closed before it returns or throws.
bool HttpExchange(const TEndpoint& endpoint, std::string_view request, const TReceiveSink& sink,
                  const THttpOptions& options = {});

// The same over plain http to port 80 of `host`, the host text passed to
// ResolveHost unchanged.
bool HttpExchange(const std::string& host, std::string_view request, const TReceiveSink& sink,
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
