// Negotiate and NTLM need the system's security support; only Windows'
// build has it.
#include "Http/ProxySignIn.h"

namespace vellumark {

std::unique_ptr<TProxySignIn> StartProxySignIn(std::string_view, std::string_view, std::string_view,
                                               std::string_view) {
  return nullptr;
}

}  // namespace vellumark
