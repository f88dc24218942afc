// libFuzzer target: any bytes as the game's picture archive or one of its
// voice archives, extracted as a run extracts them, the voice decoded by the
// real decoder library. The library is loaded once and kept (the program's
// own load and unload per voice then only count references), so each input
// costs an extraction and a decode, not a dlopen.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gamedata/archive.h"
#include "gamedata/game_folder.h"
#include "gamedata/voice_decoder.h"
#include "platform/files.h"

namespace {

std::string game;

void Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
  if (!vp::platform::ReplaceFileAtomically(path, std::string(reinterpret_cast<const char*>(data), size))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Extraction writes into the current folder: a private one, removed at the end.
  static char folder[] = "/tmp/vp-archive-fuzz-XXXXXX";
  if (!mkdtemp(folder) || chdir(folder) != 0) std::abort();
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
  game = std::string(folder) + "/game";
  vp::platform::CreateFolders(game + "/HD");
  vp::platform::CreateFolders(game + "/CD");
  vp::gamedata::SetDecoderPathForTesting(OGOG_LIBRARY);
  if (!dlopen(OGOG_LIBRARY, RTLD_NOW | RTLD_NODELETE)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const bool voice = data[0] & 1;
  const int n = 1 + ((data[1] | (data[2] << 8)) % (voice ? 512 : 300));
  try {
    if (voice) {
      Write(game + "/" + vp::gamedata::VoiceArchiveName((n - 1) / 256), data + 3, size - 3);
      (void)vp::gamedata::ExtractVoice(game, n);
    } else {
      Write(game + "/" + vp::gamedata::kPictureArchive, data + 3, size - 3);
      (void)vp::gamedata::ExtractPicture(game, n);
    }
  } catch (const vp::gamedata::GameDataError&) {
    // A broken archive is told to the player; what matters is no crash and no unbounded output.
  }
  // An extracted picture is never larger than the bound on archive entries.
  for (const std::string& name : vp::platform::FindFiles(".", "*.png")) {
    std::uint64_t bytes = 0;
    vp::platform::ReadFileStart(name, 0, &bytes);
    if (bytes > static_cast<std::uint64_t>(vp::gamedata::kMaxEntryBytes)) __builtin_trap();
  }
  vp::gamedata::DeleteExtractedFiles(vp::gamedata::ExtractedKind::Pictures);
  vp::gamedata::DeleteExtractedFiles(vp::gamedata::ExtractedKind::Voices);
  return 0;
}
