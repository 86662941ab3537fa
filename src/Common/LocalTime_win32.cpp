// The current local date and time from the system clock (Windows).
#include <windows.h>

#include "Common/DateFormat.h"

namespace vellumark {

TDateTime NowLocal() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  TDateTime when;
  when.year = local.wYear;
  when.month = local.wMonth;
  when.day = local.wDay;
  when.hour = local.wHour;
  when.minute = local.wMinute;
  when.second = local.wSecond;
  when.millisecond = local.wMilliseconds;
  when.dayOfWeek = local.wDayOfWeek;
  return when;
}

}  // namespace vellumark
