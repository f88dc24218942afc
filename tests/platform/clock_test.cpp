#include <gtest/gtest.h>

#include "platform/clock.h"

namespace vp::platform {
namespace {

struct Expected {
  TimeValue t;
  int year, month, day, hour, minute, second, weekday, yearday;
};

// Tokyo (the tests' zone): UTC+9 all year. Before 1970 too, which the Windows
// runtime refuses to break down: a history written under a wrong clock holds such times.
TEST(Clock, LocalTimesBreakDownBeforeAndLongAfter1970) {
  const Expected cases[] = {
      {0, 1970, 1, 1, 9, 0, 0, 4, 0},
      {-1, 1970, 1, 1, 8, 59, 59, 4, 0},
      {-301233600, 1960, 6, 15, 21, 0, 0, 3, 166},
      {-2208988800, 1900, 1, 1, 9, 0, 0, 1, 0},  // before 1888 the zone data gives Tokyo its mean time
      {2208988800, 2040, 1, 1, 9, 0, 0, 0, 0},
      {32503644000, 2999, 12, 31, 23, 0, 0, 2, 364},
  };
  for (const Expected& e : cases) {
    LocalTime lt;
    ASSERT_TRUE(BreakDownLocal(e.t, lt)) << e.t;
    EXPECT_EQ(lt.year, e.year) << e.t;
    EXPECT_EQ(lt.month, e.month) << e.t;
    EXPECT_EQ(lt.day, e.day) << e.t;
    EXPECT_EQ(lt.hour, e.hour) << e.t;
    EXPECT_EQ(lt.minute, e.minute) << e.t;
    EXPECT_EQ(lt.second, e.second) << e.t;
    EXPECT_EQ(lt.weekday, e.weekday) << e.t;
    EXPECT_EQ(lt.yearday, e.yearday) << e.t;
    EXPECT_EQ(lt.utcOffset, 9 * 3600) << e.t;
  }
}

}  // namespace
}  // namespace vp::platform
