#include "settings/startup_shortcut.h"

#include "platform/files.h"
#include "platform/startup_entry.h"
#include "state/settings_notices.h"

namespace vp::settings {

platform::StartupEntry CounterStartupEntry(const std::string& program, const std::string& argument,
                                          const std::string& workFolder) {
  return {program, argument, workFolder, shell::kApplicationTitle, "ヴェルベル・プラスの起動カウンター"};
}

StartupShortcuts::StartupShortcuts(Ask ask, Tell tell, std::string executable, std::string workFolder)
    : ask_(std::move(ask)), tell_(std::move(tell)), executable_(std::move(executable)), workFolder_(std::move(workFolder)) {}

void StartupShortcuts::Locate() {
  for (int i = 0; i < 2; ++i) {
    StartupScope& s = scopes_[static_cast<std::size_t>(i)];
    s = StartupScope{};
    const platform::StartupPlace place = platform::LocateStartupPlace(i, kShortcutName);
    if (place.folder.empty()) continue;  // cannot be determined: the item stays disabled
    s.available = true;
    s.folder = place.folder;
    s.shortcut = place.entry;
    s.launcher = place.launcher;
  }
  Refresh();
}

void StartupShortcuts::Refresh() {
  for (int i = 0; i < 2; ++i) {
    StartupScope& s = scopes_[static_cast<std::size_t>(i)];
    s.checked = Holds(i);
    s.startsOther = false;
    s.otherProgram.clear();
    if (!s.checked) continue;
    const std::string program = platform::StartupEntryProgram(s.shortcut);
    s.startsOther = !platform::StartsProgram(program, executable_);
    if (s.startsOther) s.otherProgram = program;
  }
}

bool StartupShortcuts::Holds(int i) const {
  const StartupScope& s = scopes_[static_cast<std::size_t>(i)];
  return !s.shortcut.empty() && platform::FileExists(s.shortcut);
}

bool StartupShortcuts::AnyHeld() const {
  return (scopes_[0].available && Holds(0)) || (scopes_[1].available && Holds(1));
}

void StartupShortcuts::Delete(StartupScope& scope) {
  platform::RemoveStartupEntry({scope.folder, scope.shortcut, scope.launcher});
}

void StartupShortcuts::RegisterStartup(int s, int o) {
  StartupScope& scope = scopes_[static_cast<std::size_t>(s)];
  StartupScope& other = scopes_[static_cast<std::size_t>(o)];
  Refresh();
  const std::string prefix = s == 0 ? "現ユーザーの" : "全てのユーザーの";
  if (Holds(s) && !scope.startsOther) {
    tell_("すでにスタートアップ登録済みです。");
    return;
  }
  if (Holds(s)) {
    const std::string what = scope.otherProgram.empty() ? std::string("このプログラムではないもの")
                                                        : "「" + scope.otherProgram + "」";
    if (!ask_(prefix + "スタートアップには" + what +
              "が登録されていて、このプログラムは起動されません。\nこのプログラムを登録し直します。よろしいですか？"))
      return;
  } else if (!ask_(prefix + "スタートアップへ登録を行います。\nよろしいですか？\n※統合環境利用時は登録しないで下さい")) {
    return;
  }
  if (!platform::WriteStartupEntry({scope.folder, scope.shortcut, scope.launcher},
                                   CounterStartupEntry(executable_, "/C", workFolder_))) {
    // The entry that works stays: losing it would stop the counting at the next logon.
    Refresh();
    tell_(state::StartupEntryNotWrittenText(prefix, scope.folder, s == 1));
    return;
  }
  Delete(other);
  Refresh();
  if (other.checked)
    tell_(state::OtherStartupEntryNotRemovedText(other.shortcut));
}

void StartupShortcuts::Remove() {
  Refresh();
  if (!AnyHeld()) {
    tell_("スタートアップには登録されておりません。");
    return;
  }
  if (!ask_("スタートアップの登録を取り消します。\nよろしいですか？")) return;
  for (auto& s : scopes_) Delete(s);
  Refresh();
  for (const auto& s : scopes_)
    if (s.checked) tell_("スタートアップの登録を取り消せませんでした。\n" + s.shortcut + " を削除できません。");
}

void StartupShortcuts::KeepSingleShortcut() {
  if (scopes_[0].available && Holds(0)) Delete(scopes_[1]);
  if (scopes_[1].available && Holds(1)) Delete(scopes_[0]);
  Refresh();
}

}  // namespace vp::settings
