#include "gamedata/archive.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "gamedata/game_folder.h"
#include "gamedata/voice_decoder.h"
#include "platform/files.h"

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

// Written to a new file and renamed into place: a link planted under the name
// is replaced, never written through.
void WriteOutput(const std::string& path, const std::string& data) {
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

std::string ExtractPicture(const std::string& gameFolder, int n) {
  if (n == 0) return {};
  const std::string out = PictureFileName(n);
  platform::DeleteFile(out);
  const Archive archive(ResolveInGameFolder(gameFolder, kPictureArchive));
  WriteOutput(out, EntryData(archive, 32 * (static_cast<std::int64_t>(n) - 1), 32, 4, 8));
  return out;
}

std::string ExtractVoice(const std::string& gameFolder, int n) {
  if (n == 0) return {};
  const int low = n & 0xFFFF;
  const int fileNumber = (low - 1) / 256;
  const int entry = (low - 1) % 256;
  const std::string ogg = VoiceFileName(n, "ogg");
  const std::string wav = VoiceFileName(n, "wav");
  platform::DeleteFile(ogg);
  platform::DeleteFile(wav);
  {
    const Archive archive(ResolveInGameFolder(gameFolder, VoiceArchiveName(fileNumber)));
    WriteOutput(ogg, EntryData(archive, 16 * static_cast<std::int64_t>(entry), 16, 8, 4));
  }
  LoadDecoder();
  DecodeOgg(ogg, wav);
  UnloadDecoder();
  platform::DeleteFile(ogg);
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
  for (const auto& entry : platform::ListMatching(folder, "*")) {
    if (entry.isFolder || !IsExtractedFileName(kind, entry.name)) continue;
    const std::string path = folder + "/" + entry.name;
    // Regular files only, and like Windows' DeleteFile not read-only ones.
    if (platform::IsPlainRegularFile(path) && platform::FileWritable(path)) platform::DeleteFile(path);
  }
}

}  // namespace vp::gamedata
