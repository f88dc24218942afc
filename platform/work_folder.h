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

// $VPCOUNTER_WORK_DIR when set; else, for an installed copy, the per-user
// ${XDG_STATE_HOME:-~/.local/state}/vpcounter; else the program's own folder.
// With a trailing separator.
std::string ChooseWorkFolder(const Environment& env, const std::string& executableFolder, bool installed);

// Chooses the folder, creates it (a per-user one private to the user) and makes
// it the current directory, so the count lives in one place whichever folder
// the program was started from. False when that failed: the program then stays
// where it was started.
bool EnterWorkFolder();
// The folder chosen by EnterWorkFolder (the current directory before it is called).
std::string WorkFolder();

}  // namespace vp::platform
