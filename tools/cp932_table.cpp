// Prints how code page 932 maps, both ways, one line per byte sequence and
// per character: through the system's converter ("system") or through the
// program's (the default). tools/windows-check.sh compares the program's
// table of the Windows build with this build's: they must be the same.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/text.h"

namespace {

void PrintDecoded(const std::string& bytes, bool system) {
  const auto text = system ? vp::platform::SystemCp932ToUtf8(bytes) : vp::platform::Cp932ToUtf8(bytes);
  for (unsigned char b : bytes) std::printf("%02X", b);
  if (!text) {
    std::printf(" -\n");
    return;
  }
  for (char32_t c : vp::platform::DecodeUtf8(*text)) std::printf(" U+%04X", static_cast<unsigned>(c));
  std::printf("\n");
}

bool IsLead(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace

int main(int argc, char** argv) {
  const bool system = argc > 1 && std::strcmp(argv[1], "system") == 0;
  for (int b = 0; b < 0x100; ++b) {
    if (!IsLead(b)) PrintDecoded(std::string(1, static_cast<char>(b)), system);
    else
      for (int t = 0x40; t <= 0xFC; ++t)
        if (t != 0x7F) PrintDecoded(std::string{static_cast<char>(b), static_cast<char>(t)}, system);
  }
  for (char32_t c = 0; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::string utf8;
    vp::platform::AppendUtf8(utf8, c);
    const auto bytes = system ? vp::platform::SystemUtf8ToCp932(utf8) : vp::platform::Utf8ToCp932(utf8);
    std::printf("U+%04X", static_cast<unsigned>(c));
    if (!bytes) std::printf(" -\n");
    else {
      std::printf(" ");
      for (unsigned char b : *bytes) std::printf("%02X", b);
      std::printf("\n");
    }
  }
  return 0;
}
