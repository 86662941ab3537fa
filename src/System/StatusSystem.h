// The system's side of the status figures (Windows builds only): the user's
// number separators, the run-time binding of the process-status library and
// one reading of the memory and process figures.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "System/Status.h"

namespace vellumark {

// The user locale's thousands and decimal separators (Shift_JIS text); ","
// and "." where the locale gives none.
TNumberSeparators UserNumberSeparators();

// FormatSize with the user locale's separators.
std::string FormatSize(TSizeUnit unit, std::uint64_t value);

// The memory counters of a process.
struct TProcessMemoryCounters {
  std::uint64_t pageFaultCount = 0;
  std::uint64_t peakWorkingSetSize = 0, workingSetSize = 0;
  std::uint64_t quotaPeakPagedPoolUsage = 0, quotaPagedPoolUsage = 0;
  std::uint64_t quotaPeakNonPagedPoolUsage = 0, quotaNonPagedPoolUsage = 0;
  std::uint64_t pagefileUsage = 0, peakPagefileUsage = 0;
};

// A process-status library bound at run time. Once loaded, the library stays
// for the life of the process; a failed load leaves nothing behind, so the
// next use tries again. Used from the GUI thread only.
class TProcessStatusApi {
 public:
  explicit TProcessStatusApi(std::string libraryName) : libraryName_(std::move(libraryName)) {}
  TProcessStatusApi(const TProcessStatusApi&) = delete;
  TProcessStatusApi& operator=(const TProcessStatusApi&) = delete;

  // Loads the library on first use; true when it is loaded.
  bool Bind();
  // The counters of `process` (a process handle) through the library's
  // GetProcessMemoryInfo. False, with `counters` untouched, when the library
  // or the entry point is missing or the query fails.
  bool QueryMemoryCounters(void* process, TProcessMemoryCounters& counters);

 private:
  std::string libraryName_;
  void* library_ = nullptr;
  void* getProcessMemoryInfo_ = nullptr;
};

// The program's binding of "PSAPI.dll".
TProcessStatusApi& ProcessStatusApi();
bool BindProcessStatusApi();

// One reading of the machine's memory, this process's memory counters (zeros
// when the process-status library is unavailable) and its times.
TStatusFigures ReadStatusFigures();

// The nine status lines of the about window, read afresh.
TStatusLines UpdateStatus();

}  // namespace vellumark
