#include "PeakMemory.h"

#include <sys/resource.h>

namespace vellumark::testing {

std::size_t PeakMemoryBytes() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<std::size_t>(usage.ru_maxrss) * 1024;  // Linux reports KiB
}

}  // namespace vellumark::testing
