#include "settings/startup_calendar.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/clock.h"
#include "settings/statistics.h"
#include "state/settings_notices.h"

namespace vp::settings {

CalendarYear BuildCalendarYear(const std::vector<state::LoggedStartup>& startups, int year) {
  CalendarYear c;
  c.year = year;
  c.firstDay = DayNumber(year, 1, 1);
  c.perDay.assign(static_cast<std::size_t>(DayNumber(year + 1, 1, 1) - c.firstDay), 0);
  std::set<std::int64_t> days;  // every day with a start-up, all years: runs cross the year's ends
  for (const state::LoggedStartup& s : startups) {
    const std::int64_t day = DayNumber(s.year, s.month, s.day);
    days.insert(day);
    if (s.year != year) continue;
    ++c.perDay[static_cast<std::size_t>(day - c.firstDay)];
    ++c.perHour[static_cast<std::size_t>(s.hour)];
    ++c.total;
  }
  for (std::size_t i = 0; i < c.perDay.size(); ++i) {
    if (c.perDay[i] == 0) continue;
    ++c.daysWithStartups;
    if (c.perDay[i] > c.busiestCount) {
      c.busiestCount = c.perDay[i];
      c.busiestDay = c.firstDay + static_cast<std::int64_t>(i);
    }
  }
  const std::int64_t lastDay = c.firstDay + static_cast<std::int64_t>(c.perDay.size()) - 1;
  DayRun run;
  for (std::int64_t day : days) {
    if (run.Length() > 0 && day == run.last + 1) {
      run.last = day;
    } else {
      run = {day, day};
    }
    const bool touchesYear = run.last >= c.firstDay && run.first <= lastDay;
    if (touchesYear && run.Length() > c.longestRun.Length()) c.longestRun = run;
  }
  return c;
}

std::vector<int> CalendarYears(const std::vector<state::LoggedStartup>& startups, const state::StartHistory& history,
                               int currentYear) {
  std::set<int> years{currentYear};
  for (const state::LoggedStartup& s : startups) years.insert(s.year);
  for (std::uint32_t t : {history.firstTime, history.lastTime}) {
    platform::LocalTime local;
    if (!state::NothingRecorded(history) && t != 0 && platform::BreakDownLocal(t, local)) years.insert(local.year);
  }
  // Only the years the data names, not the span between them: a clock once
  // set decades off would otherwise offer decades of empty years.
  return {years.begin(), years.end()};
}

int ShadeOf(int count) {
  if (count <= 0) return 0;
  if (count <= 2) return count;
  return count <= 4 ? 3 : 4;
}

bool LogStartsAfterHistory(const std::vector<state::LoggedStartup>& startups, const state::StartHistory& history) {
  if (state::NothingRecorded(history)) return false;
  if (startups.empty()) return true;
  // The history holds the first start-up's second; the log its local second
  // with the offset. A minute covers clocks that moved between the two writes.
  return static_cast<platform::TimeValue>(history.firstTime) + 60 < startups.front().time;
}

DayRun UnvouchedDays(const std::vector<state::LoggedStartup>& startups, const state::StartHistory& history) {
  if (state::NothingRecorded(history) || history.lastTime == 0 || startups.empty()) return {};
  platform::LocalTime last;
  if (!platform::BreakDownLocal(static_cast<platform::TimeValue>(history.lastTime), last)) return {};
  const std::int64_t lastDay = DayNumber(last.year, last.month, last.day);
  const state::LoggedStartup& newest = startups.back();
  const std::int64_t newestDay = DayNumber(newest.year, newest.month, newest.day);
  // A minute covers clocks that moved between the history's write and the log's.
  if (newest.time + 60 < static_cast<platform::TimeValue>(history.lastTime))
    return newestDay <= lastDay ? DayRun{newestDay, lastDay} : DayRun{lastDay, lastDay};
  std::uint32_t onLastDay = 0;
  for (const state::LoggedStartup& s : startups) onLastDay += DayNumber(s.year, s.month, s.day) == lastDay ? 1 : 0;
  if (onLastDay < history.dayCount) return {lastDay, lastDay};
  return {};
}

std::string DateText(std::int64_t dayNumber) {
  const CivilDate d = DateOf(dayNumber);
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d", d.year, d.month, d.day);
  return text;
}

CalendarTexts DescribeCalendar(const CalendarYear& year, const state::StartupLog& log,
                               const state::StartHistory& history) {
  CalendarTexts t;
  t.total = std::to_string(year.year) + "年の起動: " + std::to_string(year.total) + " 回（起動した日: " +
            std::to_string(year.daysWithStartups) + " 日）";
  t.longestRun = year.longestRun.Length() > 0
                     ? "最長連続: " + std::to_string(year.longestRun.Length()) + " 日（" +
                           DateText(year.longestRun.first) + "〜" + DateText(year.longestRun.last) + "）"
                     : std::string("最長連続: なし");
  t.busiestDay = year.busiestDay >= 0 ? "最も起動した日: " + DateText(year.busiestDay) + "（" +
                                            std::to_string(year.busiestCount) + " 回）"
                                      : std::string("最も起動した日: なし");
  if (LogStartsAfterHistory(log.startups, history)) {
    const std::string since = log.startups.empty()
                                  ? std::string("起動の記録はまだありません。")
                                  : "起動の記録は " + DateTimeText(log.startups.front().time) + " から始まっています。";
    t.note = since + "それより前の起動は日ごとには分かりません。履歴から分かるのは、初回起動 " +
             DateTimeText(history.firstTime) + "、前回起動 " + DateTimeText(history.lastTime) + "、合計 " +
             std::to_string(state::RecordedStartups(history)) + " 回です。";
  }
  t.problems = state::StartupLogProblemsText(log.damagedLines, log.unreadableFiles, log.leftOutFiles);
  if (year.unvouched.Length() > 0) {
    const std::string days = year.unvouched.Length() == 1
                                 ? DateText(year.unvouched.first)
                                 : DateText(year.unvouched.first) + "〜" + DateText(year.unvouched.last);
    t.problems += (t.problems.empty() ? "" : "\n") + days +
                  "（斜線の日）の起動は記録に抜けがあり、実際はもっと多く起動しています（履歴では前回起動 " +
                  DateTimeText(history.lastTime) + "）。起動の記録に書き込めなかった間の分です。";
  }
  return t;
}

std::string StartupLogCsv(const std::vector<state::LoggedStartup>& startups) {
  static const char* kWeekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};
  std::string csv = "\xEF\xBB\xBF";
  csv += "起動日時,日付,時刻,曜日,UTCとの差\r\n";
  for (const state::LoggedStartup& s : startups) {
    const int magnitude = s.utcOffset < 0 ? -s.utcOffset : s.utcOffset;
    char row[128];
    std::snprintf(row, sizeof row, ",%04d/%02d/%02d,%02d:%02d:%02d,", s.year, s.month, s.day, s.hour, s.minute,
                  s.second);
    csv += state::StartupTimeText(s) + row;
    csv += kWeekdays[DateOf(DayNumber(s.year, s.month, s.day)).weekday];
    std::snprintf(row, sizeof row, ",%c%02d:%02d\r\n", s.utcOffset < 0 ? '-' : '+', magnitude / 3600, magnitude / 60 % 60);
    csv += row;
  }
  return csv;
}

std::string DayCountText(const CalendarYear& year, std::size_t index) {
  static const char* const kWeekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};
  const std::int64_t day = year.firstDay + static_cast<std::int64_t>(index);
  const int count = index < year.perDay.size() ? year.perDay[index] : 0;
  return DateText(day) + "（" + kWeekdays[DateOf(day).weekday] + "）: " + std::to_string(count) +
         (year.Unvouched(index) ? " 回以上（記録に抜けがあります）" : " 回");
}

}  // namespace vp::settings
