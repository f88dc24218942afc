#include "settings/startup_shortcut.h"

#include <cstdlib>

#include "platform/autostart.h"
#include "platform/files.h"

namespace vp::settings {
namespace {

// An argument of Exec= per the desktop entry specification: quoted when it has
// reserved characters, with \ " ` $ escaped inside the quotes.
std::string ExecArgument(const std::string& arg) {
  const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string escaped;
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') escaped += '\\';
    escaped += c;
  }
  if (arg.find_first_of(reserved) == std::string::npos && !arg.empty()) return escaped;
  return "\"" + escaped + "\"";
}

// The value itself is a desktop entry string: backslashes doubled, % as %%.
std::string EntryValue(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\\') out += "\\\\";
    else if (c == '%') out += "%%";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

}  // namespace

std::string DesktopEntryText(const std::string& target, const std::string& argument,
                             const std::string& workFolder) {
  std::string path = workFolder.empty() ? platform::FolderOf(target) : workFolder;
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  std::string pathValue;
  for (char c : path) pathValue += (c == '\\') ? std::string("\\\\") : std::string(1, c);
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" + std::string(shell::kApplicationTitle) + "\n"
         "Comment=ヴェルベル・プラスの起動カウンター\n"
         "Exec=" + EntryValue(ExecArgument(target) + " " + ExecArgument(argument)) + "\n"
         "Path=" + pathValue + "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool CreateShortcut(const std::string& shortcutPath, const std::string& target, const std::string& argument,
                    const std::string& workFolder) {
  if (shortcutPath.empty()) return false;
  platform::CreateFolders(platform::FolderOf(shortcutPath));
  return platform::ReplaceFileAtomically(shortcutPath, DesktopEntryText(target, argument, workFolder));
}

StartupShortcuts::StartupShortcuts(Ask ask, Tell tell, std::string executable, std::string workFolder)
    : ask_(std::move(ask)), tell_(std::move(tell)), executable_(std::move(executable)), workFolder_(std::move(workFolder)) {}

void StartupShortcuts::Locate() {
  const std::string folders[2] = {platform::UserAutostartFolder(), platform::SystemAutostartFolder()};
  for (int i = 0; i < 2; ++i) {
    StartupScope& s = scopes_[static_cast<std::size_t>(i)];
    s = StartupScope{};
    if (folders[i].empty()) continue;  // cannot be determined: the item stays disabled
    s.available = true;
    s.folder = folders[i];
    s.shortcut = folders[i] + "/" + kShortcutName;
    s.checked = platform::FileExists(s.shortcut);
  }
}

bool StartupShortcuts::Holds(int i) const {
  const StartupScope& s = scopes_[static_cast<std::size_t>(i)];
  return !s.shortcut.empty() && platform::FileExists(s.shortcut);
}

bool StartupShortcuts::AnyHeld() const {
  return (scopes_[0].available && Holds(0)) || (scopes_[1].available && Holds(1));
}

void StartupShortcuts::RegisterStartup(int s, int o) {
  StartupScope& scope = scopes_[static_cast<std::size_t>(s)];
  StartupScope& other = scopes_[static_cast<std::size_t>(o)];
  if (Holds(s)) {
    tell_("すでにスタートアップ登録済みです。");
    return;
  }
  const std::string prefix = s == 0 ? "現ユーザーの" : "全てのユーザーの";
  if (!ask_(prefix + "スタートアップへ登録を行います。\nよろしいですか？\n※統合環境利用時は登録しないで下さい")) return;
  // Without the rights to write the folder this fails quietly; the marks change anyway.
  CreateShortcut(scope.shortcut, executable_, "/C", workFolder_);
  scope.checked = true;
  if (!other.shortcut.empty()) platform::DeleteFile(other.shortcut);
  other.checked = false;
}

void StartupShortcuts::Remove() {
  if (AnyHeld()) {
    if (!ask_("スタートアップの登録を取り消します。\nよろしいですか？")) return;
    for (auto& s : scopes_) {
      if (!s.shortcut.empty()) platform::DeleteFile(s.shortcut);
      s.checked = false;
    }
  } else {
    tell_("スタートアップには登録されておりません。");
  }
}

void StartupShortcuts::KeepSingleShortcut() {
  if (scopes_[0].available && Holds(0) && !scopes_[1].shortcut.empty()) platform::DeleteFile(scopes_[1].shortcut);
  if (scopes_[1].available && Holds(1) && !scopes_[0].shortcut.empty()) platform::DeleteFile(scopes_[0].shortcut);
}

}  // namespace vp::settings
