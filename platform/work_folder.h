#pragma once
#include <functional>
#include <string>

namespace vp::platform {

// The folder the program works in: where the history, the lock and the
// extracted pictures and voices live. Looked up by environment variable name;
// "" when unset.
using Environment = std::function<std::string(const char*)>;
Environment ProcessEnvironment();

// The user's home: $HOME when it is absolute, else the user database's entry
// (cron, systemd units and `env -i` leave HOME unset); "" when neither has one.
std::string HomeFolder(const Environment& env);

// An installed copy (cmake --install, the package) keeps its libraries in
// its private library folder (PrivateLibraryFolder); a build or unpacked
// folder beside the program.
bool IsInstalledCopy(const std::string& executableFolder);

// Where the user's programs keep their state: ${XDG_STATE_HOME:-~/.local/state},
// on Windows %LOCALAPPDATA%; "" when there is no home to put it in.
std::string UserStateFolder(const Environment& env);

// $VPCOUNTER_WORK_DIR when set; else, for an installed copy, the per-user
// UserStateFolder's vpcounter; else the program's own folder.
// With a trailing separator; "" when there is no home to put it in.
std::string ChooseWorkFolder(const Environment& env, const std::string& executableFolder, bool installed);

// ChooseWorkFolder for the running copy; perUser: the folder is the user's
// state folder, which must be a private folder of the user's.
std::string ChooseThisCopysWorkFolder(const Environment& env, bool& perUser);

// A file of the working folder by its full path: "./0122.wav" or "TALLYDAT"
// in workFolder (which ends with a separator). The one rule for the history
// path that is published, the exit sound and every file the program keeps there.
std::string InWorkFolder(const std::string& workFolder, const std::string& name);

// Whether folder is a real folder (not a link) of the current user with no
// rights for others; with makePrivate, one with looser rights is made so.
bool PrivateFolder(const std::string& folder, bool makePrivate = true);

struct WorkFolderEntry {
  std::string wanted;   // the chosen folder
  bool usable = false;  // it is the current directory now
  int error = 0;
  std::string scratch;  // when unusable: the private folder made for this run instead ("" if none)
  // The folder this run works in, with a separator: the chosen one, the
  // scratch one, or (when neither could be entered) the current one.
  std::string folder;
};

// Chooses the folder, creates it (a per-user one private to the user, checked
// to be a real folder of the user's, never one derived from /tmp) and makes
// it the current directory, so the count lives in one place whichever folder
// the program was started from. When that fails, the program never works in
// the folder it was started from (the user's files are there): it moves to a
// new private scratch folder, which LeaveScratchFolder removes at the end.
WorkFolderEntry EnterWorkFolder(const Environment& env = ProcessEnvironment());
void LeaveScratchFolder(const WorkFolderEntry& entry);

}  // namespace vp::platform
