#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "test_support.h"

namespace vp::test {

const char* const kJapanZone = "Asia/Tokyo";

bool MakeSymlink(const std::string& target, const std::string& link) { return ::symlink(target.c_str(), link.c_str()) == 0; }

bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0700) == 0; }

void RemoveName(const std::string& path) {
  if (::unlink(path.c_str()) != 0) ::rmdir(path.c_str());
}

bool SetMode(const std::string& path, int mode) { return ::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0; }

std::optional<int> PermissionBits(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<int>(st.st_mode & 07777);
}

bool SetChangeTime(const std::string& path, std::int64_t seconds) {
  const struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool EndTheSession() { return ::raise(SIGTERM) == 0; }

void SetEnvironment(const char* name, const char* value) {
  if (value) ::setenv(name, value, 1);
  else ::unsetenv(name);
}

int ListenSilently(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  std::strncpy(where.sun_path, path.c_str(), sizeof where.sun_path - 1);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, 8) != 0) {
    if (fd >= 0) ::close(fd);
    return -1;
  }
  return fd;
}

bool InParallelProcesses(int n, const std::function<bool(int)>& work) {
  std::vector<pid_t> children;
  bool all = true;
  for (int i = 0; i < n; ++i) {
    const pid_t pid = fork();
    if (pid == 0) _exit(work(i) ? 0 : 1);
    if (pid < 0) all = false;
    else children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = -1;
    waitpid(pid, &status, 0);
    all = all && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return all;
}

}  // namespace vp::test
