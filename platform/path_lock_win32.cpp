#include "platform/path_lock.h"

#include <fcntl.h>
#include <io.h>

#include <functional>
#include <thread>

#include "platform/files.h"
#include "platform/win32_strings.h"

namespace vp::platform {
namespace {

// A lock file that is a regular file of its own: a planted link (reparse
// point) or a folder under the name is no lock. Returns a runtime descriptor
// owning the handle, or -1.
int OpenLockFile(const std::string& path) {
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) || GetFileType(h) != FILE_TYPE_DISK ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    CloseHandle(h);
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY);
  if (fd < 0) CloseHandle(h);
  return fd;
}

// Where the folder cannot take a lock file (a read-only medium): one in the
// user's own temporary folder, named after the file's full path.
int OpenTemporaryLock(const std::string& lockPath) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) return -1;
  wchar_t full[32768];
  const DWORD m = GetFullPathNameW(Wide(lockPath).c_str(), 32768, full, nullptr);
  std::wstring key = m > 0 && m < 32768 ? std::wstring(full, m) : Wide(lockPath);
  for (auto& c : key) c = static_cast<wchar_t>(towlower(c));  // one file, however the path is spelled
  const std::string name = "vpcounter-" + std::to_string(std::hash<std::wstring>{}(key)) + ".lock";
  return OpenLockFile(JoinPath(Narrow(temp), name));
}

PathLock::State LockWithin(int fd, std::chrono::milliseconds wait) {
  const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    OVERLAPPED at{};
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return PathLock::State::Held;
    if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) return PathLock::State::Unavailable;
    if (std::chrono::steady_clock::now() >= deadline) return PathLock::State::TimedOut;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

// A folder takes no byte-range lock on Windows: the folder's lock is a lock
// file of its own in it, one per folder as the folder itself is here.
PathLock::PathLock(const std::string& filePath, On on, std::chrono::milliseconds wait, const Environment&) {
  const std::string folder = FolderOf(filePath);
  const auto slash = filePath.find_last_of("\\/");
  const std::string name = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
  const std::string lockPath = JoinPath(folder, on == On::Folder ? std::string(".vpcounter-folder.lock") : "." + name + ".lock");
  for (int way = 0; way < 2 && state_ != State::Held; ++way) {
    fd_ = way == 0 ? OpenLockFile(lockPath) : OpenTemporaryLock(lockPath);
    if (fd_ < 0) continue;
    state_ = LockWithin(fd_, wait);
    if (state_ == State::TimedOut) break;  // another run holds it: do not try a second lock
    if (state_ != State::Held) {
      _close(fd_);
      fd_ = -1;
    }
  }
  if (state_ != State::Held && fd_ >= 0) {
    _close(fd_);
    fd_ = -1;
  }
}

PathLock::~PathLock() { Release(); }

void PathLock::Release() {
  if (fd_ >= 0) _close(fd_);  // closing the handle drops its lock
  fd_ = -1;
  if (state_ == State::Held) state_ = State::Released;
}

}  // namespace vp::platform
