#include "settings/settings_session.h"

#include <vector>

#include "gamedata/game_folder.h"
#include "state/notices.h"

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
  const std::string historyNotice =
      state::HistoryLoadNotice(state::LoadHistory(history_, state::LocateHistory(reg_, workFolder_)));
  std::vector<std::string> notices = state::RegistryNotices(reg_);
  notices.insert(notices.end(), load.errors.begin(), load.errors.end());
  notices.push_back(historyNotice);
  loadNotices_ = state::JoinNotices(notices);
}

StatisticsTexts SettingsSession::Statistics(const NumberFormat& format) const {
  return ComposeStatistics(history_, clock_(), format);
}

bool SettingsSession::GameDataPresent() const { return gamedata::GameDataCheck(settings_); }

bool SettingsSession::Save(std::string* why) {
  if (state::SaveSettings(settings_, reg_)) return true;
  std::vector<std::string> notices = state::RegistryNotices(reg_);
  if (notices.empty()) notices.push_back("設定を保存できませんでした。");
  if (why) *why = state::JoinNotices(notices);
  return false;
}

}  // namespace vp::settings
