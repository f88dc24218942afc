#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "counter/counter_timing.h"
#include "counter/greeting.h"
#include "counter/notice_memory.h"
#include "counter/voice_sequence.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "png/bitmap.h"
#include "shell/picture_drawing.h"
#include "state/history.h"
#include "state/settings.h"

namespace vp::counter {

// Where a run works: the program's folder and the working folder (both with a
// separator), and whether the working folder may keep our own history. A
// preview shows the greeting as a logon would, but counts nothing, changes
// no sound and writes no setting; it may show settings not yet saved.
struct RunSetup {
  std::string programFolder;
  std::string workFolder;
  bool countHere = true;
  bool preview = false;
  std::optional<state::Settings> settings;  // instead of the stored ones
  std::string currentDesktop;               // XDG_CURRENT_DESKTOP of the session counted in

  static RunSetup At(std::string programFolder, std::string workFolder, bool countHere) {
    RunSetup setup;
    setup.programFolder = std::move(programFolder);
    setup.workFolder = std::move(workFolder);
    setup.countHere = countHere;
    return setup;
  }
};

// One counter-mode run without its window. It owns the settings and the
// history of the run and uses the registry and the clock it is given; the
// window shows what it returns and forwards the timer and player events to
// its voice sequence.
class CounterRun {
 public:
  CounterRun(platform::Registry& reg, RunSetup setup, TextMeasurer measure,
             std::function<platform::TimeValue()> clock = platform::CurrentTime);

  // Everything before the window shows: PrepareFiles() unless done, then
  // the greeting as the history stood before this start-up. What went wrong
  // is collected for NoticeText().
  void Prepare();
  // What needs no display: Count() unless done, the characters, the run
  // folders, the Windows sounds and the choice of the two pictures, so the
  // entry point can do it beside Qt's start and draw the pictures there.
  void PrepareFiles();
  // The settings (publishing our paths) and the count (load, count and save
  // under the lock, nothing else). Needs no display nor any desktop service,
  // so the entry point does it before anything that could wait on them.
  void Count();
  bool counted() const { return counted_; }

  const state::Settings& settings() const { return settings_; }
  const state::StartHistory& historyBefore() const { return historyBefore_; }
  const state::StartHistory& historyAfter() const { return historyAfter_; }
  const CounterComposition& composition() const { return composition_; }
  // False when the history is there but could not be read: nothing was counted.
  bool historyRead() const { return historyRead_; }
  platform::TimeValue startTime() const { return now_; }
  // The notices to tell, joined into one text: those the previous run had
  // too are not told again ("" when there is nothing to tell).
  std::string NoticeText();
  // The notices of NoticeText() reached nobody (the run ended while they
  // were on their way): told again next time.
  void NoticesNotDelivered();

  // The two characters' pictures from the game over the background, in
  // bitmaps of the areas' sizes; chips only in chip mode.
  struct Pictures {
    png::Bitmap left, right;
    shell::PairDrawn drawn;
  };
  // The pictures are those the greeting chooses (PrepareFiles() unless
  // done). A picture that could not be written into the working folder adds
  // its notice.
  Pictures DrawPictures(const png::Bitmap& background, const Box& leftArea, const Box& rightArea,
                        const shell::ChipSource& chips);

  // The greeting's voices in order, none when voices are off for the left character.
  VoiceSequence Voices(VoiceSequence::Clock clock) const;
  // A voice extracted and decoded to a WAV file in the run's folder. An
  // empty file name when there is none; error: what to tell when it failed
  // ("" when it was told before).
  struct PreparedVoice {
    std::string wav;
    std::string error;
  };
  // During the pause before a voice: it is prepared ahead, so it starts on
  // time. What to tell when it failed ("" when nothing or told before).
  std::string PrepareAhead(int voice);
  // The voice to play now: the one prepared ahead when it is this voice
  // (taken once), else prepared now.
  PreparedVoice TakeVoice(int voice);

  // Whether the greeting waits while GNOME's overview is open (a GNOME
  // session starts in it, and it leaves out windows like the greeting).
  bool MayHoldForOverview() const { return counter::MayHoldForOverview(setup_.currentDesktop); }

  // The end of the run: the run's folder and what it extracted into it go;
  // after a logout the exit sound goes too (otherwise the next run replaces
  // it at start). What it had to tell is remembered for the next run.
  void Finish(bool logout);

  // Where this run extracts pictures and voices: a folder of its own under
  // the working folder, made by Count(), so no other run touches its files.
  const std::string& extractionFolder() const { return extractTo_; }
  // The folder that keeps the exit sound and the other runs' folders.
  std::string workFolderOrHere() const;

 private:
  PreparedVoice PrepareVoice(int voice);

  platform::Registry& reg_;
  RunSetup setup_;
  GreetingComposer composer_;
  std::function<platform::TimeValue()> clock_;
  platform::TimeValue now_ = 0;
  platform::LocalTime nowTm_{};
  state::Settings settings_;
  state::StartHistory historyBefore_, historyAfter_;
  CounterComposition composition_;
  struct Notice {
    std::string text;
    bool everyTime = false;  // a cause that loses start-ups is never "told before"
  };
  void Add(std::string text, bool everyTime = false);
  std::vector<Notice> notices_;
  std::vector<std::string> told_;  // by the last NoticeText()
  bool historyRead_ = true;
  bool counted_ = false;
  bool filesPrepared_ = false;
  GreetingComposer::PictureChoice pictures_;
  std::string extractTo_ = ".";
  int aheadVoice_ = 0;  // the voice whose WAV was prepared during the pause
  std::string aheadWav_;
  NoticeMemory memory_;
};

}  // namespace vp::counter
