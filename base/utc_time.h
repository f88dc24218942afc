#pragma once
#include <ctime>

namespace vp {

// A time broken down in UTC, thread-safe on both C runtimes: POSIX has
// gmtime_r, the Windows runtime gmtime_s with its arguments swapped.
inline bool BreakDownUtc(std::time_t t, std::tm& out) {
#if defined(_WIN32)
  return gmtime_s(&out, &t) == 0;
#else
  return gmtime_r(&t, &out) != nullptr;
#endif
}

}  // namespace vp
