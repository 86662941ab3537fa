#include "Common/DateFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace vellumark {
namespace {

// Friday 5 January 2007, 09:07:03.045: every field differs from the others,
// so a field printed in the wrong place shows.
const TDateTime kMorning = MakeDateTime(2007, 1, 5, 9, 7, 3, 45);
const TDateTime kEvening = MakeDateTime(2007, 1, 5, 21, 7, 3, 45);

std::string Fmt(std::string_view pattern, const TDateTime& when = kMorning) {
  return FormatDateTime(pattern, when);
}

TEST(DateFormat, DefaultSuffixPatternInAnyCase) {
  EXPECT_EQ(Fmt("YYYY/MM/DD"), "2007/01/05");
  EXPECT_EQ(Fmt("yyyy/mm/dd"), "2007/01/05");
  EXPECT_EQ(Fmt("YyYy/mM/Dd"), "2007/01/05");
  EXPECT_EQ(Fmt("YYYY/MM/DD", MakeDateTime(1999, 12, 31)), "1999/12/31");
}

TEST(DateFormat, YearMonthDayNumbers) {
  EXPECT_EQ(Fmt("y"), "07");
  EXPECT_EQ(Fmt("yy"), "07");
  EXPECT_EQ(Fmt("yyy"), "2007");
  EXPECT_EQ(Fmt("yyyyy"), "2007");
  EXPECT_EQ(Fmt("yy", MakeDateTime(2000, 3, 1)), "00");
  EXPECT_EQ(Fmt("yyyy yy", MakeDateTime(5, 3, 1)), "0005 05");
  EXPECT_EQ(Fmt("m mm"), "1 01");
  EXPECT_EQ(Fmt("m mm", MakeDateTime(2007, 11, 5)), "11 11");
  EXPECT_EQ(Fmt("d dd"), "5 05");
  EXPECT_EQ(Fmt("d dd", MakeDateTime(2007, 1, 25)), "25 25");
}

TEST(DateFormat, JapaneseMonthNames) {
  EXPECT_EQ(Fmt("mmm"), "1");
  EXPECT_EQ(Fmt("mmmm"), "1\x8c\x8e");  // 1月
  EXPECT_EQ(Fmt("mmmmmm"), "1\x8c\x8e");
  EXPECT_EQ(Fmt("mmm mmmm", MakeDateTime(2007, 12, 5)), "12 12\x8c\x8e");
}

TEST(DateFormat, JapaneseDayNamesSundayFirst) {
  // 7 .. 13 January 2007 run from Sunday to Saturday.
  const char* shortNames[7] = {"\x93\xfa", "\x8c\x8e", "\x89\xce", "\x90\x85",
                               "\x96\xd8", "\x8b\xe0", "\x93\x79"};  // 日月火水木金土
  const std::string youbi = "\x97\x6a\x93\xfa";                       // 曜日
  for (int i = 0; i < 7; ++i) {
    const TDateTime when = MakeDateTime(2007, 1, 7 + i);
    EXPECT_EQ(Fmt("ddd", when), shortNames[i]) << i;
    EXPECT_EQ(Fmt("dddd", when), shortNames[i] + youbi) << i;
  }
}

TEST(DateFormat, ShortAndLongDateAndTimeForms) {
  EXPECT_EQ(Fmt("ddddd"), "2007/01/05");
  const std::string longDate = "2007\x94\x4e" "1\x8c\x8e" "5\x93\xfa";  // 2007年1月5日
  EXPECT_EQ(Fmt("dddddd"), longDate);
  EXPECT_EQ(Fmt("ddddddd"), longDate);
  EXPECT_EQ(Fmt("t"), "9:07");
  EXPECT_EQ(Fmt("tt"), "9:07:03");
  EXPECT_EQ(Fmt("c"), "2007/01/05 9:07:03");
  EXPECT_EQ(Fmt("cc"), "2007/01/05 9:07:03");
  // The time is left out at exactly midnight; milliseconds do not count.
  EXPECT_EQ(Fmt("c", MakeDateTime(2007, 1, 5, 0, 0, 0, 500)), "2007/01/05");
  EXPECT_EQ(Fmt("c", MakeDateTime(2007, 1, 5, 0, 0, 1)), "2007/01/05 0:00:01");
  // An empty pattern is the "c" form.
  EXPECT_EQ(Fmt(""), "2007/01/05 9:07:03");
  // The forms keep their own 24-hour clock whatever marker stands beside them.
  EXPECT_EQ(Fmt("t am/pm", kEvening), "21:07 pm");
}

TEST(DateFormat, TimeFieldsAndWidths) {
  EXPECT_EQ(Fmt("h hh hhh"), "9 09 09");
  EXPECT_EQ(Fmt("n nn nnn"), "7 07 07");
  EXPECT_EQ(Fmt("s ss sss"), "3 03 03");
  EXPECT_EQ(Fmt("z zz zzz zzzz"), "45 45 045 045");
  EXPECT_EQ(Fmt("z zzz", MakeDateTime(2007, 1, 5, 9, 7, 3, 7)), "7 007");
  EXPECT_EQ(Fmt("z zzz", MakeDateTime(2007, 1, 5, 9, 7, 3, 999)), "999 999");
  EXPECT_EQ(Fmt("hh:nn:ss.zzz", MakeDateTime(2007, 1, 5, 23, 59, 59, 999)), "23:59:59.999");
}

TEST(DateFormat, MonthLetterAfterHourMeansMinutes) {
  // Month 1, minute 7: which one a run of m gives is plain to see.
  EXPECT_EQ(Fmt("hh:mm"), "09:07");
  EXPECT_EQ(Fmt("h:m"), "9:7");
  EXPECT_EQ(Fmt("hh mm"), "09 07");
  EXPECT_EQ(Fmt("hh'h'mm"), "09h07");       // quoted text does not count
  EXPECT_EQ(Fmt("hh:mmm"), "09:07");        // minutes never take a name
  EXPECT_EQ(Fmt("hhxmm"), "09x01");         // a literal letter does
  EXPECT_EQ(Fmt("hh:ss:mm"), "09:03:01");   // so does another token
  EXPECT_EQ(Fmt("h:m:m"), "9:7:1");         // only the first run after h
  EXPECT_EQ(Fmt("mm/dd hh:mm"), "01/05 09:07");
  EXPECT_EQ(Fmt("mm hh"), "01 09");         // before the hour it is the month
  // A two-byte character in between counts as text that is not a separator.
  EXPECT_EQ(Fmt("h\x8e\x9emm"), "9\x8e\x9e" "01");  // h時mm
  EXPECT_EQ(Fmt("h\x8e\x9enn"), "9\x8e\x9e" "07");  // h時nn
}

TEST(DateFormat, TwelveHourMarkers) {
  EXPECT_EQ(Fmt("h:nn am/pm"), "9:07 am");
  EXPECT_EQ(Fmt("h:nn am/pm", kEvening), "9:07 pm");
  EXPECT_EQ(Fmt("hh:nn AM/PM", kEvening), "09:07 PM");
  EXPECT_EQ(Fmt("h Am/pM"), "9 Am");  // the pattern's own letter case
  EXPECT_EQ(Fmt("h Am/pM", kEvening), "9 pM");
  EXPECT_EQ(Fmt("h a/p"), "9 a");
  EXPECT_EQ(Fmt("h A/P", kEvening), "9 P");
  EXPECT_EQ(Fmt("h ampm"), "9 \x8c\xdf\x91\x4f");            // 午前
  EXPECT_EQ(Fmt("h AMPM", kEvening), "9 \x8c\xdf\x8c\xe3");  // 午後
  // Without a marker the clock runs to 23.
  EXPECT_EQ(Fmt("h", kEvening), "21");
  // A marker switches the clock once it has been formatted, for later hours too.
  EXPECT_EQ(Fmt("am/pm h", kEvening), "pm 9");
  // Only the first unquoted "a" before the next "h" is looked at.
  EXPECT_EQ(Fmt("h 'am/pm'", kEvening), "21 am/pm");
  // Quoted text is skipped whole, an "h" in it included; only the same quote
  // character closes it.
  EXPECT_EQ(Fmt("hh:nn 'Uhr' am/pm", kEvening), "09:07 Uhr pm");
  EXPECT_EQ(Fmt("h 'th' am/pm", kEvening), "9 th pm");
  EXPECT_EQ(Fmt("h \"it's\" am/pm", kEvening), "9 it's pm");
  EXPECT_EQ(Fmt("h h am/pm", kEvening), "21 9 pm");
  EXPECT_EQ(Fmt("h a am/pm", kEvening), "21 a pm");
  // An "a" that starts no marker is copied, and it is a letter token: an m
  // run after it is the month.
  EXPECT_EQ(Fmt("a aa a/"), "a aa a/");
  EXPECT_EQ(Fmt("h am"), "9 a1");
}

TEST(DateFormat, MidnightAndNoon) {
  const TDateTime midnight = MakeDateTime(2007, 1, 5, 0, 0, 0);
  const TDateTime noon = MakeDateTime(2007, 1, 5, 12, 0, 0);
  EXPECT_EQ(Fmt("h:nn am/pm", midnight), "12:00 am");
  EXPECT_EQ(Fmt("h:nn am/pm", noon), "12:00 pm");
  EXPECT_EQ(Fmt("h a/p", MakeDateTime(2007, 1, 5, 11, 59, 59)), "11 a");
  EXPECT_EQ(Fmt("h a/p", MakeDateTime(2007, 1, 5, 13, 0, 0)), "1 p");
  EXPECT_EQ(Fmt("h a/p", MakeDateTime(2007, 1, 5, 23, 0, 0)), "11 p");
  EXPECT_EQ(Fmt("hh:nn", midnight), "00:00");
  EXPECT_EQ(Fmt("hh:nn", noon), "12:00");
}

TEST(DateFormat, QuotedAndOtherText) {
  EXPECT_EQ(Fmt("'yyyy' yyyy"), "yyyy 2007");
  EXPECT_EQ(Fmt("\"mm\"dd"), "mm05");
  EXPECT_EQ(Fmt("'a\"b' \"c'd\""), "a\"b c'd");
  EXPECT_EQ(Fmt("''yyyy"), "2007");
  EXPECT_EQ(Fmt("yyyy'mm dd"), "2007mm dd");  // an unclosed quote runs to the end
  EXPECT_EQ(Fmt("yyyy-mm-dd [x] #1"), "2007-01-05 [x] #1");
  EXPECT_EQ(Fmt("g e b"), "g e b");
}

TEST(DateFormat, TwoByteCharactersAreCopiedWhole) {
  // 年 is 94 4E: its second byte is "N" and must not become the minute.
  EXPECT_EQ(Fmt("yyyy\x94\x4emm\x8c\x8e" "dd\x93\xfa"),
            "2007\x94\x4e" "01\x8c\x8e" "05\x93\xfa");
  // ヅ (83 64, second byte "d") and ノ (83 6D, second byte "m").
  EXPECT_EQ(Fmt("\x83\x64\x83\x6d"), "\x83\x64\x83\x6d");
  EXPECT_EQ(Fmt("'\x83\x64'"), "\x83\x64");
  // A lead byte at the very end is copied as it is.
  EXPECT_EQ(Fmt("yyyy\x83"), "2007\x83");
  // Half-width katakana are single bytes: copied, and the letters around them work.
  EXPECT_EQ(Fmt("\xb1yyyy\xb2"), "\xb1" "2007\xb2");
}

TEST(DateFormat, LeapDaysAndWeekdays) {
  EXPECT_EQ(Fmt("yyyy/mm/dd ddd", MakeDateTime(2008, 2, 29)), "2008/02/29 \x8b\xe0");  // 金
  EXPECT_EQ(DayOfWeekOf(2007, 1, 5), 5);
  EXPECT_EQ(DayOfWeekOf(1970, 1, 1), 4);
  EXPECT_EQ(DayOfWeekOf(2000, 2, 29), 2);
  EXPECT_EQ(DayOfWeekOf(2000, 3, 1), 3);
  EXPECT_EQ(DayOfWeekOf(1900, 2, 28), 3);
  EXPECT_EQ(DayOfWeekOf(1900, 3, 1), 4);  // 1900 has no 29 February
  EXPECT_EQ(DayOfWeekOf(2024, 2, 29), 4);
  EXPECT_EQ(DayOfWeekOf(2100, 3, 1), 1);
  EXPECT_EQ(DayOfWeekOf(1, 1, 1), 1);
}

TEST(DateFormat, ValuesWithoutNamesGiveEmptyNames) {
  TDateTime odd = kMorning;
  odd.month = 13;
  odd.dayOfWeek = 9;
  EXPECT_EQ(Fmt("mmm|mmmm|ddd|dddd|mm", odd), "||||13");
  odd.dayOfWeek = -1;
  EXPECT_EQ(Fmt("ddd", odd), "");
}

// Days since 1970-01-01 of a Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

TEST(DateFormat, NowLocalIsTheClockInSomeTimeZone) {
  const long long utcMinutes =
      std::chrono::duration_cast<std::chrono::minutes>(
          std::chrono::system_clock::now().time_since_epoch())
          .count();
  const TDateTime now = NowLocal();
  ASSERT_GE(now.month, 1);
  ASSERT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
  EXPECT_GE(now.minute, 0);
  EXPECT_LE(now.minute, 59);
  EXPECT_GE(now.second, 0);
  EXPECT_LE(now.second, 59);
  EXPECT_GE(now.millisecond, 0);
  EXPECT_LE(now.millisecond, 999);
  EXPECT_EQ(now.dayOfWeek, DayOfWeekOf(now.year, now.month, now.day));
  const long long localMinutes =
      DaysFromCivil(now.year, static_cast<unsigned>(now.month), static_cast<unsigned>(now.day)) *
          1440 +
      now.hour * 60 + now.minute;
  // Time zones lie within 14 hours of UTC.
  EXPECT_LE(std::llabs(localMinutes - utcMinutes), 14 * 60 + 1);
}

}  // namespace
}  // namespace vellumark
