#include "System/Status.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace vellumark {
namespace {

// Decimal digits of `value` with `separator` between groups of three.
std::string GroupDigits(std::uint64_t value, const std::string& separator) {
  const std::string digits = std::to_string(value);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3 * separator.size());
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

// value / 2^shift rounded half up, without overflow for any value.
std::uint64_t ScaledRounded(std::uint64_t value, unsigned shift) {
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  const std::uint64_t rest = value & ((std::uint64_t{1} << shift) - 1);
  return (value >> shift) + (rest >= half ? 1 : 0);
}

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr std::int64_t kDaysFrom1899To1970 = 25569;

std::string PairLine(const char* label, std::uint64_t value, std::uint64_t peakOrTotal,
                     const char* secondLabel, const TNumberSeparators& separators) {
  return std::string(label) + FormatSize(suKilobytes, value, separators) + secondLabel +
         FormatSize(suKilobytes, peakOrTotal, separators);
}

// The low 32 bits of a second count, as the duration text takes them.
std::int32_t Low32(std::int64_t seconds) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds)));
}

}  // namespace

std::string FormatSize(TSizeUnit unit, std::uint64_t value, const TNumberSeparators& separators) {
  switch (unit) {
    case suCount:
      return GroupDigits(value, separators.thousands);
    case suBytes:
      return GroupDigits(value, separators.thousands) + " B";
    case suKilobytes:
      return GroupDigits(ScaledRounded(value, 10), separators.thousands) + " KB";
    default: {
      // Hundredths of a megabyte: the whole megabytes times 100 plus the
      // rounded hundredths of the rest (which may carry into a whole one).
      const std::uint64_t rest = value & ((std::uint64_t{1} << 20) - 1);
      const std::uint64_t hundredths = (value >> 20) * 100 + ((rest * 100 + (1u << 19)) >> 20);
      const std::uint64_t fraction = hundredths % 100;
      return GroupDigits(hundredths / 100, separators.thousands) + separators.decimal +
             static_cast<char>('0' + fraction / 10) + static_cast<char>('0' + fraction % 10) + " MB";
    }
  }
}

std::string FormatDuration(std::int32_t seconds) {
  const std::int32_t rest = seconds % 60;
  const std::int32_t hours = (seconds - rest) / 3600;
  const std::int32_t minutes = ((seconds - rest) / 60) % 60;
  char text[40];
  std::snprintf(text, sizeof text, "%d:%2.2d:%2.2d", hours, minutes, rest);
  return text;
}

std::int64_t ElapsedSeconds(double a, double b) {
  const double seconds = std::fabs(a - b) * 86400.0;
  if (std::isnan(seconds)) return 0;
  if (seconds >= 9.0e15) {
    // Far beyond any real distance; no millisecond rounding, and a distance
    // past the range of the count is clamped.
    return seconds < 9.2e18 ? static_cast<std::int64_t>(seconds) : std::numeric_limits<std::int64_t>::max();
  }
  const double milliseconds = std::round(seconds * 1000.0);
  return static_cast<std::int64_t>(milliseconds / 1000.0);
}

double AddMinutes(double t, std::int64_t minutes) {
  return (t * 1440.0 + static_cast<double>(minutes)) / 1440.0;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  const std::int64_t days =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kDaysFrom1899To1970;
  const double timeOfDay =
      (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86400000.0;
  return static_cast<double>(days) + timeOfDay;
}

std::array<std::string, 9> TStatusLines::InOrder() const {
  return {phys,          pageFile,       virtualMemory,     workingSetSize, pageFaultCount,
          pagefileUsage, pagedPoolUsage, nonPagedPoolUsage, processTime};
}

TStatusLines FormatStatusLines(const TStatusFigures& f, const TNumberSeparators& separators) {
  TStatusLines lines;
  lines.phys = PairLine("Free Physical Memory:", f.availPhys, f.totalPhys, "; Total:", separators);
  lines.pageFile = PairLine("Free Paging File:", f.availPageFile, f.totalPageFile, "; Total:", separators);
  lines.virtualMemory =
      PairLine("Free Virtual Memory:", f.availVirtual, f.totalVirtual, "; Total:", separators);
  lines.workingSetSize = PairLine("Memory Usage:", f.workingSetSize, f.peakWorkingSetSize, "; Peak:", separators);
  lines.pageFaultCount = "Page Fault:" + FormatSize(suCount, f.pageFaultCount, separators);
  lines.pagefileUsage = PairLine("Pagefile Usage:", f.pagefileUsage, f.peakPagefileUsage, "; Peak:", separators);
  lines.pagedPoolUsage =
      PairLine("Paged Pool Usage:", f.quotaPagedPoolUsage, f.quotaPeakPagedPoolUsage, "; Peak:", separators);
  lines.nonPagedPoolUsage = PairLine("NonPaged Pool Usage:", f.quotaNonPagedPoolUsage,
                                     f.quotaPeakNonPagedPoolUsage, "; Peak:", separators);
  const std::string kernel = FormatDuration(Low32(ElapsedSeconds(f.kernelTime, FileTimeOrigin)));
  const std::string user = FormatDuration(Low32(ElapsedSeconds(f.userTime, FileTimeOrigin)));
  const std::string process = FormatDuration(Low32(ElapsedSeconds(f.creationTime, f.nowUtc)));
  lines.processTime = "Kernel:" + kernel + "; User:" + user + "; Process:" + process;
  return lines;
}

}  // namespace vellumark
