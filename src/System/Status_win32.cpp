// The system's figures for the status lines: memory status, the process's
// memory counters through the run-time bound process-status library, and the
// process's times.
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <iterator>

#include "Common/Codepage.h"
#include "System/StatusSystem.h"

namespace vellumark {
namespace {

using TGetProcessMemoryInfo = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);

std::string LocaleText(LCTYPE item, const char* fallback) {
  wchar_t buffer[16] = {};
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, item, buffer, static_cast<int>(std::size(buffer)));
  if (length <= 1) return fallback;  // the length counts the terminating NUL
  return WideToSjis(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

double DateTimeOf(const SYSTEMTIME& t) {
  return EncodeDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

// A file time as a date-time value; `fallback` when the system cannot convert it.
double DateTimeOf(const FILETIME& time, double fallback) {
  SYSTEMTIME system{};
  if (!FileTimeToSystemTime(&time, &system)) return fallback;
  return DateTimeOf(system);
}

}  // namespace

TNumberSeparators UserNumberSeparators() {
  TNumberSeparators separators;
  separators.thousands = LocaleText(LOCALE_STHOUSAND, ",");
  separators.decimal = LocaleText(LOCALE_SDECIMAL, ".");
  return separators;
}

std::string FormatSize(TSizeUnit unit, std::uint64_t value) {
  return FormatSize(unit, value, UserNumberSeparators());
}

bool TProcessStatusApi::Bind() {
  if (library_ != nullptr) return true;
  HMODULE library = LoadLibraryA(libraryName_.c_str());
  // Handles below 32 are error codes of the old loader; none is a module.
  if (reinterpret_cast<std::uintptr_t>(library) < 32) return false;
  library_ = library;
  getProcessMemoryInfo_ = reinterpret_cast<void*>(GetProcAddress(library, "GetProcessMemoryInfo"));
  return true;
}

bool TProcessStatusApi::QueryMemoryCounters(void* process, TProcessMemoryCounters& counters) {
  if (!Bind() || getProcessMemoryInfo_ == nullptr) return false;
  const auto query = reinterpret_cast<TGetProcessMemoryInfo>(getProcessMemoryInfo_);
  PROCESS_MEMORY_COUNTERS raw;
  ZeroMemory(&raw, sizeof raw);
  raw.cb = sizeof raw;
  if (!query(static_cast<HANDLE>(process), &raw, sizeof raw)) return false;
  counters.pageFaultCount = raw.PageFaultCount;
  counters.peakWorkingSetSize = raw.PeakWorkingSetSize;
  counters.workingSetSize = raw.WorkingSetSize;
  counters.quotaPeakPagedPoolUsage = raw.QuotaPeakPagedPoolUsage;
  counters.quotaPagedPoolUsage = raw.QuotaPagedPoolUsage;
  counters.quotaPeakNonPagedPoolUsage = raw.QuotaPeakNonPagedPoolUsage;
  counters.quotaNonPagedPoolUsage = raw.QuotaNonPagedPoolUsage;
  counters.pagefileUsage = raw.PagefileUsage;
  counters.peakPagefileUsage = raw.PeakPagefileUsage;
  return true;
}

TProcessStatusApi& ProcessStatusApi() {
  static TProcessStatusApi api("PSAPI.dll");
  return api;
}

bool BindProcessStatusApi() { return ProcessStatusApi().Bind(); }

TStatusFigures ReadStatusFigures() {
  TStatusFigures f;

  MEMORYSTATUSEX memory;
  ZeroMemory(&memory, sizeof memory);
  memory.dwLength = sizeof memory;
  GlobalMemoryStatusEx(&memory);  // a failed call leaves zeros
  f.availPhys = memory.ullAvailPhys;
  f.totalPhys = memory.ullTotalPhys;
  f.availPageFile = memory.ullAvailPageFile;
  f.totalPageFile = memory.ullTotalPageFile;
  f.availVirtual = memory.ullAvailVirtual;
  f.totalVirtual = memory.ullTotalVirtual;

  const HANDLE process = GetCurrentProcess();
  TProcessMemoryCounters counters;
  ProcessStatusApi().QueryMemoryCounters(process, counters);  // zeros when unavailable
  f.workingSetSize = counters.workingSetSize;
  f.peakWorkingSetSize = counters.peakWorkingSetSize;
  f.pageFaultCount = counters.pageFaultCount;
  f.pagefileUsage = counters.pagefileUsage;
  f.peakPagefileUsage = counters.peakPagefileUsage;
  f.quotaPagedPoolUsage = counters.quotaPagedPoolUsage;
  f.quotaPeakPagedPoolUsage = counters.quotaPeakPagedPoolUsage;
  f.quotaNonPagedPoolUsage = counters.quotaNonPagedPoolUsage;
  f.quotaPeakNonPagedPoolUsage = counters.quotaPeakNonPagedPoolUsage;

  // The running time is measured against the current UTC time read directly,
  // so it is right in daylight-saving time too.
  SYSTEMTIME nowUtc{};
  GetSystemTime(&nowUtc);
  f.nowUtc = DateTimeOf(nowUtc);

  FILETIME creation{}, exit{}, kernel{}, user{};
  if (GetProcessTimes(process, &creation, &exit, &kernel, &user)) {
    f.kernelTime = DateTimeOf(kernel, FileTimeOrigin);
    f.userTime = DateTimeOf(user, FileTimeOrigin);
    f.creationTime = DateTimeOf(creation, f.nowUtc);
  } else {
    f.creationTime = f.nowUtc;  // no times: every duration shows 0:00:00
  }
  return f;
}

TStatusLines UpdateStatus() { return FormatStatusLines(ReadStatusFigures(), UserNumberSeparators()); }

}  // namespace vellumark
