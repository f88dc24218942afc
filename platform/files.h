#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vp::platform {

// The native path separator; the program's "\" paths become "/" here.
inline constexpr char kPathSeparator = '/';

bool FileExists(const std::string& path);       // a regular file, not a folder
bool DirectoryExists(const std::string& path);

// The whole file, or nothing when it cannot be read. Files larger than maxBytes
// count as unreadable, so a hostile path cannot make us read gigabytes.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t maxBytes = 64u << 20);

// Replaces (or creates) the file so that readers see either the old or the new
// content, never a partial one: temporary file in the same folder, flush, rename.
// A path that is a symbolic link keeps the link and replaces its target.
// At most the first `bytes` bytes of the file, or nothing when it cannot be read.
std::optional<std::string> ReadFileStart(const std::string& path, std::size_t bytes);

bool ReplaceFileAtomically(const std::string& path, std::string_view content);

bool DeleteFile(const std::string& path);

// Creates the folder and its missing parents.
bool CreateFolders(const std::string& path);

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
// Whether we may change the file (the stand-in for Windows' read-only attribute).
bool FileWritable(const std::string& path);

}  // namespace vp::platform
