#include <gtest/gtest.h>

#include <vector>

#include "settings/startup_calendar.h"

namespace vp::settings {
namespace {

std::vector<state::LoggedStartup> Log(std::initializer_list<const char*> lines) {
  std::vector<state::LoggedStartup> log;
  for (const char* line : lines) {
    auto s = state::ParseStartupLine(line);
    EXPECT_TRUE(s) << line;
    if (s) log.push_back(*s);
  }
  return log;
}

TEST(StartupCalendar, DayNumbersAreConsecutiveAcrossMonthsLeapDaysAndYears) {
  EXPECT_EQ(DayNumber(1970, 1, 1), 0);
  EXPECT_EQ(DayNumber(2024, 3, 1) - DayNumber(2024, 2, 28), 2);  // 29 February
  EXPECT_EQ(DayNumber(2026, 1, 1) - DayNumber(2025, 12, 31), 1);
  for (std::int64_t day : {DayNumber(2000, 2, 29), DayNumber(2026, 12, 8), DayNumber(2100, 3, 1)}) {
    const CivilDate d = DateOf(day);
    EXPECT_EQ(DayNumber(d.year, d.month, d.day), day);
  }
  EXPECT_EQ(DateOf(DayNumber(2026, 12, 8)).weekday, 2);  // a Tuesday
}

TEST(StartupCalendar, TheLongestRunCountsInFullAcrossTheYearBoundary) {
  const auto log = Log({"2025-12-29T08:00:00+09:00", "2025-12-30T08:00:00+09:00", "2025-12-31T23:59:00+09:00",
                        "2026-01-01T00:01:00+09:00", "2026-01-02T09:00:00+09:00", "2026-01-05T09:00:00+09:00",
                        "2026-01-06T09:00:00+09:00"});
  for (int year : {2025, 2026}) {
    const CalendarYear c = BuildCalendarYear(log, year);
    EXPECT_EQ(c.longestRun.Length(), 5) << year;
    EXPECT_EQ(c.longestRun.first, DayNumber(2025, 12, 29));
    EXPECT_EQ(c.longestRun.last, DayNumber(2026, 1, 2));
  }
  EXPECT_EQ(BuildCalendarYear(log, 2024).longestRun.Length(), 0);
  EXPECT_EQ(BuildCalendarYear(log, 2026).total, 4);
  EXPECT_EQ(BuildCalendarYear(log, 2026).daysWithStartups, 4);
}

// A start-up belongs to the day and hour it was counted in where it was
// counted: travelling and daylight saving move nobody's start-ups afterwards.
TEST(StartupCalendar, DaysAndHoursAreTheLocalOnesWrittenWithEachStartup) {
  const auto log = Log({
      "2026-03-08T01:59:00-05:00", "2026-03-08T03:01:00-04:00",  // the hour New York skipped
      "2026-11-01T01:50:00-04:00", "2026-11-01T01:50:00-05:00",  // the hour New York had twice
      "2026-06-30T23:30:00+09:00", "2026-06-30T15:30:00+01:00",  // Tokyo, then London, the same day
      "2026-07-01T00:30:00+09:00",
  });
  const CalendarYear c = BuildCalendarYear(log, 2026);
  EXPECT_EQ(c.perDay[static_cast<std::size_t>(DayNumber(2026, 3, 8) - c.firstDay)], 2);
  EXPECT_EQ(c.perDay[static_cast<std::size_t>(DayNumber(2026, 11, 1) - c.firstDay)], 2);
  EXPECT_EQ(c.perDay[static_cast<std::size_t>(DayNumber(2026, 6, 30) - c.firstDay)], 2);
  EXPECT_EQ(c.perDay[static_cast<std::size_t>(DayNumber(2026, 7, 1) - c.firstDay)], 1);
  EXPECT_EQ(c.perHour[1], 3);
  EXPECT_EQ(c.perHour[2], 0);
  EXPECT_EQ(c.perHour[3], 1);
  EXPECT_EQ(c.perHour[23], 1);
  EXPECT_EQ(c.perHour[15], 1);
  EXPECT_EQ(c.perHour[0], 1);
  EXPECT_EQ(c.total, 7);
  EXPECT_EQ(c.busiestCount, 2);
  EXPECT_EQ(c.busiestDay, DayNumber(2026, 3, 8));  // the first of the days with two
  EXPECT_EQ(c.perDay.size(), 365u);
  EXPECT_EQ(BuildCalendarYear(log, 2028).perDay.size(), 366u);
}

TEST(StartupCalendar, YearsShadesAndTheNoteWhenTheHistoryIsOlderThanTheLog) {
  state::StartHistory history;
  EXPECT_FALSE(LogStartsAfterHistory({}, history));  // nothing recorded anywhere
  const auto log = Log({"2026-12-01T08:00:00+09:00", "2026-12-08T08:00:00+09:00"});
  history.count = 3;
  history.firstTime = static_cast<std::uint32_t>(log.front().time);
  history.lastTime = static_cast<std::uint32_t>(log.back().time);
  EXPECT_FALSE(LogStartsAfterHistory(log, history));
  history.firstTime -= 400 * 86400;
  EXPECT_TRUE(LogStartsAfterHistory(log, history));
  EXPECT_TRUE(LogStartsAfterHistory({}, history));
  EXPECT_EQ(CalendarYears(log, history, 2026), (std::vector<int>{2025, 2026}));
  EXPECT_EQ(CalendarYears({}, state::StartHistory{}, 2030), (std::vector<int>{2030}));
  const int shades[] = {ShadeOf(0), ShadeOf(1), ShadeOf(2), ShadeOf(3), ShadeOf(4), ShadeOf(5), ShadeOf(80)};
  EXPECT_EQ(std::vector<int>(std::begin(shades), std::end(shades)), (std::vector<int>{0, 1, 2, 3, 3, 4, 4}));
}

TEST(StartupCalendar, CsvHasAHeaderForSpreadsheetsAndARowPerStartup) {
  const auto log = Log({"2026-12-08T22:29:04+09:00", "2026-11-01T01:50:00-05:00"});
  EXPECT_EQ(StartupLogCsv(log),
            "\xEF\xBB\xBF起動日時,日付,時刻,曜日,UTCとの差\r\n"
            "2026-12-08T22:29:04+09:00,2026/12/08,22:29:04,火,+09:00\r\n"
            "2026-11-01T01:50:00-05:00,2026/11/01,01:50:00,日,-05:00\r\n");
}

}  // namespace
}  // namespace vp::settings

namespace vp::settings {
namespace {

TEST(StartupCalendar, TheTextsNameTheYearTheRunTheBusiestDayAndWhatTheHistoryAloneKnows) {
  state::StartupLog log;
  log.startups = Log({"2026-12-07T08:00:00+09:00", "2026-12-08T08:00:00+09:00", "2026-12-08T21:00:00+09:00"});
  log.damagedLines = 2;
  state::StartHistory history;
  history.count = 4;
  history.firstTime = static_cast<std::uint32_t>(log.startups.front().time);
  history.lastTime = static_cast<std::uint32_t>(log.startups.back().time);
  CalendarTexts t = DescribeCalendar(BuildCalendarYear(log.startups, 2026), log, history);
  EXPECT_EQ(t.total, "2026年の起動: 3 回（起動した日: 2 日）");
  EXPECT_EQ(t.longestRun, "最長連続: 2 日（2026/12/07〜2026/12/08）");
  EXPECT_EQ(t.busiestDay, "最も起動した日: 2026/12/08（2 回）");
  EXPECT_EQ(t.note, "");
  EXPECT_NE(t.problems.find("2 行"), std::string::npos);
  history.firstTime -= 30 * 86400;
  t = DescribeCalendar(BuildCalendarYear(log.startups, 2025), log, history);
  EXPECT_EQ(t.total, "2025年の起動: 0 回（起動した日: 0 日）");
  EXPECT_EQ(t.busiestDay, "最も起動した日: なし");
  EXPECT_EQ(t.note.rfind("起動の記録は 2026/12/07 08:00 から始まっています。", 0), 0u) << t.note;
  EXPECT_NE(t.note.find("初回起動 2026/11/07 08:00"), std::string::npos) << t.note;
  EXPECT_NE(t.note.find("合計 3 回"), std::string::npos) << t.note;
}

// The log missed start-ups (it could not be written for a while): the
// history's last start-up and its count that day say which days those were.
TEST(StartupCalendar, DaysTheLogMissesAreMarkedFromTheHistorysOwnLastStartup) {
  state::StartupLog log;
  log.startups = Log({"2026-12-01T08:00:00+09:00", "2026-12-03T08:00:00+09:00", "2026-12-08T08:00:00+09:00"});
  state::StartHistory history;
  history.count = 9;
  history.firstTime = static_cast<std::uint32_t>(log.startups.front().time);
  history.lastTime = static_cast<std::uint32_t>(log.startups.back().time);
  history.dayCount = 1;
  EXPECT_EQ(UnvouchedDays(log.startups, history).Length(), 0);  // they agree
  history.dayCount = 5;  // five on the 8th, one logged
  DayRun missed = UnvouchedDays(log.startups, history);
  EXPECT_EQ(DateText(missed.first), "2026/12/08");
  EXPECT_EQ(missed.Length(), 1);
  // The log stopped on the 3rd; the history counted on until the 8th.
  log.startups.pop_back();
  history.dayCount = 1;
  missed = UnvouchedDays(log.startups, history);
  EXPECT_EQ(DateText(missed.first), "2026/12/03");
  EXPECT_EQ(DateText(missed.last), "2026/12/08");
  CalendarYear year = BuildCalendarYear(log.startups, 2026);
  year.unvouched = missed;
  const std::size_t dec3 = static_cast<std::size_t>(DayNumber(2026, 12, 3) - year.firstDay);
  EXPECT_EQ(DayCountText(year, dec3), "2026/12/03（木）: 1 回以上（記録に抜けがあります）");
  EXPECT_EQ(DayCountText(year, dec3 - 2), "2026/12/01（火）: 1 回");
  const CalendarTexts t = DescribeCalendar(year, log, history);
  EXPECT_NE(t.problems.find("2026/12/03〜2026/12/08（斜線の日）の起動は記録に抜けがあり"), std::string::npos) << t.problems;
  // Nothing logged yet, or nothing counted: the note speaks instead, no day is marked.
  EXPECT_EQ(UnvouchedDays({}, history).Length(), 0);
  EXPECT_EQ(UnvouchedDays(log.startups, state::StartHistory{}).Length(), 0);

  log.leftOutFiles = {"startups-2001.log", "startups-2002.log"};
  EXPECT_NE(DescribeCalendar(year, log, history).problems.find("読み込んでいません: startups-2001.log、startups-2002.log"),
            std::string::npos);
}

}  // namespace
}  // namespace vp::settings
