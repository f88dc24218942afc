#include "gamedata/game_folder.h"

#include <cstdio>

#include "platform/files.h"

namespace vp::gamedata {

std::string JoinInGameFolder(const std::string& folder, const std::string& relative) {
  // UTF-8 never uses the separator byte inside a multi-byte character, so the
  // last byte decides.
  if (!folder.empty() && folder.back() == platform::kPathSeparator) return folder + relative;
  return folder + platform::kPathSeparator + relative;
}

std::string ResolveInGameFolder(const std::string& folder, const std::string& relative) {
  const std::string joined = JoinInGameFolder(folder, relative);
  if (folder.empty()) return joined;
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
