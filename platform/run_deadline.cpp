#include "platform/run_deadline.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>

namespace vp::platform {

void StartRunDeadline(std::chrono::milliseconds limit, std::chrono::milliseconds grace, int signalFd,
                      std::function<void()> lastWords) {
  using Clock = std::chrono::steady_clock;
  // Left to the end of the process on purpose: it must outlive every
  // destructor that could block on the way out.
  auto* words = new std::function<void()>(std::move(lastWords));
  std::thread([deadline = Clock::now() + limit, grace, signalFd, words] {
    Clock::time_point end = deadline;
    bool signalled = false;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      if (left <= 0) break;
      pollfd p{signalFd, POLLIN, 0};
      const int n = ::poll(&p, signalFd >= 0 && !signalled ? 1 : 0, static_cast<int>(left));
      if (n > 0 && !signalled) {
        signalled = true;
        end = std::min(end, Clock::now() + grace);
      } else if (n < 0 && errno != EINTR) {
        ::usleep(10000);
      }
    }
    std::fputs(signalled ? "vpcounter: ログアウトの後も終われないため、ここで終了します。\n"
                         : "vpcounter: 決まった時間内に終われないため、ここで終了します（起動は数えてあります）。\n",
               stderr);
    if (*words) (*words)();
    ::_exit(0);
  }).detach();
}

}  // namespace vp::platform
