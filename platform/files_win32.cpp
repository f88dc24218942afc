#include "platform/files.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <thread>
#include <utility>

#include "platform/text.h"
#include "platform/win32_strings.h"
#include "platform/work_folder.h"

namespace vp::platform {
namespace {

// "C:\" and "\": the roots no separator is taken off.
bool IsRoot(const std::string& f) {
  return (f.size() == 1 && IsPathSeparator(f[0])) || (f.size() == 3 && f[1] == ':' && IsPathSeparator(f[2]));
}

// The program's errno-style codes from Windows' own.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case 1295: return kQuotaExceeded;  // ERROR_DISK_QUOTA_EXCEEDED, which mingw does not name
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_NOT_READY: return ENODEV;
    default: return EIO;
  }
}

// Closes on every path.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(Handle&& other) noexcept {
    Reset();
    h_ = other.Release();
    return *this;
  }
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
  bool Reset() {
    const bool closed = !ok() || CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE h_;
};

DWORD Attributes(const std::string& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(Wide(path).c_str());
}

// Opens what the path names (links followed) for reading, sharing everything,
// so a replacement by another run can go ahead while we read.
HANDLE OpenForReading(const std::string& path, DWORD flags = 0) {
  return CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
}

bool WriteAll(HANDLE h, std::string_view data) {
  while (!data.empty()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    if (!WriteFile(h, data.data(), chunk, &wrote, nullptr) || wrote == 0) return false;
    data.remove_prefix(wrote);
  }
  return true;
}

// Reads up to n bytes at offset; the count read, or -1.
long long ReadAtOffset(HANDLE h, std::uint64_t offset, char* out, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset + got);
    at.OffsetHigh = static_cast<DWORD>((offset + got) >> 32);
    DWORD read = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - got, 1u << 30));
    if (!ReadFile(h, out + got, chunk, &read, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return -1;
    }
    if (read == 0) break;
    got += read;
  }
  return static_cast<long long>(got);
}

std::int64_t UnixTimeOf(const FILETIME& t) {
  const std::uint64_t ticks = (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

// Every entry of folder, "." and ".." left out.
template <typename Visit>
bool ForEachEntry(const std::string& folder, Visit visit) {
  WIN32_FIND_DATAW entry{};
  HANDLE find = FindFirstFileExW(Wide(JoinPath(folder.empty() ? std::string(".") : folder, "*")).c_str(),
                                 FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    const std::wstring_view name = entry.cFileName;
    if (name != L"." && name != L"..") visit(Narrow(name), entry);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return true;
}

}  // namespace

bool IsAbsolutePath(const std::string& path) {
  return (path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2])) ||
         (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]));
}

std::string CurrentFolder() {
  std::wstring here(32768, L'\0');
  const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(here.size()), here.data());
  return n > 0 && n < here.size() ? Narrow(std::wstring_view(here.data(), n)) : std::string();
}

bool UsableFilePath(std::string_view path) {
  return !path.empty() && path.find('\0') == std::string_view::npos && !IsPathSeparator(path.back()) &&
         IsAbsolutePath(std::string(path));
}

std::string AbsolutePath(const std::string& path) {
  // Bytes that are no UTF-8 have no wide form: such a path stays as it is,
  // so that its publishing is refused as it is elsewhere.
  if (path.empty() || !IsValidUtf8(path)) return path;
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(Wide(path).c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  return n > 0 && n < full.size() ? Narrow(std::wstring_view(full.data(), n)) : path;
}

std::string JoinPath(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  return IsPathSeparator(folder.back()) ? folder + std::string(name) : folder + kPathSeparator + std::string(name);
}

std::string WithoutTrailingSeparator(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && IsPathSeparator(f.back()) && !IsRoot(f)) f.pop_back();
  return f;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
  if (slash == 0) return path.substr(0, 1);
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, slash);
}

bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  if (slash != std::string::npos) return path.substr(slash + 1);
  return path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
}

bool FileExists(const std::string& path) { return InspectPath(path).regular; }

bool DirectoryExists(const std::string& path) {
  const DWORD a = Attributes(path);
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  if ((a & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
  // A link to a folder: the folder it leads to must be there.
  Handle h(CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return h.ok();
}

bool IsPlainRegularFile(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

int OpenRegularForReading(const std::string& path, FileKind* kind, std::uint64_t* size) {
  FileKind dummy;
  FileKind& k = kind ? *kind : dummy;
  if (path.empty()) {
    k = FileKind::Missing;
    return -1;
  }
  Handle h(OpenForReading(path));
  if (!h.ok()) {
    const DWORD error = GetLastError();
    const DWORD a = Attributes(path);
    k = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::NotRegular
        : ErrnoOf(error) == ENOENT                                      ? FileKind::Missing
                                                                        : FileKind::Unreadable;
    return -1;
  }
  // A console, a pipe or a device under the name is no file to read.
  LARGE_INTEGER bytes{};
  if (GetFileType(h.get()) != FILE_TYPE_DISK) {
    k = FileKind::NotRegular;
    return -1;
  }
  if (!GetFileSizeEx(h.get(), &bytes)) {
    k = FileKind::Unreadable;
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.get()), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    k = FileKind::Unreadable;
    return -1;
  }
  h.Release();
  k = FileKind::Regular;
  if (size) *size = static_cast<std::uint64_t>(bytes.QuadPart);
  return fd;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) { fd_ = OpenRegularForReading(path, nullptr, &size_); }

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) _close(fd_);
}

bool ReadOnlyFile::ReadAt(std::uint64_t offset, void* out, std::size_t n) const {
  const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
  return ReadAtOffset(h, offset, static_cast<char*>(out), n) == static_cast<long long>(n);
}

// A descriptor of the runtime's, closed on every path.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) _close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  bool ok() const { return fd_ >= 0; }
  HANDLE handle() const { return reinterpret_cast<HANDLE>(_get_osfhandle(fd_)); }

 private:
  int fd_;
};

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes, FileKind* kind) {
  std::uint64_t size = 0;
  Descriptor fd(OpenRegularForReading(path, kind, &size));
  if (!fd.ok()) return std::nullopt;
  if (size > maxBytes) {
    if (kind) *kind = FileKind::Unreadable;
    return std::nullopt;
  }
  // One byte past the size first seen: a file that grew meanwhile is read whole or refused.
  std::string content(static_cast<std::size_t>(size) + 1, '\0');
  std::size_t got = 0;
  for (;;) {
    const long long n = ReadAtOffset(fd.handle(), got, content.data() + got, content.size() - got);
    if (n < 0) {
      if (kind) *kind = FileKind::Unreadable;
      return std::nullopt;
    }
    got += static_cast<std::size_t>(n);
    if (got < content.size()) break;
    if (got > maxBytes) {
      if (kind) *kind = FileKind::Unreadable;
      return std::nullopt;
    }
    content.resize(content.size() * 2);
  }
  content.resize(got);
  return content;
}

std::optional<std::string> ReadFileStart(const std::string& path, std::size_t bytes, std::uint64_t* size,
                                         FileKind* kind) {
  Descriptor fd(OpenRegularForReading(path, kind, size));
  if (!fd.ok()) return std::nullopt;
  std::string content(bytes, '\0');
  const long long n = ReadAtOffset(fd.handle(), 0, content.data(), bytes);
  if (n < 0) {
    if (kind) *kind = FileKind::Unreadable;
    return std::nullopt;
  }
  content.resize(static_cast<std::size_t>(n));
  return content;
}

AppendStatus AppendToFile(const std::string& path, std::string_view text, std::uint64_t maxBytes, bool sync) {
  const DWORD existing = Attributes(path);
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    return AppendStatus::NotRegular;
  // Append access alone: every write lands at the end as a whole, even with
  // other writers. A link planted under the name is not followed.
  Handle h(CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h.ok()) return AppendStatus::Failed;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(h.get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    return AppendStatus::NotRegular;
  const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  std::string line;
  char last = '\n';
  if (size > 0 && ReadAtOffset(h.get(), size - 1, &last, 1) != 1) last = '\n';
  if (last != '\n') line = "\n";
  line.append(text);
  if (size + line.size() > maxBytes) return AppendStatus::Full;
  DWORD wrote = 0;
  if (!WriteFile(h.get(), line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr) || wrote != line.size())
    return AppendStatus::Failed;  // a short write (a full disk) leaves a partial line; the next append ends it
  if (sync) (void)FlushFileBuffers(h.get());
  return AppendStatus::Ok;
}

WriteResult WriteFileReplacing(const std::string& path, std::string_view content, bool durable) {
  if (path.empty() || IsPathSeparator(path.back())) return {WriteStatus::Failed, ENOENT};
  const DWORD existing = Attributes(path);
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    if (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return {WriteStatus::NotRegular, EISDIR};
    if (existing & FILE_ATTRIBUTE_READONLY) return {WriteStatus::ReadOnly, EACCES};
  }
  const std::string folder = FolderOf(path);
  std::string temp;
  Handle h;
  for (int attempt = 0; attempt < 8 && !h.ok(); ++attempt) {
    temp = NewTemporaryName(folder);
    h = Handle(CreateFileW(Wide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok() && GetLastError() != ERROR_FILE_EXISTS) return {WriteStatus::Failed, ErrnoOf(GetLastError())};
  }
  if (!h.ok()) return {WriteStatus::Failed, EEXIST};
  bool ok = WriteAll(h.get(), content) && (!durable || FlushFileBuffers(h.get()));
  DWORD error = ok ? 0 : GetLastError();
  ok = h.Reset() && ok;
  // A rename onto the name replaces it as a whole (a link under it included,
  // never the file it leads to). A reader or a virus scanner that holds the
  // old file without sharing its deletion delays that briefly.
  // Readers hold it for microseconds: the waits start short and double, to
  // 25 ms, for about 0.6 s in all.
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
  std::chrono::microseconds pause(500);
  for (std::chrono::microseconds waited(0); ok;) {
    if (MoveFileExW(Wide(temp).c_str(), Wide(path).c_str(), flags)) return {};
    error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION) ||
        waited >= std::chrono::milliseconds(600))
      break;
    std::this_thread::sleep_for(pause);
    waited += pause;
    pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(25));
  }
  DeleteFileW(Wide(temp).c_str());
  return {WriteStatus::Failed, ErrnoOf(error ? error : GetLastError())};
}

std::string FindPathNoCase(const std::string& base, const std::string& relative) {
  // Windows' file systems look names up without regard to case themselves.
  std::string native = relative;
  for (char& c : native)
    if (c == '/') c = '\\';
  return JoinPath(base, native);
}

int RemoveStaleTemporaryFiles(const std::string& folder) {
  const std::string base = folder.empty() ? std::string(".") : folder;
  int removed = 0;
  ForEachEntry(base, [&](const std::string& name, const WIN32_FIND_DATAW& entry) {
    if (!IsTemporaryFileName(name) || (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
      return;
    const long owner = TemporaryFileOwner(name);
    if ((owner == 0 || LeftByGoneRun(owner, UnixTimeOf(entry.ftLastWriteTime))) &&
        DeleteFileW(Wide(JoinPath(base, name)).c_str()))
      ++removed;
  });
  return removed;
}

PathInfo InspectPath(const std::string& path) {
  PathInfo info;
  if (path.empty()) return info;
  Handle h(CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION data{};
  if (!h.ok() || !GetFileInformationByHandle(h.get(), &data)) return info;
  info.exists = true;
  info.regular = GetFileType(h.get()) == FILE_TYPE_DISK && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  info.writable = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
  info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return info;
}

bool NameTaken(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

int KeepUnderName(const std::string& path, const std::string& newName) {
  if (CreateHardLinkW(Wide(newName).c_str(), Wide(path).c_str(), nullptr) ||
      MoveFileExW(Wide(path).c_str(), Wide(newName).c_str(), MOVEFILE_WRITE_THROUGH))
    return 0;
  return ErrnoOf(GetLastError());
}

bool ReplaceSymlink(const std::string& link, const std::string& target) {
  const std::string temporary = link + ".new-" + std::to_string(GetCurrentProcessId());
  DeleteFileW(Wide(temporary).c_str());
  const DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE | (DirectoryExists(target) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
  // Wine answers yes and makes nothing: only a reparse point is the link.
  if (!CreateSymbolicLinkW(Wide(temporary).c_str(), Wide(target).c_str(), flags) ||
      (Attributes(temporary) & FILE_ATTRIBUTE_REPARSE_POINT) == 0 || Attributes(temporary) == INVALID_FILE_ATTRIBUTES)
    return false;
  if (MoveFileExW(Wide(temporary).c_str(), Wide(link).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileW(Wide(temporary).c_str());
  return false;
}

bool RemoveFile(const std::string& path) { return !path.empty() && DeleteFileW(Wide(path).c_str()); }

std::string MakeUniqueFolder(const std::string& prefix) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static thread_local std::mt19937 random{std::random_device{}()};
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string path = prefix;
    for (int i = 0; i < 6; ++i) path += kLetters[random() % (sizeof kLetters - 1)];
    // Below the working folder, whose access list is the user's alone.
    if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

bool IsOwnFolder(const std::string& path) { return PrivateFolder(path, false); }

std::optional<std::int64_t> LastChangeTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() || !GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return UnixTimeOf(data.ftLastWriteTime);
}

bool CreateFolders(const std::string& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  const std::string trimmed = WithoutTrailingSeparator(path);
  const std::string parent = FolderOf(trimmed);
  if (parent != trimmed && parent != "." && !IsRoot(parent) && !(parent.size() == 2 && parent[1] == ':') &&
      !CreateFolders(parent))
    return false;
  return CreateDirectoryW(Wide(trimmed).c_str(), nullptr) || (GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(trimmed));
}

std::vector<std::string> FindFiles(const std::string& folder, std::string_view pattern) {
  std::vector<std::string> names;
  const std::string base = folder.empty() ? std::string(".") : folder;
  ForEachEntry(base, [&](const std::string& name, const WIN32_FIND_DATAW& entry) {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && WildcardMatch(pattern, name) &&
        FileExists(JoinPath(base, name)))
      names.push_back(name);
  });
  return names;
}

std::vector<DirEntry> ListMatching(const std::string& folder, std::string_view pattern) {
  std::vector<DirEntry> entries;
  ForEachEntry(folder.empty() ? std::string(".") : folder, [&](const std::string& name, const WIN32_FIND_DATAW& entry) {
    // Hidden as Explorer hides them: a leading dot, or the hidden or system attribute.
    if (name.empty() || name.front() == '.' || (entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) ||
        !WildcardMatch(pattern, name))
      return;
    // A link to a folder is listed as a link is here: an entry, not a folder to enter.
    const bool folderEntry = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    entries.push_back({name, folderEntry});
  });
  return entries;
}

bool RemoveEmptyFolder(const std::string& path) { return RemoveDirectoryW(Wide(path).c_str()); }

bool FolderReadable(const std::string& path) {
  return DirectoryExists(path) && ForEachEntry(path, [](const std::string&, const WIN32_FIND_DATAW&) {});
}

bool FileWritable(const std::string& path) {
  const PathInfo info = InspectPath(path);
  return info.exists && info.writable;
}

}  // namespace vp::platform
