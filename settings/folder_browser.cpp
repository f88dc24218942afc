#include "settings/folder_browser.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

#include "platform/files.h"

namespace vp::settings {
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

bool Within(const std::string& folder, const std::string& drive) {
  if (drive == "/") return !folder.empty() && folder.front() == '/';
  return folder == drive || (folder.size() > drive.size() && folder.compare(0, drive.size(), drive) == 0 &&
                             folder[drive.size()] == '/');
}

}  // namespace

std::string WithoutTrailingSeparator(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  return f;
}

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

int DriveOf(const std::string& folder, const std::vector<Drive>& drives) {
  int best = -1;
  std::size_t bestLength = 0;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    if (Within(folder, drives[i].path) && (best < 0 || drives[i].path.size() > bestLength)) {
      best = static_cast<int>(i);
      bestLength = drives[i].path.size();
    }
  }
  return best;
}

std::vector<FolderRow> FolderRows(const std::string& drive, const std::string& openFolder) {
  std::vector<FolderRow> rows;
  const std::string open = WithoutTrailingSeparator(openFolder);
  rows.push_back({drive, drive, 0, true});
  if (Within(open, drive) && open != drive) {
    std::string rest = open.substr(drive == "/" ? 1 : drive.size() + 1);
    std::string path = drive == "/" ? "" : drive;
    int depth = 1;
    std::size_t start = 0;
    while (start <= rest.size()) {
      const std::size_t slash = rest.find('/', start);
      const std::string name = rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
      path += "/" + name;
      rows.push_back({path, name, depth++, true});
      if (slash == std::string::npos) break;
      start = slash + 1;
    }
  }
  const std::string parent = rows.back().path;
  std::vector<std::string> children;
  for (const auto& entry : platform::ListMatching(parent, "*"))
    if (entry.isFolder) children.push_back(entry.name);
  std::sort(children.begin(), children.end());
  const int depth = rows.back().depth + 1;
  for (const auto& name : children) rows.push_back({(parent == "/" ? "" : parent) + "/" + name, name, depth, false});
  return rows;
}

}  // namespace vp::settings
