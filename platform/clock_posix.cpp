#include "platform/clock.h"

#include <ctime>

namespace vp::platform {

bool BreakDownLocal(TimeValue t, LocalTime& out) {
  std::time_t value = static_cast<std::time_t>(t);
  if (static_cast<TimeValue>(value) != t) return false;
  std::tm tm{};
  if (localtime_r(&value, &tm) == nullptr) return false;
  out.year = tm.tm_year + 1900;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = tm.tm_sec;
  out.weekday = tm.tm_wday;
  out.yearday = tm.tm_yday;
  out.utcOffset = static_cast<int>(tm.tm_gmtoff);
  return true;
}

}  // namespace vp::platform
