#include "gamedata/voice_decoder.h"

#include <cstdint>

#include "platform/dynamic_library.h"
#include "platform/executable.h"
#include "platform/files.h"

namespace vp::gamedata {
namespace {

using VersionFn = std::int32_t (*)(char* buffer);
using DecodeFn = std::int32_t (*)(const char* ogg, const char* wav);

struct Binding {
  void* handle = nullptr;
  VersionFn version = nullptr;
  DecodeFn decode = nullptr;
  std::int32_t versionResult = 0;
  char versionBuffer[80] = {};
  std::string pathOverride;
};

Binding& TheBinding() {
  static Binding binding;
  return binding;
}

void* OpenLibrary() {
  Binding& b = TheBinding();
  if (!b.pathOverride.empty()) return platform::LoadDynamicLibrary(b.pathOverride);
  // Beside the program first (a build), then its private library folder
  // (installed), then the loader's search (which includes the program's run path).
  const std::string folder = platform::ExecutableFolder();
  for (const std::string& path : {folder + kDecoderLibrary, platform::PrivateLibraryFolder(folder) + kDecoderLibrary}) {
    if (!platform::FileExists(path)) continue;
    if (void* h = platform::LoadDynamicLibrary(path)) return h;
  }
  return platform::LoadDynamicLibrary(kDecoderLibrary);
}

}  // namespace

int LoadDecoder() {
  Binding& b = TheBinding();
  if (b.handle) return 0;
  b.handle = OpenLibrary();
  if (!b.handle) return -1;
  b.version = reinterpret_cast<VersionFn>(platform::FindLibrarySymbol(b.handle, "OGG_GetVersion"));
  b.decode = reinterpret_cast<DecodeFn>(platform::FindLibrarySymbol(b.handle, "OGG_DecodeFile"));
  if (!b.version || !b.decode) {
    UnloadDecoder();
    return -1;
  }
  b.versionResult = b.version(b.versionBuffer);
  return 0;
}

int DecodeOgg(const std::string& ogg, const std::string& wav) {
  Binding& b = TheBinding();
  if (!b.decode) return -1;
  return b.decode(ogg.c_str(), wav.c_str());
}

int UnloadDecoder() {
  Binding& b = TheBinding();
  platform::FreeDynamicLibrary(b.handle);
  b.handle = nullptr;
  b.version = nullptr;
  b.decode = nullptr;
  return 0;
}

void SetDecoderPathForTesting(const std::string& path) { TheBinding().pathOverride = path; }

}  // namespace vp::gamedata
