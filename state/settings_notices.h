#pragma once
#include <string>
#include <vector>

namespace vp::state {

// What settings mode tells the player about their files and folders, beside
// the notices both modes share (notices.h).

// The damaged settings file's question, after the line that says what is
// wrong with it; what is said once it is kept; and when it could not be
// set aside.
std::string DamagedSettingsQuestion(const std::string& whatIsWrong);
std::string KeptDamagedSettingsText();
std::string DamagedSettingsNotSetAsideText();

// OK found no game data: what is missing and where to choose the folder.
std::string GameDataMissingText();
// The detailed settings' game folder does not exist.
std::string GameFolderNotFoundHint();
// The search for the installed game found nothing.
std::string GameSearchFailedText();
// A chosen folder holds no VerbellePlus.exe: keep it anyway?
std::string NotTheGameFolderQuestion();
// Voices on without a game folder: store the settings anyway?
std::string VoicesNeedTheGameFolderQuestion();

// The manual (README.TXT) is in neither of its places; no program opens it.
std::string ManualMissingText();
std::string NoManualViewerText(const std::string& manual);

// The start-up entry could not be written into its folder (allUsers: the
// all-users folder, which needs an administrator); the other scope's entry
// could not be removed, so each logon would count twice.
std::string StartupEntryNotWrittenText(const std::string& scopeName, const std::string& folder, bool allUsers);
std::string OtherStartupEntryNotRemovedText(const std::string& entry);

// What the calendar could not read of the start-up logs: damaged lines
// (skipped, kept in the file), unreadable files, years left out for size.
std::string StartupLogProblemsText(int damagedLines, const std::vector<std::string>& unreadableFiles,
                                   const std::vector<std::string>& leftOutFiles);

}  // namespace vp::state
