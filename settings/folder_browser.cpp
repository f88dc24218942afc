#include "settings/folder_browser.h"

#include <algorithm>

#include "platform/files.h"

namespace vp::settings {
namespace {

bool Within(const std::string& folder, const std::string& drive) {
  if (drive == "/") return !folder.empty() && folder.front() == '/';
  return folder == drive || (folder.size() > drive.size() && folder.compare(0, drive.size(), drive) == 0 &&
                             folder[drive.size()] == '/');
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
