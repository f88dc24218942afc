#include "platform/wine_prefix.h"

#include <dirent.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/ascii.h"
#include "platform/files.h"
#include "platform/steam_libraries.h"
#include "platform/wine_registry.h"

namespace vp::platform {
namespace {

// system.reg of a prefix with many programs runs to tens of megabytes.
constexpr std::size_t kMaxSystemReg = 256u << 20;
constexpr std::size_t kMaxLibraryList = 4u << 20;

std::vector<std::string> Subfolders(const std::string& folder) {
  std::vector<std::string> found;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return found;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (DirectoryExists(folder + "/" + name)) found.push_back(folder + "/" + name);
  }
  closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

// Steam keeps each game's Proton prefix in compatdata/<app id>/pfx of the
// library the game is installed in: the Steam folder itself and the other
// libraries its libraryfolders.vdf lists.
void AddSteamPrefixes(const std::vector<std::string>& steamRoots, std::vector<std::string>& candidates) {
  std::vector<std::string> libraries;
  std::set<std::string> seen;
  auto add = [&](const std::string& library) {
    // ~/.steam/steam is usually a link to ~/.local/share/Steam.
    std::error_code error;
    const std::string real = std::filesystem::canonical(library, error).string();
    if (!error && seen.insert(real).second) libraries.push_back(library);
  };
  for (const std::string& root : steamRoots) {
    if (!DirectoryExists(root + "/steamapps")) continue;
    add(root);
    if (const auto vdf = ReadWholeFile(root + "/steamapps/libraryfolders.vdf", kMaxLibraryList))
      for (const std::string& library : SteamLibraryPaths(*vdf)) add(library);
  }
  for (const std::string& library : libraries)
    for (const std::string& game : Subfolders(library + "/steamapps/compatdata")) candidates.push_back(game + "/pfx");
}

}  // namespace

std::vector<std::string> WinePrefixes(const Environment& env) {
  std::vector<std::string> candidates;
  if (const std::string own = env("WINEPREFIX"); !own.empty()) candidates.push_back(own);
  const std::string home = HomeFolder(env);
  if (!home.empty()) {
    candidates.push_back(home + "/.wine");
    std::string data = env("XDG_DATA_HOME");
    if (data.empty() || data.front() != '/') data = home + "/.local/share";
    for (const std::string& launcher :
         {data + "/wineprefixes", data + "/bottles/bottles", home + "/.var/app/com.usebottles.bottles/data/bottles/bottles",
          home + "/Games", home + "/.PlayOnLinux/wineprefix",
          // Heroic: a prefix per game, in Prefixes/default/<game> since 2.4 and Prefixes/<game> before.
          home + "/Games/Heroic/Prefixes", home + "/Games/Heroic/Prefixes/default"})
      for (const std::string& prefix : Subfolders(launcher)) candidates.push_back(prefix);
    AddSteamPrefixes({data + "/Steam", home + "/.local/share/Steam", home + "/.steam/steam", home + "/.steam/root",
                      home + "/.var/app/com.valvesoftware.Steam/.local/share/Steam",
                      home + "/.var/app/com.valvesoftware.Steam/data/Steam"},
                     candidates);
  }
  std::vector<std::string> prefixes;
  std::set<std::string> seen;
  for (const std::string& p : candidates)
    if (FileExists(p + "/system.reg") && seen.insert(p).second) prefixes.push_back(p);
  return prefixes;
}

std::string MapWinePath(const std::string& prefix, const std::string& windowsPath) {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return {};
  char drive = windowsPath[0];
  drive = AsciiLower(drive);
  if (drive < 'a' || drive > 'z') return {};
  const std::string device = prefix + "/dosdevices/" + drive + ":";
  if (!DirectoryExists(device)) return {};
  std::string rest = windowsPath.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
  while (!rest.empty() && rest.back() == '/') rest.pop_back();
  return rest.empty() ? device : FindPathNoCase(device, rest);
}

std::vector<WineInstall> WineInstallFolders(const Environment& env, const std::vector<std::string>& keys,
                                            const std::string& name) {
  std::vector<WineInstall> found;
  for (const std::string& prefix : WinePrefixes(env)) {
    const auto text = ReadWholeFile(prefix + "/system.reg", kMaxSystemReg);
    if (!text) continue;
    const auto value = WineRegistryString(*text, keys, name);
    if (!value) continue;
    const std::string folder = MapWinePath(prefix, *value);
    if (!folder.empty()) found.push_back({prefix, folder});
  }
  return found;
}

}  // namespace vp::platform
