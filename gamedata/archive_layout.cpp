#include "gamedata/archive_layout.h"

#include <algorithm>
#include <cstdint>

namespace vp::gamedata {
namespace {

void Put32(std::string& s, std::size_t at, std::int64_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<std::size_t>(i)] = static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i));
}

}  // namespace

std::string BuildPictureArchive(const std::map<int, std::string>& pictures, int count) {
  if (!pictures.empty()) count = std::max(count, pictures.rbegin()->first);
  std::string archive(static_cast<std::size_t>(32 * std::max(count, 0)), '\0');
  for (const auto& [n, data] : pictures) {
    const std::size_t entry = static_cast<std::size_t>(32 * (n - 1));
    Put32(archive, entry, n);
    Put32(archive, entry + 4, static_cast<std::int64_t>(archive.size()));
    Put32(archive, entry + 8, static_cast<std::int64_t>(data.size()));
    archive += data;
  }
  return archive;
}

std::string BuildVoiceArchive(int file, const std::map<int, std::string>& entries) {
  std::string archive(256 * 16, '\0');
  for (const auto& [e, data] : entries) {
    const std::size_t at = static_cast<std::size_t>(16 * e);
    Put32(archive, at, 256 * file + e + 1);
    Put32(archive, at + 4, static_cast<std::int64_t>(data.size()));
    Put32(archive, at + 8, static_cast<std::int64_t>(archive.size()));
    archive += data;
  }
  return archive;
}

}  // namespace vp::gamedata
