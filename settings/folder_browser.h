#pragma once
#include <string>
#include <vector>

namespace vp::settings {

// The Linux stand-in for drives: the root, the home folder and the mount points
// of real file systems (not /proc, /sys, /dev, /run and other virtual ones).
struct Drive {
  std::string path;   // "/", "/home/user", "/media/usb"
  std::string label;  // what the list shows
};
std::vector<Drive> ListDrives(const std::string& mountsText, const std::string& home);
std::vector<Drive> SystemDrives();  // from /proc/self/mounts and $HOME

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

// "/" stays "/"; "/a/b/" becomes "/a/b".
std::string WithoutTrailingSeparator(const std::string& folder);

}  // namespace vp::settings
