#pragma once
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/files.h"

namespace vp::settings {

using platform::Drive;
using platform::ListDrives;
using platform::SystemDrives;

// The drive a folder lies on: the longest drive path that contains it.
int DriveOf(const std::string& folder, const std::vector<Drive>& drives);

// One row of the folder list: the chain from the drive down to the open folder,
// then the open folder's subfolders.
struct FolderRow {
  std::string path;
  std::string name;
  int depth = 0;
  bool open = false;  // on the chain (the open folder and its parents)
};
std::vector<FolderRow> FolderRows(const std::string& drive, const std::string& openFolder);

using platform::WithoutTrailingSeparator;

}  // namespace vp::settings
