#include <gtest/gtest.h>

#include <set>

#include "counter/greeting.h"
#include "platform/text.h"
#include "test_support.h"

namespace vp::counter {
namespace {

using platform::LocalTime;

// 8 pixels per code page 932 byte at 12 points; height = points + 4.
TextExtent FixedMeasure(const std::string& text, int points) {
  return {platform::Cp932Length(text) * points * 2 / 3, points + 4};
}

LocalTime At(int year, int month, int day, int hour, int minute, int second, int weekday = 1) {
  LocalTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  t.weekday = weekday;
  return t;
}

class Composition : public ::testing::Test {
 protected:
  GreetingComposer composer{FixedMeasure};
  state::Settings settings;
  state::StartHistory history;

  CounterComposition Report(const LocalTime& t, bool historyRead = true) {
    CounterComposition c;
    c.labels = DesignLabels(FixedMeasure);
    composer.ComposeReport(c, settings, history, Time(t), historyRead);
    return c;
  }
  static platform::TimeValue Time(const LocalTime& t) {
    return test::LocalTimeValue(t.year, t.month, t.day, t.hour, t.minute) + t.second;
  }
  std::pair<int, int> Choose(int rand, int second, const std::string& usewave = "111111", int wave = 1) {
    state::Settings s;
    s.char0 = 2;
    s.char1 = 4;
    s.rand = rand;
    s.usewave = usewave;
    s.wave = wave;
    composer.ChooseCharacters(s, At(2026, 6, 10, 12, 0, second));
    return {s.char0, s.char1};
  }
};

// An unreadable history loads as a fresh one (count 1): the count line must
// say it could not be read, never "first", and the day's remark still comes.
TEST_F(Composition, AnUnreadableHistoryIsNeverTheFirstStartUp) {
  settings.char1 = 1;
  CounterComposition c = Report(At(2026, 6, 10, 12, 0, 0), false);
  EXPECT_EQ(c.labels.char1A.text + c.labels.count.text + c.labels.char1B.text, "起動履歴を読めないため未記録です。");
  EXPECT_FALSE(c.labels.last.visible);
  c = Report(At(2026, 12, 25, 12, 0, 0), false);
  EXPECT_EQ(c.labels.last.text, "クリスマス");
  EXPECT_EQ(c.labels.count.text, "読めない");
  // Nothing from the history itself: no anniversary, no time since the last start-up.
  history.count = 7;
  history.firstTime = static_cast<std::uint32_t>(test::LocalTimeValue(2020, 6, 10, 9, 0));
  history.lastTime = static_cast<std::uint32_t>(test::LocalTimeValue(2026, 6, 10, 9, 0));
  c = Report(At(2026, 6, 10, 12, 0, 0), false);
  EXPECT_FALSE(c.labels.last.visible);
  EXPECT_EQ(c.labels.count.text, "読めない");
}

TEST(CharacterTable, NamesFollowTheModeAndSetting) {
  EXPECT_EQ(shell::CharacterName(-1, 2, 0), "桐生 葵");
  EXPECT_EQ(shell::CharacterName(-1, 2, 7), "アオ");
  EXPECT_EQ(shell::CharacterName(0, 2, 7), "桐生 葵");
  EXPECT_EQ(shell::CharacterName(1, 0, 0), "あかり");
  EXPECT_EQ(shell::CharacterName(0, 6, 0), "");
}

TEST(CharacterTable, MirroredChipPutsTheLastColumnFirst) {
  png::Bitmap chip, target;
  chip.SetSize(111, 111);
  target.SetSize(111, 111);
  chip.ScanLine(5)[3 * 110] = 77;
  chip.ScanLine(5)[0] = 11;
  shell::DrawChip(chip, target, true);
  EXPECT_EQ(target.ScanLine(5)[0], 77);
  EXPECT_EQ(target.ScanLine(5)[3 * 110], 11);
  shell::DrawChip(chip, target, false);
  EXPECT_EQ(target.ScanLine(5)[0], 11);
}

TEST(CharacterTable, BirthdaysAreDistinctAndNoneOnASpecialDay) {
  const auto& table = shell::Characters();
  for (int i = 0; i < 6; ++i) {
    for (int j = i + 1; j < 6; ++j)
      EXPECT_FALSE(table[i].birthMonth == table[j].birthMonth && table[i].birthDay == table[j].birthDay);
    for (const auto& day : SpecialDays())
      EXPECT_FALSE(day.month == table[i].birthMonth && day.day == table[i].birthDay) << table[i].fullName;
  }
}

TEST_F(Composition, ChoosingCharactersByRandMode) {
  EXPECT_EQ(Choose(0, 10), std::make_pair(2, 4));
  EXPECT_EQ(Choose(7, 10), std::make_pair(2, 4));
  EXPECT_EQ(Choose(3, 10), std::make_pair(4, 2));  // even second exchanges
  EXPECT_EQ(Choose(3, 11), std::make_pair(2, 4));
  EXPECT_EQ(Choose(2, 14), std::make_pair(2, 3));  // 14 mod 6 = 2 = left, so 3
  EXPECT_EQ(Choose(2, 15), std::make_pair(2, 3));
  EXPECT_EQ(Choose(1, 3), std::make_pair(3, 0));
  EXPECT_EQ(Choose(1, 0), std::make_pair(0, 1));
  EXPECT_EQ(Choose(1, 59), std::make_pair(5, 3));
  EXPECT_EQ(Choose(1, 2, "100000").first, 0);  // steps by 1 from 2 to 0
  EXPECT_EQ(Choose(1, 9, "100000").first, 0);  // step 2 would circle 3, 5, 1: ends on single steps
  // A damaged or short usewave: only a '1' is a voice that plays, so the
  // left character chosen for its voice is one whose voice will be heard.
  EXPECT_EQ(Choose(1, 1, "1x1111").first, 2);
  EXPECT_EQ(Choose(1, 4, "01").first, 1);
  EXPECT_EQ(Choose(1, 9, "000000").first, 3);
  EXPECT_EQ(Choose(1, 9, "100000", 0).first, 3);
}

TEST_F(Composition, FirstStartUpOnAnOrdinaryDay) {
  history.count = 1;
  settings.char1 = 0;
  auto c = Report(At(2026, 6, 10, 8, 0, 0));
  EXPECT_EQ(c.labels.char1A.text, "今回が");
  EXPECT_EQ(c.labels.count.text, "初めて");
  EXPECT_EQ(c.labels.char1B.text, "の起動だよ！");
  EXPECT_FALSE(c.labels.char1C.visible);
  EXPECT_FALSE(c.labels.last.visible);
  EXPECT_EQ(c.labels.char1A.top, 79 + 12);
  EXPECT_EQ(c.labels.count.top, 79 + 12);
  // The follower moved by the change of the count's width: "初めて" is 6 bytes, "99999" 5.
  EXPECT_EQ(c.labels.char1B.left, 270 + 8);
}

TEST_F(Composition, RoundCounts) {
  for (std::uint32_t n : {100u, 3000u, 10000u}) EXPECT_TRUE(IsRoundNumber(n)) << n;
  for (std::uint32_t n : {99u, 110u, 1500u, 10u, 0u}) EXPECT_FALSE(IsRoundNumber(n)) << n;
  history.count = 100;
  auto c = Report(At(2026, 6, 10, 8, 0, 0));
  EXPECT_EQ(c.labels.char1A.text, "ちょうど");
  EXPECT_EQ(c.labels.count.text, "100");
  history.count = 110;
  EXPECT_EQ(Report(At(2026, 6, 10, 8, 0, 0)).labels.char1A.text, "通算で");
}

TEST_F(Composition, ElapsedTextAtItsBounds) {
  EXPECT_EQ(ElapsedText(59), "");
  EXPECT_EQ(ElapsedText(60), "1分");
  EXPECT_EQ(ElapsedText(3599), "59分");
  EXPECT_EQ(ElapsedText(3600), "1時間");
  EXPECT_EQ(ElapsedText(3660), "1時間1分");
  EXPECT_EQ(ElapsedText(3725), "1時間2分");
  EXPECT_EQ(ElapsedText(86399), "23時間59分");
  EXPECT_EQ(ElapsedText(86400), "1日");
  EXPECT_EQ(ElapsedText(90000), "1日と1時間");
  EXPECT_EQ(ElapsedText(863999), "9日と23時間");
  EXPECT_EQ(ElapsedText(864000), "10日");
}

TEST_F(Composition, PreviousStartUpAndClockTurnedBack) {
  history.count = 5;
  const platform::TimeValue now = Time(At(2026, 6, 10, 8, 0, 0));
  history.lastTime = now - 3725;
  settings.char1 = 1;
  auto c = Report(At(2026, 6, 10, 8, 0, 0));
  EXPECT_EQ(c.labels.char1C.text, "前回は");
  EXPECT_EQ(c.labels.last.text, "1時間2分");
  EXPECT_EQ(c.labels.char1D.text, "前に起動しました。");
  EXPECT_TRUE(c.labels.last.visible);
  history.lastTime = now + 100;  // later than now
  EXPECT_FALSE(Report(At(2026, 6, 10, 8, 0, 0)).labels.last.visible);
  history.lastTime = now - 59;
  EXPECT_FALSE(Report(At(2026, 6, 10, 8, 0, 0)).labels.last.visible);
  history.lastTime = now - 60;  // a minute exactly is one
  c = Report(At(2026, 6, 10, 8, 0, 0));
  EXPECT_TRUE(c.labels.last.visible);
  EXPECT_EQ(c.labels.last.text, "1分");
}

TEST_F(Composition, SpecialDayBeatsABirthday) {
  shell::CharacterTable table = shell::Characters();
  table[3].birthMonth = 1;
  table[3].birthDay = 1;
  GreetingComposer custom(FixedMeasure, ContentTables{&table});
  settings.rand = 1;
  settings.char0 = 0;
  settings.char1 = 1;
  CounterComposition c;
  c.labels = DesignLabels(FixedMeasure);
  custom.ComposeReport(c, settings, history, Time(At(2027, 1, 1, 9, 0, 0)));
  EXPECT_EQ(c.labels.char1C.text, "今日は");
  EXPECT_EQ(c.labels.last.text, "元旦");
  EXPECT_EQ(c.labels.last.colour, kSpecialDayGreen);
  EXPECT_EQ(c.labels.char1D.text, "です。");
  EXPECT_EQ(settings.char0, 0);  // nobody moved
}

TEST_F(Composition, BirthdayMoveAndAddress) {
  // 桐生 葵 (2) has her birthday on 17 May.
  settings.rand = 1;
  settings.char0 = 0;
  settings.char1 = 2;
  auto c = Report(At(2026, 5, 17, 9, 0, 0));
  EXPECT_EQ(settings.char0, 2);
  EXPECT_EQ(settings.char1, 0);  // the former left announces it
  EXPECT_EQ(c.labels.last.text, "アオちゃん");
  EXPECT_EQ(c.labels.last.colour, shell::Characters()[2].colour);
  EXPECT_EQ(c.labels.char1D.text, " の誕生日だよ！");

  settings.rand = 0;
  settings.char0 = 0;
  settings.char1 = 5;
  c = Report(At(2026, 5, 17, 9, 0, 0));
  EXPECT_EQ(settings.char0, 0);
  EXPECT_EQ(settings.char1, 5);
  EXPECT_EQ(c.labels.last.text, "葵さん");

  // Two birthdays today: the lower index is told.
  shell::CharacterTable table = shell::Characters();
  table[4].birthMonth = 5;
  table[4].birthDay = 17;
  GreetingComposer custom(FixedMeasure, ContentTables{&table});
  settings.char1 = 5;
  c.labels = DesignLabels(FixedMeasure);
  custom.ComposeReport(c, settings, history, Time(At(2026, 5, 17, 9, 0, 0)));
  EXPECT_EQ(c.labels.last.text, "葵さん");
}

// The pictures are drawn before the greeting is composed: the choice made
// without measuring must be the composition's, on birthdays (which move a
// character with random characters on) and special days, at any second.
TEST_F(Composition, PicturesChosenAheadAreTheComposedOnes) {
  history.count = 7;
  int checked = 0;
  for (const auto& day : {std::pair{5, 17}, std::pair{1, 1}, std::pair{6, 10}, std::pair{12, 24}})
    for (int rand = 0; rand <= 3; ++rand)
      for (int left = 0; left < 6; ++left)
        for (int second : {0, 13, 59})
          for (int hour : {6, 12, 23}) {
            settings = state::Settings{};
            settings.rand = rand;
            settings.char0 = left;
            settings.char1 = (left + 2) % 6;
            LocalTime t;  // with its real weekday, as a run breaks its time down
            platform::BreakDownLocal(Time(At(2026, day.first, day.second, hour, 30, second)), t);
            composer.ChooseCharacters(settings, t);
            const GreetingComposer::PictureChoice ahead = composer.ChoosePictures(settings, t);
            const CounterComposition c = composer.Compose(settings, history, Time(t));
            ASSERT_EQ(ahead.left, c.entry->picture) << day.first << "/" << day.second << " rand " << rand;
            ASSERT_EQ(ahead.right, shell::Characters()[static_cast<std::size_t>(settings.char1)].pictureNumber);
            ASSERT_EQ(ahead.char0, settings.char0);  // Compose moved the birthday character as the choice did
            ASSERT_EQ(ahead.char1, settings.char1);
            ++checked;
          }
  EXPECT_EQ(checked, 4 * 4 * 6 * 3 * 3);
}

TEST_F(Composition, AnniversaryKeepsTheLineTogether) {
  history.count = 300;
  history.firstTime = static_cast<std::int32_t>(test::LocalTimeValue(2024, 6, 10, 10, 0));
  history.lastTime = static_cast<std::int32_t>(Time(At(2028, 6, 10, 9, 0, 0)) - 120);  // minutes ago: the anniversary still wins
  settings.char1 = 1;
  auto c = Report(At(2028, 6, 10, 9, 0, 0));
  EXPECT_EQ(c.labels.char1C.text, "初回起動からちょうど ");
  EXPECT_EQ(c.labels.last.text, "4年");
  EXPECT_EQ(c.labels.char1D.text, "が経過しました。");
  auto design = DesignLabels(FixedMeasure);
  const int gap1 = design.last.left - (design.char1C.left + design.char1C.width);
  const int gap2 = design.char1D.left - (design.last.left + design.last.width);
  EXPECT_EQ(c.labels.last.left, c.labels.char1C.left + c.labels.char1C.width + gap1);
  EXPECT_EQ(c.labels.char1D.left, c.labels.last.left + c.labels.last.width + gap2);
  // A first start-up on 29 February: 28 February and 1 March are no anniversaries.
  history.firstTime = static_cast<std::int32_t>(test::LocalTimeValue(2024, 2, 29, 10, 0));
  EXPECT_EQ(Report(At(2027, 2, 28, 9, 0, 0)).labels.char1C.text, "前回は");
  EXPECT_EQ(Report(At(2027, 3, 1, 9, 0, 0)).labels.char1C.text, "前回は");
  // The day of the first start-up itself is no anniversary: "0 年" is never said.
  history.firstTime = static_cast<std::int32_t>(test::LocalTimeValue(2028, 6, 10, 8, 0));
  c = Report(At(2028, 6, 10, 9, 0, 0));
  EXPECT_EQ(c.labels.char1C.text, "前回は");
  EXPECT_NE(c.labels.last.text, "0年");
}

GreetingTable OneEntryTable(GreetingEntry e) {
  GreetingTable t = {e};
  t.push_back(GreetingEntry{kDefault, 0, 0, 5, "ぐう", "", "", {0, 0, 0, 0, 0, 0}});
  return t;
}

TEST_F(Composition, HourSpansWrapAndIncludeBothEnds) {
  GreetingEntry wrap{kEveryDay, 22, 2, 1, "a", "", "", {1, 0, 0, 0, 0, 0}};
  EXPECT_TRUE(EntryMatches(wrap, At(2026, 1, 5, 22, 0, 0)));
  EXPECT_TRUE(EntryMatches(wrap, At(2026, 1, 5, 23, 59, 0)));
  EXPECT_TRUE(EntryMatches(wrap, At(2026, 1, 5, 2, 59, 0)));
  EXPECT_FALSE(EntryMatches(wrap, At(2026, 1, 5, 3, 0, 0)));
  GreetingEntry noon{kEveryDay, 12, 12, 1, "a", "", "", {}};
  EXPECT_TRUE(EntryMatches(noon, At(2026, 1, 5, 12, 59, 0)));
  EXPECT_FALSE(EntryMatches(noon, At(2026, 1, 5, 13, 0, 0)));
  GreetingEntry day{kDayOfYear, 1223, 1017, 1, "a", "", "", {}};
  EXPECT_TRUE(EntryMatches(day, At(2026, 12, 23, 10, 0, 0)));
  EXPECT_FALSE(EntryMatches(day, At(2026, 12, 23, 18, 0, 0)));
  GreetingEntry saturday{kWeekday, 6, 1017, 1, "a", "", "", {}};
  EXPECT_TRUE(EntryMatches(saturday, At(2026, 12, 5, 10, 0, 0, 6)));
  GreetingEntry never{kNever2, 0, 23, 1, "a", "", "", {}};
  EXPECT_FALSE(EntryMatches(never, At(2026, 12, 5, 10, 0, 0)));
}

// Of the entries that match, the second of the logon chooses: two logons in
// the same minute may greet differently.
TEST_F(Composition, TheSecondChoosesAmongMatchingEntries) {
  std::array<GreetingTable, 6> tables = GreetingTables();
  tables[0] = {GreetingEntry{kEveryDay, 0, 23, 1, "ひとつめ", "", "", {}},
               GreetingEntry{kEveryDay, 0, 23, 2, "ふたつめ", "", "", {}},
               GreetingEntry{kDefault, 0, 0, 5, "ぐう", "", "", {}}};
  GreetingComposer custom(FixedMeasure, ContentTables{&shell::Characters(), &Addresses(), &tables});
  state::Settings s;
  s.char0 = 0;
  auto lineAt = [&](int second) {
    CounterComposition c;
    c.labels = DesignLabels(FixedMeasure);
    custom.ComposeGreeting(c, s, At(2026, 6, 10, 12, 30, second));
    return c.entry->line1;
  };
  EXPECT_EQ(lineAt(0), "ひとつめ");
  EXPECT_EQ(lineAt(1), "ふたつめ");
  EXPECT_EQ(lineAt(58), "ひとつめ");
  EXPECT_EQ(lineAt(59), "ふたつめ");
}

TEST_F(Composition, GreetingLayoutAndFont) {
  std::array<GreetingTable, 6> tables = GreetingTables();
  GreetingComposer::PictureChoice pictures;
  auto layout = [&](GreetingEntry e) {
    tables[0] = OneEntryTable(e);
    GreetingComposer custom(FixedMeasure, ContentTables{&shell::Characters(), &Addresses(), &tables});
    state::Settings s;
    s.char0 = 0;
    s.char1 = 3;
    CounterComposition c;
    c.labels = DesignLabels(FixedMeasure);
    custom.ComposeGreeting(c, s, At(2026, 6, 10, 12, 0, 0));
    pictures = custom.ChoosePictures(s, At(2026, 6, 10, 12, 0, 0));
    return c;
  };
  auto one = layout({kEveryDay, 0, 23, 7, "ひとこと", "", "さん", {}});
  EXPECT_EQ(one.labels.char0A.top, 30);
  EXPECT_FALSE(one.labels.char0B.visible);
  EXPECT_FALSE(one.labels.char0C.visible);
  EXPECT_EQ(one.entry->picture, 7);
  EXPECT_EQ(pictures.left, 7);
  EXPECT_EQ(pictures.right, shell::Characters()[3].pictureNumber);
  auto two = layout({kEveryDay, 0, 23, 7, "いち", "に", "", {}});
  EXPECT_EQ(two.labels.char0A.top, 19);
  EXPECT_EQ(two.labels.char0B.top, 40);
  EXPECT_FALSE(two.labels.char0C.visible);
  auto three = layout({kEveryDay, 0, 23, 7, "いち", "に", "さん", {}});
  EXPECT_EQ(three.labels.char0C.top, 46);
  EXPECT_TRUE(three.labels.char0C.visible);
  std::string bytes41 = std::string(20, 'x') + std::string("あいうえおかきくけこ") + "x";  // 20 + 20 + 1
  ASSERT_EQ(platform::Cp932Length(bytes41), 41);
  EXPECT_EQ(layout({kEveryDay, 0, 23, 7, "a", bytes41, "", {}}).labels.char0A.pointSize, 12);
  auto shrunk = layout({kEveryDay, 0, 23, 7, "a", bytes41 + "x", "", {}});
  EXPECT_EQ(shrunk.labels.char0A.pointSize, 11);
  EXPECT_EQ(shrunk.labels.char0C.pointSize, 11);
  // Nothing matches at 3:00: the default entry.
  auto night = layout({kEveryDay, 6, 7, 7, "朝", "", "", {}});
  EXPECT_EQ(night.labels.char0A.text, "ぐう");
}

TEST(GreetingTables, EveryEntryFitsAndNeverTooManyMatch) {
  const auto& tables = GreetingTables();
  const auto design = DesignLabels(FixedMeasure);
  const int bubbleRight = 132 + 321 - 6;  // inside the rounded rectangle's border
  for (int c = 0; c < 6; ++c) {
    const GreetingTable& table = tables[static_cast<std::size_t>(c)];
    EXPECT_GE(table.size(), 24u);
    EXPECT_LE(table.size(), 37u);
    EXPECT_EQ(table.back().kind, kDefault);
    std::set<int> kinds;
    for (const auto& e : table) {
      kinds.insert(e.kind);
      for (const std::string* line : {&e.line1, &e.line2, &e.line3}) {
        EXPECT_LT(platform::Cp932Length(*line), 42) << *line;
        EXPECT_LE(design.char0A.left + FixedMeasure(*line, 12).width, bubbleRight) << *line;
      }
      EXPECT_FALSE(e.line1.empty());
      EXPECT_NE(e.voices[0], 0) << e.line1;
      bool ended = false;
      for (int v : e.voices) {
        if (v == 0) {
          ended = true;
          continue;
        }
        EXPECT_FALSE(ended) << "voice after the list ended: " << e.line1;
        EXPECT_GE(v, kVoiceBase[static_cast<std::size_t>(c)]);
      }
      EXPECT_GE(e.picture, 16 * c + 1);
      EXPECT_LE(e.picture, 16 * c + 16);
    }
    EXPECT_EQ(kinds, (std::set<int>{kEveryDay, kDayOfYear, kWeekday, kMonth, kDefault}));
    // Every hour of every day of a leap year.
    for (int dayOfYear = 0; dayOfYear < 366; ++dayOfYear) {
      platform::TimeValue noon = test::LocalTimeValue(2028, 1, 1 + dayOfYear, 12, 0);
      LocalTime t = test::Breakdown(noon);
      for (int hour = 0; hour < 24; ++hour) {
        t.hour = hour;
        EXPECT_LE(Candidates(table, t).size(), 24u);
        EXPECT_LE(Candidates(table, t).size(), 9u);
      }
    }
  }
}

}  // namespace
}  // namespace vp::counter
