#include "platform/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace vp::platform {
namespace {

int writeEnd = -1;
int watchWriteEnd = -1;
int watchReadEnd = -1;

void OnSignal(int signo) {
  const int saved = errno;  // a handler must leave errno as it found it
  const unsigned char byte = static_cast<unsigned char>(signo);
  [[maybe_unused]] ssize_t n = ::write(writeEnd, &byte, 1);
  if (watchWriteEnd >= 0) n = ::write(watchWriteEnd, &byte, 1);
  errno = saved;
}

}  // namespace

int WatchTerminationSignals() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  writeEnd = fds[1];
  int watch[2];
  if (::pipe2(watch, O_CLOEXEC | O_NONBLOCK) == 0) {
    watchReadEnd = watch[0];
    watchWriteEnd = watch[1];
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signo : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signo, &action, nullptr);
  return fds[0];
}

int TerminationSignalWatch() { return watchReadEnd; }

int TakeTerminationSignal(int fd) {
  unsigned char byte = 0;
  return ::read(fd, &byte, 1) == 1 ? byte : 0;
}

}  // namespace vp::platform
