#pragma once
#include <string>

#include "platform/work_folder.h"

namespace vp::platform {

// The XDG autostart folders that stand in for the Startup folders: the current
// user's ${XDG_CONFIG_HOME:-~/.config}/autostart, and all users' first entry of
// ${XDG_CONFIG_DIRS:-/etc/xdg} outside the user's home + /autostart (Plasma puts
// ~/.config/kdedefaults first); "" when it cannot be determined.
std::string UserAutostartFolder(const Environment& env = ProcessEnvironment());
std::string SystemAutostartFolder(const Environment& env = ProcessEnvironment());

// Where an entry keeps the links it runs through when the program's own path
// cannot be written so that every consumer reads it alike: the user's
// ${XDG_DATA_HOME:-~/.local/share}/vpcounter/autostart, and for all users the
// first entry of ${XDG_DATA_DIRS:-/usr/local/share:/usr/share} outside the home.
std::string UserLauncherFolder(const Environment& env = ProcessEnvironment());
std::string SystemLauncherFolder(const Environment& env = ProcessEnvironment());

}  // namespace vp::platform
