#pragma once
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <string_view>

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

// The greeting's display time counts from when it can be seen: its first
// expose (a busy logon may delay it, at most kLongestExposeWaitMs after the
// show request), or later, when a window kept transparent until it is in
// place is unveiled. Nothing is due before the show request.
class DisplayTime {
 public:
  void Requested(std::int64_t nowMs) {
    requested_ = true;
    requestedMs_ = shownMs_ = nowMs;
  }
  void Exposed(std::int64_t nowMs) { shownMs_ = std::min(nowMs, requestedMs_ + kLongestExposeWaitMs); }
  void Unveiled(std::int64_t nowMs) { shownMs_ = std::max(shownMs_, nowMs); }
  bool DueToClose(bool voicesOver, std::int64_t nowMs, int timer) const {
    return requested_ && counter::DueToClose(voicesOver, shownMs_, nowMs, timer);
  }

 private:
  bool requested_ = false;
  std::int64_t requestedMs_ = 0, shownMs_ = 0;
};

// GNOME starts a session in its Activities overview, which leaves out
// windows that skip the taskbar: a greeting shown there is never seen. Where
// the desktop is GNOME the greeting waits while the shell says its overview
// is open, asking every kOverviewPollMs and waiting kOverviewAnswerMs for an
// answer (none: shown at once), at most kLongestOverviewHoldMs in all.
inline constexpr int kOverviewPollMs = 250;
inline constexpr int kOverviewAnswerMs = 300;
inline constexpr std::int64_t kLongestOverviewHoldMs = 20000;
inline bool MayHoldForOverview(std::string_view currentDesktop) {
  // XDG_CURRENT_DESKTOP is a colon-separated list: "ubuntu:GNOME", "GNOME-Classic:GNOME".
  for (std::size_t at = 0; at <= currentDesktop.size();) {
    const std::size_t end = std::min(currentDesktop.find(':', at), currentDesktop.size());
    if (currentDesktop.substr(at, end - at) == "GNOME") return true;
    at = end + 1;
  }
  return false;
}
// Whether the greeting is held back now: only while the shell answered that
// its overview is open, and not beyond the longest hold.
inline bool HoldForOverview(bool answered, bool overviewActive, std::int64_t heldMs) {
  return answered && overviewActive && heldMs < kLongestOverviewHoldMs;
}

}  // namespace vp::counter
