#include "platform/wine_prefix.h"

namespace vp::platform {

// On Windows the game's key is in the registry itself, which is read before
// any prefix is searched: there is no Wine prefix to look in.
std::vector<std::string> WinePrefixes(const Environment&) { return {}; }

std::string MapWinePath(const std::string&, const std::string&) { return {}; }

std::vector<WineInstall> WineInstallFolders(const Environment&, const std::vector<std::string>&, const std::string&) {
  return {};
}

}  // namespace vp::platform
