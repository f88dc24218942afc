#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

#include "counter/greeting.h"
#include "counter/ui/label_font.h"
#include "shell/characters.h"
#include "test_support.h"

namespace vp::counter {
namespace {

// Measuring with the real font is the slow part: each text once.
TextExtent CachedMeasure(const std::string& text, int points) {
  static std::map<std::pair<std::string, int>, TextExtent> cache;
  auto key = std::make_pair(text, points);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, MeasureLabel(text, points)).first;
  return it->second;
}

struct Worst {
  int overlap = 0;   // pixels two labels of a line share, or a label passes the next line
  int overflow = 0;  // pixels a label passes its bubble's inner edge
  std::string where;
};

// How far the labels fail to fit; 0 and 0 when everything is clear and inside.
void Check(const CounterLabels& l, Worst& worst, const std::string& what) {
  const std::pair<const Label*, const Box*> labels[] = {
      {&l.char0A, &kUpperBubble}, {&l.char0B, &kUpperBubble}, {&l.char0C, &kUpperBubble},
      {&l.char1A, &kLowerBubble}, {&l.count, &kLowerBubble},  {&l.char1B, &kLowerBubble},
      {&l.char1C, &kLowerBubble}, {&l.last, &kLowerBubble},   {&l.char1D, &kLowerBubble}};
  auto shown = [](const Label& a) { return a.visible && !a.text.empty(); };
  for (const auto& [a, box] : labels) {
    if (!shown(*a)) continue;
    const int out = std::max({box->left - a->left, a->left + a->width - (box->right() - kBubbleInnerMargin),
                              box->top - a->top, a->top + a->height - box->bottom()});
    if (out > worst.overflow) worst = {worst.overlap, out, what + ": " + a->text};
    for (const auto& [b, other] : labels) {
      if (b <= a || !shown(*b)) continue;
      const int w = std::min(a->left + a->width, b->left + b->width) - std::max(a->left, b->left);
      const int h = std::min(a->top + a->height, b->top + b->height) - std::max(a->top, b->top);
      if (w > 0 && h > 0 && w > worst.overlap) worst = {w, worst.overflow, what + ": " + a->text + " / " + b->text};
    }
  }
}

class CounterLayout : public ::testing::Test {
 protected:
  GreetingComposer composer{CachedMeasure};

  // The lower bubble for one right character, count and remark situation.
  void Report(int right, std::uint32_t count, const state::StartHistory& base, platform::TimeValue now,
              Worst& fitted, Worst& unfitted, const std::string& what) {
    state::Settings settings;
    settings.char0 = (right + 1) % 6;
    settings.char1 = right;
    state::StartHistory history = base;
    history.count = count;
    CounterComposition c;
    c.labels = DesignLabels(CachedMeasure);
    composer.ComposeReport(c, settings, history, now);
    Check(c.labels, unfitted, what);
    composer.FitBubbleLines(c.labels);
    Check(c.labels, fitted, what + " #" + std::to_string(count));
  }
};

const std::uint32_t kCounts[] = {1, 2, 9, 10, 99, 100, 101, 999, 1000, 3000, 9999, 10000, 99999, 100000,
                                 999999, 1000000, 9999999, 10000000, 99999999, 100000000, 999999999,
                                 1000000000, 4000000000u, 4294967295u};

TEST_F(CounterLayout, EveryRemarkAndCountFitsTheLowerBubble) {
  Worst fitted, unfitted;
  const platform::TimeValue now = test::LocalTimeValue(2026, 6, 16, 12, 0);
  state::StartHistory base;
  base.firstTime = static_cast<std::int32_t>(test::LocalTimeValue(2020, 2, 2, 9, 0));
  for (int right = 0; right < 6; ++right) {
    for (std::uint32_t count : kCounts) {
      // Special days and birthdays.
      for (const SpecialDay& day : SpecialDays()) {
        const platform::TimeValue at = test::LocalTimeValue(2026, day.month, day.day, 12, 0);
        Report(right, count, base, at, fitted, unfitted, day.name);
      }
      for (const auto& who : shell::Characters()) {
        const platform::TimeValue at = test::LocalTimeValue(2026, who.birthMonth, who.birthDay, 12, 0);
        Report(right, count, base, at, fitted, unfitted, "birthday");
      }
      // Anniversaries of the first start-up, 1 to 99 years.
      for (int years = 1; years <= 99; ++years) {
        state::StartHistory h = base;
        h.firstTime = static_cast<std::int32_t>(test::LocalTimeValue(2026 - years, 6, 16, 8, 0));
        Report(right, count, h, now, fitted, unfitted, std::to_string(years) + " years");
      }
      // Every shape of elapsed text, its longest numbers included.
      for (std::int64_t d : {60LL, 59 * 60LL, 3600LL, 3660LL, 23 * 3600 + 59 * 60LL, 86400LL, 9 * 86400 + 23 * 3600LL,
                             10 * 86400LL, 99 * 86400LL, 999 * 86400LL, 9999 * 86400LL, 24000 * 86400LL}) {
        state::StartHistory h = base;
        h.lastTime = static_cast<std::int32_t>(now - d);
        Report(right, count, h, now, fitted, unfitted, ElapsedText(d));
      }
      Report(right, count, base, now, fitted, unfitted, "no remark");
    }
  }
  std::printf("lower bubble, as composed: worst overlap %d px, overflow %d px (%s)\n", unfitted.overlap,
              unfitted.overflow, unfitted.where.c_str());
  EXPECT_EQ(fitted.overlap, 0) << fitted.where;
  EXPECT_EQ(fitted.overflow, 0) << fitted.where;
}

TEST_F(CounterLayout, AnniversaryLinesKeepTheirFullSizeByClosingUpTheirLetters) {
  const platform::TimeValue now = test::LocalTimeValue(2026, 6, 16, 12, 0);
  int closedUp = 0, anniversaries = 0;
  for (int years = 1; years <= 99; ++years) {
    state::StartHistory history;
    history.count = 3650;
    history.firstTime = static_cast<std::uint32_t>(test::LocalTimeValue(2026 - years, 6, 16, 8, 0));
    history.lastTime = static_cast<std::uint32_t>(now - 3600);
    for (int right = 0; right < 6; ++right) {
      state::Settings settings;
      settings.char0 = (right + 1) % 6;
      settings.char1 = right;
      CounterComposition c;
      c.labels = DesignLabels(CachedMeasure);
      composer.ComposeReport(c, settings, history, now);
      composer.FitBubbleLines(c.labels);
      if (c.labels.last.text != std::to_string(years) + "年") continue;  // another remark won
      ++anniversaries;
      for (const Label* l : {&c.labels.char1C, &c.labels.last, &c.labels.char1D}) {
        if (!l->visible || l->text.empty()) continue;
        EXPECT_EQ(l->pointSize, 12) << years << " " << l->text;  // 16 px, as every other line
        closedUp += l->spacing < 100;
      }
      Worst worst;
      Check(c.labels, worst, std::to_string(years) + " years");
      EXPECT_EQ(worst.overflow, 0) << worst.where;
    }
  }
  EXPECT_GT(anniversaries, 300);
  std::printf("anniversary lines: %d, labels set closer to fit: %d\n", anniversaries, closedUp);
}

TEST_F(CounterLayout, EveryGreetingFitsTheUpperBubble) {
  Worst fitted, unfitted;
  const auto& tables = GreetingTables();
  for (int left = 0; left < 6; ++left) {
    for (const GreetingEntry& entry : tables[static_cast<std::size_t>(left)]) {
      // A table that holds just this entry, as its default.
      std::array<GreetingTable, 6> only = tables;
      GreetingEntry e = entry;
      e.kind = kDefault;
      only[static_cast<std::size_t>(left)] = {e};
      GreetingComposer one(CachedMeasure, ContentTables{&shell::Characters(), &Addresses(), &only});
      state::Settings settings;
      settings.char0 = left;
      settings.char1 = (left + 1) % 6;
      CounterComposition c;
      c.labels = DesignLabels(CachedMeasure);
      one.ComposeGreeting(c, settings, test::Breakdown(test::LocalTimeValue(2026, 6, 16, 12, 0)));
      Check(c.labels, unfitted, entry.line1);
      one.FitBubbleLines(c.labels);
      Check(c.labels, fitted, entry.line1);
    }
  }
  std::printf("upper bubble, as composed: worst overlap %d px, overflow %d px (%s)\n", unfitted.overlap,
              unfitted.overflow, unfitted.where.c_str());
  EXPECT_EQ(fitted.overlap, 0) << fitted.where;
  EXPECT_EQ(fitted.overflow, 0) << fitted.where;
}

}  // namespace
}  // namespace vp::counter
