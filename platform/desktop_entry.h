#pragma once
// The XDG side of the startup entry (startup_entry.h), for its tests.
#include <string>
#include <string_view>

#include "platform/startup_entry.h"

namespace vp::platform {

// Whether a path can stand in an entry's Exec, TryExec or Path so that the
// desktop entry specification, systemd's autostart generator and dex all
// read it alike: the generator refuses an apostrophe in the program's path,
// reads %% literally and unescapes backslashes twice, and neither it nor dex
// takes a quote or $ in Path= as written.
bool EntrySafePath(std::string_view path);
// The same for Path=, which the generator writes into the unit's
// WorkingDirectory= with C escapes that systemd does not read back: ASCII only.
bool EntrySafeFolder(std::string_view path);

// The entry's text; TryExec makes desktops skip it once the program is gone.
// The paths must pass EntrySafePath and EntrySafeFolder.
std::string DesktopEntryText(const StartupEntry& entry);

// The program an entry's Exec= starts (its first word, unquoted); "" when
// the text has none.
std::string EntryProgram(const std::string& entryText);

// Writes the entry at path (atomically). A program or working folder whose
// path cannot be written in an entry is reached through links in
// launcherFolder ("vpcounter" and "work"). False when nothing could be written.
bool WriteDesktopEntry(const std::string& path, const StartupEntry& entry, const std::string& launcherFolder = {});

}  // namespace vp::platform
