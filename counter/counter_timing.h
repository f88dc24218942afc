#pragma once
#include <cstddef>
#include <cstdint>

namespace vp::counter {

// When the counter window may close: once the voices are over and it has
// been shown for at least `timer` seconds, measured in milliseconds (whole
// seconds would let a window shown at 0.95 s close 50 ms later).
inline bool DueToClose(bool voicesOver, std::int64_t shownMs, std::int64_t nowMs, int timer) {
  return voicesOver && nowMs - shownMs >= std::int64_t{timer} * 1000;
}

// How long a notice box stays, from when it is shown: long enough to read
// its text (about eight characters a second, at least 8 s), never more than
// 20 s, so that a run at logon still ends in bounded time.
inline std::int64_t NoticeReadingMs(std::size_t characters) {
  const std::int64_t ms = 3000 + static_cast<std::int64_t>(characters) * 125;
  return ms < 8000 ? 8000 : ms > 20000 ? 20000 : ms;
}

// How long the display time waits for the window to be really shown (its
// first expose) before it counts from the show request anyway.
inline constexpr std::int64_t kLongestExposeWaitMs = 3000;

}  // namespace vp::counter
