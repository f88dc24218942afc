#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdlib>

#include "ogog_files.h"

namespace ogog {
namespace {

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

}  // namespace

// The wide call: the narrow one reads the path in the ANSI code page.
std::FILE* OpenForReading(const std::string& path) { return _wfopen(Wide(path).c_str(), L"rb"); }

std::FILE* CreateUniqueBeside(const std::string& target, std::string& name) {
  static unsigned sequence = 0;
  const auto slash = target.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1 == 3 && target[1] == ':' ? 3 : slash);
  const char separator = folder.back() == '\\' || folder.back() == '/' ? '\0' : '\\';
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = folder + (separator ? std::string(1, separator) : std::string()) + ".vptmp-" +
           std::to_string(GetCurrentProcessId()) + "-ogog-" + std::to_string(sequence++) + "-" + std::to_string(std::rand());
    // CREATE_NEW fails on any name taken, a link included.
    HANDLE h = CreateFileW(Wide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
      CloseHandle(h);
    } else if (std::FILE* f = _fdopen(fd, "wb")) {
      return f;
    } else {
      _close(fd);
    }
    Discard(name);
    return nullptr;
  }
  return nullptr;
}

// rename() refuses an existing target on Windows: every voice after the
// first would stay the old one.
bool ReplaceWith(const std::string& finished, const std::string& target) {
  if (MoveFileExW(Wide(finished).c_str(), Wide(target).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  Discard(finished);
  return false;
}

void Discard(const std::string& name) { DeleteFileW(Wide(name).c_str()); }

}  // namespace ogog
