#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace vp::platform {

FileLock::FileLock(const std::string& lockPath, std::chrono::milliseconds wait) {
  // O_NOFOLLOW and O_NONBLOCK: a planted link or FIFO is no lock file.
  fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Release();
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      state_ = State::Held;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      Release();
      state_ = State::TimedOut;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Release();
}

FileLock::~FileLock() { Release(); }

void FileLock::Release() {
  if (fd_ >= 0) ::close(fd_);  // closing drops the flock
  fd_ = -1;
  state_ = State::Unavailable;
}

}  // namespace vp::platform
