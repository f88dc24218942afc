#pragma once
#include "platform/clock.h"

namespace vp::counter {

// When the counter window may close: once the voices are over and `timer`
// whole seconds have passed since it was shown.
inline bool DueToClose(bool voicesOver, platform::TimeValue shown, platform::TimeValue now, int timer) {
  return voicesOver && now - shown >= timer;
}

}  // namespace vp::counter
