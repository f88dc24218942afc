#include "platform/autostart.h"

#include <cstdlib>

namespace vp::platform {

std::string UserAutostartFolder() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/autostart";
  if (const char* home = std::getenv("HOME"); home && *home == '/') return std::string(home) + "/.config/autostart";
  return {};
}

std::string SystemAutostartFolder() {
  const char* dirs = std::getenv("XDG_CONFIG_DIRS");
  std::string list = dirs && *dirs ? dirs : "/etc/xdg";
  std::string first = list.substr(0, list.find(':'));
  if (first.empty() || first.front() != '/') return {};
  return first + "/autostart";
}

}  // namespace vp::platform
