// The memory and process figures of the about window: number and duration
// formatting, the date-time arithmetic behind the time figures, and the nine
// status lines built from one reading of the system's figures.
//
// Date-time values are on the OLE Automation scale: days since 1899-12-30 as
// a double, the fraction being the time of day.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vellumark {

// Unit of FormatSize. Any value above suKilobytes formats as megabytes.
enum TSizeUnit : std::uint8_t {
  suCount = 0,      // "#,##0"
  suBytes = 1,      // "#,##0 B"
  suKilobytes = 2,  // "#,##0 KB", value / 1024
  suMegabytes = 3,  // "#,##0.00 MB", value / 1024 / 1024
};

// The locale's digit-group and decimal separators.
struct TNumberSeparators {
  std::string thousands = ",";
  std::string decimal = ".";
};

// `value` scaled to `unit`, rounded half away from zero to whole units (two
// decimals for megabytes), with digit groups of three.
std::string FormatSize(TSizeUnit unit, std::uint64_t value, const TNumberSeparators& separators);

// "%d:%2.2d:%2.2d" of hours, minutes and seconds; hours are not limited to 24.
std::string FormatDuration(std::int32_t seconds);

// The whole seconds between two date-time values, in either order. The
// distance is first rounded to the millisecond (the precision of the values
// the program builds), so a whole number of seconds is never shown as one
// less because of the limited precision of the day scale; then truncated.
std::int64_t ElapsedSeconds(double a, double b);

// `t` moved by `minutes`: (t * 1440 + minutes) / 1440.
double AddMinutes(double t, std::int64_t minutes);

// 1601-01-01, the zero of the Windows file-time scale.
inline constexpr double FileTimeOrigin = -109205.0;

// The date-time value of a calendar date and time of day: the day number plus
// the fraction of the day (also for dates before 1899-12-30, so that
// distances between any two values are plain differences).
double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond);

// One reading of the system's figures. Memory figures are byte counts, the
// page-fault count a plain count; times are date-time values.
struct TStatusFigures {
  std::uint64_t availPhys = 0, totalPhys = 0;
  std::uint64_t availPageFile = 0, totalPageFile = 0;
  std::uint64_t availVirtual = 0, totalVirtual = 0;
  std::uint64_t workingSetSize = 0, peakWorkingSetSize = 0;
  std::uint64_t pageFaultCount = 0;
  std::uint64_t pagefileUsage = 0, peakPagefileUsage = 0;
  std::uint64_t quotaPagedPoolUsage = 0, quotaPeakPagedPoolUsage = 0;
  std::uint64_t quotaNonPagedPoolUsage = 0, quotaPeakNonPagedPoolUsage = 0;
  // Kernel and user time read as instants after FileTimeOrigin.
  double kernelTime = FileTimeOrigin;
  double userTime = FileTimeOrigin;
  // Process creation and the current time, both in UTC.
  double creationTime = FileTimeOrigin;
  double nowUtc = FileTimeOrigin;
};

// The nine lines of the about window, one per label.
struct TStatusLines {
  std::string phys;               // LblPhys
  std::string pageFile;           // LblPageFile
  std::string virtualMemory;      // LblVirtual
  std::string workingSetSize;     // LblWorkingSetSize
  std::string pageFaultCount;     // LblPageFaultCount
  std::string pagefileUsage;      // LblPagefileUsage
  std::string pagedPoolUsage;     // LblPagedPoolUsage
  std::string nonPagedPoolUsage;  // LblNonPagedPoolUsage
  std::string processTime;        // LblProcessTime

  // The lines in label order, top to bottom.
  std::array<std::string, 9> InOrder() const;
};

TStatusLines FormatStatusLines(const TStatusFigures& figures, const TNumberSeparators& separators);

}  // namespace vellumark
