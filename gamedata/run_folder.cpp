#include "gamedata/run_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <vector>

#include "gamedata/archive.h"
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
  std::string pattern = base + std::string(kPrefix) + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return base;
  return pattern + "/";
}

void RemoveRunFolder(const std::string& runFolder) {
  const std::string folder = platform::WithoutTrailingSeparator(runFolder);
  const auto slash = folder.rfind('/');
  const std::string name = slash == std::string::npos ? folder : folder.substr(slash + 1);
  if (!IsRunFolderName(name)) return;
  struct stat st {};
  // Our own folder only: never one planted under the name, nor a link to one.
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return;
  DeleteExtractedFiles(ExtractedKind::All, folder);
  ::rmdir(folder.c_str());
}

int RemoveStaleRunFolders(const std::string& workFolder) {
  const std::string base = workFolder.empty() ? std::string(".") : platform::WithoutTrailingSeparator(workFolder);
  std::vector<std::string> stale;
  if (DIR* dir = ::opendir(base.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (!IsRunFolderName(name)) continue;
      const long pid = OwnerPid(name);
      struct stat st {};
      const std::string path = platform::JoinPath(base, name);
      if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
      if (platform::LeftByGoneRun(pid, st.st_mtime)) stale.push_back(path);
    }
    ::closedir(dir);
  }
  int removed = 0;
  for (const std::string& folder : stale) {
    RemoveRunFolder(folder);
    removed += platform::DirectoryExists(folder) ? 0 : 1;
  }
  return removed;
}

}  // namespace vp::gamedata
