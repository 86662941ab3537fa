// Date-time formatting with a user pattern (the date suffix of the tag
// lines), and the current local date and time.
//
// The formatter is our own and behaves the same on every platform: it follows
// the classic pattern language of Windows desktop programs, with the Japanese
// regional settings the program is made for. Patterns and results are
// Shift_JIS bytes.
//
// Pattern language. Letters are matched without regard to case, and a run of
// one letter counts as one token whatever the case of each letter ("YyYy" is
// the same as "yyyy"):
//
//   y, yy          year, last two digits ("07")
//   yyy, yyyy...   year, at least four digits ("2007")
//   m, mm          month, without / with a leading zero ("1", "01")
//   mmm            short month name: the number, "1" .. "12"
//   mmmm...        long month name: the number and 月, "1月" .. "12月"
//   d, dd          day of month, without / with a leading zero
//   ddd            short day name, 日 月 火 水 木 金 土 (Sunday first)
//   dddd           long day name, 日曜日 .. 土曜日
//   ddddd          short date, as "yyyy/mm/dd"
//   dddddd...      long date, as "yyyy'年'm'月'd'日'"
//   h, hh          hour, without / with a leading zero; 0..23, or 1..12 when
//                  a 12-hour marker follows (see below)
//   n, nn...       minute, without / with a leading zero
//   s, ss...       second, without / with a leading zero
//   z, zz          millisecond, no leading zeros
//   zzz...         millisecond, three digits
//   t              short time, as "h:mm"
//   tt...          long time, as "h:mm:ss"
//   c...           short date, then a blank and the long time unless the
//                  time is exactly 0:00:00
//   am/pm          "am" before noon, "pm" from noon on, each written in the
//                  letter case the pattern uses ("AM/pm" gives "AM" or "pm")
//   a/p            "a" or "p", likewise
//   ampm           午前 (morning) or 午後 (afternoon)
//   /              the date separator "/"
//   :              the time separator ":"
//   '...' "..."    the text between the quotes, copied without the quotes;
//                  an unclosed quote runs to the end of the pattern
//
// Anything else (other letters, digits, blanks, punctuation, two-byte
// Shift_JIS characters) is copied unchanged. A two-byte character is always
// copied whole, so its second byte is never read as a pattern letter (the
// second byte of 年 is "N"). An empty pattern formats as "c".
//
// Minutes after hours: a run of m means minutes instead of month when the
// nearest token before it that is a letter is an h run. Blanks, digits,
// punctuation, separators and quoted text in between do not matter ("hh:mm",
// "h mm", "h'x'mm" all give minutes); any other letter (also a literal one,
// and the "a" of a 12-hour marker) or a two-byte character in between makes
// it the month again ("h時mm" gives the month: write "h時nn" for minutes).
// An m run taken as minutes is itself the token before the next one, so in
// "h:m:m" the second m is the month.
//
// 12-hour clock: an h run uses the 12-hour clock (0 and 12 become 12, 13..23
// become 1..11) when, looking forward from it, the first unquoted "a" starts
// one of am/pm, a/p or ampm before any further unquoted "h" (quoted text is
// skipped as it is copied: up to the same quote character); once a 12-hour marker
// has been formatted, every later h run in the pattern uses the 12-hour
// clock too. Without a marker hours run 0..23.
//
// The short and long date and time forms (ddddd, dddddd, t, tt, c) are
// formatted as patterns of their own, so a 12-hour marker outside them does
// not change their hours.
//
// Not supported, copied as text: era names and era years ("g", "e"), "aaa"
// and "aaaa" as day names.
#pragma once

#include <string>
#include <string_view>

namespace vellumark {

struct TDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  int dayOfWeek = 0;  // 0 Sunday .. 6 Saturday
};

// The day of the week of a Gregorian date, 0 Sunday .. 6 Saturday.
int DayOfWeekOf(int year, int month, int day);

// A date-time with its dayOfWeek computed from the date.
TDateTime MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                       int millisecond = 0);

// The current local date and time of the machine, to the millisecond.
TDateTime NowLocal();

// `when` formatted with `pattern` (see above). Values outside their usual
// range are printed as numbers as they are; a month or day of the week
// without a name gives an empty name.
std::string FormatDateTime(std::string_view pattern, const TDateTime& when);

}  // namespace vellumark
