#pragma once
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

}  // namespace vp::counter
