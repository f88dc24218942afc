#pragma once
#include <chrono>
#include <string>

namespace vp::platform {

// An exclusive advisory lock (flock) on a lock file, released on destruction.
// The lock file is never written and never removed: removing it would let two
// runs lock two different files.
class FileLock {
 public:
  enum class State { Held, TimedOut, Unavailable };

  // Waits at most `wait` for the lock; never blocks longer.
  FileLock(const std::string& lockPath, std::chrono::milliseconds wait);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  State state() const { return state_; }
  bool held() const { return state_ == State::Held; }
  void Release();

 private:
  int fd_ = -1;
  State state_ = State::Unavailable;
};

}  // namespace vp::platform
