#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/civil_date.h"
#include "state/history.h"
#include "state/startup_log.h"

namespace vp::settings {

// Days are numbered by DayNumber (base/civil_date.h).

// Consecutive days with a start-up, first and last day included.
struct DayRun {
  std::int64_t first = 0, last = -1;
  int Length() const { return static_cast<int>(last - first + 1); }
};

// One year of the log. A start-up belongs to the local calendar day and hour
// it was counted in, as the history's own day counter takes it: the offset
// written with it, never the time zone of whoever looks now.
struct CalendarYear {
  int year = 0;
  std::int64_t firstDay = 0;  // the day number of 1 January
  std::vector<int> perDay;    // 365 or 366 counts
  std::array<int, 24> perHour{};
  int total = 0;
  int daysWithStartups = 0;
  int busiestCount = 0;
  std::int64_t busiestDay = -1;  // the first of the busiest days; -1 for an empty year
  DayRun longestRun;             // the longest run that touches this year, counted in full
  DayRun unvouched;              // days whose counts may be short (UnvouchedDays), any year
  bool Unvouched(std::size_t index) const {
    const std::int64_t day = firstDay + static_cast<std::int64_t>(index);
    return day >= unvouched.first && day <= unvouched.last;
  }
};
CalendarYear BuildCalendarYear(const std::vector<state::LoggedStartup>& startups, int year);

// The years to offer, newest last: every year with a logged start-up, the
// history's first and last years, and the current one.
std::vector<int> CalendarYears(const std::vector<state::LoggedStartup>& startups, const state::StartHistory& history,
                               int currentYear);

// The legend's shades: 0 for no start-up, then 1, 2, 3-4 and 5 or more.
int ShadeOf(int count);
inline constexpr int kShades = 5;

// Whether the history knows start-ups from before the log's first line (the
// log came later than the history, or could not be written for a while).
bool LogStartsAfterHistory(const std::vector<state::LoggedStartup>& startups, const state::StartHistory& history);

// The days the log cannot vouch for: the history's own last start-up, or its
// count of start-ups that day, tells of start-ups the log does not hold (it
// could not be written for a while). From the day of the log's last start-up
// to the history's last day; an empty run when the two agree.
DayRun UnvouchedDays(const std::vector<state::LoggedStartup>& startups, const state::StartHistory& history);

// What the window says beside the grid, in Japanese.
struct CalendarTexts {
  std::string total;       // "2026年の起動: 120 回（起動した日: 80 日）"
  std::string longestRun;  // "最長連続: 12 日（2025/12/29〜2026/01/09）"
  std::string busiestDay;  // "最も起動した日: 2026/03/08（5 回）"
  std::string note;        // about a history older than the log, or ""
  std::string problems;    // damaged lines, unreadable or left-out files, days the log misses, or ""
};
CalendarTexts DescribeCalendar(const CalendarYear& year, const state::StartupLog& log,
                               const state::StartHistory& history);
std::string DateText(std::int64_t dayNumber);  // "2026/03/08"
// One day of a year as the grid tells it: "2026/03/08（日）: 3 回", and
// "2026/03/08（日）: 3 回以上（記録に抜けがあります）" on a day the log cannot vouch for.
std::string DayCountText(const CalendarYear& year, std::size_t index);

// The log for a spreadsheet: UTF-8 with a byte order mark (so spreadsheet
// programs read the Japanese header), CRLF line ends, one row a start-up.
std::string StartupLogCsv(const std::vector<state::LoggedStartup>& startups);

}  // namespace vp::settings
