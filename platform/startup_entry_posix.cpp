#include <climits>
#include <cstdlib>

#include "platform/autostart.h"
#include "platform/desktop_entry.h"
#include "platform/files.h"

namespace vp::platform {
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

std::string DesktopEntryText(const StartupEntry& entry) {
  const std::string path =
      WithoutTrailingSeparator(entry.workFolder.empty() ? FolderOf(entry.program) : entry.workFolder);
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" + entry.title + "\n"
         "Comment=" + entry.comment + "\n"
         "TryExec=" + entry.program + "\n"
         "Exec=" + ExecArgument(entry.program) + " " + ExecArgument(entry.argument) + "\n"
         "Path=" + path + "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool WriteDesktopEntry(const std::string& path, const StartupEntry& entry, const std::string& launcherFolder) {
  if (path.empty()) return false;
  StartupEntry written = entry;
  written.workFolder = WithoutTrailingSeparator(entry.workFolder.empty() ? FolderOf(entry.program) : entry.workFolder);
  if (!EntrySafePath(written.program) || !EntrySafeFolder(written.workFolder)) {
    // A link under a plain name says the same to every consumer; the program
    // resolves its own folder, so it still finds its modules and its history.
    const std::string links = WithoutTrailingSeparator(launcherFolder);
    if (!EntrySafeFolder(links) || !CreateFolders(links)) return false;
    if (!EntrySafePath(written.program)) {
      if (!ReplaceSymlink(links + "/vpcounter", entry.program)) return false;
      written.program = links + "/vpcounter";
    }
    if (!EntrySafeFolder(written.workFolder)) {
      if (!ReplaceSymlink(links + "/work", written.workFolder)) return false;
      written.workFolder = links + "/work";
    }
  }
  if (!CreateFolders(FolderOf(path))) return false;
  return ReplaceFileAtomically(path, DesktopEntryText(written));
}

StartupPlace LocateStartupPlace(int scope, const std::string& entryName, const Environment& env) {
  StartupPlace place;
  place.folder = scope == 0 ? UserAutostartFolder(env) : SystemAutostartFolder(env);
  if (place.folder.empty()) return place;  // cannot be determined
  place.entry = JoinPath(place.folder, entryName);
  place.launcher = scope == 0 ? UserLauncherFolder(env) : SystemLauncherFolder(env);
  return place;
}

bool WriteStartupEntry(const StartupPlace& place, const StartupEntry& entry) {
  return WriteDesktopEntry(place.entry, entry, place.launcher);
}

bool RemoveStartupEntry(const StartupPlace& place) {
  if (place.entry.empty()) return true;
  if (RemoveFile(place.entry) && !place.launcher.empty()) {
    // The links served that entry alone.
    RemoveFile(place.launcher + "/vpcounter");
    RemoveFile(place.launcher + "/work");
  }
  return !FileExists(place.entry);
}

std::string StartupEntryProgram(const std::string& entryPath) {
  const auto text = ReadWholeFile(entryPath, kEntryBytes);
  return text ? EntryProgram(*text) : std::string();
}

}  // namespace vp::platform
