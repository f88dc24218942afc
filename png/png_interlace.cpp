#include "png/png_interlace.h"

namespace vp::png {

std::int64_t TotalRows(std::int64_t h, bool interlaced) {
  if (!interlaced) return h;
  std::int64_t rows = 2 * ((h + 7) / 8) + (h + 3) / 4 + (h + 1) / 2;
  if (h >= 5) rows += (h + 3) / 8;
  if (h >= 3) rows += (h + 1) / 4;
  if (h >= 2) rows += h / 2;
  return rows;
}

std::vector<PassRows> ImagePasses(std::int64_t width, std::int64_t height, bool adam7, int bitsPerPixel) {
  std::vector<PassRows> passes;
  for (int p = 0; p < (adam7 ? 7 : 1); ++p) {
    const PassInfo pass = adam7 ? kAdam7[p] : PassInfo{0, 0, 1, 1};
    if (adam7 && PassSkipped(p, width, height)) continue;
    const std::int64_t w = PassExtent(width, pass.startX, pass.stepX);
    const std::int64_t h = PassExtent(height, pass.startY, pass.stepY);
    if (w > 0 && h > 0) passes.push_back({pass, w, h, (w * bitsPerPixel + 7) / 8 + 1});
  }
  return passes;
}

bool PassSkipped(int p, std::int64_t w, std::int64_t h) {
  switch (p) {
    case 1: return w < 5;
    case 2: return h < 5;
    case 3: return w < 3;
    case 4: return h < 3;
    case 5: return w < 2;
    case 6: return h < 2;
    default: return false;
  }
}

}  // namespace vp::png
