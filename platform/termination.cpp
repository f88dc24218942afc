#include "platform/termination.h"

#include <mutex>
#include <vector>

namespace vp::platform {
namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

std::vector<std::function<void()>>& Listeners() {
  static std::vector<std::function<void()>> listeners;
  return listeners;
}

}  // namespace

void OnTermination(std::function<void()> listener) {
  std::lock_guard<std::mutex> hold(Lock());
  Listeners().push_back(std::move(listener));
}

void NotifyTermination() {
  std::vector<std::function<void()>> listeners;
  {
    std::lock_guard<std::mutex> hold(Lock());
    listeners = Listeners();  // a listener may add another
  }
  for (const auto& listener : listeners) listener();
}

}  // namespace vp::platform
