// Only Windows has a credential store the program reads.
#include "Proxy/StoredCredential.h"

namespace vellumark {

std::optional<TStoredCredential> ReadStoredCredential(const TProxy&) { return std::nullopt; }

}  // namespace vellumark
