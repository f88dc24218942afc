#pragma once
#include <string>
#include <vector>

#include "platform/registry.h"
#include "state/history.h"

namespace vp::state {

// The Japanese texts that tell the user of a file problem: what happened and
// what the program did, then the technical detail. Empty when there is nothing to tell.
std::string HistoryLoadNotice(const HistoryLoad& load);
std::string HistorySaveNotice(const HistorySave& save);
std::string HistoryLockNotice();
// The working folder could not be used (error: errno, 0 when none applies).
std::string WorkFolderNotice(const std::string& folder, int error);
// The game's pictures or voices could not be read: in the player's words,
// with what to do, and without a path that means nothing to a player.
std::string GameFilesNotice();
// No lock of any kind could be had for the history.
std::string HistoryLockUnavailableNotice();
std::string RegistryNotice(const platform::RegistryProblem& problem);
std::string WrongTypeNotice(const std::string& valueName, const std::string& detail);

// The notices of all registry problems met so far, then any others, joined.
std::string JoinNotices(const std::vector<std::string>& notices);
std::vector<std::string> RegistryNotices(platform::Registry& reg);

}  // namespace vp::state
