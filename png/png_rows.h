#pragma once
#include <cstdint>

#include "png/png_filter.h"
#include "png/png_zlib.h"

namespace vp::png {

// The encoder's row context.
struct TPngRowInfo : TZlibInfo {
  std::int64_t rowLength = 0;  // with the filter byte
  std::uint8_t* current = nullptr;
  std::uint8_t* previous = nullptr;
  int bitsPerPixel = 8;
  TPngFilterType filter = TPngFilterType::gpfNone;
  int workingBits = 24;
  std::uint8_t* output = nullptr;
  std::uint8_t* scratch = nullptr;
  std::uint32_t* histogram = nullptr;
};

// Filters info.current (raw row without filter byte) into info.output and compresses it.
int png_write_line(TPngRowInfo& info);

}  // namespace vp::png
