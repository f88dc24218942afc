#pragma once
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "platform/clock.h"
#include "platform/registry.h"
#include "settings/startup_shortcut.h"
#include "settings/statistics.h"
#include "state/history.h"
#include "state/startup_log.h"
#include "state/settings.h"

namespace vp::settings {

// One settings-mode session without its windows. It owns the settings record
// that the windows edit and the history they show, and uses the registry and
// clock it is given. Settings mode never writes the history.
class SettingsSession {
 public:
  // publish: the working folder is usable, so its history path may be told
  // to the sibling counter.
  SettingsSession(platform::Registry& reg, std::string programFolder, std::string workFolder, bool publish = true,
                  std::function<platform::TimeValue()> clock = platform::CurrentTime);

  // The settings, the first-run test and the history (read without the
  // counting lock: the file is only ever replaced whole).
  void Load();

  state::Settings& settings() { return settings_; }
  const state::Settings& settings() const { return settings_; }
  const state::StartHistory& history() const { return history_; }
  // False when the history is there but could not be read (its count is unknown).
  bool historyRead() const { return historyRead_; }
  // No settings stored yet and no sibling counter: Cancel is not offered and
  // OK offers the start-up entry.
  bool firstRun() const { return firstRun_; }
  // Never saved by this user: save at once and open the detailed settings.
  // Not while a damaged settings file is kept: nothing could be saved.
  bool TakeFirstSetup() { return std::exchange(firstSetupPending_, false) && !keepDamaged_; }
  // What went wrong while loading, as one text ("" when nothing did). A
  // settings file that cannot be read at all is not among them: see damaged().
  const std::string& loadNotices() const { return loadNotices_; }

  // The settings file when it is no registry export at all: which file,
  // which line and what is wrong. Nothing is stored over it.
  const std::optional<platform::RegistryProblem>& damaged() const { return damaged_; }
  // The one question to ask about it: which file, what is wrong, what to do.
  std::string DamagedQuestion() const;
  // Keeps the damaged file under a name of its own and loads again from
  // fresh settings; false (and nothing changed) when it could not be moved.
  bool SetDamagedAside();
  // The player's answer to DamagedQuestion. Yes sets the file aside; No, or
  // a file that cannot be moved, keeps it where it is and nothing is saved.
  struct DamagedAnswer {
    bool setAside = false;  // the settings were loaded afresh: show them again
    std::string error;      // told first, as an error ("" for none)
    std::string kept;       // then told, when the file stays as it is
  };
  DamagedAnswer AnswerDamaged(bool yes);
  // The player kept the damaged file where it is: nothing is saved this
  // session, and this is no first run to register the start-up entry for.
  void KeepDamaged() { keepDamaged_ = true; }
  bool keepingDamaged() const { return keepDamaged_; }
  // The start-up entry is offered on a first run's OK, never while the
  // settings file is kept damaged (that is no first run: nothing is saved).
  bool OffersStartupEntry() const { return firstRun_ && !keepDamaged_; }
  // Cancel closes without saving; it is offered unless this is a first run
  // whose settings would then be lost (a kept damaged file saves nothing anyway).
  bool CancelOffered() const { return !firstRun_ || keepDamaged_; }

  StatisticsTexts Statistics(const NumberFormat& format) const;
  // The start-up log beside the history, read afresh; and the session's clock.
  state::StartupLog StartupLog() const {
    state::StartupLog log = state::ReadStartupLog(workFolder_);
    state::KeepPlausible(log, history(), Now());
    return log;
  }
  platform::TimeValue Now() const { return clock_(); }

  // OK: the game's data must be there before anything is stored.
  bool GameDataPresent() const;
  // OK, in order: with the damaged file kept nothing is stored; the game's
  // data must be there; a first run registers the start-up entry (the
  // user's own when it can) unless one is held; one entry is kept; the
  // settings are saved.
  struct OkResult {
    bool close = false;  // false: the window stays open, so no edit is lost
    std::string error;   // told as an error ("" for none)
  };
  OkResult Confirm(StartupShortcuts& shortcuts);

  // A click on a side's picture (0 left, 1 right): the next of the six.
  void NextCharacter(int side);
  // A side's character chosen from its list or menu; false when it was that one already.
  bool ChooseCharacter(int side, int index);
  // Stores the settings; false with the reasons in one text. While the
  // damaged file is kept nothing is stored and nothing failed (true): the
  // player chose that and was told.
  bool Save(std::string* why);

 private:
  platform::Registry& reg_;
  std::string programFolder_, workFolder_;
  bool publish_;
  std::function<platform::TimeValue()> clock_;
  state::Settings settings_;
  state::StartHistory history_;
  bool firstRun_ = false;
  bool historyRead_ = true;
  bool firstSetupPending_ = false;
  std::string loadNotices_;
  std::optional<platform::RegistryProblem> damaged_;
  bool keepDamaged_ = false;
};

// Closing a first run without OK: no start-up entry is registered and the
// edits are not saved. Yes closes.
std::string FirstRunCloseQuestion();

}  // namespace vp::settings
