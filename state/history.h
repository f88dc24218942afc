#pragma once
#include <array>
#include <cstdint>
#include <string>

#include <chrono>

#include "platform/clock.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace vp::state {

// The 64-byte start-up history, shared on disk with the sibling counter.
struct StartHistory {
  std::int32_t firstTime = 0;  // C time value, 32-bit on disk
  std::uint32_t count = 1;     // recorded start-ups + 1
  std::int32_t lastTime = 0;   // 0 = none recorded
  std::uint32_t dayCount = 0;
  std::uint32_t dayMax = 0;
  std::array<std::uint8_t, 44> reserved{};
};

inline constexpr std::size_t kHistorySize = 64;

std::string EncodeHistory(const StartHistory& h);
StartHistory DecodeHistory(const std::string& bytes);  // bytes.size() >= 64

// Where the history lives: the sibling counter's file when it integrates us,
// else "TALLYDAT" in the working folder.
struct HistoryLocation {
  std::string path;
  bool sibling = false;  // the file is the sibling counter's, not ours to repair
};
HistoryLocation LocateHistory(platform::Registry& reg);
std::string HistoryPath(platform::Registry& reg);
// The lock file that serialises counter-mode runs on one history.
std::string HistoryLockPath(const HistoryLocation& where);

enum class HistoryFileState { Missing, Valid, WrongSize, NotAFile, Unreadable };
struct HistoryLoad {
  HistoryLocation where;
  HistoryFileState state = HistoryFileState::Missing;
  std::uint64_t size = 0;
};

HistoryLoad LoadHistory(StartHistory& h, const HistoryLocation& where);
HistoryLoad LoadHistory(StartHistory& h, platform::Registry& reg);

enum class HistorySaveProblem { None, ReadOnly, NotAFile, NotAHistory, CannotKeepDamaged, WriteFailed };
struct HistorySave {
  HistorySaveProblem problem = HistorySaveProblem::None;
  int error = 0;
  std::string keptAs;  // where a damaged file was put aside before the new one was written
  std::string path;
  explicit operator bool() const { return problem == HistorySaveProblem::None; }
};

// Replaces the file with the record. Our own file of the wrong size is first put
// aside as "<name>.damaged-YYYYMMDD-HHMM"; the sibling's is never overwritten
// unless it is a 64-byte history. The record stays updated either way.
HistorySave SaveHistory(const StartHistory& h, const HistoryLocation& where, platform::TimeValue now);
HistorySave RecordStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm,
                          const HistoryLocation& where);
HistorySave RecordStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm,
                          platform::Registry& reg);

// Counts one start-up without saving; counters stop at their largest value.
void CountStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm);

// Counter mode's exclusive hold on the history, from loading it to saving the
// counted record, so that runs started together each count once and each
// greet with their own count. Waiting is bounded: after `wait` the run goes on
// without the lock (waitedInVain) rather than hang at logon.
class HistoryCounting {
 public:
  HistoryCounting(const HistoryLocation& where, std::chrono::milliseconds wait);
  bool waitedInVain() const { return lock_.state() == platform::FileLock::State::TimedOut; }
  HistoryLoad Load(StartHistory& h) const { return LoadHistory(h, where_); }
  // Counts, saves and lets the next run in.
  HistorySave Record(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm);

 private:
  HistoryLocation where_;
  platform::FileLock lock_;
};

// The name a damaged history is put aside under ("TALLYDAT.damaged-20261208-0930").
std::string DamagedHistoryName(const std::string& path, platform::TimeValue now);

StartHistory& TheHistory();

// Derived values.
inline std::uint32_t RecordedStartups(const StartHistory& h) { return h.count - 1; }
inline bool NothingRecorded(const StartHistory& h) { return h.count <= 1; }
// Whole days since the first start-up, counting the first day:
// (now − firstTime) div 86400 + 1; 0 or less when the clock stands before it.
std::int64_t DaysSinceFirst(const StartHistory& h, platform::TimeValue now);
// The same, at least 1, so a first time in the future (a damaged file or a
// clock set back) cannot divide by zero.
std::int64_t ElapsedDays(const StartHistory& h, platform::TimeValue now);
double AveragePerDay(const StartHistory& h, platform::TimeValue now);

}  // namespace vp::state
