#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>
#include <thread>

#include "platform/termination.h"

namespace vp::platform {
namespace {

int writeEnd = -1;

// Only the byte: a handler may do nothing else safely.
void OnSignal(int signo) {
  const int saved = errno;  // a handler must leave errno as it found it
  const unsigned char byte = static_cast<unsigned char>(signo);
  [[maybe_unused]] ssize_t n = ::write(writeEnd, &byte, 1);
  errno = saved;
}

}  // namespace

void StartTerminationWatch() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;
  // The handler never waits, however many signals come; the watch does.
  ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
  writeEnd = fds[1];
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  // The watch reads the pipe on its own thread: the GUI thread may be the
  // one that is stuck (a hung display server, a silent session bus).
  std::thread([readEnd = fds[0]] {
    for (;;) {
      unsigned char byte = 0;
      const ssize_t n = ::read(readEnd, &byte, 1);
      if (n == 1) NotifyTermination();
      else if (n < 0 && errno == EINTR) continue;
      else return;
    }
  }).detach();
  for (int signo : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signo, &action, nullptr);
}

}  // namespace vp::platform
