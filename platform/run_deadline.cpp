#include "platform/run_deadline.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/termination.h"

namespace vp::platform {
namespace {

struct Watch {
  std::mutex lock;
  std::condition_variable woken;
  bool signalled = false;
};

}  // namespace

void StartRunDeadline(std::chrono::milliseconds limit, std::chrono::milliseconds grace,
                      std::function<void()> lastWords) {
  using Clock = std::chrono::steady_clock;
  // Left to the end of the process on purpose: they must outlive every
  // destructor that could block on the way out.
  auto* words = new std::function<void()>(std::move(lastWords));
  auto* watch = new Watch;
  OnTermination([watch] {
    std::lock_guard<std::mutex> hold(watch->lock);
    watch->signalled = true;
    watch->woken.notify_all();
  });
  std::thread([deadline = Clock::now() + limit, grace, watch, words] {
    std::unique_lock<std::mutex> hold(watch->lock);
    Clock::time_point end = deadline;
    if (watch->woken.wait_until(hold, end, [watch] { return watch->signalled; }))
      end = std::min(end, Clock::now() + grace);
    const bool signalled = watch->signalled;
    watch->woken.wait_until(hold, end, [] { return false; });
    std::fputs(signalled ? "vpcounter: ログアウトの後も終われないため、ここで終了します。\n"
                         : "vpcounter: 決まった時間内に終われないため、ここで終了します（起動は数えてあります）。\n",
               stderr);
    if (*words) (*words)();
    std::_Exit(0);
  }).detach();
}

}  // namespace vp::platform
