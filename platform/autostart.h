#pragma once
#include <string>

namespace vp::platform {

// The XDG autostart folders that stand in for the Startup folders: the current
// user's ${XDG_CONFIG_HOME:-~/.config}/autostart, and all users' first of
// ${XDG_CONFIG_DIRS:-/etc/xdg} + /autostart; "" when it cannot be determined.
std::string UserAutostartFolder();
std::string SystemAutostartFolder();

}  // namespace vp::platform
