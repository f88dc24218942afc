#include "platform/work_folder.h"

#include <pwd.h>
#include <climits>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/executable.h"
#include "platform/files.h"

namespace vp::platform {
namespace {

std::string WithSeparator(const std::string& folder) { return folder.empty() ? std::string("/") : JoinPath(folder, ""); }

}  // namespace

std::string HomeFolder(const Environment& env) {
  if (const std::string home = env("HOME"); !home.empty() && home.front() == '/') return home;
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384u, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return {};
}

bool IsInstalledCopy(const std::string& executableFolder) {
  return DirectoryExists(PrivateLibraryFolder(executableFolder));
}

std::string UserStateFolder(const Environment& env) {
  // The XDG base directory specification ignores relative paths.
  if (const std::string state = env("XDG_STATE_HOME"); !state.empty() && state.front() == '/') return state;
  // Never a folder derived from a shared one such as /tmp: no home, no folder.
  const std::string home = HomeFolder(env);
  return home.empty() ? std::string() : JoinPath(home, ".local/state");
}

bool PrivateFolder(const std::string& folder, bool makePrivate) {
  struct stat st {};
  const std::string path = folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
  // Our own folder with looser rights is made private again.
  return (st.st_mode & 077) == 0 || (makePrivate && ::chmod(path.c_str(), 0700) == 0);
}

WorkFolderEntry EnterWorkFolder(const Environment& env) {
  WorkFolderEntry entry;
  bool perUser = false;
  entry.wanted = ChooseThisCopysWorkFolder(env, perUser);
  bool usable = !entry.wanted.empty() && entry.wanted.size() < PATH_MAX;
  if (usable && perUser) {
    const std::string path = entry.wanted.substr(0, entry.wanted.size() - 1);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT)
      usable = CreateFolders(FolderOf(path)) && (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST);
    // A link, another user's folder or a file under our name is not ours to work in.
    usable = usable && PrivateFolder(entry.wanted);
  } else if (usable && !DirectoryExists(entry.wanted)) {
    const std::string path = entry.wanted.substr(0, entry.wanted.size() - 1);
    usable = CreateFolders(FolderOf(path)) && (::mkdir(path.c_str(), 0700) == 0 || DirectoryExists(path));
  }
  usable = usable && ::chdir(entry.wanted.c_str()) == 0;
  if (usable) {
    entry.folder = entry.wanted;
    entry.usable = true;
    return entry;
  }
  entry.error = errno;
  // Never the current folder: its files are the user's. A private folder of
  // our own making holds this run's extracted files and goes with it.
  std::string base = env("XDG_RUNTIME_DIR");
  if (base.empty() || base.front() != '/' || !PrivateFolder(base, false)) base = "/tmp";
  std::string pattern = base + "/vpcounter-XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr && ::chdir(pattern.c_str()) == 0) {
    entry.scratch = WithSeparator(pattern);
    entry.folder = entry.scratch;
  } else {
    std::error_code error;
    entry.folder = WithSeparator(std::filesystem::current_path(error).string());
  }
  return entry;
}

void LeaveScratchFolder(const WorkFolderEntry& entry) {
  if (entry.scratch.empty()) return;
  // Only what this run put there: the folder was made private and new.
  for (const std::string& name : FindFiles(entry.scratch, "*")) RemoveFile(entry.scratch + name);
  ::rmdir(entry.scratch.c_str());
}

}  // namespace vp::platform
