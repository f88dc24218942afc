#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <set>
#include <vector>

#include "platform/files.h"
#include "state/history.h"
#include "state/notices.h"
#include "state/startup_log.h"
#include "test_support.h"

namespace vp::state {
namespace {

// Zones as the C runtime reads them: by name here, as POSIX strings on
// Windows (whose runtime knows no zone names, and the United States' rules).
#if defined(_WIN32)
constexpr const char* kNewYork = "EST5EDT";
constexpr const char* kKolkata = "IST-5:30";
#else
constexpr const char* kNewYork = "America/New_York";
constexpr const char* kKolkata = "Asia/Kolkata";
#endif

// Switches the process's time zone for one test.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) : old_(std::getenv("TZ") ? std::getenv("TZ") : "") { Set(zone); }
  ~ZoneGuard() { Set(old_.c_str()); }
  static void Set(const char* zone) {
    test::SetEnvironment("TZ", zone);
    tzset();
  }

 private:
  std::string old_;
};

platform::LocalTime At(platform::TimeValue t) {
  platform::LocalTime local;
  EXPECT_TRUE(platform::BreakDownLocal(t, local));
  return local;
}

TEST(StartupLog, LinesAreIsoTimesWithTheOffsetInForceAndComeBackToTheSameMoment) {
  test::Sandbox box;
  ZoneGuard zone(kNewYork);
  // 2026-03-08 02:00 EST the clocks went forward; 2026-11-01 02:00 EDT back.
  const platform::TimeValue beforeSpring = 1772953200 - 60, afterSpring = 1772953200 + 60;
  const platform::TimeValue firstOne = 1793512800 - 600, secondOne = 1793512800 + 3000;  // 01:50 EDT, 01:50 EST
  EXPECT_EQ(FormatStartupLine(At(beforeSpring)), "2026-03-08T01:59:00-05:00\n");
  EXPECT_EQ(FormatStartupLine(At(afterSpring)), "2026-03-08T03:01:00-04:00\n");
  EXPECT_EQ(FormatStartupLine(At(firstOne)), "2026-11-01T01:50:00-04:00\n");
  EXPECT_EQ(FormatStartupLine(At(secondOne)), "2026-11-01T01:50:00-05:00\n");
  for (platform::TimeValue t : {beforeSpring, afterSpring, firstOne, secondOne}) {
    const auto parsed = ParseStartupLine(FormatStartupLine(At(t)).substr(0, 25));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->time, t);
  }
  ZoneGuard india(kKolkata);
  EXPECT_EQ(FormatStartupLine(At(0)), "1970-01-01T05:30:00+05:30\n");
  EXPECT_EQ(ParseStartupLine("2026-12-08T13:00:00Z")->time, ParseStartupLine("2026-12-08T22:00:00+09:00")->time);
}

TEST(StartupLog, DamagedAndReorderedLinesAreSkippedOrSortedAndNeverRewritten) {
  test::Sandbox box;
  const std::string text =
      "2026-05-02T08:00:00+09:00\n"
      "garbage\n"
      "2026-05-01T23:59:59+09:00\r\n"
      "2026-02-30T10:00:00+09:00\n"   // no such day
      "2026-05-03T25:00:00+09:00\n"   // no such hour
      "2026-05-01T07:00:00+09:00";    // a last line cut before its end
  test::WriteFile(StartupLogName(2026), text);
  test::WriteFile(StartupLogName(2025), "2025-12-31T23:00:00+09:00\n");
  test::WriteFile("startups-old.log", "2020-01-01T00:00:00+09:00\n");  // not a year's file
  StartupLog log = ReadStartupLog("");
  ASSERT_EQ(log.startups.size(), 4u);
  EXPECT_EQ(log.damagedLines, 3);
  for (std::size_t i = 1; i < log.startups.size(); ++i) EXPECT_LT(log.startups[i - 1].time, log.startups[i].time);
  EXPECT_EQ(log.startups.front().year, 2025);
  // The next start-up goes on a line of its own; the damaged lines stay.
  platform::LocalTime local = At(test::LocalTimeValue(2026, 5, 4, 9, 30));
  ASSERT_EQ(AppendStartup("", local), platform::AppendStatus::Ok);
  EXPECT_EQ(test::ReadFile(StartupLogName(2026)), text + "\n2026-05-04T09:30:00+09:00\n");
  EXPECT_EQ(ReadStartupLog("").startups.size(), 5u);
}

// After a power cut the file may end in NUL bytes where a block was allocated
// and never written: not a damaged line, and the next start-up reads whole.
// A zone far from UTC (POSIX allows 24 h) writes lines the reader takes.
TEST(StartupLog, ANulTailAfterAPowerCutAndFarZonesReadWhole) {
  test::Sandbox box;
  test::WriteFile(StartupLogName(2026), std::string("2026-05-02T08:00:00+09:00\n") + std::string(4096, '\0'));
  ASSERT_EQ(AppendStartup("", At(test::LocalTimeValue(2026, 5, 4, 9, 30))), platform::AppendStatus::Ok);
  StartupLog log = ReadStartupLog("");
  EXPECT_EQ(log.startups.size(), 2u);
  EXPECT_EQ(log.damagedLines, 0);
  {
    ZoneGuard far("XYZ+20");
    const platform::TimeValue t = 1796700000;
    const std::string line = FormatStartupLine(At(t));
    EXPECT_NE(line.find("-20:00"), std::string::npos) << line;
    const auto parsed = ParseStartupLine(line.substr(0, 25));
    ASSERT_TRUE(parsed) << line;
    EXPECT_EQ(parsed->time, t);
  }
  EXPECT_FALSE(ParseStartupLine("2026-12-08T13:00:00+25:00"));
}

// The log never decides the count: whatever the log is, the history counts.
TEST(StartupLog, AFullMissingOrForeignLogNeverStopsTheCount) {
  test::Sandbox box;
  const HistoryLocation where{"TALLYDAT", false};
  const platform::TimeValue now = test::LocalTimeValue(2026, 7, 1, 12, 0);
  auto count = [&] {
    StartHistory h;
    HistoryCounting counting(where, std::chrono::seconds(5));
    counting.LogStartupsIn("");
    counting.Load(h, now);
    EXPECT_TRUE(counting.Record(h, now, At(now)));
    return h.count;
  };
  EXPECT_EQ(count(), 2u);
  EXPECT_EQ(test::ReadFile(StartupLogName(2026)), "2026-07-01T12:00:00+09:00\n");
  // Full: the line is not written.
  const std::string full(kStartupLogYearBytes - 10, 'x');
  test::WriteFile(StartupLogName(2026), full);
  EXPECT_EQ(count(), 3u);
  EXPECT_EQ(test::ReadFile(StartupLogName(2026)), full);
  // A folder, and a link planted under the log's name, are left alone.
  ASSERT_TRUE(platform::RemoveFile(StartupLogName(2026)));
  ASSERT_TRUE(test::MakeFolder(StartupLogName(2026)));
  EXPECT_EQ(count(), 4u);
  test::RemoveName(StartupLogName(2026));
  test::WriteFile("elsewhere", "keep");
  if (!test::MakeSymlink("elsewhere", StartupLogName(2026))) GTEST_SKIP() << "no symbolic links here";
  EXPECT_EQ(count(), 5u);
  EXPECT_EQ(test::ReadFile("elsewhere"), "keep");
  EXPECT_EQ(DecodeHistory(test::ReadFile("TALLYDAT")).count, 5u);
}

TEST(StartupLog, ParallelRunsEachLogOneWholeLine) {
  test::Sandbox box;
  constexpr int kRuns = 4, kRounds = 30;
  const HistoryLocation where{"TALLYDAT", false};
  EXPECT_TRUE(test::InParallelProcesses(kRuns, [&](int r) {
    for (int i = 0; i < kRounds; ++i) {
      StartHistory mine;
      HistoryCounting counting(where, std::chrono::seconds(20));
      counting.LogStartupsIn("");
      // Each run its own second, so every line can be told apart.
      const platform::TimeValue t = test::LocalTimeValue(2026, 1, 1, 0, 0) + r * 1000 + i;
      counting.Load(mine, t);
      if (!counting.Record(mine, t, At(t))) return false;
    }
    return true;
  }));
  const StartupLog log = ReadStartupLog("");
  EXPECT_EQ(log.damagedLines, 0);
  ASSERT_EQ(log.startups.size(), static_cast<std::size_t>(kRuns * kRounds));
  std::set<platform::TimeValue> distinct;
  for (const LoggedStartup& s : log.startups) distinct.insert(s.time);
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kRuns * kRounds));
  EXPECT_EQ(DecodeHistory(test::ReadFile("TALLYDAT")).count, 1u + kRuns * kRounds);
}

}  // namespace
}  // namespace vp::state

namespace vp::state {
namespace {

// Dates no start-up of ours can have: skipped and counted as damaged, and
// the calendar's years stay those of real start-ups.
TEST(StartupLog, ImpossibleDatesAreDamagedLinesNotYears) {
  test::Sandbox box;
  test::WriteFile(StartupLogName(2026),
                  "2026-05-02T08:00:00+09:00\n1970-01-01T09:00:00+09:00\n9999-12-31T23:59:59+09:00\n"
                  "2026-12-20T08:00:00+09:00\n");
  StartHistory history;
  history.count = 10;
  history.firstTime = static_cast<std::uint32_t>(test::LocalTimeValue(2026, 11, 1, 8, 0));  // set aside and begun again
  history.lastTime = static_cast<std::uint32_t>(test::LocalTimeValue(2026, 12, 8, 8, 0));
  StartupLog log = ReadStartupLog("");
  EXPECT_EQ(log.startups.size(), 4u);
  KeepPlausible(log, history, test::LocalTimeValue(2026, 12, 9, 8, 0));
  ASSERT_EQ(log.startups.size(), 1u);  // May stays: older than the history's first is no damage
  EXPECT_EQ(log.startups[0].month, 5);
  EXPECT_EQ(log.damagedLines, 3);
  // The file is never rewritten.
  EXPECT_NE(test::ReadFile(StartupLogName(2026)).find("9999"), std::string::npos);
}

// Many large years are read newest first up to a total; the older ones are
// named as left out, never read into memory.
TEST(StartupLog, TheTotalReadIsBoundedAndTheOldestYearsAreLeftOut) {
  test::Sandbox box;
  std::string year;
  for (int i = 0; i < 100; ++i) year += "2020-05-02T08:00:00+09:00\n";  // 2 600 bytes
  for (int y = 2020; y <= 2026; ++y) {
    std::string text = year;
    for (std::size_t at = 0; at < text.size(); at += 26) text.replace(at, 4, std::to_string(y));
    test::WriteFile(StartupLogName(y), text);
  }
  const StartupLog log = ReadStartupLog("", 3 * 2600);
  ASSERT_EQ(log.startups.size(), 300u);
  EXPECT_EQ(log.startups.front().year, 2024);
  EXPECT_EQ(log.startups.back().year, 2026);
  EXPECT_EQ(log.leftOutFiles, (std::vector<std::string>{"startups-2020.log", "startups-2021.log", "startups-2022.log",
                                                        "startups-2023.log"}));
  EXPECT_TRUE(log.unreadableFiles.empty());
  EXPECT_EQ(ReadStartupLog("").startups.size(), 700u);
}

TEST(StartupLog, ALinkUnderTheLogsNameIsNotRead) {
  test::Sandbox box;
  test::WriteFile("elsewhere.txt", "2026-05-02T08:00:00+09:00\n");
  if (!test::MakeSymlink("elsewhere.txt", StartupLogName(2026))) GTEST_SKIP() << "no symbolic links here";
  StartupLog log = ReadStartupLog("");
  EXPECT_TRUE(log.startups.empty());
  EXPECT_EQ(log.unreadableFiles.size(), 1u);
}

TEST(StartupLog, ALogThatDidNotTakeTheStartupIsToldWithTheWayOut) {
  EXPECT_EQ(StartupLogNotice("startups-2026.log", platform::AppendStatus::Ok), "");
  const std::string failed = StartupLogNotice("startups-2026.log", platform::AppendStatus::Failed);
  EXPECT_NE(failed.find("起動は数えました"), std::string::npos);
  EXPECT_NE(failed.find("「startups-2026.log」"), std::string::npos);
  EXPECT_NE(failed.find("権限を確かめて下さい"), std::string::npos);
  EXPECT_NE(StartupLogNotice("x", platform::AppendStatus::Full).find("移して下さい"), std::string::npos);
}

}  // namespace
}  // namespace vp::state
