#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "state/history.h"
#include "platform/files.h"

namespace vp::state {

// The start-up log: beside the 64-byte history, one line per counted
// start-up with the local time and its offset from UTC, ISO 8601
// ("2026-12-08T22:29:04+09:00", 26 bytes with the line end), one file a
// calendar year ("startups-2026.log" in the working folder). A year's file
// stops growing at kStartupLogYearBytes, about 40 000 start-ups; a hundred
// start-ups a day for forty years stay under 40 MiB. The history never
// depends on it: counting works the same whether the log can be written or not.
inline constexpr std::uint64_t kStartupLogYearBytes = std::uint64_t{1} << 20;

std::string StartupLogName(int year);  // "startups-2026.log"
std::string FormatStartupLine(const platform::LocalTime& local);  // with its line end

// A start-up as logged: the local calendar time where it was counted, and the
// moment itself (UTC seconds) derived from it and the offset.
struct LoggedStartup {
  platform::TimeValue time = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int utcOffset = 0;  // seconds east of UTC
  bool operator==(const LoggedStartup&) const = default;
};
// Nothing for a line that is not one of ours (damaged, cut, hand-edited).
std::optional<LoggedStartup> ParseStartupLine(std::string_view line);
// Its local time and offset as the log writes it: "2026-12-08T22:29:04+09:00".
std::string StartupTimeText(const LoggedStartup& s);

// Counter mode, under the counting lock, after the count was saved.
platform::AppendStatus AppendStartup(const std::string& workFolder, const platform::LocalTime& local);

// All years' files together are read up to this (sixteen years at the
// yearly cap, some 650 000 start-ups): hundreds of oversized files must not
// exhaust memory. The newest years are read first.
inline constexpr std::uint64_t kStartupLogReadBytes = 16 * kStartupLogYearBytes;

struct StartupLog {
  std::vector<LoggedStartup> startups;  // in time order, whatever order the lines were in
  int damagedLines = 0;                 // skipped, and left in the file as they are
  std::vector<std::string> unreadableFiles;
  std::vector<std::string> leftOutFiles;  // not read: beyond kStartupLogReadBytes, oldest first
};
StartupLog ReadStartupLog(const std::string& workFolder, std::uint64_t readBytes = kStartupLogReadBytes);

// Lines no start-up of this program can have written (before 2000, or more
// than two days after the history's last start-up, or after now when the
// history cannot say) become damaged lines: skipped, counted, kept in the
// file. The history's first start-up is no bound: a history set aside and
// begun again is younger than the log.
void KeepPlausible(StartupLog& log, const StartHistory& history, platform::TimeValue now);

}  // namespace vp::state
