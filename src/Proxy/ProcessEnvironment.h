// The process's environment variables, looked up by their exact names.
#pragma once

#include "Proxy/ProxyChoice.h"

namespace vellumark {

// Looks a variable up by its exact name, letter case included. Windows'
// getenv ignores letter case (http_proxy would find HTTP_PROXY), so there the
// lookup walks the environment block itself.
TEnvironmentLookup ProcessEnvironment();

}  // namespace vellumark
