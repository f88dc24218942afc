#pragma once
#include <string>
#include <vector>

#include "platform/work_folder.h"

namespace vp::platform {

// The Wine prefixes a Linux player may have installed a Windows game in, in
// search order: $WINEPREFIX, ~/.wine, then the prefixes of launchers (folders
// with a system.reg under ~/.local/share/wineprefixes, Bottles' bottles (also
// Flatpak), Lutris' ~/Games, PlayOnLinux, Heroic's ~/Games/Heroic/Prefixes),
// then Steam's Proton prefixes (compatdata/*/pfx in every Steam library, the
// Flatpak Steam's too). Only those that have a system.reg, each once.
std::vector<std::string> WinePrefixes(const Environment& env);

// "C:\Games\VP" of a prefix as a path here, through the prefix's
// dosdevices/c: link (c: → drive_c), its components found without regard to
// case; "" when the drive is not mapped or the text is no drive path.
std::string MapWinePath(const std::string& prefix, const std::string& windowsPath);

// The string value `name` of the first of `keys` (below HKEY_LOCAL_MACHINE)
// in each prefix's system.reg that has it, mapped to a path here. Read only.
struct WineInstall {
  std::string prefix;
  std::string folder;
};
std::vector<WineInstall> WineInstallFolders(const Environment& env, const std::vector<std::string>& keys,
                                            const std::string& name);

}  // namespace vp::platform
