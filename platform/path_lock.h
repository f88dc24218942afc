#pragma once
#include <chrono>
#include <string>

#include "platform/work_folder.h"

namespace vp::platform {

// An exclusive lock for the writers of one file, released on destruction.
// Folder: flock on the file's folder itself, which nobody can replace by a
// link, a FIFO or a file of another owner (one such lock per folder).
// LockFile: flock on ".<name>.lock" beside the file, a regular file opened
// without following links. Where that cannot be had, a per-user lock file in
// a private $XDG_RUNTIME_DIR named after the file's real path.
// Waits at most `wait`; never blocks longer.
class PathLock {
 public:
  enum class State { Held, TimedOut, Unavailable, Released };
  enum class On { Folder, LockFile };

  PathLock(const std::string& filePath, On on, std::chrono::milliseconds wait,
           const Environment& env = ProcessEnvironment());
  ~PathLock();
  PathLock(const PathLock&) = delete;
  PathLock& operator=(const PathLock&) = delete;

  State state() const { return state_; }
  bool held() const { return state_ == State::Held; }
  void Release();

 private:
  int fd_ = -1;
  State state_ = State::Unavailable;
};

}  // namespace vp::platform
