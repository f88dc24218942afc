#pragma once
#include <string>
#include <vector>

namespace vp::platform {

// The Linux stand-in for drives: the root, the home folder and the mount points
// of real file systems (not /proc, /sys, /dev, /run and other virtual ones).
struct Drive {
  std::string path;   // "/", "/home/user", "/media/usb"
  std::string label;  // what the list shows
};
std::vector<Drive> ListDrives(const std::string& mountsText, const std::string& home);
std::vector<Drive> SystemDrives();  // from /proc/self/mounts and $HOME

}  // namespace vp::platform
