#pragma once
#include <string>
#include <string_view>

#include "platform/work_folder.h"

namespace vp::platform {

// What the desktop starts at logon: a desktop entry in an XDG autostart
// folder here, a shell link (.lnk) in a Startup folder on Windows.
#if defined(_WIN32)
inline constexpr std::string_view kStartupEntryExtension = ".lnk";
#else
inline constexpr std::string_view kStartupEntryExtension = ".desktop";
#endif

// The two scopes: 0 the current user's, 1 all users'.
struct StartupPlace {
  std::string folder;    // the scope's startup folder; "" when it cannot be determined
  std::string entry;     // the entry's full path in it
  std::string launcher;  // here: where an entry keeps the links it runs through
};
StartupPlace LocateStartupPlace(int scope, const std::string& entryName, const Environment& env = ProcessEnvironment());

struct StartupEntry {
  std::string program;
  std::string argument;
  std::string workFolder;  // the program's own folder when empty
  std::string title;       // what lists of start-up programs show
  std::string comment;
};
// Writes the entry, replacing what was there at once. False when nothing could be written.
bool WriteStartupEntry(const StartupPlace& place, const StartupEntry& entry);
// Removes the entry and what served it alone; false when it is still there.
bool RemoveStartupEntry(const StartupPlace& place);
// The program the entry starts; "" when it starts none or cannot be read.
std::string StartupEntryProgram(const std::string& entryPath);
// Whether an entry's program is this one: the same file once links are
// followed; a program that is gone is never this one.
bool StartsProgram(const std::string& entryProgram, const std::string& executable);

}  // namespace vp::platform
