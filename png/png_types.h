#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace vp::png {

struct TPNGTime {
  std::uint16_t year = 0;
  std::uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct TPNGChromaticities {
  std::uint32_t whiteX = 0, whiteY = 0, redX = 0, redY = 0, greenX = 0, greenY = 0, blueX = 0, blueY = 0;
};

// The 4 data bytes of gIFg; the delay keeps the file's byte order.
struct TPNGGIFExtension {
  std::uint8_t disposal = 0;
  std::uint8_t userInput = 0;
  std::uint8_t delay[2] = {0, 0};
};

enum class TPngInterlaceType { gptNone = 0, gptAdam7 = 1 };
enum class TPngUnitSpecifier { gpuAspect = 0, gpuMeter = 1, gpuInch = 2 };

// Chunk types as big-endian numbers.
// "IHDR" from its number, for messages.
inline std::string ChunkName(std::uint32_t type) {
  std::string name(4, ' ');
  for (int i = 0; i < 4; ++i) name[static_cast<std::size_t>(i)] = static_cast<char>((type >> (24 - 8 * i)) & 0xFF);
  return name;
}

constexpr std::uint32_t ChunkType(const char (&s)[5]) {
  return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
         (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

inline constexpr std::uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
inline constexpr char kPrivateMagic[4] = {'V', 'P', 'C', '3'};

using TPNGPasswordEvent = std::function<void(void* sender, std::string& password)>;
using TPNGDECodeEvent = std::function<void(void* sender, std::uint8_t* pbuf, std::int64_t buflen,
                                           std::int64_t lineno, const std::string& password)>;

}  // namespace vp::png
