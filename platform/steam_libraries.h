#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vp::platform {

// The library folders that Steam's steamapps/libraryfolders.vdf lists: the
// "path" of each entry (and the bare numbered paths of the older format).
// Broken text yields what could be read before the fault.
std::vector<std::string> SteamLibraryPaths(std::string_view vdf);

}  // namespace vp::platform
