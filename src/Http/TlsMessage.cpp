// The words of a failed TLS session, the same on every platform.
#include "Http/Tls.h"

namespace vellumark {

std::string TlsFailureMessage(TTlsFailure failure, std::string_view host, std::string_view detail) {
  std::string_view what;
  switch (failure) {
    case TTlsFailure::Untrusted: what = "certificate is not trusted"; break;
    case TTlsFailure::Expired: what = "certificate has expired or is not yet valid"; break;
    case TTlsFailure::NameMismatch: what = "certificate does not name this host"; break;
    case TTlsFailure::Certificate: what = "certificate was refused"; break;
    case TTlsFailure::Handshake: what = "secure connection failed"; break;
    case TTlsFailure::PeerClosed: what = "server closed the connection during the TLS handshake"; break;
    case TTlsFailure::TimedOut: what = "TLS handshake timed out"; break;
  }
  std::string message;
  message.reserve(host.size() + what.size() + detail.size() + 8);
  message.append("[").append(host).append("] ").append(what);
  if (!detail.empty()) message.append(" (").append(detail).append(")");
  return message;
}

}  // namespace vellumark
