#include "platform/drives.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

#include "platform/files.h"

namespace vp::platform {
namespace {

// Mount point fields escape blanks, tabs and backslashes as octal (\040).
std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() &&
        s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' && s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

std::vector<Drive> ListDrives(const std::string& mountsText, const std::string& home) {
  static const std::set<std::string> kVirtual = {
      "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "cgroup", "cgroup2", "securityfs", "pstore", "debugfs",
      "tracefs", "mqueue", "hugetlbfs", "configfs", "fusectl", "bpf", "autofs", "binfmt_misc", "rpc_pipefs",
      "nsfs", "efivarfs", "overlay", "squashfs", "ramfs", "fuse.gvfsd-fuse", "fuse.portal"};
  std::vector<Drive> drives = {{"/", "/"}};
  if (!home.empty() && home != "/") drives.push_back({WithoutTrailingSeparator(home), "~ (" + WithoutTrailingSeparator(home) + ")"});
  std::istringstream lines(mountsText);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string device, mount, type;
    if (!(fields >> device >> mount >> type)) continue;
    mount = Unescape(mount);
    if (kVirtual.count(type) || mount == "/" || mount.rfind("/proc", 0) == 0 || mount.rfind("/sys", 0) == 0 ||
        mount.rfind("/dev", 0) == 0 || mount.rfind("/run", 0) == 0 || mount.rfind("/boot", 0) == 0)
      continue;
    if (std::none_of(drives.begin(), drives.end(), [&](const Drive& d) { return d.path == mount; }))
      drives.push_back({mount, mount});
  }
  return drives;
}

std::vector<Drive> SystemDrives() {
  const char* home = std::getenv("HOME");
  return ListDrives(platform::ReadWholeFile("/proc/self/mounts").value_or(""), home ? home : "");
}

}  // namespace vp::platform
