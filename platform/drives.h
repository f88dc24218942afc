#pragma once
#include <string>
#include <vector>

namespace vp::platform {

// The places a folder can be browsed from: on Windows the drive letters; on
// Linux their stand-in, the root, the home folder and the mount points of
// real file systems (not /proc, /sys, /dev, /run and other virtual ones).
struct Drive {
  std::string path;   // "C:\", or "/", "/home/user", "/media/usb"
  std::string label;  // what the list shows
};
// Linux: the drives of a mount table (/proc/self/mounts) and a home folder.
std::vector<Drive> ListDrives(const std::string& mountsText, const std::string& home);
std::vector<Drive> SystemDrives();  // Linux: from /proc/self/mounts and $HOME

}  // namespace vp::platform
