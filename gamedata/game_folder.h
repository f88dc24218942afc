#pragma once
#include <string>

#include "state/settings.h"

namespace vp::gamedata {

inline constexpr const char* kPictureArchive = "HD/fa0000R.aif";
inline constexpr const char* kVoiceFolder = "CD/";

// The game folder joined with a relative path ("HD/fa0000R.aif"), the names
// looked up as Windows would: a file or folder whose exact name is missing is
// the one of its folder that matches without regard to case (a copy from a
// disc has "HD/FA0000R.AIF"). "" for no game folder at all.
std::string ResolveInGameFolder(const std::string& folder, const std::string& relative);

// "CD/BV0003" for archive number 3.
std::string VoiceArchiveName(int fileNumber);

struct FolderTestResult {
  bool passes = false;
  std::string folder;  // without one trailing separator: what the dialog stores
};
// Whether the folder holds the game's executable (a file, not a folder).
FolderTestResult FolderTest(const std::string& folder);

// The picture archive, and with voices on the first voice archive, must exist.
bool GameDataCheck(const state::Settings& settings);

}  // namespace vp::gamedata
