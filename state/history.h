#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include <chrono>

#include "platform/clock.h"
#include "platform/path_lock.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace vp::state {

// The 64-byte start-up history, shared on disk with the sibling counter.
struct StartHistory {
  // C time values, 32 bits on disk, read unsigned so that they stay right
  // until 2106 (a reader that takes them signed sees what it always did).
  std::uint32_t firstTime = 0;
  std::uint32_t count = 1;     // recorded start-ups + 1
  std::uint32_t lastTime = 0;  // 0 = none recorded
  std::uint32_t dayCount = 0;
  std::uint32_t dayMax = 0;
  std::array<std::uint8_t, 44> reserved{};
};

inline constexpr std::size_t kHistorySize = 64;

std::string EncodeHistory(const StartHistory& h);
StartHistory DecodeHistory(const std::string& bytes);  // bytes.size() >= 64

// Where the history lives: the sibling counter's file when it integrates us,
// else "TALLYDAT" in the working folder (workFolder, with a separator; the
// current folder when empty).
struct HistoryLocation {
  std::string path;
  bool sibling = false;  // the file is the sibling counter's, not ours to repair
};
HistoryLocation LocateHistory(platform::Registry& reg, const std::string& workFolder = {});
std::string HistoryPath(platform::Registry& reg);

enum class HistoryFileState { Missing, Valid, WrongSize, NotAFile, Unreadable };
struct HistoryLoad {
  HistoryLocation where;
  HistoryFileState state = HistoryFileState::Missing;
  std::uint64_t size = 0;
};

// now: a missing history's first start-up, from the run's own clock.
HistoryLoad LoadHistory(StartHistory& h, const HistoryLocation& where, platform::TimeValue now);
// A history is there but cannot be read as one (no rights, not a file, the
// sibling's file of another size): its count is unknown, not zero, and no run
// may replace it, so every start-up is lost until the player mends it.
bool HistoryUnreadable(const HistoryLoad& load);

enum class HistorySaveProblem {
  None, ReadOnly, NotAFile, NotAHistory, CannotKeepDamaged, WriteFailed,
  NotRead,       // the load could not read the file: replacing it would lose the count
  NoWorkFolder,  // no private working folder to keep our own history in
};
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

// Counts one start-up without saving; counters stop at their largest value.
void CountStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm);

// Counter mode's exclusive hold on the history, from loading it to saving the
// counted record, so that runs started together each count once and each
// greet with their own count. Waiting is bounded: after `wait` the run goes on
// without the lock (waitedInVain) rather than hang at logon.
//
// The sibling counter knows nothing of the lock and may rewrite its file in
// place (truncate, then write): a short read is tried again, and the record
// is saved only over the contents that were loaded; contents that changed
// meanwhile are loaded again and counted on.
class HistoryCounting {
 public:
  HistoryCounting(const HistoryLocation& where, std::chrono::milliseconds wait);
  bool waitedInVain() const { return lock_.state() == platform::PathLock::State::TimedOut; }
  // No lock of any kind could be had: runs started together may lose counts.
  bool unlocked() const { return lock_.state() == platform::PathLock::State::Unavailable; }
  HistoryLoad Load(StartHistory& h, platform::TimeValue now);
  // Record also adds the start-up to the log in this folder (state/startup_log.h),
  // once the count is saved and before the next run may count.
  void LogStartupsIn(std::string workFolder) { logFolder_ = std::move(workFolder); }
  // How the log took this start-up; nothing when it was not tried.
  std::optional<platform::AppendStatus> logged() const { return logged_; }
  // Counts, saves and lets the next run in. A history the load could not
  // read is never replaced: nothing is counted (NotRead).
  HistorySave Record(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm);
  // Counts nothing, says why and lets the next run in.
  HistorySave Skip(HistorySaveProblem why);

 private:
  struct Contents {
    platform::FileKind kind = platform::FileKind::Missing;
    std::uint64_t size = 0;
    std::string start;  // the first 64 bytes
    bool operator==(const Contents&) const = default;
  };
  Contents Read() const;

  HistoryLocation where_;
  std::optional<std::string> logFolder_;
  std::optional<platform::AppendStatus> logged_;
  platform::PathLock lock_;
  HistoryLoad loaded_;
  Contents contents_;
};

// The name a damaged history is put aside under ("TALLYDAT.damaged-20261208-0930").
std::string DamagedHistoryName(const std::string& path, platform::TimeValue now);
// Keeps a damaged file (a history, a settings file) under that name, or with
// "-2", "-3"… when it is taken, never over another kept file. The name it
// is kept as, or "" with the errno in *error.
std::string KeepDamagedFileAside(const std::string& path, platform::TimeValue now, int* error);

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
