#pragma once
#include <cstdint>
#include <ctime>
#include <functional>

namespace vp::platform {

// A C time value: seconds since 1970-01-01 00:00:00 UTC. 64-bit in memory; the
// history file narrows it to 32 bits at its own boundary.
using TimeValue = std::int64_t;

// Local calendar breakdown of a time value.
struct LocalTime {
  int year = 1970;   // full year
  int month = 1;     // 1..12
  int day = 1;       // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 4;   // 0 = Sunday
  int yearday = 0;   // 0..365
  int utcOffset = 0;  // seconds east of UTC in force at that moment (daylight saving included)
};

// A C runtime's breakdown with the offset in force, as a LocalTime.
LocalTime LocalTimeOf(const std::tm& tm, int utcOffset);

// The process clock: handed to the runs at the top, never read below them.
TimeValue CurrentTime();

// False when the value cannot be broken down (out of the C library's range).
bool BreakDownLocal(TimeValue t, LocalTime& out);

}  // namespace vp::platform

namespace vp::platform {
// Milliseconds on a steady clock since the program was loaded, for traces.
std::int64_t MillisecondsSinceStart();
}  // namespace vp::platform
