#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace vp::test {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return platform::JoinPath(path_, name); }

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
// text as a quoted .reg string's inside: backslashes and quotes escaped.
std::string RegString(const std::string& text);
std::string ReadFile(const std::string& path);

// Seconds since 1970 of a local time (TZ is fixed by the test runner).
platform::TimeValue LocalTimeValue(int year, int month, int day, int hour, int minute, int second = 0);
platform::LocalTime Breakdown(platform::TimeValue t);

// What the tests plant, on both systems. False where the system has no such
// thing (no FIFO on Windows, no symbolic link without the right to make one):
// the test then skips, saying so.
bool MakeSymlink(const std::string& target, const std::string& link);
bool MakeFifo(const std::string& path);
bool MakeFolder(const std::string& path);
// Removes a file, a link or an empty folder under the name.
void RemoveName(const std::string& path);
// Permission bits; on Windows only the owner's write bit counts, as the
// read-only attribute. False when the system cannot give the path such modes
// (a folder's rights on Windows).
bool SetMode(const std::string& path, int mode);
void SetEnvironment(const char* name, const char* value);  // null: unset
// The permission bits; nothing on Windows, whose files have none.
std::optional<int> PermissionBits(const std::string& path);
// Sets the time the file last changed (seconds since 1970).
bool SetChangeTime(const std::string& path, std::int64_t seconds);

// The zone the tests run in (Japan, no daylight saving), as the C runtime
// reads it: "Asia/Tokyo" here, "JST-9" on Windows.
extern const char* const kJapanZone;

// Ends the session as the desktop would for this process: SIGTERM here;
// on Windows WM_QUERYENDSESSION then WM_ENDSESSION to the termination
// watch's window. False when there was nobody to tell.
bool EndTheSession();

// A Unix socket listening at path that never accepts: connects succeed (the
// backlog) and nobody ever speaks, as with a stopped daemon. -1 on failure.
int ListenSilently(const std::string& path);

// Runs `work(i)` in n child processes at once; true when every one returned
// true. Windows has no fork: there they are threads, each with its own
// handles, whose locks (LockFileEx) exclude each other as processes' do.
bool InParallelProcesses(int n, const std::function<bool(int)>& work);

}  // namespace vp::test
