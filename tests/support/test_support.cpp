#include "test_support.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace vp::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vptest.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

Sandbox::Sandbox() : registry_(regDir_.path()) {
  oldCwd_ = std::filesystem::current_path().string();
  std::filesystem::current_path(work_.path());
}

Sandbox::~Sandbox() { std::filesystem::current_path(oldCwd_); }

std::string Sandbox::RegText(platform::RegRoot root) const {
  return ReadFile(registry_.FileOf(root));
}

void Sandbox::WriteReg(platform::RegRoot root, const std::string& text) const {
  WriteFile(registry_.FileOf(root), text);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

platform::TimeValue LocalTimeValue(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return static_cast<platform::TimeValue>(mktime(&tm));
}

platform::LocalTime Breakdown(platform::TimeValue t) {
  platform::LocalTime lt;
  platform::BreakDownLocal(t, lt);
  return lt;
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
