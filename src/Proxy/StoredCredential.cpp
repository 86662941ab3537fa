#include "Proxy/StoredCredential.h"

namespace vellumark {

std::string StoredCredentialTarget(const TProxy& proxy) { return "Vellumark:proxy:" + proxy.Shown(); }

}  // namespace vellumark
