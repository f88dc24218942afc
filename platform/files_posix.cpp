#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "base/ascii.h"

namespace vp::platform {
namespace {

// Closes on every path.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  int Reset() {
    int rc = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool ModesUnsupported(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS;
}

mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Writes content into a new anonymous file in folder and gives it a unique
// temporary name; returns that name or "" (errno set).
std::string WriteNewTemporary(const std::string& folder, std::string_view content, mode_t mode, bool durable) {
#ifdef O_TMPFILE
  Fd anon(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
  if (anon.get() >= 0) {
    if (!WriteAll(anon.get(), content) || (durable && ::fsync(anon.get()) != 0)) return {};
    ::fchmod(anon.get(), mode);
    const std::string proc = "/proc/self/fd/" + std::to_string(anon.get());
    for (int attempt = 0; attempt < 8; ++attempt) {
      std::string temp = NewTemporaryName(folder);
      if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) return temp;
      if (errno != EEXIST) break;
    }
    // Without /proc the anonymous file cannot be named: fall through.
  } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) {
    return {};
  }
#endif
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string temp = NewTemporaryName(folder);
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (fd.get() < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    bool ok = WriteAll(fd.get(), content) && (!durable || ::fsync(fd.get()) == 0);
    ok = fd.Reset() == 0 && ok;
    // A file system without modes (vfat, fusefat) refuses chmod on a file we
    // just created and own; the content is written, so that is no failure.
    if (ok && (::fchmodat(AT_FDCWD, temp.c_str(), mode, 0) == 0 || ModesUnsupported(errno))) return temp;
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return {};
  }
  return {};
}

}  // namespace

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path.front() == '/'; }

std::string CurrentFolder() {
  char here[PATH_MAX];
  return ::getcwd(here, sizeof here) == nullptr ? std::string() : std::string(here);
}

bool UsableFilePath(std::string_view path) {
  if (path.empty() || path.find('\\') != std::string_view::npos || path.find('\0') != std::string_view::npos)
    return false;
  const bool driveLetter = path.size() >= 2 && path[1] == ':' &&
                           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return !driveLetter && path.back() != '/';
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || IsAbsolutePath(path)) return path;
  const std::string here = CurrentFolder();
  return here.empty() ? path : JoinPath(here, path);
}

std::string JoinPath(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  return folder.back() == '/' ? folder + std::string(name) : folder + "/" + std::string(name);
}

std::string WithoutTrailingSeparator(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  return f;
}

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool IsPathSeparator(char c) { return c == '/'; }

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPlainRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int OpenRegularForReading(const std::string& path, FileKind* kind, std::uint64_t* size) {
  FileKind dummy;
  FileKind& k = kind ? *kind : dummy;
  // Non-blocking, so a FIFO under the name cannot stop the run.
  Fd fd(path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) {
    k = (errno == ENOENT || errno == ENOTDIR || path.empty()) ? FileKind::Missing
        : errno == ENXIO                                       ? FileKind::NotRegular
                                                               : FileKind::Unreadable;
    return -1;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) {
    k = FileKind::Unreadable;
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    k = FileKind::NotRegular;
    return -1;
  }
  k = FileKind::Regular;
  if (size) *size = static_cast<std::uint64_t>(st.st_size);
  return fd.Release();
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) { fd_ = OpenRegularForReading(path, nullptr, &size_); }

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool ReadOnlyFile::ReadAt(std::uint64_t offset, void* out, std::size_t n) const {
  auto* p = static_cast<char*>(out);
  while (n > 0) {
    const ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    offset += static_cast<std::uint64_t>(got);
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes, FileKind* kind) {
  std::uint64_t size = 0;
  Fd fd(OpenRegularForReading(path, kind, &size));
  if (fd.get() < 0) return std::nullopt;
  if (size > maxBytes) {
    if (kind) *kind = FileKind::Unreadable;
    return std::nullopt;
  }
  std::string content;
  content.reserve(static_cast<std::size_t>(size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (kind) *kind = FileKind::Unreadable;
      return std::nullopt;
    }
    if (n == 0) break;
    if (content.size() + static_cast<std::size_t>(n) > maxBytes) {
      if (kind) *kind = FileKind::Unreadable;
      return std::nullopt;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  return content;
}

std::optional<std::string> ReadFileStart(const std::string& path, std::size_t bytes, std::uint64_t* size,
                                         FileKind* kind) {
  Fd fd(OpenRegularForReading(path, kind, size));
  if (fd.get() < 0) return std::nullopt;
  std::string content(bytes, '\0');
  std::size_t got = 0;
  while (got < bytes) {
    ssize_t n = ::read(fd.get(), content.data() + got, bytes - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (kind) *kind = FileKind::Unreadable;
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  content.resize(got);
  return content;
}

AppendStatus AppendToFile(const std::string& path, std::string_view text, std::uint64_t maxBytes, bool sync) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, NewFileMode()));
  if (fd.get() < 0) return errno == ELOOP || errno == EISDIR ? AppendStatus::NotRegular : AppendStatus::Failed;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return AppendStatus::Failed;
  if (!S_ISREG(st.st_mode)) return AppendStatus::NotRegular;
  std::string line;
  char last = '\n';
  if (st.st_size > 0) {
    // Read through a second descriptor: this one is write-only.
    Fd reader(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (reader.get() < 0 || ::pread(reader.get(), &last, 1, st.st_size - 1) != 1) last = '\n';
  }
  if (last != '\n') line = "\n";
  line.append(text);
  if (static_cast<std::uint64_t>(st.st_size) + line.size() > maxBytes) return AppendStatus::Full;
  // One write: O_APPEND puts it at the end as a whole, even with other writers.
  const ssize_t n = ::write(fd.get(), line.data(), line.size());
  if (n == static_cast<ssize_t>(line.size())) {
    // Synced, so that a power cut right after a logon leaves the line, not a
    // tail of NUL bytes where its block was allocated. The line is written
    // either way; a file system that cannot sync does not undo it.
    if (sync) (void)::fdatasync(fd.get());
    return AppendStatus::Ok;
  }
  if (n < 0 && (errno == EPERM || errno == EOPNOTSUPP)) {
    // A file system that takes only new files (fusefat) refuses to extend
    // one: the file is written anew with the line and renamed into place.
    // The start-up log is appended under the counting lock, so none of its lines is lost.
    fd.Reset();
    std::optional<std::string> content = ReadWholeFile(path, maxBytes);
    if (!content) return AppendStatus::Failed;
    return WriteFileReplacing(path, *content + line, sync) ? AppendStatus::Ok : AppendStatus::Failed;
  }
  // A short write (a full disk) leaves a partial line; the next append ends it.
  return AppendStatus::Failed;
}

WriteResult WriteFileReplacing(const std::string& path, std::string_view content, bool durable) {
  if (path.empty() || path.back() == '/') return {WriteStatus::Failed, ENOENT};
  struct stat existing {};
  mode_t mode = NewFileMode();
  if (lstat(path.c_str(), &existing) == 0) {
    if (S_ISREG(existing.st_mode)) {
      if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return {WriteStatus::ReadOnly, EACCES};
      mode = existing.st_mode & 07777;
    } else if (!S_ISLNK(existing.st_mode)) {
      return {WriteStatus::NotRegular, EISDIR};
    }
  }
  const std::string folder = FolderOf(path);
  const std::string temp = WriteNewTemporary(folder, content, mode, durable);
  if (temp.empty()) return {WriteStatus::Failed, errno};
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    ::unlink(temp.c_str());
    return {WriteStatus::Failed, saved};
  }
  if (durable) {
    // Make the rename itself durable; a failure here does not undo the replacement.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
  }
  return {};
}

std::string FindPathNoCase(const std::string& base, const std::string& relative) {
  const std::string plain = JoinPath(base, relative);
  struct stat st {};
  if (::lstat(plain.c_str(), &st) == 0) return plain;
  std::string path = base.empty() || base.back() != '/' || base == "/" ? base : base.substr(0, base.size() - 1);
  std::size_t from = 0;
  while (from <= relative.size()) {
    std::size_t slash = relative.find('/', from);
    if (slash == std::string::npos) slash = relative.size();
    const std::string part = relative.substr(from, slash - from);
    from = slash + 1;
    if (part.empty()) continue;
    const std::string exact = (path == "/" ? path : path + "/") + part;
    if (::lstat(exact.c_str(), &st) == 0) {
      path = exact;
      continue;
    }
    std::string match;
    int matches = 0;
    if (DIR* dir = opendir(path.empty() ? "." : path.c_str())) {
      while (dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() != part.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) same = AsciiLower(name[i]) == AsciiLower(part[i]);
        if (same) {
          match = std::string(name);
          ++matches;
        }
      }
      closedir(dir);
    }
    if (matches != 1) return plain;
    path = (path == "/" ? path : path + "/") + match;
  }
  return path;
}

int RemoveStaleTemporaryFiles(const std::string& folder) {
  const std::string base = folder.empty() ? std::string(".") : folder;
  DIR* dir = opendir(base.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (!IsTemporaryFileName(name)) continue;
    const std::string full = JoinPath(base, name);
    struct stat st {};
    if (lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if ((TemporaryFileOwner(name) == 0 || LeftByGoneRun(TemporaryFileOwner(name), st.st_mtime)) && ::unlink(full.c_str()) == 0) ++removed;
  }
  closedir(dir);
  return removed;
}

PathInfo InspectPath(const std::string& path) {
  PathInfo info;
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return info;
  info.exists = true;
  info.regular = S_ISREG(st.st_mode);
  info.writable = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  info.size = static_cast<std::uint64_t>(st.st_size);
  return info;
}

bool NameTaken(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

int KeepUnderName(const std::string& path, const std::string& newName) {
  if (::link(path.c_str(), newName.c_str()) == 0 || ::rename(path.c_str(), newName.c_str()) == 0) return 0;
  return errno;
}

bool ReplaceSymlink(const std::string& link, const std::string& target) {
  const std::string temporary = link + ".new-" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0) return false;
  if (::rename(temporary.c_str(), link.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

bool RemoveFile(const std::string& path) { return !path.empty() && ::unlink(path.c_str()) == 0; }

std::string MakeUniqueFolder(const std::string& prefix) {
  std::string pattern = prefix + "XXXXXX";
  return ::mkdtemp(pattern.data()) == nullptr ? std::string() : pattern;
}

bool IsOwnFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

std::optional<std::int64_t> LastChangeTime(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::int64_t>(st.st_mtime);
}

bool CreateFolders(const std::string& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  std::string parent = FolderOf(path);
  if (parent != path && parent != "." && parent != "/" && !CreateFolders(parent)) return false;
  return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(path));
}

std::vector<std::string> FindFiles(const std::string& folder, std::string_view pattern) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == ".." || !WildcardMatch(pattern, name)) continue;
    const std::string full = JoinPath(folder.empty() ? std::string(".") : folder, name);
    if (FileExists(full)) names.emplace_back(name);
  }
  closedir(dir);
  return names;
}

std::vector<DirEntry> ListMatching(const std::string& folder, std::string_view pattern) {
  std::vector<DirEntry> entries;
  const std::string base = folder.empty() ? std::string(".") : folder;
  DIR* dir = opendir(base.c_str());
  if (dir == nullptr) return entries;
  while (dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name.empty() || name.front() == '.' || !WildcardMatch(pattern, name)) continue;
    const std::string full = JoinPath(base, name);
    struct stat st {};
    if (lstat(full.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) entries.push_back({std::string(name), true});
    else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) entries.push_back({std::string(name), false});
  }
  closedir(dir);
  return entries;
}

bool RemoveEmptyFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool FolderReadable(const std::string& path) { return DirectoryExists(path) && ::access(path.c_str(), R_OK | X_OK) == 0; }

bool FileWritable(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

}  // namespace vp::platform
