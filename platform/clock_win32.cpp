#include "platform/clock.h"

#include <ctime>

namespace vp::platform {
namespace {

// 400 Gregorian years are a whole number of weeks, so a moment and the same
// moment 400 years later share date, weekday and the zone's yearly rules.
constexpr TimeValue kFourCenturies = 146097LL * 86400;

}  // namespace

// The Windows runtime breaks down no time before 1970 (a history written on
// a machine whose clock was wrong holds some): such a moment is broken down
// whole cycles of 400 years later and the year moved back.
bool BreakDownLocal(TimeValue t, LocalTime& out) {
  int centuries = 0;
  if (t < 0) {
    const TimeValue cycles = (-(t + 1)) / kFourCenturies + 1;
    if (cycles > 100) return false;  // before the year -38000: no calendar date to show
    t += cycles * kFourCenturies;
    centuries = static_cast<int>(cycles) * 4;
  }
  __time64_t value = t;
  std::tm tm{};
  if (_localtime64_s(&tm, &value) != 0) return false;
  std::tm asUtc = tm;
  const __time64_t wall = _mkgmtime64(&asUtc);
  if (wall == -1) return false;
  // The runtime has no tm_gmtoff: the wall time read as UTC, less the moment.
  out = LocalTimeOf(tm, static_cast<int>(wall - value));
  out.year -= centuries * 100;
  return true;
}

}  // namespace vp::platform
