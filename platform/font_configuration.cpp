#include "platform/font_configuration.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <system_error>
#include <thread>

namespace vp::platform {

FontConfigurationLoad FontConfigurationLoad::Begin() {
  FontConfigurationLoad load;
  auto promise = std::make_shared<std::promise<void>>();
  load.done_ = promise->get_future().share();
  try {
    // Detached: a font folder on a hung network share must not hold the
    // program's end. Fontconfig publishes its configuration atomically, so
    // a second reader beside this one is only wasted work.
    std::thread([promise] {
      FcInit();
      promise->set_value();
    }).detach();
  } catch (const std::system_error&) {
    promise->set_value();  // no thread: the first text loads it as before
  }
  return load;
}

void FontConfigurationLoad::Await(std::chrono::milliseconds limit) {
  if (done_.valid()) done_.wait_for(limit);
}

}  // namespace vp::platform
