#pragma once
#include <chrono>
#include <future>

namespace vp::platform {

// Reading the system's font configuration (every font folder's cache) is
// most of what a first line of text costs, and needs nothing of the display.
// Begun on a thread of its own as the program starts, it is done by the time
// the first window measures its text.
class FontConfigurationLoad {
 public:
  static FontConfigurationLoad Begin();
  // Waits, at most limit, for the load begun: the first text would otherwise
  // read the configuration a second time beside it. Past the limit the
  // thread is left to itself and the text loads its own.
  void Await(std::chrono::milliseconds limit);

 private:
  std::shared_future<void> done_;
};

}  // namespace vp::platform
