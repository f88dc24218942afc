#pragma once
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "state/history.h"

namespace vp::state {

// The Japanese texts that tell the player of a file problem: what happened,
// what the program did, then what to do, with any detail in Japanese too.
// Empty when there is nothing to tell.
std::string HistoryLoadNotice(const HistoryLoad& load);
std::string HistorySaveNotice(const HistorySave& save);
std::string HistoryLockNotice();
// The start-up was counted but the year's log did not take it (another
// owner's or a read-only file, something else under its name, the year's
// cap): the calendar will show fewer start-ups than the count. "" when it took it.
std::string StartupLogNotice(const std::string& logName, platform::AppendStatus status);
// The working folder could not be used (error: errno, 0 when none applies).
std::string WorkFolderNotice(const std::string& folder, int error);
// The game's pictures or voices could not be read: in the player's words,
// with what to do, and without a path that means nothing to a player.
std::string GameFilesNotice();
// The game's pictures or voices could not be written into the working folder
// (error: errno): the disk, not the game, is the cause.
std::string ExtractWriteNotice(const std::string& folder, int error);
// The calendar's CSV could not be written to path (UTF-8; error: errno). A
// folder whose name is not UTF-8 reaches us with U+FFFD in its name: that,
// not the folder's rights, is then the cause.
std::string CsvExportNotice(const std::string& path, int error);
// The voice decoder library (its file name) is missing or cannot be loaded:
// the greeting goes on without voices.
std::string VoiceDecoderNotice(const std::string& library);
// A character's picture is fine but memory to show it could not be had.
std::string PictureMemoryNotice();
// Our history's or program's path is not UTF-8 (a folder named in Shift-JIS
// bytes): it cannot be published in the settings file for the sibling.
std::string UnpublishablePathNotice(const std::string& path);
// No lock of any kind could be had for the history.
std::string HistoryLockUnavailableNotice();

// Counter mode only publishes its paths; settings mode saves the player's settings.
enum class NoticeContext { CounterMode, SettingsMode };
std::string RegistryNotice(const platform::RegistryProblem& problem,
                           NoticeContext context = NoticeContext::SettingsMode);
std::string WrongTypeNotice(const std::string& valueName);
// What a failed save of the settings says in settings mode, when no registry
// problem says more.
std::string SettingsNotSavedNotice();

// An errno in the player's words ("ディスクの空きがありません").
std::string SystemErrorText(int error);
// The disk or the player's quota is full.
bool NoSpaceLeft(int error);

// The notices of all registry problems met so far, then any others, joined.
std::string JoinNotices(const std::vector<std::string>& notices);
std::vector<std::string> RegistryNotices(platform::Registry& reg,
                                         NoticeContext context = NoticeContext::SettingsMode);

}  // namespace vp::state
