#include "platform/work_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/executable.h"
#include "platform/files.h"

namespace vp::platform {
namespace {

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string& Chosen() {
  static std::string folder;
  return folder;
}

}  // namespace

Environment ProcessEnvironment() {
  return [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
}

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

std::string ChooseWorkFolder(const Environment& env, const std::string& executableFolder, bool installed) {
  if (const std::string own = env("VPCOUNTER_WORK_DIR"); !own.empty()) return WithSeparator(own);
  if (!installed) return WithSeparator(executableFolder);
  // The XDG base directory specification ignores relative paths.
  if (const std::string state = env("XDG_STATE_HOME"); !state.empty() && state.front() == '/')
    return WithSeparator(state) + "vpcounter/";
  const std::string home = env("HOME");
  return WithSeparator(home.empty() ? std::string("/tmp") : home) + ".local/state/vpcounter/";
}

bool EnterWorkFolder() {
  const std::string exe = ExecutableFolder();
  const bool installed = IsInstalledCopy(exe);
  const std::string folder = ChooseWorkFolder(ProcessEnvironment(), exe, installed);
  if (!DirectoryExists(folder)) {
    const std::string parent = FolderOf(folder.substr(0, folder.size() - 1));
    if (!CreateFolders(parent) || (::mkdir(folder.c_str(), 0700) != 0 && !DirectoryExists(folder))) return false;
  }
  if (::chdir(folder.c_str()) != 0) return false;
  Chosen() = folder;
  return true;
}

std::string WorkFolder() {
  if (!Chosen().empty()) return Chosen();
  std::error_code error;
  return WithSeparator(std::filesystem::current_path(error).string());
}

}  // namespace vp::platform
