#include "settings/folder_browser.h"

#include <algorithm>

#include "platform/files.h"

namespace vp::settings {
namespace {

// Whether folder is the drive or lies below it ("/" holds every absolute
// path here, "C:\" every path of its drive on Windows).
bool Within(const std::string& folder, const std::string& drive) {
  if (drive.empty() || folder.compare(0, drive.size(), drive) != 0) return false;
  return folder.size() == drive.size() || platform::IsPathSeparator(drive.back()) ||
         platform::IsPathSeparator(folder[drive.size()]);
}

}  // namespace

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
    std::string path = drive;
    int depth = 1;
    for (std::size_t start = drive.size(); start < open.size();) {
      if (platform::IsPathSeparator(open[start])) {
        ++start;
        continue;
      }
      std::size_t end = start;
      while (end < open.size() && !platform::IsPathSeparator(open[end])) ++end;
      const std::string name = open.substr(start, end - start);
      path = platform::JoinPath(path, name);
      rows.push_back({path, name, depth++, true});
      start = end;
    }
  }
  const std::string parent = rows.back().path;
  std::vector<std::string> children;
  for (const auto& entry : platform::ListMatching(parent, "*"))
    if (entry.isFolder) children.push_back(entry.name);
  std::sort(children.begin(), children.end());
  const int depth = rows.back().depth + 1;
  for (const auto& name : children) rows.push_back({platform::JoinPath(parent, name), name, depth, false});
  return rows;
}

}  // namespace vp::settings
