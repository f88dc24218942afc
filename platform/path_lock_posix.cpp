#include "platform/path_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/files.h"

namespace vp::platform {
namespace {

int OpenFolder(const std::string& folder) {
  return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// O_NOFOLLOW and O_NONBLOCK: a planted link or FIFO is no lock file.
int OpenLockFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// $XDG_RUNTIME_DIR/vpcounter-<hash>.lock, when the runtime folder is ours and private.
int OpenRuntimeLock(const std::string& folder, const std::string& name, const Environment& env) {
  const std::string runtime = env("XDG_RUNTIME_DIR");
  if (runtime.empty() || runtime.front() != '/') return -1;
  if (!PrivateFolder(runtime, false)) return -1;
  char real[PATH_MAX];
  const std::string key = (::realpath(folder.c_str(), real) ? std::string(real) : folder) + "/" + name;
  const std::string path = runtime + "/vpcounter-" + std::to_string(std::hash<std::string>{}(key)) + ".lock";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Takes flock on fd, polling until `wait` has passed. Held, TimedOut, or
// Unavailable when the descriptor cannot be locked at all.
PathLock::State LockWithin(int fd, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return PathLock::State::Held;
    if (errno != EWOULDBLOCK && errno != EINTR) return PathLock::State::Unavailable;
    if (std::chrono::steady_clock::now() >= deadline) return PathLock::State::TimedOut;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

PathLock::PathLock(const std::string& filePath, On on, std::chrono::milliseconds wait, const Environment& env) {
  const std::string folder = FolderOf(filePath);
  const auto slash = filePath.rfind('/');
  const std::string name = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
  for (int way = 0; way < 2 && state_ != State::Held; ++way) {
    if (way == 0) fd_ = on == On::Folder ? OpenFolder(folder) : OpenLockFile(folder + "/." + name + ".lock");
    else fd_ = OpenRuntimeLock(folder, name + (on == On::Folder ? "" : ".lock"), env);
    if (fd_ < 0) continue;
    state_ = LockWithin(fd_, wait);
    if (state_ == State::TimedOut) break;  // another run holds it: do not try a second lock
    if (state_ != State::Held) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  if (state_ != State::Held && fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

PathLock::~PathLock() { Release(); }

void PathLock::Release() {
  if (fd_ >= 0) ::close(fd_);  // closing drops the flock
  fd_ = -1;
  if (state_ == State::Held) state_ = State::Released;
}

}  // namespace vp::platform
