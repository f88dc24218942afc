#include "settings/startup_shortcut.h"

#include <climits>
#include <cstdlib>

#include "platform/autostart.h"
#include "platform/files.h"
#include "state/settings_notices.h"

namespace vp::settings {
namespace {

// An argument of Exec= per the desktop entry specification: quoted when it
// has reserved characters. EntrySafePath keeps out the ones that would need
// escaping inside the quotes.
std::string ExecArgument(const std::string& arg) {
  const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
  if (arg.find_first_of(reserved) == std::string::npos && !arg.empty()) return arg;
  return "\"" + arg + "\"";
}

// Entries are a few hundred bytes; anything larger is not one of ours.
constexpr std::size_t kEntryBytes = 64 * 1024;

std::string RealPath(const std::string& path) {
  char real[PATH_MAX];
  return !path.empty() && ::realpath(path.c_str(), real) ? std::string(real) : std::string();
}

}  // namespace

std::string EntryProgram(const std::string& entryText) {
  bool inMainGroup = false;
  std::size_t at = 0;
  while (at < entryText.size()) {
    const std::size_t end = std::min(entryText.find('\n', at), entryText.size());
    std::string line = entryText.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    if (!inMainGroup || line.compare(0, 5, "Exec=") != 0) continue;
    std::string_view value = std::string_view(line).substr(5);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (!value.empty() && value.front() == '"') {
      const std::size_t close = value.find('"', 1);
      return close == std::string_view::npos ? std::string() : std::string(value.substr(1, close - 1));
    }
    return std::string(value.substr(0, value.find(' ')));
  }
  return {};
}

bool StartsProgram(const std::string& entryProgram, const std::string& executable) {
  if (entryProgram.empty()) return false;
  const std::string entryReal = RealPath(entryProgram), ownReal = RealPath(executable);
  if (!entryReal.empty() && !ownReal.empty()) return entryReal == ownReal;
  // Without our own file to compare with, the names decide; a gone program never matches us.
  return ownReal.empty() && entryProgram == executable;
}

bool EntrySafePath(std::string_view path) {
  if (path.empty() || path.front() != '/') return false;
  for (unsigned char c : path) {
    if (c < 0x20 || c == 0x7F) return false;
    switch (c) {
      case '\'': case '"': case '\\': case '$': case '`': case '%': return false;
      default: break;
    }
  }
  return true;
}

bool EntrySafeFolder(std::string_view path) {
  for (unsigned char c : path)
    if (c >= 0x80) return false;
  return EntrySafePath(path);
}

std::string DesktopEntryText(const std::string& program, const std::string& argument, const std::string& workFolder) {
  const std::string path = platform::WithoutTrailingSeparator(workFolder.empty() ? platform::FolderOf(program) : workFolder);
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" + std::string(shell::kApplicationTitle) + "\n"
         "Comment=ヴェルベル・プラスの起動カウンター\n"
         "TryExec=" + program + "\n"
         "Exec=" + ExecArgument(program) + " " + ExecArgument(argument) + "\n"
         "Path=" + path + "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool CreateShortcut(const std::string& shortcutPath, const std::string& target, const std::string& argument,
                    const std::string& workFolder, const std::string& launcherFolder) {
  if (shortcutPath.empty()) return false;
  std::string program = target;
  std::string folder = platform::WithoutTrailingSeparator(workFolder.empty() ? platform::FolderOf(target) : workFolder);
  if (!EntrySafePath(program) || !EntrySafeFolder(folder)) {
    // A link under a plain name says the same to every consumer; the program
    // resolves its own folder, so it still finds its modules and its history.
    const std::string links = platform::WithoutTrailingSeparator(launcherFolder);
    if (!EntrySafeFolder(links) || !platform::CreateFolders(links)) return false;
    if (!EntrySafePath(program)) {
      if (!platform::ReplaceSymlink(links + "/vpcounter", target)) return false;
      program = links + "/vpcounter";
    }
    if (!EntrySafeFolder(folder)) {
      if (!platform::ReplaceSymlink(links + "/work", folder)) return false;
      folder = links + "/work";
    }
  }
  if (!platform::CreateFolders(platform::FolderOf(shortcutPath))) return false;
  return platform::ReplaceFileAtomically(shortcutPath, DesktopEntryText(program, argument, folder));
}

StartupShortcuts::StartupShortcuts(Ask ask, Tell tell, std::string executable, std::string workFolder)
    : ask_(std::move(ask)), tell_(std::move(tell)), executable_(std::move(executable)), workFolder_(std::move(workFolder)) {}

void StartupShortcuts::Locate() {
  const std::string folders[2] = {platform::UserAutostartFolder(), platform::SystemAutostartFolder()};
  const std::string launchers[2] = {platform::UserLauncherFolder(), platform::SystemLauncherFolder()};
  for (int i = 0; i < 2; ++i) {
    StartupScope& s = scopes_[static_cast<std::size_t>(i)];
    s = StartupScope{};
    if (folders[i].empty()) continue;  // cannot be determined: the item stays disabled
    s.available = true;
    s.folder = folders[i];
    s.shortcut = folders[i] + "/" + kShortcutName;
    s.launcher = launchers[i];
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
    const auto text = platform::ReadWholeFile(s.shortcut, kEntryBytes);
    const std::string program = text ? EntryProgram(*text) : std::string();
    s.startsOther = !StartsProgram(program, executable_);
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
  if (scope.shortcut.empty()) return;
  if (platform::RemoveFile(scope.shortcut) && !scope.launcher.empty()) {
    // The links served that entry alone.
    platform::RemoveFile(scope.launcher + "/vpcounter");
    platform::RemoveFile(scope.launcher + "/work");
  }
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
  if (!CreateShortcut(scope.shortcut, executable_, "/C", workFolder_, scope.launcher)) {
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
