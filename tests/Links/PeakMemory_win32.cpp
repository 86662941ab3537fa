#include "PeakMemory.h"

#include <windows.h>
#include <psapi.h>

namespace vellumark::testing {

std::size_t PeakMemoryBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize;
}

}  // namespace vellumark::testing
