#include "gamedata/game_folder.h"

#include <cstdio>

#include "platform/files.h"

namespace vp::gamedata {

std::string ResolveInGameFolder(const std::string& folder, const std::string& relative) {
  // No game folder holds nothing: neither the working folder's nor the root's files stand in for it.
  if (folder.empty()) return {};
  return platform::FindPathNoCase(folder, relative);
}

std::string VoiceArchiveName(int fileNumber) {
  char name[32];
  std::snprintf(name, sizeof name, "BV%04d", fileNumber);
  return std::string(kVoiceFolder) + name;
}

FolderTestResult FolderTest(const std::string& folder) {
  FolderTestResult result;
  result.folder = folder;
  if (result.folder.size() > 1 && result.folder.back() == platform::kPathSeparator) result.folder.pop_back();
  result.passes = platform::FileExists(ResolveInGameFolder(result.folder, state::kGameExecutable));
  return result;
}

bool GameDataCheck(const state::Settings& settings) {
  if (!platform::FileExists(ResolveInGameFolder(settings.dirwave, kPictureArchive))) return false;
  if (settings.wave == 0) return true;
  return platform::FileExists(ResolveInGameFolder(settings.dirwave, VoiceArchiveName(0)));
}

}  // namespace vp::gamedata
