#pragma once
#include <algorithm>
#include <chrono>

#include "platform/clock.h"

namespace vp::counter {

// When the counter window may close: once the voices are over and `timer`
// whole seconds have passed since it was shown.
struct CounterTiming {
  static constexpr int kVoicesOver = 7;
  int voiceStep = 0;  // voices started so far; kVoicesOver ends the sequence
  platform::TimeValue showTime = 0;

  bool DueToClose(platform::TimeValue now, int timer) const {
    return voiceStep >= kVoicesOver && now - showTime >= timer;
  }
};

// The counter is a logon greeting: all of its voices, pauses included, end
// within kVoiceSequenceLimit of the first one's start, whatever the game's
// voices last. How long the next voice may play, started `sinceFirst` after
// the first; zero: the sequence is over.
inline constexpr std::chrono::milliseconds kVoiceSequenceLimit{30000};
inline std::chrono::milliseconds VoiceTimeLeft(std::chrono::milliseconds sinceFirst) {
  return std::clamp(kVoiceSequenceLimit - sinceFirst, std::chrono::milliseconds(0), kVoiceSequenceLimit);
}

}  // namespace vp::counter
