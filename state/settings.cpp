#include "state/settings.h"

#include "platform/files.h"
#include "platform/wine_prefix.h"
#include "platform/text.h"
#include "platform/work_folder.h"
#include "state/notices.h"

namespace vp::state {

using platform::RegRoot;

void CorrectSettings(Settings& s) {
  if (s.char0 < 0 || s.char0 > 5) s.char0 = 0;
  if (s.char1 < 0 || s.char1 > 5) s.char1 = 0;
  if (s.timer < 1 || s.timer > 9) s.timer = 1;
  if (s.delay < 0 || s.delay > 9) s.delay = 0;
}

namespace {
// The folder holds the game when its executable is there (a file), its name in any case.
bool HoldsTheGame(const std::string& folder) {
  std::string base = folder;
  if (base.size() > 1 && base.back() == platform::kPathSeparator) base.pop_back();
  return platform::FileExists(platform::FindPathNoCase(base, kGameExecutable));
}
}  // namespace

GameSearch FindGameFolder(platform::Registry& reg, const platform::Environment& env) {
  GameSearch result;
  if (auto key = reg.OpenKey(RegRoot::LocalMachine, kGameKey, false)) {
    try {
      if (key->ValueExists("install")) {
        std::string folder = key->ReadString("install");
        if (!folder.empty() && HoldsTheGame(folder)) {
          result.found = true;
          result.folder = folder;
          return result;
        }
      }
    } catch (const platform::RegistryError&) {
      // An install value of the wrong type is as good as none.
    }
  }
  // Where a Linux player installs the game: a Wine prefix, read only. Wine
  // files the keys without the leading separator.
  for (const auto& install : platform::WineInstallFolders(
           env, {kGameKey + 1, kGameKeyIn32BitView + 1}, "install")) {
    if (HoldsTheGame(install.folder)) {
      result.found = true;
      result.folder = install.folder;
      return result;
    }
  }
  return result;
}

LoadResult LoadSettings(Settings& s, platform::Registry& reg, const std::string& programFolder,
                        const std::string& workFolder, bool publish) {
  LoadResult result;
  s = Settings{};
  auto key = reg.OpenKey(RegRoot::CurrentUser, kSettingsKey, true);

  if (key) {
    auto readInt = [&](const char* name, int& field) {
      if (!key->ValueExists(name)) return;
      try {
        field = key->ReadInteger(name);
      } catch (const platform::RegistryError&) {
        result.errors.push_back(WrongTypeNotice(name));
      }
    };
    auto readText = [&](const char* name, std::string& field) {
      if (!key->ValueExists(name)) return;
      try {
        field = key->ReadString(name);
      } catch (const platform::RegistryError&) {
        result.errors.push_back(WrongTypeNotice(name));
      }
    };
    for (const auto& setting : kIntegerSettings) readInt(setting.name, s.*setting.field);
    for (const auto& setting : kTextSettings) readText(setting.name, s.*setting.field);
    if (publish) {
      // A path that is not UTF-8 cannot go into the settings file: the old
      // value stays, and the player hears why the sibling is not told.
      const std::string program = programFolder + kPublishedExecutableName;
      // The very file the count goes to, as a full path: the sibling reads it
      // from a folder of its own.
      const std::string history = platform::AbsolutePath(OwnHistoryPath(workFolder));
      for (const auto& [name, path] : {std::pair{"tallydatexec", program}, std::pair{"tallydatfile", history}}) {
        if (platform::IsValidUtf8(path)) key->WriteString(name, path);
        else result.errors.push_back(UnpublishablePathNotice(path));
      }
    }
    key->Close();
  }
  // A stored folder wins over the search, so the search (which may read
  // Wine's registries) is made only without one. An empty one is searched
  // again: Wine writes system.reg seconds after its last program ends, so the
  // first start after installing the game may have found nothing yet.
  if (s.dirwave.empty()) s.dirwave = FindGameFolder(reg).folder;
  CorrectSettings(s);
  return result;
}

bool SaveSettings(const Settings& s, platform::Registry& reg) {
  auto key = reg.OpenKey(RegRoot::CurrentUser, kSettingsKey, true);
  if (!key) return false;
  for (const auto& setting : kIntegerSettings) key->WriteInteger(setting.name, s.*setting.field);
  for (const auto& setting : kTextSettings) key->WriteString(setting.name, s.*setting.field);
  return key->Close();
}

bool SiblingIntegrates(platform::Registry& reg, std::optional<std::string>* historyFile) {
  auto key = reg.OpenKey(RegRoot::CurrentUser, kSiblingKey, false);
  if (!key) return false;
  try {
    if (!key->ValueExists("integrate") || key->ReadInteger("integrate") != 1) return false;
  } catch (const platform::RegistryError&) {
    return false;  // the sibling's values are not ours to complain about
  }
  if (historyFile) {
    historyFile->reset();
    try {
      if (key->ValueExists("tallydatfile")) {
        std::string path = key->ReadString("tallydatfile");
        if (UsableHistoryPath(path)) *historyFile = std::move(path);
      }
    } catch (const platform::RegistryError&) {
      // A damaged path must not cost the user the count: keep our own file.
    }
  }
  return true;
}

std::string OwnHistoryPath(const std::string& workFolder) {
  return workFolder.empty() ? std::string(kDefaultHistoryName) : platform::InWorkFolder(workFolder, kDefaultHistoryName);
}

bool UsableHistoryPath(std::string_view path) { return platform::UsableFilePath(path); }

bool SettingsEverSaved(platform::Registry& reg) {
  auto key = reg.OpenKey(RegRoot::CurrentUser, kSettingsKey, false);
  return key && key->ValueExists(kIntegerSettings[0].name);
}

bool IsFirstRun(platform::Registry& reg) {
  return !SettingsEverSaved(reg) && !SiblingIntegrates(reg);
}

bool VoiceOn(const Settings& s, int character) {
  return character >= 0 && static_cast<std::size_t>(character) < s.usewave.size() &&
         s.usewave[static_cast<std::size_t>(character)] == '1';
}

bool LeftVoiceEnabled(const Settings& s) { return VoiceOn(s, s.char0); }

}  // namespace vp::state
