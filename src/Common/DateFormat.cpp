#include "Common/DateFormat.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "Common/AsciiCase.h"

namespace vellumark {
namespace {

// The Japanese regional settings the program formats with (Shift_JIS bytes).
constexpr char kDateSeparator = '/';
constexpr char kTimeSeparator = ':';
const std::string kNen = "\x94\x4e";      // 年
const std::string kGatsu = "\x8c\x8e";    // 月
const std::string kNichi = "\x93\xfa";    // 日
const std::string kYoubi = "\x97\x6a" "\x93\xfa";  // 曜日
const std::string kAmText = "\x8c\xdf" "\x91\x4f";  // 午前
const std::string kPmText = "\x8c\xdf" "\x8c\xe3";  // 午後
const std::string kShortDayNames[7] = {
    "\x93\xfa",  // 日
    "\x8c\x8e",  // 月
    "\x89\xce",  // 火
    "\x90\x85",  // 水
    "\x96\xd8",  // 木
    "\x8b\xe0",  // 金
    "\x93\x79",  // 土
};
const std::string kShortDatePattern = "yyyy/mm/dd";
const std::string kLongDatePattern = "yyyy'" + kNen + "'m'" + kGatsu + "'d'" + kNichi + "'";
const std::string kShortTimePattern = "h:mm";
const std::string kLongTimePattern = "h:mm:ss";

bool IsLeadByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view word) {
  return StartsWithIgnoreCase(text.substr(pos), word);
}

// `value` with at least `digits` digits, zero-padded; a minus sign goes in
// front of the padding.
void AppendNumber(std::string& out, long long value, std::size_t digits) {
  std::string text = std::to_string(value < 0 ? -value : value);
  if (text.size() < digits) text.insert(0, digits - text.size(), '0');
  if (value < 0) out += '-';
  out += text;
}

class TFormatter {
 public:
  TFormatter(const TDateTime& when, std::string& out) : when_(when), out_(out) {}

  // One pattern with its own state: the token before the current one and
  // whether the 12-hour clock is on start afresh for every pattern, the
  // short and long date and time forms included.
  void Format(std::string_view pattern) {
    char lastToken = ' ';
    bool use12HourClock = false;
    std::size_t i = 0;
    const std::size_t n = pattern.size();
    while (i < n) {
      if (IsLeadByte(pattern[i])) {
        const std::size_t len = std::min<std::size_t>(2, n - i);
        out_.append(pattern.substr(i, len));
        i += len;
        lastToken = ' ';
        continue;
      }
      char token = AsciiUpper(pattern[i]);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      switch (token) {
        case 'Y': {
          const std::size_t count = RunLength(pattern, i);
          if (count <= 2) {
            AppendNumber(out_, when_.year % 100, 2);
          } else {
            AppendNumber(out_, when_.year, 4);
          }
          break;
        }
        case 'M': {
          const std::size_t count = RunLength(pattern, i);
          if (count <= 2) {
            AppendNumber(out_, when_.month, count);
          } else if (when_.month >= 1 && when_.month <= 12) {
            out_ += std::to_string(when_.month);
            if (count >= 4) out_ += kGatsu;
          }
          break;
        }
        case 'D': {
          const std::size_t count = RunLength(pattern, i);
          if (count <= 2) {
            AppendNumber(out_, when_.day, count);
          } else if (count <= 4) {
            if (when_.dayOfWeek >= 0 && when_.dayOfWeek <= 6) {
              out_ += kShortDayNames[when_.dayOfWeek];
              if (count == 4) out_ += kYoubi;
            }
          } else {
            TFormatter(when_, out_).Format(count == 5 ? kShortDatePattern : kLongDatePattern);
          }
          break;
        }
        case 'H': {
          const std::size_t count = RunLength(pattern, i);
          if (TwelveHourMarkerAhead(pattern, i)) use12HourClock = true;
          int hour = when_.hour;
          if (use12HourClock) {
            if (hour == 0) {
              hour = 12;
            } else if (hour > 12) {
              hour -= 12;
            }
          }
          AppendNumber(out_, hour, std::min<std::size_t>(count, 2));
          break;
        }
        case 'N':
          AppendNumber(out_, when_.minute, std::min<std::size_t>(RunLength(pattern, i), 2));
          break;
        case 'S':
          AppendNumber(out_, when_.second, std::min<std::size_t>(RunLength(pattern, i), 2));
          break;
        case 'Z':
          AppendNumber(out_, when_.millisecond, RunLength(pattern, i) < 3 ? 1 : 3);
          break;
        case 'T':
          TFormatter(when_, out_)
              .Format(RunLength(pattern, i) == 1 ? kShortTimePattern : kLongTimePattern);
          break;
        case 'C':
          RunLength(pattern, i);
          TFormatter(when_, out_).Format(kShortDatePattern);
          if (when_.hour != 0 || when_.minute != 0 || when_.second != 0) {
            out_ += ' ';
            TFormatter(when_, out_).Format(kLongTimePattern);
          }
          break;
        case 'A':
          if (AppendTwelveHourMarker(pattern, i)) use12HourClock = true;
          break;
        case '/':
          out_ += kDateSeparator;
          ++i;
          break;
        case ':':
          out_ += kTimeSeparator;
          ++i;
          break;
        case '\'':
        case '"':
          CopyQuoted(pattern, i);
          break;
        default:
          out_ += pattern[i];
          ++i;
          break;
      }
    }
  }

 private:
  // The length of the run of the letter at `i` (either case); moves `i`
  // past it.
  static std::size_t RunLength(std::string_view pattern, std::size_t& i) {
    const char letter = AsciiUpper(pattern[i]);
    const std::size_t start = i;
    while (i < pattern.size() && AsciiUpper(pattern[i]) == letter) ++i;
    return i - start;
  }

  // Looking forward from `from`: does the first "a" outside quotes start a
  // 12-hour marker, before any further "h" outside quotes? Quoted text is
  // skipped exactly as CopyQuoted copies it.
  static bool TwelveHourMarkerAhead(std::string_view pattern, std::size_t from) {
    for (std::size_t p = from; p < pattern.size(); ++p) {
      const char c = pattern[p];
      if (IsLeadByte(c)) {
        ++p;
      } else if (c == 'a' || c == 'A') {
        return StartsWithNoCase(pattern, p, "am/pm") || StartsWithNoCase(pattern, p, "a/p") ||
               StartsWithNoCase(pattern, p, "ampm");
      } else if (c == 'h' || c == 'H') {
        return false;
      } else if (c == '\'' || c == '"') {
        p = ClosingQuote(pattern, p);
      }
    }
    return false;
  }

  // At a quote: the position of the same quote character that closes it
  // (pattern.size() when none does), stepping over two-byte characters.
  static std::size_t ClosingQuote(std::string_view pattern, std::size_t i) {
    const char quote = pattern[i];
    std::size_t p = i + 1;
    while (p < pattern.size() && pattern[p] != quote) p += IsLeadByte(pattern[p]) ? 2 : 1;
    return std::min(p, pattern.size());
  }

  // At an "a": formats am/pm, a/p or ampm and returns true, or copies the
  // letter and returns false. Moves `i` past what it used.
  bool AppendTwelveHourMarker(std::string_view pattern, std::size_t& i) {
    const bool afternoon = when_.hour >= 12;
    if (StartsWithNoCase(pattern, i, "am/pm")) {
      out_.append(pattern.substr(afternoon ? i + 3 : i, 2));
      i += 5;
      return true;
    }
    if (StartsWithNoCase(pattern, i, "a/p")) {
      out_ += pattern[afternoon ? i + 2 : i];
      i += 3;
      return true;
    }
    if (StartsWithNoCase(pattern, i, "ampm")) {
      out_ += afternoon ? kPmText : kAmText;
      i += 4;
      return true;
    }
    out_ += pattern[i];
    ++i;
    return false;
  }

  // At a quote: copies the text up to the same quote character (or to the
  // end), stepping over two-byte characters; moves `i` past the closing
  // quote.
  void CopyQuoted(std::string_view pattern, std::size_t& i) {
    const std::size_t p = ClosingQuote(pattern, i);
    out_.append(pattern.substr(i + 1, p - (i + 1)));
    i = p < pattern.size() ? p + 1 : p;
  }

  const TDateTime& when_;
  std::string& out_;
};

}  // namespace

int DayOfWeekOf(int year, int month, int day) {
  // Sakamoto's method on the proleptic Gregorian calendar.
  static constexpr int kMonthOffset[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 1 || month > 12) return 0;
  const long long y = month < 3 ? static_cast<long long>(year) - 1 : year;
  auto floorDiv = [](long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); };
  const long long sum = y + floorDiv(y, 4) - floorDiv(y, 100) + floorDiv(y, 400) +
                        kMonthOffset[month - 1] + day;
  return static_cast<int>(((sum % 7) + 7) % 7);
}

TDateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second,
                       int millisecond) {
  TDateTime when;
  when.year = year;
  when.month = month;
  when.day = day;
  when.hour = hour;
  when.minute = minute;
  when.second = second;
  when.millisecond = millisecond;
  when.dayOfWeek = DayOfWeekOf(year, month, day);
  return when;
}

std::string FormatDateTime(std::string_view pattern, const TDateTime& when) {
  std::string out;
  TFormatter(when, out).Format(pattern.empty() ? std::string_view("c") : pattern);
  return out;
}

}  // namespace vellumark
