#include "platform/autostart.h"

#include <string_view>

#include "platform/files.h"

namespace vp::platform {
namespace {

bool Inside(const std::string& path, const std::string& folder) {
  if (folder.empty() || folder == "/") return false;
  const std::string base = WithoutTrailingSeparator(folder);
  return path == base || path.rfind(base + "/", 0) == 0;
}

// The first absolute entry of a colon list that is no folder of the user's
// own, so an entry "for all users" never lands in one user's configuration.
std::string FirstSharedEntry(const std::string& list, const Environment& env, const char* ownVariable) {
  const std::string home = HomeFolder(env);
  const std::string own = env(ownVariable);
  std::string_view rest = list;
  while (!rest.empty()) {
    const auto colon = rest.find(':');
    const std::string entry = WithoutTrailingSeparator(std::string(rest.substr(0, colon)));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (entry.empty() || entry.front() != '/') continue;  // the base directory spec ignores relative entries
    if (Inside(entry, home) || Inside(entry, own)) continue;
    return entry;
  }
  return {};
}

std::string UserBase(const Environment& env, const char* variable, const char* underHome) {
  if (const std::string xdg = env(variable); !xdg.empty() && xdg.front() == '/') return xdg;
  const std::string home = HomeFolder(env);
  return home.empty() ? std::string() : home + underHome;
}

// folder + suffix, or "" when the folder cannot be determined.
std::string Under(const std::string& folder, const char* suffix) { return folder.empty() ? folder : folder + suffix; }

}  // namespace

std::string UserAutostartFolder(const Environment& env) {
  return Under(UserBase(env, "XDG_CONFIG_HOME", "/.config"), "/autostart");
}

std::string SystemAutostartFolder(const Environment& env) {
  const std::string dirs = env("XDG_CONFIG_DIRS");
  return Under(FirstSharedEntry(dirs.empty() ? "/etc/xdg" : dirs, env, "XDG_CONFIG_HOME"), "/autostart");
}

std::string UserLauncherFolder(const Environment& env) {
  return Under(UserBase(env, "XDG_DATA_HOME", "/.local/share"), "/vpcounter/autostart");
}

std::string SystemLauncherFolder(const Environment& env) {
  const std::string dirs = env("XDG_DATA_DIRS");
  return Under(FirstSharedEntry(dirs.empty() ? "/usr/local/share:/usr/share" : dirs, env, "XDG_DATA_HOME"),
               "/vpcounter/autostart");
}

}  // namespace vp::platform
