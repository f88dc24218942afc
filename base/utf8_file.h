#pragma once
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace vp {

// Paths are UTF-8 in memory. The Windows C runtime's narrow calls read them
// in the ANSI code page, where a Japanese folder name is lost: there they go
// to the wide calls; elsewhere they are passed as they are.
inline std::filesystem::path Utf8Path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

inline std::FILE* OpenUtf8File(const std::string& utf8, const char* mode) {
#if defined(_WIN32)
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(Utf8Path(utf8).c_str(), wideMode.c_str());
#else
  return std::fopen(utf8.c_str(), mode);
#endif
}

}  // namespace vp
