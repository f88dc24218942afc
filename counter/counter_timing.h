#pragma once
#include <cstdint>

namespace vp::counter {

// When the counter window may close: once the voices are over and it has
// been shown for at least `timer` seconds, measured in milliseconds (whole
// seconds would let a window shown at 0.95 s close 50 ms later).
inline bool DueToClose(bool voicesOver, std::int64_t shownMs, std::int64_t nowMs, int timer) {
  return voicesOver && nowMs - shownMs >= std::int64_t{timer} * 1000;
}

}  // namespace vp::counter
