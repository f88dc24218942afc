#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace vp::platform {
namespace {
const auto kLoaded = std::chrono::steady_clock::now();
}  // namespace

TimeValue CurrentTime() { return static_cast<TimeValue>(std::time(nullptr)); }

std::int64_t MillisecondsSinceStart() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kLoaded).count();
}

}  // namespace vp::platform
