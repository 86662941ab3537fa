// Only Windows keeps proxy settings for every program; elsewhere curl's
// variables are the system's setting.
#include "Proxy/SystemProxy.h"

namespace vellumark {

std::shared_ptr<const TProxyFinder> SystemProxyFinder() { return nullptr; }

}  // namespace vellumark
