#include "System/Status.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace vellumark {
namespace {

const TNumberSeparators kComma;  // "," and "."

TEST(FormatSize, UnitsScalingAndRounding) {
  EXPECT_EQ(FormatSize(suKilobytes, 0, kComma), "0 KB");
  EXPECT_EQ(FormatSize(suKilobytes, 1023, kComma), "1 KB");
  EXPECT_EQ(FormatSize(suKilobytes, 511, kComma), "0 KB");
  EXPECT_EQ(FormatSize(suKilobytes, 512, kComma), "1 KB");  // half rounds up
  EXPECT_EQ(FormatSize(suKilobytes, 1024 * 1536 + 511, kComma), "1,536 KB");
  EXPECT_EQ(FormatSize(suCount, 1234567, kComma), "1,234,567");
  EXPECT_EQ(FormatSize(suCount, 0, kComma), "0");
  EXPECT_EQ(FormatSize(suBytes, 999, kComma), "999 B");
  EXPECT_EQ(FormatSize(suBytes, 1000, kComma), "1,000 B");
  EXPECT_EQ(FormatSize(suMegabytes, 1572864, kComma), "1.50 MB");
  EXPECT_EQ(FormatSize(suMegabytes, 0, kComma), "0.00 MB");
  EXPECT_EQ(FormatSize(suMegabytes, 5242, kComma), "0.00 MB");    // 0.004999 MB
  EXPECT_EQ(FormatSize(suMegabytes, 5243, kComma), "0.01 MB");    // 0.0050002 MB
  EXPECT_EQ(FormatSize(suMegabytes, 1048575, kComma), "1.00 MB");  // rounding carries into the whole
  EXPECT_EQ(FormatSize(suMegabytes, std::uint64_t{1000} << 20, kComma), "1,000.00 MB");
}

TEST(FormatSize, UnitsAboveKilobytesAreMegabytes) {
  for (int unit : {3, 4, 255}) {
    EXPECT_EQ(FormatSize(static_cast<TSizeUnit>(unit), 1572864, kComma), "1.50 MB") << unit;
  }
}

TEST(FormatSize, LocaleSeparatorsAndLargeValues) {
  const TNumberSeparators german{".", ","};
  EXPECT_EQ(FormatSize(suCount, 1234567, german), "1.234.567");
  EXPECT_EQ(FormatSize(suMegabytes, std::uint64_t{1234} << 20 | (1u << 19), german), "1.234,50 MB");
  const TNumberSeparators none{"", "."};
  EXPECT_EQ(FormatSize(suCount, 1234567, none), "1234567");
  const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(FormatSize(suCount, max, kComma), "18,446,744,073,709,551,615");
  EXPECT_EQ(FormatSize(suKilobytes, max, kComma), "18,014,398,509,481,984 KB");
  EXPECT_EQ(FormatSize(suMegabytes, max, kComma), "17,592,186,044,416.00 MB");
  // 4 GiB and more, as 64-bit systems report.
  EXPECT_EQ(FormatSize(suKilobytes, std::uint64_t{16} << 30, kComma), "16,777,216 KB");
}

TEST(FormatDuration, HoursMinutesSeconds) {
  EXPECT_EQ(FormatDuration(3725), "1:02:05");
  EXPECT_EQ(FormatDuration(90061), "25:01:01");
  EXPECT_EQ(FormatDuration(59), "0:00:59");
  EXPECT_EQ(FormatDuration(0), "0:00:00");
  EXPECT_EQ(FormatDuration(3600), "1:00:00");
  EXPECT_EQ(FormatDuration(std::numeric_limits<std::int32_t>::max()), "596523:14:07");
  // Negative counts (the low half of a huge count) keep their signs per part.
  EXPECT_EQ(FormatDuration(-59), "0:00:-59");
  EXPECT_EQ(FormatDuration(-3725), "-1:-02:-05");
  EXPECT_EQ(FormatDuration(std::numeric_limits<std::int32_t>::min()), "-596523:-14:-08");
}

TEST(DateTimeArithmetic, EncodingAndOrigin) {
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1601, 1, 1, 0, 0, 0, 0), FileTimeOrigin);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 3, 1, 6, 0, 0, 0), 61.25);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 2, 29, 0, 0, 0, 0) - EncodeDateTime(2024, 2, 28, 0, 0, 0, 0), 1.0);
  // Before 1899-12-30 the time of day still counts forward.
  EXPECT_DOUBLE_EQ(EncodeDateTime(1601, 1, 2, 6, 0, 0, 0), FileTimeOrigin + 1.25);
  EXPECT_NEAR(EncodeDateTime(1601, 1, 1, 0, 0, 1, 500) - FileTimeOrigin, 1.5 / 86400, 1e-10);
}

TEST(DateTimeArithmetic, ElapsedSecondsAndAddMinutes) {
  const double t = EncodeDateTime(2024, 5, 6, 7, 8, 9, 0);
  EXPECT_EQ(ElapsedSeconds(t + 1.9 / 86400, t), 1);
  EXPECT_EQ(ElapsedSeconds(t, t + 1.9 / 86400), 1);  // order does not matter
  EXPECT_EQ(ElapsedSeconds(t + 0.999 / 86400, t), 0);
  EXPECT_EQ(ElapsedSeconds(t, t), 0);
  EXPECT_EQ(ElapsedSeconds(t + 3.0, t), 3 * 86400);
  EXPECT_EQ(ElapsedSeconds(1.0, 0.0), 86400);
  EXPECT_EQ(ElapsedSeconds(std::numeric_limits<double>::infinity(), 0.0),
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(ElapsedSeconds(std::numeric_limits<double>::quiet_NaN(), 0.0), 0);

  EXPECT_DOUBLE_EQ(AddMinutes(t, 0), t);
  EXPECT_NEAR(AddMinutes(t, 90), t + 90.0 / 1440, 1e-9);
  EXPECT_NEAR(AddMinutes(t, -540), EncodeDateTime(2024, 5, 5, 22, 8, 9, 0), 1e-9);
  EXPECT_EQ(ElapsedSeconds(AddMinutes(t, -540), t), 540 * 60);
}

TEST(DateTimeArithmetic, WholeSecondsAreNeverCountedOneShort) {
  // Date-time values carry milliseconds; every whole number of seconds, near
  // the file-time origin and near today, counts as exactly that many.
  const double today = EncodeDateTime(2024, 11, 3, 1, 2, 3, 0);
  for (int s = 0; s < 200000; s += 7) {
    const int h = s / 3600, m = s / 60 % 60, sec = s % 60;
    ASSERT_EQ(ElapsedSeconds(EncodeDateTime(1601, 1, 1 + h / 24, h % 24, m, sec, 0), FileTimeOrigin), s) << s;
    ASSERT_EQ(ElapsedSeconds(today + s / 86400.0, today), s) << s;
    ASSERT_EQ(ElapsedSeconds(EncodeDateTime(1601, 1, 1 + h / 24, h % 24, m, sec, 999), FileTimeOrigin), s) << s;
  }
}

TEST(StatusLines, NineLinesFromOneReading) {
  TStatusFigures f;
  f.availPhys = 512 * 1024;
  f.totalPhys = std::uint64_t{8} << 30;
  f.availPageFile = 1023;
  f.totalPageFile = 2048;
  f.availVirtual = 0;
  f.totalVirtual = std::uint64_t{128} << 40;
  f.workingSetSize = 10 * 1024;
  f.peakWorkingSetSize = 20 * 1024;
  f.pageFaultCount = 1234567;
  f.pagefileUsage = 3 * 1024;
  f.peakPagefileUsage = 4 * 1024;
  f.quotaPagedPoolUsage = 5 * 1024;
  f.quotaPeakPagedPoolUsage = 6 * 1024;
  f.quotaNonPagedPoolUsage = 7 * 1024;
  f.quotaPeakNonPagedPoolUsage = 8 * 1024;
  f.kernelTime = EncodeDateTime(1601, 1, 1, 0, 0, 2, 0);
  f.userTime = EncodeDateTime(1601, 1, 2, 1, 2, 5, 400);
  f.nowUtc = EncodeDateTime(2024, 3, 31, 1, 30, 0, 0);
  f.creationTime = EncodeDateTime(2024, 3, 30, 23, 59, 0, 500);

  const TStatusLines lines = FormatStatusLines(f, kComma);
  const std::array<std::string, 9> expected = {
      "Free Physical Memory:512 KB; Total:8,388,608 KB",
      "Free Paging File:1 KB; Total:2 KB",
      "Free Virtual Memory:0 KB; Total:137,438,953,472 KB",
      "Memory Usage:10 KB; Peak:20 KB",
      "Page Fault:1,234,567",
      "Pagefile Usage:3 KB; Peak:4 KB",
      "Paged Pool Usage:5 KB; Peak:6 KB",
      "NonPaged Pool Usage:7 KB; Peak:8 KB",
      "Kernel:0:00:02; User:25:02:05; Process:1:30:59",
  };
  EXPECT_EQ(lines.InOrder(), expected);
  EXPECT_EQ(lines.phys, expected[0]);
  EXPECT_EQ(lines.processTime, expected[8]);
}

TEST(StatusLines, ZerosWhenNothingCouldBeRead) {
  TStatusFigures f;
  f.nowUtc = f.creationTime = EncodeDateTime(2024, 1, 1, 0, 0, 0, 0);
  const TStatusLines lines = FormatStatusLines(f, kComma);
  EXPECT_EQ(lines.workingSetSize, "Memory Usage:0 KB; Peak:0 KB");
  EXPECT_EQ(lines.pageFaultCount, "Page Fault:0");
  EXPECT_EQ(lines.nonPagedPoolUsage, "NonPaged Pool Usage:0 KB; Peak:0 KB");
  EXPECT_EQ(lines.processTime, "Kernel:0:00:00; User:0:00:00; Process:0:00:00");
  // A process created less than a second ago.
  f.creationTime = f.nowUtc - 0.9 / 86400;
  EXPECT_EQ(FormatStatusLines(f, kComma).processTime, "Kernel:0:00:00; User:0:00:00; Process:0:00:00");
}

TEST(StatusLines, DurationsPastTheThirtyTwoBitRangeWrap) {
  // Second counts reach the duration text as their low 32 bits.
  TStatusFigures f;
  f.nowUtc = 0.0;
  f.creationTime = (4294967296.0 + 61.0) / 86400.0;
  EXPECT_EQ(FormatStatusLines(f, kComma).processTime, "Kernel:0:00:00; User:0:00:00; Process:0:01:01");
}

}  // namespace
}  // namespace vellumark
