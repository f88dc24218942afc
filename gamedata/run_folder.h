#pragma once
#include <string>

namespace vp::gamedata {

// A folder of one run's own under the working folder for what it extracts,
// so that a preview beside a logon, or two logons at once, never take or
// delete each other's pictures and voices. Returns it with a separator, or
// the working folder itself when no folder can be made there.
std::string MakeRunFolder(const std::string& workFolder);

// Deletes what was extracted into a run folder and then the folder, unless
// something not ours is left in it. A working folder is left as it is.
void RemoveRunFolder(const std::string& runFolder);

// Run folders of runs that are gone (killed, or older than an hour);
// returns how many were removed.
int RemoveStaleRunFolders(const std::string& workFolder);

bool IsRunFolderName(const std::string& name);

}  // namespace vp::gamedata
