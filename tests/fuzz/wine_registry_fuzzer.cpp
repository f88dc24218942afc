// libFuzzer target: any bytes as a Wine prefix's system.reg and as Steam's
// libraryfolders.vdf, the two files the game search reads from other programs.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/steam_libraries.h"
#include "platform/wine_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)vp::platform::WineRegistryString(
      text, {"Software\\QOTA_CORP\\VerbellePlus", "Software\\Wow6432Node\\QOTA_CORP\\VerbellePlus"}, "install");
  (void)vp::platform::UnescapeWineString(text);
  for (const std::string& path : vp::platform::SteamLibraryPaths(text))
    if (path.empty() || path.front() != '/') __builtin_trap();
  return 0;
}
