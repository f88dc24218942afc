#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/work_folder.h"

namespace vp::state {

inline constexpr const char* kSettingsKey = "\\Software\\Nivre\\VP-COUNTER";
inline constexpr const char* kSiblingKey = "\\Software\\Nivre\\TALLYDAT";
// The game's install key under HKEY_LOCAL_MACHINE, and the same key where a
// 64-bit Windows (a Wine prefix) files a 32-bit installer's.
inline constexpr const char* kGameKey = "\\SOFTWARE\\QOTA_CORP\\VerbellePlus";
inline constexpr const char* kGameKeyIn32BitView = "\\SOFTWARE\\Wow6432Node\\QOTA_CORP\\VerbellePlus";
inline constexpr const char* kGameExecutable = "VerbellePlus.exe";
// The sibling counter starts us by this fixed name, whatever our file is called.
inline constexpr const char* kPublishedExecutableName = "VPCOUNT.EXE";
inline constexpr const char* kDefaultHistoryName = "TALLYDAT";

struct Settings {
  int char0 = 0;
  int char1 = 1;
  int timer = 5;
  int delay = 0;
  int name = 0;
  int rand = 0;
  int wave = 0;
  int repl = 0;
  int form = 0;
  std::string usewave = "111111";
  std::string dirwave;
};

// The settings' registry values, each with its field, in the order they are
// read and written: the one list loading and saving walk.
struct IntegerSetting {
  const char* name;
  int Settings::*field;
};
inline constexpr IntegerSetting kIntegerSettings[] = {
    {"char0", &Settings::char0}, {"char1", &Settings::char1}, {"timer", &Settings::timer},
    {"delay", &Settings::delay}, {"name", &Settings::name},   {"rand", &Settings::rand},
    {"wave", &Settings::wave},   {"repl", &Settings::repl},   {"form", &Settings::form}};
struct TextSetting {
  const char* name;
  std::string Settings::*field;
};
inline constexpr TextSetting kTextSettings[] = {{"usewave", &Settings::usewave}, {"dirwave", &Settings::dirwave}};

struct LoadResult {
  // Japanese texts for the values that could not be read (stored with the
  // wrong type); the load went on without them.
  std::vector<std::string> errors;
};

// Fills the record from the registry: defaults, auto search, stored values, the
// two published paths, then the range corrections. The sibling is told our
// executable in programFolder and our history in workFolder (the program's
// folder when empty); both end with a separator. publish false: the paths
// are not written (the program has no working folder of its own this run).
LoadResult LoadSettings(Settings& s, platform::Registry& reg, const std::string& programFolder,
                        const std::string& workFolder = {}, bool publish = true);
// False when the settings could not be stored; reg's problems tell why.
bool SaveSettings(const Settings& s, platform::Registry& reg);
bool IsFirstRun(platform::Registry& reg);
// Whether the settings were ever saved (char0 stored under the key).
bool SettingsEverSaved(platform::Registry& reg);
// Whether character's voice is on: its place in usewave holds '1' (a
// missing or other character is off).
bool VoiceOn(const Settings& s, int character);
bool LeftVoiceEnabled(const Settings& s);  // the left character's

struct GameSearch {
  bool found = false;
  std::string folder;
};
// The game's install key in our registry, then Wine prefixes; the folder must
// hold the game's executable (its name in any case).
GameSearch FindGameFolder(platform::Registry& reg, const platform::Environment& env = platform::ProcessEnvironment());

// Applies the corrections that keep char0/char1 usable as table indexes.
void CorrectSettings(Settings& s);

// True when the sibling counter asks to share its history file (integrate = 1);
// historyFile then receives its tallydatfile value, when it is a usable path here.
bool SiblingIntegrates(platform::Registry& reg,
                       std::optional<std::string>* historyFile = nullptr);
// A path this system can use for the history: not a Windows path (drive letter,
// backslashes), not a folder.
bool UsableHistoryPath(std::string_view path);
// Our own history: TALLYDAT in the working folder, or in the current folder
// when none is given (the program has entered its working folder then).
std::string OwnHistoryPath(const std::string& workFolder);

}  // namespace vp::state
