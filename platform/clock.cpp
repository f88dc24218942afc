#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace vp::platform {
namespace {
const auto kLoaded = std::chrono::steady_clock::now();
}  // namespace

LocalTime LocalTimeOf(const std::tm& tm, int utcOffset) {
  LocalTime out;
  out.year = tm.tm_year + 1900;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = tm.tm_sec;
  out.weekday = tm.tm_wday;
  out.yearday = tm.tm_yday;
  out.utcOffset = utcOffset;
  return out;
}

TimeValue CurrentTime() { return static_cast<TimeValue>(std::time(nullptr)); }

std::int64_t MillisecondsSinceStart() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kLoaded).count();
}

}  // namespace vp::platform
