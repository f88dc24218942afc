#include <windows.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "base/utf8_file.h"
#include "test_support.h"

namespace vp::test {

const char* const kJapanZone = "JST-9";

namespace {
std::wstring Wide(const std::string& utf8) { return Utf8Path(utf8).wstring(); }
}  // namespace

bool MakeSymlink(const std::string& target, const std::string& link) {
  const DWORD a = GetFileAttributesW(Wide(target).c_str());
  const DWORD folder = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
  if (!CreateSymbolicLinkW(Wide(link).c_str(), Wide(target).c_str(), folder | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
    return false;
  // Wine says yes and makes nothing: only a reparse point under the name is a link.
  const DWORD made = GetFileAttributesW(Wide(link).c_str());
  return made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MakeFifo(const std::string&) { return false; }

bool MakeFolder(const std::string& path) { return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0; }

void RemoveName(const std::string& path) {
  const std::wstring wide = Wide(path);
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!DeleteFileW(wide.c_str())) RemoveDirectoryW(wide.c_str());
}

bool SetMode(const std::string& path, int mode) {
  const std::wstring wide = Wide(path);
  const DWORD a = GetFileAttributesW(wide.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return false;
  const DWORD readOnly = (mode & 0200) ? 0 : FILE_ATTRIBUTE_READONLY;
  return SetFileAttributesW(wide.c_str(), (a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) | readOnly) != 0;
}

void SetEnvironment(const char* name, const char* value) { _putenv_s(name, value ? value : ""); }

std::optional<int> PermissionBits(const std::string&) { return std::nullopt; }

bool SetChangeTime(const std::string& path, std::int64_t seconds) {
  HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
  FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const bool ok = SetFileTime(h, nullptr, &t, &t) != 0;
  CloseHandle(h);
  return ok;
}

bool EndTheSession() {
  HWND window = nullptr;
  for (int i = 0; i < 1000 && !window; ++i) {  // the watch's thread makes it; Wine starts its desktop first
    window = FindWindowW(L"vpcounter-session-end", nullptr);
    if (!window) Sleep(10);
  }
  DWORD_PTR agreed = 0;
  if (!window || !SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 2000, &agreed) ||
      !agreed)
    return false;
  return PostMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF) != 0;
}

int ListenSilently(const std::string&) { return -1; }

bool InParallelProcesses(int n, const std::function<bool(int)>& work) {
  std::vector<char> results(static_cast<std::size_t>(n), 0);
  std::vector<std::thread> runs;
  for (int i = 0; i < n; ++i) runs.emplace_back([&, i] { results[static_cast<std::size_t>(i)] = work(i) ? 1 : 0; });
  for (auto& run : runs) run.join();
  for (char ok : results)
    if (!ok) return false;
  return true;
}

}  // namespace vp::test
