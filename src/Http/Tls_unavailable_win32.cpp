// Temporary: stands in for the Schannel session (Tls_win32.cpp) until that
// file is in the tree; CMake uses it only then. Every session is refused.
#include "Common/Error.h"
#include "Http/Tls.h"

namespace vellumark {

std::unique_ptr<TTlsSession> StartTlsSession(socketapi::THandle, const std::string& serverName,
                                             const TWaitLimits&) {
  throw TError(TlsFailureMessage(TTlsFailure::Handshake, serverName, "not built"));
}

}  // namespace vellumark
