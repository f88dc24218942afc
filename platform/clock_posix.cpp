#include "platform/clock.h"

#include <ctime>

namespace vp::platform {

bool BreakDownLocal(TimeValue t, LocalTime& out) {
  std::time_t value = static_cast<std::time_t>(t);
  if (static_cast<TimeValue>(value) != t) return false;
  std::tm tm{};
  if (localtime_r(&value, &tm) == nullptr) return false;
  out = LocalTimeOf(tm, static_cast<int>(tm.tm_gmtoff));
  return true;
}

}  // namespace vp::platform
