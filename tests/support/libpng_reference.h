#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vp::test {

// libpng as the reference codec.
struct RefImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // 8-bit, 16-bit samples reduced to their high byte
  bool ok = false;
  std::string error;
};
// checkCrcs: a wrong CRC in any chunk is an error (by default libpng is told
// to use the data anyway, as the decoder under test does).
RefImage LibpngDecode(const std::vector<std::uint8_t>& png, bool checkCrcs = false);

struct RefSource {
  int width = 1, height = 1;
  int colourType = 2;  // PNG colour type
  int bitDepth = 8;
  bool interlace = false;
  std::vector<std::uint8_t> samples;  // packed rows as PNG stores them, no filter bytes
  std::vector<std::uint8_t> palette;  // r, g, b triples
  std::vector<std::uint8_t> trnsAlpha;          // palette tRNS
  int trnsGrey = -1;                             // grey tRNS sample
  int trnsR = -1, trnsG = -1, trnsB = -1;        // colour tRNS samples
  int bkgdIndex = -1;
  bool everyFilter = false;  // rows take the five filter types in turn instead of libpng's choice
};
std::vector<std::uint8_t> LibpngEncode(const RefSource& source);

// A source with pseudo-random samples (seeded) for the given format.
RefSource RandomSource(int width, int height, int colourType, int bitDepth, bool interlace, unsigned seed);

std::vector<std::uint8_t> ReadBytes(const std::string& path);

}  // namespace vp::test
