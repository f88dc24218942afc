#pragma once
#include <functional>
#include <string>

#include "counter/greeting_tables.h"
#include "platform/clock.h"
#include "png/bitmap.h"
#include "shell/characters.h"
#include "state/history.h"
#include "state/settings.h"

namespace vp::counter {

// One bubble label as plain data: the window copies it onto its real label.
struct Label {
  std::string text;
  int left = 0, top = 0, width = 0, height = 0;
  png::ColorValue colour = 0;
  int pointSize = 12;  // bold "MS UI Gothic"
  int spacing = 100;   // letter spacing, percent of the font's own
  bool visible = true;
};

struct TextExtent {
  int width = 0, height = 0;
};
// Measures a text in bold "MS UI Gothic" at a point size; labels size to it.
using TextMeasurer = std::function<TextExtent(const std::string& text, int pointSize)>;

struct CounterLabels {
  Label char0A, char0B, char0C;    // upper bubble, lines 1 to 3
  Label char1A, count, char1B;     // count line
  Label char1C, last, char1D;      // remark line
};

// The two speech bubbles (round rectangles) of the counter window.
struct Box {
  int left, top, width, height;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
};
inline constexpr Box kUpperBubble{132, 10, 321, 57};
inline constexpr Box kLowerBubble{148, 70, 321, 57};
// How far text keeps from a bubble's right edge: the rounded corner.
inline constexpr int kBubbleInnerMargin = 8;
// The smallest point size a bubble line is shrunk to.
inline constexpr int kSmallestPointSize = 6;
// How far a bubble line's letters close up before its size shrinks: every
// label keeps its 16 px height where a narrower spacing is enough.
inline constexpr int kNarrowestSpacing = 85;

inline constexpr png::ColorValue kCountRed = png::PackRgb(255, 0, 0);
inline constexpr png::ColorValue kLastGrey = png::PackRgb(128, 128, 128);
inline constexpr png::ColorValue kSpecialDayGreen = png::PackRgb(0, 127, 0);

// The labels as designed: positions, colours and design texts.
CounterLabels DesignLabels(const TextMeasurer& measure);

// What one counter-mode run shows and speaks.
struct CounterComposition {
  CounterLabels labels;
  const GreetingEntry* entry = nullptr;  // its picture is the left one (ChoosePictures)
};

struct SpecialDay {
  int month, day;
  const char* name;
  const char* leadIn;
};
const std::vector<SpecialDay>& SpecialDays();

// The tables the composition reads; tests may swap in their own.
struct ContentTables {
  const shell::CharacterTable* characters = &shell::Characters();
  const AddressTable* addresses = &Addresses();
  const std::array<GreetingTable, 6>* greetings = &GreetingTables();
};

class GreetingComposer {
 public:
  GreetingComposer(TextMeasurer measure, ContentTables tables = {});

  // Sets settings.char0 / char1 for this run from rand, wave, usewave and the seconds.
  void ChooseCharacters(state::Settings& settings, const platform::LocalTime& nowTm) const;
  // Fills the lower bubble; a birthday may move a character to the left.
  // historyRead false: the history is there but could not be read, so the
  // count line says so instead of counting (never "first").
  // The day's remarks are those of now's local date.
  void ComposeReport(CounterComposition& c, state::Settings& settings, const state::StartHistory& history,
                     platform::TimeValue now, bool historyRead = true) const;
  // On a character's birthday (not a special day) returns her index, and with
  // random characters moves her to the left; -1 otherwise.
  int MoveBirthdayCharacter(state::Settings& settings, const platform::LocalTime& nowTm) const;
  // The left character's greeting for this minute (the seconds pick among candidates).
  const GreetingEntry& ChooseGreeting(const state::Settings& settings, const platform::LocalTime& nowTm) const;
  // The two pictures Compose will show, without measuring any text, so they
  // can be drawn before the window's fonts are loaded.
  struct PictureChoice {
    int left = 0, right = 0;  // the left one's number is -1 in chip mode
    int char0 = 0, char1 = 0;  // the characters shown, after a birthday move
  };
  PictureChoice ChoosePictures(state::Settings settings, const platform::LocalTime& nowTm) const;
  // Selects the left character's greeting and fills the upper bubble.
  void ComposeGreeting(CounterComposition& c, const state::Settings& settings,
                       const platform::LocalTime& nowTm) const;

  // Keeps every bubble line clear of its neighbours and inside its bubble: a
  // long lead-in pushes the rest of the count line right, and a line that
  // would pass its bubble's inner right edge closes up its letters (5 % at
  // a time, down to kNarrowestSpacing), and only then is set one point
  // smaller at a time until it fits.
  void FitBubbleLines(CounterLabels& labels) const;

  // ComposeReport, then ComposeGreeting, then FitBubbleLines, on the labels as designed.
  CounterComposition Compose(state::Settings& settings, const state::StartHistory& history, platform::TimeValue now,
                             bool historyRead = true) const;

 private:
  void SetText(Label& label, const std::string& text, Label* follower = nullptr) const;
  void Remeasure(Label& label, int pointSize) const;

  // What ComposeReport works from; birthday: whose it is today, or -1.
  struct ReportDay {
    const state::Settings& settings;
    const state::StartHistory& history;
    platform::TimeValue now;
    platform::LocalTime nowTm;
    bool historyRead;
    int birthday;
  };
  void ComposeCountLine(CounterLabels& l, const ReportDay& day) const;
  // The remark line's rules, tried in order: each says whether it spoke.
  bool SpecialDayRemark(CounterLabels& l, const ReportDay& day) const;
  bool BirthdayRemark(CounterLabels& l, const ReportDay& day) const;
  bool AnniversaryRemark(CounterLabels& l, const ReportDay& day) const;
  bool SinceLastRemark(CounterLabels& l, const ReportDay& day) const;
  std::string Ending1(const state::Settings& settings) const;
  std::string Ending2(const state::Settings& settings) const;

  TextMeasurer measure_;
  ContentTables tables_;
};

// The whole greeting in reading order, as a screen reader should say it: the
// upper bubble's shown lines, the count line, the remark line.
std::string SpokenGreeting(const CounterLabels& labels);

// 100, 200, ..., 1000, 2000, ...: a digit 1-9 followed only by zeros, at least 100.
bool IsRoundNumber(std::uint32_t n);
// "3分", "1時間2分", "1日と1時間", "10日"; empty below one minute.
std::string ElapsedText(std::int64_t seconds);
// Whether the entry's date and hours hold at this time.
bool EntryMatches(const GreetingEntry& e, const platform::LocalTime& t);
// Indices of the entries that hold (at most 24), before the default entry.
std::vector<int> Candidates(const GreetingTable& table, const platform::LocalTime& t);

}  // namespace vp::counter
