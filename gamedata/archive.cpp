#include "gamedata/archive.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "gamedata/game_folder.h"
#include "gamedata/voice_decoder.h"
#include "platform/files.h"

namespace vp::gamedata {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenArchive(const std::string& path) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) throw GameDataError("Cannot open file \"" + path + "\"");
  return f;
}

File CreateOutput(const std::string& path) {
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) throw GameDataError("Cannot create file \"" + path + "\"");
  return f;
}

std::int32_t Int32At(const std::uint8_t* p) {
  return static_cast<std::int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24));
}

// Copies one entry's data. An index entry past the end, a negative or empty
// size, or data that reaches past the end of the archive give an empty file.
void CopyEntry(std::FILE* archive, std::FILE* out, std::int64_t entryOffset, int entrySize, int offsetField,
               int sizeField, const std::string& outName) {
  std::uint8_t entry[32] = {};
  if (fseeko(archive, 0, SEEK_END) != 0) return;
  const std::int64_t archiveSize = ftello(archive);
  if (entryOffset + entrySize > archiveSize || fseeko(archive, static_cast<off_t>(entryOffset), SEEK_SET) != 0 ||
      std::fread(entry, 1, static_cast<std::size_t>(entrySize), archive) != static_cast<std::size_t>(entrySize))
    return;
  const std::int64_t offset = Int32At(entry + offsetField);
  const std::int64_t size = Int32At(entry + sizeField);
  if (size <= 0 || offset < 0 || offset + size > archiveSize) return;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
  if (fseeko(archive, static_cast<off_t>(offset), SEEK_SET) != 0 ||
      std::fread(data.data(), 1, data.size(), archive) != data.size())
    return;
  if (std::fwrite(data.data(), 1, data.size(), out) != data.size())
    throw GameDataError("Cannot write file \"" + outName + "\"");
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
  File archive = OpenArchive(JoinInGameFolder(gameFolder, kPictureArchive));
  File file = CreateOutput(out);
  CopyEntry(archive.get(), file.get(), 32 * (static_cast<std::int64_t>(n) - 1), 32, 4, 8, out);
  if (std::fclose(file.release()) != 0) throw GameDataError("Cannot write file \"" + out + "\"");
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
    File archive = OpenArchive(JoinInGameFolder(gameFolder, VoiceArchiveName(fileNumber)));
    File file = CreateOutput(ogg);
    CopyEntry(archive.get(), file.get(), 16 * static_cast<std::int64_t>(entry), 16, 8, 4, ogg);
  }
  LoadDecoder();
  DecodeOgg(ogg, wav);
  UnloadDecoder();
  platform::DeleteFile(ogg);
  return wav;
}

void DeleteByPattern(const std::string& pattern, const std::string& folder) {
  for (const auto& entry : platform::ListMatching(folder, pattern)) {
    const std::string path = folder + "/" + entry.name;
    if (entry.isFolder) {
      DeleteByPattern(pattern, path);
      platform::RemoveEmptyFolder(path);
    } else if (platform::FileWritable(path)) {
      platform::DeleteFile(path);
    }
  }
}

}  // namespace vp::gamedata
