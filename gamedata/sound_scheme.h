#pragma once
#include <array>
#include <string>

#include "platform/registry.h"
#include "state/settings.h"

namespace vp::gamedata {

inline constexpr const char* kSystemStartKey = "\\AppEvents\\Schemes\\Apps\\.Default\\SystemStart\\.Current";
inline constexpr const char* kSystemExitKey = "\\AppEvents\\Schemes\\Apps\\.Default\\SystemExit\\.Current";

// Each character's exit voices (up to five, ended by the first 0).
using ExitVoiceTable = std::array<std::array<int, 5>, 6>;
const ExitVoiceTable& ExitVoices();

// The exit voice of a character for a run whose local time has these seconds.
int ChooseExitVoice(int character, int seconds);

// With voices and replacement on: silences the start-up sound and makes one of
// the left character's exit voices the exit sound. Keys that do not exist are
// left alone. The exit sound names the voice in workFolder, where it was
// extracted. Raises GameDataError when the voice archive cannot be read.
void ReplaceWindowsSounds(const state::Settings& settings, platform::Registry& reg, const std::string& workFolder,
                          int seconds);

}  // namespace vp::gamedata
