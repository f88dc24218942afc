#include "settings/settings_session.h"

#include <vector>

#include "gamedata/game_folder.h"
#include "platform/files.h"
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
  damaged_.reset();
  std::vector<std::string> notices;
  for (const auto& problem : reg_.TakeProblems()) {
    // An unreadable settings file gets its own question instead of a notice.
    if (problem.kind == platform::RegistryProblem::Kind::Unreadable &&
        problem.file.size() >= 21 && problem.file.compare(problem.file.size() - 21, 21, "HKEY_CURRENT_USER.reg") == 0) {
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
  return ComposeStatistics(history_, clock_(), format);
}

bool SettingsSession::GameDataPresent() const { return gamedata::GameDataCheck(settings_); }

std::string SettingsSession::DamagedQuestion() const {
  if (!damaged_) return {};
  std::string where = damaged_->line > 0 ? "（" + std::to_string(damaged_->line) + " 行目）" : "";
  return "設定ファイル「" + damaged_->file + "」は壊れているため読み込めません" + where + "。\n(" + damaged_->detail +
         ")\n\nこのファイルを別名で残し、新しい設定で始めますか？\n"
         "「いいえ」を選ぶと、ファイルはそのまま残り、今回の変更は保存されません。";
}

bool SettingsSession::SetDamagedAside() {
  if (!damaged_) return true;
  const std::string aside = state::DamagedHistoryName(damaged_->file, clock_());
  if (platform::KeepUnderName(damaged_->file, aside) != 0) return false;
  platform::DeleteFile(damaged_->file);  // the link made it a second name; the original name goes
  keepDamaged_ = false;
  Load();
  return true;
}

bool SettingsSession::Save(std::string* why) {
  if (keepDamaged_) {
    if (why) *why = "設定ファイルが壊れたままのため、設定を保存しませんでした。";
    return false;
  }
  if (state::SaveSettings(settings_, reg_)) return true;
  std::vector<std::string> notices = state::RegistryNotices(reg_);
  if (notices.empty()) notices.push_back("設定を保存できませんでした。");
  if (why) *why = state::JoinNotices(notices);
  return false;
}

}  // namespace vp::settings
