#pragma once
#include <array>
#include <string>

#include "state/settings.h"

namespace vp::settings {

// What the detailed settings dialog shows, as plain data.
struct DetailedSettings {
  bool wave = false;
  std::array<bool, 6> voices{};
  bool repl = false;
  bool name = false;
  bool rand = false;
  int randMode = 0;  // the checked radio button: 1, 2, 3; 0 none
  bool form = false;
  int timer = 5;
  int delay = 0;
};

DetailedSettings DetailedFromSettings(const state::Settings& s);
// Stores the dialog's values into the record (not dirwave, which the folder dialog writes).
void StoreDetailed(const DetailedSettings& d, state::Settings& s);
// With no radio button checked, the first one is.
void DefaultRandMode(DetailedSettings& d);
// Keeps a spin value inside its range, whatever was typed.
int ClampSpin(int value, int low, int high);
// Whether OK must ask first: voices on without a game folder.
bool NeedsFolderQuestion(const DetailedSettings& d, const state::Settings& s);

// What the folder field says about a stored game folder that is no longer
// there ("" when it is there or none is stored).
std::string MissingGameFolderHint(const std::string& dirwave);

}  // namespace vp::settings
