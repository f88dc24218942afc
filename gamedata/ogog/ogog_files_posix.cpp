#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "ogog_files.h"

namespace ogog {

std::FILE* OpenForReading(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "rb");
  if (!file) ::close(fd);
  return file;
}

std::FILE* CreateUniqueBeside(const std::string& target, std::string& name) {
  static unsigned sequence = 0;
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = folder + (folder == "/" ? "" : "/") + ".vptmp-" + std::to_string(::getpid()) + "-ogog-" +
           std::to_string(sequence++) + "-" + std::to_string(std::rand());
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      if (std::FILE* f = ::fdopen(fd, "wb")) return f;
      ::close(fd);
      ::unlink(name.c_str());
      return nullptr;
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

bool ReplaceWith(const std::string& finished, const std::string& target) {
  if (std::rename(finished.c_str(), target.c_str()) == 0) return true;
  Discard(finished);
  return false;
}

void Discard(const std::string& name) { ::unlink(name.c_str()); }

}  // namespace ogog
