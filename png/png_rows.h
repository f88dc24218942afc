#pragma once
#include <cstdint>

#include "png/png_filter.h"
#include "png/png_zlib.h"

namespace vp::png {

// Row context shared by the decoder and the encoder.
struct TPngRowInfo : TZlibInfo {
  std::int64_t rowLength = 0;  // with the filter byte
  std::uint8_t* current = nullptr;
  std::uint8_t* previous = nullptr;  // encoder only
  int bitsPerPixel = 8;
  // Encoder only.
  TPngFilterType filter = TPngFilterType::gpfNone;
  int workingBits = 24;
  std::uint8_t* output = nullptr;
  std::uint8_t* scratch = nullptr;
  std::uint32_t* histogram = nullptr;
};

// The decoder's result for a row whose filter type is unknown.
inline constexpr int kBadRowFilter = -1000;

// Filters info.current (raw row without filter byte) into info.output and compresses it.
int png_write_line(TPngRowInfo& info);

}  // namespace vp::png
