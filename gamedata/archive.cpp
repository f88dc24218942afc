#include "gamedata/archive.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "gamedata/game_folder.h"
#include "gamedata/voice_decoder.h"
#include "platform/files.h"

namespace vp::gamedata {
namespace {

class Archive {
 public:
  explicit Archive(const std::string& path) : fd_(platform::OpenRegularForReading(path, nullptr, &size_)) {
    if (fd_ < 0) throw GameDataError("ゲームのファイルを開けませんでした。\n" + path);
  }
  ~Archive() { ::close(fd_); }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  // Exactly n bytes at offset, or false.
  bool ReadAt(std::int64_t offset, void* out, std::size_t n) const {
    auto* p = static_cast<char*>(out);
    while (n > 0) {
      ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      p += got;
      offset += got;
      n -= static_cast<std::size_t>(got);
    }
    return true;
  }
  std::int64_t size() const { return static_cast<std::int64_t>(size_); }

 private:
  std::uint64_t size_ = 0;
  int fd_;
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
  if (!written)
    throw GameDataError("作業フォルダにファイルを作成できませんでした。\n" + path + ": " +
                        std::strerror(written.error ? written.error : EEXIST));
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
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsExtractedFileName(kind, name)) continue;
    const std::string path = folder + "/" + name;
    // Regular files only, and like Windows' DeleteFile not read-only ones.
    if (platform::IsPlainRegularFile(path) && platform::FileWritable(path)) platform::DeleteFile(path);
  }
  closedir(dir);
}

}  // namespace vp::gamedata
