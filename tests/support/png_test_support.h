#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "png/bitmap.h"
#include "png/png_read_stream.h"

namespace vp::test {

inline const std::string kPngSuite = PNGSUITE_DIR;

struct OurDecode {
  png::Bitmap image, alpha;
  std::vector<std::uint8_t> rgba;
  png::ColorValue transColor = png::kNoColor, backgroundColor = png::kNoColor;
  bool hasAlpha = false;
  std::string comment;
  std::uint32_t significantBits = 0;
  std::string error;  // empty when the load succeeded
};

// Decodes with our codec (memory stream) and flattens the result to RGBA.
OurDecode DecodeOurs(const std::vector<std::uint8_t>& bytes, bool restore16 = false);

// Builds a PNG chunk: length, type, data, CRC.
std::vector<std::uint8_t> Chunk(const char* type, const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> Signature();
std::vector<std::uint8_t> Ihdr(std::uint32_t w, std::uint32_t h, int depth, int colourType, int interlace = 0);
// zlib-compressed image data for raw rows (each already with its filter byte).
std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& raw);
void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& more);

// Chunk types in file order.
std::vector<std::string> ChunkTypes(const std::vector<std::uint8_t>& png);
std::vector<std::uint32_t> ChunkLengths(const std::vector<std::uint8_t>& png, const char* type);
// The first chunk of the type; for IDAT the whole run joined.
std::vector<std::uint8_t> ChunkData(const std::vector<std::uint8_t>& png, const char* type);

}  // namespace vp::test
