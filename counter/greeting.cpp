#include "counter/greeting.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "platform/text.h"

namespace vp::counter {

const std::vector<SpecialDay>& SpecialDays() {
  static const std::vector<SpecialDay> days = {
      {1, 1, "元旦", ""},          {2, 14, "バレンタインデー", ""}, {3, 14, "ホワイトデー", ""},
      {4, 1, "エイプリルフール", ""}, {7, 7, "七夕", ""},             {12, 24, "クリスマス・イヴ", ""},
      {12, 25, "クリスマス", ""},   {12, 31, "大晦日", ""},
  };
  return days;
}

namespace {
constexpr const char* kDesignLead = "通算で";
constexpr int kDesignLeadLeft = 162;
constexpr int kDesignCountLeft = 218;
}  // namespace

CounterLabels DesignLabels(const TextMeasurer& measure) {
  auto make = [&](const char* text, int left, int top, png::ColorValue colour) {
    Label l;
    l.text = text;
    l.left = left;
    l.top = top;
    l.colour = colour;
    TextExtent e = measure(l.text, l.pointSize);
    l.width = e.width;
    l.height = e.height;
    return l;
  };
  CounterLabels c;
  c.char0A = make("", 140, 14, 0);
  c.char0B = make("", 140, 30, 0);
  c.char0C = make("", 140, 46, 0);
  c.char1A = make(kDesignLead, kDesignLeadLeft, 79, 0);
  c.count = make("99999", kDesignCountLeft, 79, kCountRed);
  c.char1B = make("回目の起動です。", 270, 79, 0);
  c.char1C = make("前回は", 162, 103, 0);
  c.last = make("23時間59分", 218, 103, kLastGrey);
  c.char1D = make("前に起動されました。", 310, 103, 0);
  return c;
}

bool IsRoundNumber(std::uint32_t n) {
  if (n < 100) return false;
  while (n >= 10 && n % 10 == 0) n /= 10;
  return n < 10;
}

std::string ElapsedText(std::int64_t d) {
  if (d < 60) return {};
  if (d < 3600) return std::to_string(d / 60) + "分";
  if (d < 86400) {
    std::int64_t h = d / 3600, m = (d / 60) % 60;
    return std::to_string(h) + "時間" + (m > 0 ? std::to_string(m) + "分" : "");
  }
  std::int64_t days = d / 86400;
  if (d < 864000) {
    std::int64_t h = (d % 86400) / 3600;
    return std::to_string(days) + "日" + (h > 0 ? "と" + std::to_string(h) + "時間" : "");
  }
  return std::to_string(days) + "日";
}

bool EntryMatches(const GreetingEntry& e, const platform::LocalTime& t) {
  int first = 0, last = 0;
  switch (e.kind) {
    case kEveryDay:
      first = e.param1;
      last = e.param2;
      break;
    case kDayOfYear:
      if ((e.param1 / 100) % 100 != t.month || e.param1 % 100 != t.day) return false;
      break;
    case kWeekday:
      if (e.param1 != t.weekday) return false;
      break;
    case kMonth:
      if (e.param1 != t.month) return false;
      break;
    default: return false;
  }
  if (e.kind != kEveryDay) {
    first = (e.param2 / 100) % 100;
    last = e.param2 % 100;
  }
  return first <= last ? (first <= t.hour && t.hour <= last) : (t.hour >= first || t.hour <= last);
}

std::vector<int> Candidates(const GreetingTable& table, const platform::LocalTime& t) {
  std::vector<int> found;
  for (int i = 0; i < static_cast<int>(table.size()) && table[static_cast<std::size_t>(i)].kind != kDefault; ++i) {
    if (found.size() < 24 && EntryMatches(table[static_cast<std::size_t>(i)], t)) found.push_back(i);
  }
  return found;
}

GreetingComposer::GreetingComposer(TextMeasurer measure, ContentTables tables)
    : measure_(std::move(measure)), tables_(tables) {}

void GreetingComposer::SetText(Label& label, const std::string& text, Label* follower) const {
  const int before = label.width;
  label.text = text;
  TextExtent e = measure_(text, label.pointSize);
  label.width = e.width;
  label.height = e.height;
  if (follower) follower->left += label.width - before;
}

void GreetingComposer::ChooseCharacters(state::Settings& settings, const platform::LocalTime& nowTm) const {
  const int s = nowTm.second;
  int left = settings.char0, right = settings.char1;
  auto voiceOff = [&](int i) { return !state::VoiceOn(settings, i); };
  bool anyVoice = false;
  for (int i = 0; i < 6; ++i) anyVoice = anyVoice || state::VoiceOn(settings, i);
  switch (settings.rand) {
    case 1: {
      left = s % 6;
      if (settings.wave && anyVoice) {
        int step = s < 5 ? 1 : 2;
        // Stepping by two can circle through three indices that are all off;
        // after six steps the search goes on one by one, which always ends.
        for (int visited = 0; voiceOff(left); ++visited) {
          if (visited == 6) step = 1;
          left = (left + step) % 6;
        }
      }
      right = (s / 6) % 6;
      if (right == left) right = (right + 1) % 6;
      break;
    }
    case 2:
      right = s % 6;
      if (right == left) right = (right + 1) % 6;
      break;
    case 3:
      if (s % 2 == 0) std::swap(left, right);
      break;
    default: break;
  }
  settings.char0 = left;
  settings.char1 = right;
}

std::string GreetingComposer::Ending1(const state::Settings& settings) const {
  return (*tables_.characters)[static_cast<std::size_t>(settings.char1)].ending1;
}

std::string GreetingComposer::Ending2(const state::Settings& settings) const {
  return (*tables_.characters)[static_cast<std::size_t>(settings.char1)].ending2;
}

void GreetingComposer::ComposeReport(CounterComposition& c, state::Settings& settings,
                                     const state::StartHistory& history, platform::TimeValue now,
                                     bool historyRead) const {
  platform::LocalTime nowTm;
  platform::BreakDownLocal(now, nowTm);
  // The birthday girl moves to the left before anyone speaks.
  const int birthday = MoveBirthdayCharacter(settings, nowTm);
  const ReportDay day{settings, history, now, nowTm, historyRead, birthday};
  CounterLabels& l = c.labels;
  ComposeCountLine(l, day);
  // The remark line: the first rule with something to say speaks.
  using Rule = bool (GreetingComposer::*)(CounterLabels&, const ReportDay&) const;
  for (const Rule rule : {&GreetingComposer::SpecialDayRemark, &GreetingComposer::BirthdayRemark,
                          &GreetingComposer::AnniversaryRemark, &GreetingComposer::SinceLastRemark})
    if ((this->*rule)(l, day)) return;
  // Nothing to remark: the count line moves down between the two lines.
  l.char1C.visible = l.last.visible = l.char1D.visible = false;
  const int down = (l.char1C.top - l.char1A.top + l.char1C.height - l.char1A.height) / 2;
  l.char1A.top += down;
  l.count.top += down;
  l.char1B.top += down;
}

void GreetingComposer::ComposeCountLine(CounterLabels& l, const ReportDay& day) const {
  const std::uint32_t n = day.history.count;
  if (!day.historyRead) {
    SetText(l.char1A, "起動履歴を");
    SetText(l.count, "読めない", &l.char1B);
    SetText(l.char1B, "ため未記録" + Ending1(day.settings));
  } else if (n <= 1) {
    SetText(l.char1A, "今回が");
    SetText(l.count, "初めて", &l.char1B);
    SetText(l.char1B, "の起動" + Ending1(day.settings));
  } else {
    SetText(l.count, std::to_string(n), &l.char1B);
    SetText(l.char1B, "回目の起動" + Ending1(day.settings));
    if (IsRoundNumber(n)) SetText(l.char1A, "ちょうど");
  }
}

bool GreetingComposer::SpecialDayRemark(CounterLabels& l, const ReportDay& day) const {
  for (const SpecialDay& special : SpecialDays()) {
    if (special.month != day.nowTm.month || special.day != day.nowTm.day) continue;
    SetText(l.char1C, "今日は");
    l.last.colour = kSpecialDayGreen;
    SetText(l.last, special.name, &l.char1D);
    SetText(l.char1D, std::string(special.leadIn) + Ending1(day.settings));
    return true;
  }
  return false;
}

bool GreetingComposer::BirthdayRemark(CounterLabels& l, const ReportDay& day) const {
  if (day.birthday < 0) return false;
  const auto b = static_cast<std::size_t>(day.birthday);
  SetText(l.char1C, "今日は");
  l.last.colour = (*tables_.characters)[b].colour;
  SetText(l.last, (*tables_.addresses)[static_cast<std::size_t>(day.settings.char1)][b], &l.char1D);
  SetText(l.char1D, " の誕生日" + Ending1(day.settings));
  return true;
}

bool GreetingComposer::AnniversaryRemark(CounterLabels& l, const ReportDay& day) const {
  platform::LocalTime first;
  if (!day.historyRead || !platform::BreakDownLocal(day.history.firstTime, first) ||
      first.month != day.nowTm.month || first.day != day.nowTm.day || first.year >= day.nowTm.year)
    return false;
  const int gap1 = l.last.left - (l.char1C.left + l.char1C.width);
  const int gap2 = l.char1D.left - (l.last.left + l.last.width);
  SetText(l.char1C, "初回起動からちょうど ");
  SetText(l.last, std::to_string(day.nowTm.year - first.year) + "年");
  SetText(l.char1D, "が経過" + Ending2(day.settings));
  l.last.left = l.char1C.left + l.char1C.width + gap1;
  l.char1D.left = l.last.left + l.last.width + gap2;
  return true;
}

bool GreetingComposer::SinceLastRemark(CounterLabels& l, const ReportDay& day) const {
  if (!day.historyRead || day.history.lastTime == 0) return false;
  // Under a minute, or a clock turned back: ElapsedText has nothing to say.
  const std::string elapsed = ElapsedText(day.now - static_cast<platform::TimeValue>(day.history.lastTime));
  if (elapsed.empty()) return false;
  SetText(l.last, elapsed, &l.char1D);
  SetText(l.char1D, "前に起動" + Ending2(day.settings));
  return true;
}

int GreetingComposer::MoveBirthdayCharacter(state::Settings& settings, const platform::LocalTime& nowTm) const {
  for (const SpecialDay& day : SpecialDays())
    if (day.month == nowTm.month && day.day == nowTm.day) return -1;  // the special day is told instead
  for (int b = 0; b < 6; ++b) {
    const auto& who = (*tables_.characters)[static_cast<std::size_t>(b)];
    if (who.birthMonth != nowTm.month || who.birthDay != nowTm.day) continue;
    if (settings.rand != 0) {
      if (b == settings.char1) settings.char1 = settings.char0;
      settings.char0 = b;
    }
    return b;
  }
  return -1;
}

const GreetingEntry& GreetingComposer::ChooseGreeting(const state::Settings& settings,
                                                      const platform::LocalTime& nowTm) const {
  const GreetingTable& table = (*tables_.greetings)[static_cast<std::size_t>(settings.char0)];
  const std::vector<int> found = Candidates(table, nowTm);
  if (!found.empty()) return table[static_cast<std::size_t>(found[static_cast<std::size_t>(nowTm.second) % found.size()])];
  for (const auto& e : table)
    if (e.kind == kDefault) return e;
  return table.back();
}

GreetingComposer::PictureChoice GreetingComposer::ChoosePictures(state::Settings settings,
                                                                 const platform::LocalTime& nowTm) const {
  MoveBirthdayCharacter(settings, nowTm);
  return {ChooseGreeting(settings, nowTm).picture,
          (*tables_.characters)[static_cast<std::size_t>(settings.char1)].pictureNumber, settings.char0,
          settings.char1};
}

void GreetingComposer::ComposeGreeting(CounterComposition& c, const state::Settings& settings,
                                       const platform::LocalTime& nowTm) const {
  const GreetingEntry* entry = &ChooseGreeting(settings, nowTm);
  c.entry = entry;

  CounterLabels& l = c.labels;
  if (platform::Cp932Length(entry->line1) >= 42 || platform::Cp932Length(entry->line2) >= 42 ||
      platform::Cp932Length(entry->line3) >= 42) {
    --l.char0A.pointSize;
    --l.char0B.pointSize;
    --l.char0C.pointSize;
  }
  SetText(l.char0A, entry->line1);
  SetText(l.char0B, entry->line2);
  SetText(l.char0C, entry->line3);
  const int a = l.char0A.top, b = l.char0B.top, cTop = l.char0C.top;
  const int ha = l.char0A.height, hb = l.char0B.height, hc = l.char0C.height;
  if (entry->line2.empty()) {
    l.char0A.top = b;
    l.char0B.visible = l.char0C.visible = false;
  } else if (entry->line3.empty()) {
    l.char0A.top = a + (b - a + hb - ha) / 3;
    l.char0B.top = b + (cTop - b + hc - hb) * 2 / 3;
    l.char0C.visible = false;
  }
}

void GreetingComposer::Remeasure(Label& label, int pointSize) const {
  const int oldHeight = label.height;
  label.pointSize = pointSize;
  const TextExtent e = measure_(label.text, pointSize);
  label.width = e.width;
  label.height = e.height;
  label.top += (oldHeight - label.height) / 2;  // stays centred on its line
}

void GreetingComposer::FitBubbleLines(CounterLabels& l) const {
  // The count line: the lead-in keeps its designed distance from the number.
  const int leadGap = kDesignCountLeft - (kDesignLeadLeft + measure_(kDesignLead, l.char1A.pointSize).width);
  if (const int overlap = l.char1A.left + l.char1A.width + leadGap - l.count.left; l.char1A.visible && overlap > 0) {
    l.count.left += overlap;
    l.char1B.left += overlap;
  }
  auto fit = [&](std::initializer_list<Label*> line, const Box& bubble) {
    std::vector<Label*> shown;
    for (Label* label : line)
      if (label->visible && !label->text.empty()) shown.push_back(label);
    if (shown.empty()) return;
    // The gaps between the labels as composed, kept while the line shrinks.
    std::vector<int> gaps;
    for (std::size_t i = 1; i < shown.size(); ++i)
      gaps.push_back(std::max(0, shown[i]->left - (shown[i - 1]->left + shown[i - 1]->width)));
    const int edge = bubble.right() - kBubbleInnerMargin;
    auto relayout = [&] {
      for (std::size_t i = 1; i < shown.size(); ++i)
        shown[i]->left = shown[i - 1]->left + shown[i - 1]->width + gaps[i - 1];
    };
    auto tooWide = [&] { return shown.back()->left + shown.back()->width > edge; };
    // Letter spacing scales every advance: the width follows it.
    while (tooWide() && shown.front()->spacing > kNarrowestSpacing) {
      for (Label* label : shown) {
        label->spacing -= 5;
        label->width = measure_(label->text, label->pointSize).width * label->spacing / 100;
      }
      relayout();
    }
    while (tooWide() && shown.front()->pointSize > kSmallestPointSize) {
      const int size = shown.front()->pointSize - 1;
      for (Label* label : shown) {
        Remeasure(*label, size);
        label->width = label->width * label->spacing / 100;
      }
      relayout();
    }
  };
  fit({&l.char0A}, kUpperBubble);
  fit({&l.char0B}, kUpperBubble);
  fit({&l.char0C}, kUpperBubble);
  fit({&l.char1A, &l.count, &l.char1B}, kLowerBubble);
  fit({&l.char1C, &l.last, &l.char1D}, kLowerBubble);
}

CounterComposition GreetingComposer::Compose(state::Settings& settings, const state::StartHistory& history,
                                             platform::TimeValue now, bool historyRead) const {
  CounterComposition c;
  c.labels = DesignLabels(measure_);
  ComposeReport(c, settings, history, now, historyRead);
  platform::LocalTime nowTm;
  platform::BreakDownLocal(now, nowTm);
  ComposeGreeting(c, settings, nowTm);
  FitBubbleLines(c.labels);
  return c;
}

std::string SpokenGreeting(const CounterLabels& l) {
  auto line = [](std::initializer_list<const Label*> labels) {
    std::string text;
    for (const Label* label : labels)
      if (label->visible) text += label->text;
    return text;
  };
  std::string spoken;
  for (const std::string& part : {line({&l.char0A}), line({&l.char0B}), line({&l.char0C}),
                                  line({&l.char1A, &l.count, &l.char1B}), line({&l.char1C, &l.last, &l.char1D})}) {
    if (part.empty()) continue;
    if (!spoken.empty()) spoken += " ";
    spoken += part;
  }
  return spoken;
}

}  // namespace vp::counter
