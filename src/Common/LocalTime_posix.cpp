// The current local date and time from the C library (POSIX systems).
#include <sys/time.h>
#include <time.h>

#include "Common/DateFormat.h"

namespace vellumark {

TDateTime NowLocal() {
  timeval now{};
  gettimeofday(&now, nullptr);
  const time_t seconds = now.tv_sec;
  tm local{};
  localtime_r(&seconds, &local);
  TDateTime when;
  when.year = local.tm_year + 1900;
  when.month = local.tm_mon + 1;
  when.day = local.tm_mday;
  when.hour = local.tm_hour;
  when.minute = local.tm_min;
  // A leap second (60) is shown as the last second of the minute.
  when.second = local.tm_sec > 59 ? 59 : local.tm_sec;
  when.millisecond = static_cast<int>(now.tv_usec / 1000);
  when.dayOfWeek = local.tm_wday;
  return when;
}

}  // namespace vellumark
