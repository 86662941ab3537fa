// TLS over a connected socket, through the operating system's own stack:
// Schannel (SSPI) on Windows, OpenSSL on Linux. The platform file
// (Tls_win32.cpp / Tls_posix.cpp) does the handshake and the record layer;
// everything it waits for goes through the bounded, cancellable waits of
// Http/SocketWait.h, and every failure leaves as TError with a message made
// by TlsFailureMessage, so both platforms say the same thing.
//
// Certificate checking cannot be turned off: the chain must reach a root of
// the system's trust store (the Windows certificate store; OpenSSL's default
// verify paths on Linux) with no error bit set (revocation that cannot be
// checked aside), and the certificate must name the server in its
// subjectAltName, by the one rule of Http/CertificateName.h: a DNS name for
// a domain, an IP address entry for an IPv4 or IPv6 address, never the
// subject's common name.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "Http/Socket.h"
#include "Http/SocketWait.h"

namespace vellumark {

// Why a TLS session could not be set up.
enum class TTlsFailure {
  Untrusted,     // the chain reaches no trusted root (self-signed, unknown issuer)
  Expired,       // a certificate of the chain is outside its validity period
  NameMismatch,  // the certificate does not name the server
  Certificate,   // any other fault of the certificate or its chain
  Handshake,     // the peer broke off or the protocol failed
  PeerClosed,    // the connection ended during the handshake
  TimedOut,      // the peer stalled during the handshake
};

// The one-line message for a failed session with `host` (the host name as
// connected to, without port). `detail`, when not empty, is the platform's
// own short reason, appended in parentheses.
std::string TlsFailureMessage(TTlsFailure failure, std::string_view host,
                              std::string_view detail = {});

// One TLS client session on a connected non-blocking socket. The caller owns
// the socket and closes it after the session is gone.
class TTlsSession {
 public:
  virtual ~TTlsSession() = default;

  // Sends every byte of `data`, each wait for room bounded by `limits`.
  // Throws TError on failure or time-out.
  virtual void SendAll(std::string_view data, const TWaitLimits& limits) = 0;

  // Receives the next piece of the peer's data into `buffer` (at most
  // `size` bytes), waiting at most `limits.timeoutMs` for it. Returns the
  // count (> 0), 0 when the peer has ended the session or closed the
  // connection, or -1 for a failure that ends receiving quietly, as a
  // failed receive of plain HTTP does. Throws TError on a time-out.
  virtual int Receive(char* buffer, int size, const TWaitLimits& limits) = 0;
};

// Performs the client handshake on `socket` for `serverName`, the canonical
// host connected to (a domain is sent as SNI, an address is not; either is
// checked against the certificate), each wait bounded by `limits`. TLS 1.2
// and 1.3 only. A server that asks for a client certificate gets none, as
// from a browser. Throws TError with a TlsFailureMessage on any failure, or
// TError(CancelledMessage).
std::unique_ptr<TTlsSession> StartTlsSession(socketapi::THandle socket,
                                             const std::string& serverName,
                                             const TWaitLimits& limits);

}  // namespace vellumark
