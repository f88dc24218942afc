#include "platform/font_configuration.h"

#include <fontconfig/fontconfig.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <cstdlib>
#include <memory>
#include <thread>

namespace vp::platform {

FontConfigurationLoad FontConfigurationLoad::Begin() {
  FontConfigurationLoad load;
  auto promise = std::make_shared<std::promise<void>>();
  load.done_ = promise->get_future().share();
  if (getenv("VPX_FC_ON_COUNT")) { promise->set_value(); return load; }
  try {
    // Detached: a font folder on a hung network share must not hold the
    // program's end. Fontconfig publishes its configuration atomically, so
    // a second reader beside this one is only wasted work.
    std::thread([promise] {
      if (getenv("VPX_NICE_FC")) setpriority(PRIO_PROCESS, syscall(SYS_gettid), atoi(getenv("VPX_NICE_FC")));
      if (!getenv("VPX_NO_FC")) FcInit();
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
