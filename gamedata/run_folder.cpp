#include "gamedata/run_folder.h"

#include <charconv>
#include <vector>

#include "gamedata/archive.h"
#include "platform/executable.h"
#include "platform/files.h"
#include "platform/work_folder.h"

namespace vp::gamedata {
namespace {

constexpr std::string_view kPrefix = "extracting-";

long OwnerPid(std::string_view name) {
  name.remove_prefix(kPrefix.size());
  long pid = 0;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
  return ec == std::errc() && end != name.data() + name.size() && *end == '-' ? pid : 0;
}

}  // namespace

bool IsRunFolderName(const std::string& name) {
  return name.compare(0, kPrefix.size(), kPrefix) == 0 && OwnerPid(name) > 0;
}

std::string MakeRunFolder(const std::string& workFolder) {
  const std::string base = platform::InWorkFolder(workFolder.empty() ? std::string(".") : workFolder, "");
  const std::string folder =
      platform::MakeUniqueFolder(base + std::string(kPrefix) + std::to_string(platform::ProcessId()) + "-");
  return folder.empty() ? base : platform::JoinPath(folder, "");
}

void RemoveRunFolder(const std::string& runFolder) {
  const std::string folder = platform::WithoutTrailingSeparator(runFolder);
  if (!IsRunFolderName(platform::NameOf(folder))) return;
  // Our own folder only: never one planted under the name, nor a link to one.
  if (!platform::IsOwnFolder(folder)) return;
  DeleteExtractedFiles(ExtractedKind::All, folder);
  platform::RemoveEmptyFolder(folder);
}

int RemoveStaleRunFolders(const std::string& workFolder) {
  const std::string base = workFolder.empty() ? std::string(".") : platform::WithoutTrailingSeparator(workFolder);
  std::vector<std::string> stale;
  for (const platform::DirEntry& entry : platform::ListMatching(base, std::string(kPrefix) + "*")) {
    if (!entry.isFolder || !IsRunFolderName(entry.name)) continue;
    const std::string path = platform::JoinPath(base, entry.name);
    const auto changed = platform::LastChangeTime(path);
    if (changed && platform::LeftByGoneRun(OwnerPid(entry.name), *changed)) stale.push_back(path);
  }
  int removed = 0;
  for (const std::string& folder : stale) {
    RemoveRunFolder(folder);
    removed += platform::DirectoryExists(folder) ? 0 : 1;
  }
  return removed;
}

}  // namespace vp::gamedata
