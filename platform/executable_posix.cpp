#include "platform/executable.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace vp::platform {

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string ExecutableFolder() {
  const std::string path = ExecutablePath();
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string PrivateLibraryFolder(const std::string& executableFolder) {
  return executableFolder + "../" VPCOUNTER_PRIVATE_LIBDIR "/";
}

}  // namespace vp::platform

namespace vp::platform {

long ProcessId() { return static_cast<long>(::getpid()); }

bool ProcessRunning(long pid) { return !(::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH); }

}  // namespace vp::platform
