#pragma once
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vp::platform {

// The native path separator: what JoinPath puts between a folder and a name.
// Windows takes "/" as well, and its path functions here read both.
#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The error of a full disk quota: EDQUOT. The Windows runtime has no such
// errno, so its backend reports the quota as this value of its own.
#if defined(EDQUOT)
inline constexpr int kQuotaExceeded = EDQUOT;
#else
inline constexpr int kQuotaExceeded = 2011;
#endif

// Whether c separates a path's parts: '/' here, '/' and '\' on Windows.
bool IsPathSeparator(char c);

bool FileExists(const std::string& path);       // a regular file, not a folder
bool DirectoryExists(const std::string& path);

// What a path holds, as far as a reader of regular files is concerned.
enum class FileKind { Missing, Regular, NotRegular, Unreadable };

// Opens a regular file for reading without ever blocking (a FIFO or a device
// under the name counts as NotRegular). Returns the descriptor or -1.
int OpenRegularForReading(const std::string& path, FileKind* kind = nullptr,
                          std::uint64_t* size = nullptr);

// A regular file opened for reading at any offset, closed with the object;
// open() is false for anything else (a FIFO included, without blocking).
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  bool open() const { return fd_ >= 0; }
  std::uint64_t size() const { return size_; }
  // Exactly n bytes at offset, or false.
  bool ReadAt(std::uint64_t offset, void* out, std::size_t n) const;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// The whole file, or nothing when it cannot be read. Files larger than maxBytes
// count as unreadable, so a hostile path cannot make us read gigabytes.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t maxBytes = 64u << 20,
                                         FileKind* kind = nullptr);
// At most the first `bytes` bytes of the file, or nothing when it cannot be read;
// size receives the file's full size.
std::optional<std::string> ReadFileStart(const std::string& path, std::size_t bytes,
                                         std::uint64_t* size = nullptr, FileKind* kind = nullptr);

// What is at a path, following links: nothing, a regular file (with its size
// and whether it may be changed) or something else.
struct PathInfo {
  bool exists = false;
  bool regular = false;
  bool writable = false;  // any write permission bit: not "read-only"
  std::uint64_t size = 0;
};
PathInfo InspectPath(const std::string& path);
// Whether anything (a link included) has this name.
bool NameTaken(const std::string& path);
// Gives the file a second name (a hard link), or else moves it there.
// 0, or the error (errno) of the move.
int KeepUnderName(const std::string& path, const std::string& newName);

enum class WriteStatus { Ok, ReadOnly, NotRegular, Failed };
struct WriteResult {
  WriteStatus status = WriteStatus::Ok;
  int error = 0;  // errno of a Failed write
  explicit operator bool() const { return status == WriteStatus::Ok; }
};

// Replaces (or creates) the file so that readers see either the old or the new
// content, never a partial one. The content goes to a new file nobody else can
// have prepared (O_TMPFILE, else O_EXCL|O_NOFOLLOW on a unique name) and is
// renamed into place, so a symbolic link under the name is replaced, never
// written through. A read-only file (no write permission bits) and anything
// that is not a regular file are left alone. durable: flush to the disk first.
WriteResult WriteFileReplacing(const std::string& path, std::string_view content, bool durable = true);
inline bool ReplaceFileAtomically(const std::string& path, std::string_view content) {
  return static_cast<bool>(WriteFileReplacing(path, content));
}

// Adds text at the end of a log file in one write, creating it when missing:
// writers that append at once never interleave inside each other's text, and
// a last line left without its end (a crash, a full disk) is ended first so
// the new text starts a line of its own. Links are not followed, anything but
// a regular file is left alone, and a file that would grow past maxBytes is
// not written (Full). With sync, the text is on disk when it returns.
enum class AppendStatus { Ok, Full, NotRegular, Failed };
AppendStatus AppendToFile(const std::string& path, std::string_view text, std::uint64_t maxBytes, bool sync = true);

// Makes `link` a symbolic link to target, replacing what was there at once.
bool ReplaceSymlink(const std::string& link, const std::string& target);

// Removes the temporary files that killed runs left in folder: those of
// processes that no longer exist, or older than a day.
int RemoveStaleTemporaryFiles(const std::string& folder);
// Whether what a run (pid, 0 when unknown) left, last changed at mtime, is
// stale: that process is gone, or it is older than a day (a clock skewed by a
// time zone, as FAT's, never makes a live run's look stale). This process's
// own never is.
bool LeftByGoneRun(long pid, std::int64_t mtime);
// Whether name is one of our temporary files.
bool IsTemporaryFileName(std::string_view name);
// A fresh name in folder for a temporary file of this process.
std::string NewTemporaryName(const std::string& folder);
// The id of the process that named a temporary file; 0 when it tells none.
long TemporaryFileOwner(std::string_view name);

bool RemoveFile(const std::string& path);

// Makes a new folder of the user's alone named prefix followed by six
// random characters; its path, or "" (errno set on POSIX).
std::string MakeUniqueFolder(const std::string& prefix);
// Whether path is a folder itself (not a link to one) that the current user owns.
bool IsOwnFolder(const std::string& path);
// When what the path names itself (a link is not followed) last changed, in
// seconds since 1970; nothing when there is nothing.
std::optional<std::int64_t> LastChangeTime(const std::string& path);

// Creates the folder and its missing parents.
bool CreateFolders(const std::string& path);
// "/" stays "/"; "/a/b/" becomes "/a/b".
std::string WithoutTrailingSeparator(const std::string& folder);
// Whether path names its place from a root ("/a"; on Windows "C:\a", "\\server\a").
bool IsAbsolutePath(const std::string& path);
// Whether a path another program stored can name a file on this system: not
// empty, no NUL, no trailing separator; here no backslash and no drive
// letter (a Windows path would be a file named "C:..." here); on Windows a
// full path from a drive or a server.
bool UsableFilePath(std::string_view path);
// The process's current folder; "" when it cannot be told.
std::string CurrentFolder();
// path as seen from the current folder, made absolute ("" stays "").
std::string AbsolutePath(const std::string& path);
// name inside folder, with one separator between: ("/a", "x") and ("/a/", "x")
// give "/a/x", ("/", "x") "/x"; an empty folder gives name itself.
std::string JoinPath(const std::string& folder, std::string_view name);
// "a/b/c" → "a/b"; "c" → "."; "/c" → "/".
std::string FolderOf(const std::string& path);
// "a/b/c" → "c"; "c" → "c"; "a/" → "".
std::string NameOf(const std::string& path);

// Names (not paths) of the regular files in folder whose name matches the
// wildcard pattern ('*' and '?'), without regard to ASCII case.
std::vector<std::string> FindFiles(const std::string& folder, std::string_view pattern);

bool WildcardMatch(std::string_view pattern, std::string_view name);

struct DirEntry {
  std::string name;
  bool isFolder = false;
};
// Entries of folder (files and folders, not hidden ones: names starting with
// '.') whose name matches the pattern without regard to ASCII case.
std::vector<DirEntry> ListMatching(const std::string& folder, std::string_view pattern);
bool RemoveEmptyFolder(const std::string& path);
// Whether the folder's entries can be listed and entered (a medium that is gone cannot).
bool FolderReadable(const std::string& path);
// Whether we may change the file (the stand-in for Windows' read-only attribute).
bool FileWritable(const std::string& path);
// base joined with a relative path ("HD/fa0000R.aif"), looked up as Windows
// would: a component whose exact name is missing is the one entry of its folder
// that matches without regard to ASCII case. Two such entries (and no exact
// one) are ambiguous and count as missing. The plain join when nothing matches.
std::string FindPathNoCase(const std::string& base, const std::string& relative);

// Whether path is a regular file itself (a symbolic link is not).
bool IsPlainRegularFile(const std::string& path);

}  // namespace vp::platform
