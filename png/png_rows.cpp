#include "png/png_rows.h"

#include <cstring>
#include <utility>

namespace vp::png {

int png_write_line(TPngRowInfo& info) {
  const std::int64_t n = info.rowLength - 1;
  const int bpp = (info.bitsPerPixel + 7) / 8;
  auto filterInto = [&](std::uint8_t* out, int type) {
    out[0] = static_cast<std::uint8_t>(type);
    if (type == 0) std::memcpy(out + 1, info.current, static_cast<std::size_t>(n));
    else ApplyFilter(type, out + 1, info.current, info.previous, n, bpp);
  };
  int type = 0;
  switch (info.filter) {
    case TPngFilterType::gpfSub: type = 1; break;
    case TPngFilterType::gpfUp: type = 2; break;
    case TPngFilterType::gpfAvg: type = 3; break;
    case TPngFilterType::gpfPaeth: type = 4; break;
    default: break;
  }
  if (info.filter != TPngFilterType::gpfJust) {
    filterInto(info.output, type);
  } else {
    filterInto(info.output, 0);
    bool atOnce = false;
    std::int64_t best = RowScore(info.output, info.rowLength, info.bitsPerPixel, info.histogram, atOnce);
    if (!atOnce && info.workingBits != 4) {
      if (info.workingBits == 1 || info.workingBits == 8) best *= 2;
      for (int candidate = 1; candidate <= 4; ++candidate) {
        filterInto(info.scratch, candidate);
        bool wins = false;
        std::int64_t score = RowScore(info.scratch, info.rowLength, info.bitsPerPixel, info.histogram, wins);
        if (wins || score > best) {
          std::swap(info.output, info.scratch);
          best = score;
        }
        if (wins) break;
      }
    }
  }
  return ZLIBEncode(info, info.output, info.rowLength);
}

}  // namespace vp::png
