#pragma once
#include <functional>
#include <string>

#include "platform/clock.h"
#include "platform/registry.h"

namespace vp::test {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs the test in its own working folder and registry folder.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  platform::RegFileRegistry& registry() { return registry_; }
  const TempDir& work() const { return work_; }
  const TempDir& regDir() const { return regDir_; }
  std::string RegText(platform::RegRoot root) const;
  void WriteReg(platform::RegRoot root, const std::string& text) const;

 private:
  TempDir work_;
  TempDir regDir_;
  platform::RegFileRegistry registry_;
  std::string oldCwd_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);

// Seconds since 1970 of a local time (TZ is fixed by the test runner).
platform::TimeValue LocalTimeValue(int year, int month, int day, int hour, int minute, int second = 0);
platform::LocalTime Breakdown(platform::TimeValue t);

// A Unix socket listening at path that never accepts: connects succeed (the
// backlog) and nobody ever speaks, as with a stopped daemon. -1 on failure.
int ListenSilently(const std::string& path);

// Runs `work(i)` in n child processes at once; true when every one returned true.
bool InParallelProcesses(int n, const std::function<bool(int)>& work);

}  // namespace vp::test
