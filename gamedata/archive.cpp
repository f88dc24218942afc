#include "gamedata/archive.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "gamedata/game_folder.h"
#include "gamedata/voice_decoder.h"
#include "platform/files.h"
#include "platform/work_folder.h"

namespace vp::gamedata {
namespace {

// A game archive: a regular file, or the extraction fails with GameDataError.
class Archive {
 public:
  explicit Archive(const std::string& path) : file_(path) {
    if (!file_.open()) throw GameDataError("ゲームのファイルを開けませんでした。\n" + path);
  }
  bool ReadAt(std::int64_t offset, void* out, std::size_t n) const {
    return offset >= 0 && file_.ReadAt(static_cast<std::uint64_t>(offset), out, n);
  }
  std::int64_t size() const { return static_cast<std::int64_t>(file_.size()); }

 private:
  platform::ReadOnlyFile file_;
};

std::int32_t Int32At(const std::uint8_t* p) {
  return static_cast<std::int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24));
}

// One entry's data. An index entry past the end, a negative, empty or
// oversized size, or data that reaches past the end of the archive give none.
std::string EntryData(const Archive& archive, std::int64_t entryOffset, int entrySize, int offsetField,
                      int sizeField) {
  std::uint8_t entry[32] = {};
  if (entryOffset < 0 || entryOffset + entrySize > archive.size() ||
      !archive.ReadAt(entryOffset, entry, static_cast<std::size_t>(entrySize)))
    return {};
  const std::int64_t offset = Int32At(entry + offsetField);
  const std::int64_t size = Int32At(entry + sizeField);
  if (size <= 0 || size > kMaxEntryBytes || offset < 0 || offset + size > archive.size()) return {};
  std::string data(static_cast<std::size_t>(size), '\0');
  if (!archive.ReadAt(offset, data.data(), data.size())) return {};
  return data;
}

// What this program extracted into the working folder, one name a line, so
// that only those are ever deleted: a player's own 2024.png or CAFE.ogg
// beside a build copy looks just like an extracted file.
constexpr const char* kExtractedList = "extracted-files.txt";
constexpr std::size_t kExtractedListBytes = 64 * 1024;

std::string BareName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Listed before it is written: a run killed in between leaves a name whose
// file may not be there, never a file nobody will remove.
void ListExtracted(const std::string& folder, const std::string& path) {
  // Not synced: a lost line only leaves one file for the player to remove.
  platform::AppendToFile(platform::InWorkFolder(folder, kExtractedList), BareName(path) + "\n", kExtractedListBytes,
                         false);
}

// Written to a new file and renamed into place: a link planted under the name
// is replaced, never written through.
void WriteOutput(const std::string& folder, const std::string& path, const std::string& data) {
  ListExtracted(folder, path);
  const platform::WriteResult written = platform::WriteFileReplacing(path, data, false);
  if (!written) {
    const int error = written.error ? written.error : EEXIST;
    throw ExtractWriteError(path + ": " + std::strerror(error), error);
  }
}

bool HexDigits(const std::string& s, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

bool EndsWithNoCase(const std::string& name, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  return name.size() >= n && strcasecmp(name.c_str() + name.size() - n, suffix) == 0;
}

}  // namespace

std::string PictureFileName(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "./%03X.png", static_cast<unsigned>(n));
  return name;
}

std::string VoiceFileName(int n, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "./%04X.%s", static_cast<unsigned>(n), extension);
  return name;
}

std::string ExtractPicture(const std::string& gameFolder, int n, const std::string& folder) {
  if (n == 0) return {};
  const std::string out = platform::InWorkFolder(folder, PictureFileName(n));
  platform::RemoveFile(out);
  const Archive archive(ResolveInGameFolder(gameFolder, kPictureArchive));
  WriteOutput(folder, out, EntryData(archive, 32 * (static_cast<std::int64_t>(n) - 1), 32, 4, 8));
  return out;
}

std::string ExtractVoice(const std::string& gameFolder, int n, const std::string& folder) {
  if (n == 0) return {};
  const int low = n & 0xFFFF;
  const int fileNumber = (low - 1) / 256;
  const int entry = (low - 1) % 256;
  const std::string ogg = platform::InWorkFolder(folder, VoiceFileName(n, "ogg"));
  const std::string wav = platform::InWorkFolder(folder, VoiceFileName(n, "wav"));
  platform::RemoveFile(ogg);
  platform::RemoveFile(wav);
  {
    const Archive archive(ResolveInGameFolder(gameFolder, VoiceArchiveName(fileNumber)));
    WriteOutput(folder, ogg, EntryData(archive, 16 * static_cast<std::int64_t>(entry), 16, 8, 4));
  }
  if (LoadDecoder() != 0) {
    platform::RemoveFile(ogg);
    throw DecoderMissingError(kDecoderLibrary);
  }
  ListExtracted(folder, wav);
  DecodeOgg(ogg, wav);
  UnloadDecoder();
  platform::RemoveFile(ogg);
  return wav;
}

bool IsExtractedFileName(ExtractedKind kind, const std::string& name) {
  const char* const* suffixes;
  static const char* const kPicture[] = {".png", nullptr};
  static const char* const kVoice[] = {".wav", ".ogg", nullptr};
  suffixes = kind == ExtractedKind::Pictures ? kPicture : kVoice;
  const std::size_t minDigits = kind == ExtractedKind::Pictures ? 3 : 4;
  for (; *suffixes; ++suffixes) {
    if (!EndsWithNoCase(name, *suffixes)) continue;
    const std::size_t digits = name.size() - 4;
    // %03X / %04X of a voice or picture number: at most eight digits.
    if (digits >= minDigits && digits <= 8 && HexDigits(name, 0, digits)) return true;
  }
  return false;
}

void DeleteExtractedFiles(ExtractedKind kind, const std::string& folder) {
  const std::string list = platform::InWorkFolder(folder, kExtractedList);
  const auto text = platform::ReadFileStart(list, kExtractedListBytes);
  if (!text) return;
  std::string kept;
  std::set<std::string> seen;
  std::size_t at = 0;
  while (at < text->size()) {
    const std::size_t end = std::min(text->find('\n', at), text->size());
    const std::string name = text->substr(at, end - at);
    at = end + 1;
    // Only bare names of the kinds we write; anything else in the list is not ours.
    if (name.find('/') != std::string::npos || !seen.insert(name).second) continue;
    const bool picture = IsExtractedFileName(ExtractedKind::Pictures, name);
    if (!picture && !IsExtractedFileName(ExtractedKind::Voices, name)) continue;
    if (kind != ExtractedKind::All && picture != (kind == ExtractedKind::Pictures)) {
      kept += name + "\n";
      continue;
    }
    const std::string path = platform::InWorkFolder(folder, name);
    // Regular files only, and like Windows' DeleteFile not read-only ones.
    if (platform::IsPlainRegularFile(path) && platform::FileWritable(path)) platform::RemoveFile(path);
    else if (platform::IsPlainRegularFile(path)) kept += name + "\n";
  }
  if (kept.empty()) platform::RemoveFile(list);
  else if (kept != *text) platform::WriteFileReplacing(list, kept, false);
}

}  // namespace vp::gamedata
