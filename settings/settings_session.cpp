#include "settings/settings_session.h"

#include <vector>

#include "gamedata/game_folder.h"
#include "platform/files.h"
#include "state/notices.h"
#include "state/settings_notices.h"

namespace vp::settings {

SettingsSession::SettingsSession(platform::Registry& reg, std::string programFolder, std::string workFolder,
                                 bool publish, std::function<platform::TimeValue()> clock)
    : reg_(reg),
      programFolder_(std::move(programFolder)),
      workFolder_(std::move(workFolder)),
      publish_(publish),
      clock_(std::move(clock)) {}

void SettingsSession::Load() {
  const auto load = state::LoadSettings(settings_, reg_, programFolder_, workFolder_, publish_);
  firstSetupPending_ = !state::SettingsEverSaved(reg_);
  firstRun_ = state::IsFirstRun(reg_) || firstSetupPending_;
  const state::HistoryLoad history = state::LoadHistory(history_, state::LocateHistory(reg_, workFolder_), clock_());
  historyRead_ = !state::HistoryUnreadable(history);
  const std::string historyNotice = state::HistoryLoadNotice(history);
  damaged_.reset();
  std::vector<std::string> notices;
  for (const auto& problem : reg_.TakeProblems()) {
    // An unreadable settings file gets its own question instead of a notice.
    if (problem.kind == platform::RegistryProblem::Kind::Unreadable && problem.root == platform::RegRoot::CurrentUser) {
      damaged_ = problem;
      continue;
    }
    notices.push_back(state::RegistryNotice(problem));
  }
  notices.insert(notices.end(), load.errors.begin(), load.errors.end());
  notices.push_back(historyNotice);
  loadNotices_ = state::JoinNotices(notices);
}

StatisticsTexts SettingsSession::Statistics(const NumberFormat& format) const {
  return ComposeStatistics(history_, clock_(), format, historyRead_);
}

bool SettingsSession::GameDataPresent() const { return gamedata::GameDataCheck(settings_); }

std::string SettingsSession::DamagedQuestion() const {
  if (!damaged_) return {};
  // The file, the line and the reason, in the words the counter's notice uses.
  std::string text = state::RegistryNotice(*damaged_);
  text = text.substr(0, text.find('\n'));
  return state::DamagedSettingsQuestion(text);
}

bool SettingsSession::SetDamagedAside() {
  if (!damaged_) return true;
  int error = 0;
  if (state::KeepDamagedFileAside(damaged_->file, clock_(), &error).empty()) return false;
  platform::RemoveFile(damaged_->file);  // the link made it a second name; the original name goes
  keepDamaged_ = false;
  Load();
  return true;
}

SettingsSession::DamagedAnswer SettingsSession::AnswerDamaged(bool yes) {
  DamagedAnswer answer;
  if (yes && SetDamagedAside()) {
    answer.setAside = true;
    return answer;
  }
  if (yes) answer.error = state::DamagedSettingsNotSetAsideText();
  KeepDamaged();
  answer.kept = state::KeptDamagedSettingsText();
  return answer;
}

SettingsSession::OkResult SettingsSession::Confirm(StartupShortcuts& shortcuts) {
  if (keepDamaged_) return {true, {}};  // nothing is saved, as the player was told
  if (!GameDataPresent()) return {false, state::GameDataMissingText()};
  if (OffersStartupEntry() && !shortcuts.AnyHeld()) {
    const int scope = shortcuts.FirstRunScope();
    shortcuts.RegisterStartup(scope, 1 - scope);
  }
  shortcuts.KeepSingleShortcut();
  OkResult result;
  result.close = Save(&result.error);
  return result;
}

void SettingsSession::NextCharacter(int side) {
  int& setting = side == 0 ? settings_.char0 : settings_.char1;
  setting = (setting + 1) % 6;
}

bool SettingsSession::ChooseCharacter(int side, int index) {
  int& setting = side == 0 ? settings_.char0 : settings_.char1;
  if (index < 0 || index >= 6 || index == setting) return false;
  setting = index;
  return true;
}

bool SettingsSession::Save(std::string* why) {
  if (keepDamaged_) return true;  // said when the file was kept: nothing is saved, nothing failed
  if (state::SaveSettings(settings_, reg_)) return true;
  std::vector<std::string> notices = state::RegistryNotices(reg_);
  if (notices.empty()) notices.push_back(state::SettingsNotSavedNotice());
  if (why) *why = state::JoinNotices(notices);
  return false;
}

std::string FirstRunCloseQuestion() {
  return "設定を保存せずに閉じますか？\nスタートアップ登録もされないため、ログオン時に起動カウンターは表示されません。\n"
         "保存するには「いいえ」を選んで OK を押して下さい。";
}

}  // namespace vp::settings
