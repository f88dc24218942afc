#pragma once
#include <cstdint>
#include <vector>

namespace vp::png {

// Adam7 pass geometry.
struct PassInfo {
  int startX, startY, stepX, stepY;
};
inline constexpr PassInfo kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
// Rows of all passes as counted for progress (conditions on the height only).
std::int64_t TotalRows(std::int64_t height, bool interlaced);
// Columns or rows of a pass: (size - start) / step, rounded up; 0 when none.
inline std::int64_t PassExtent(std::int64_t size, int start, int step) {
  return size > start ? (size - start + step - 1) / step : 0;
}
// Whether pass p (0-based) is skipped for this size.
bool PassSkipped(int p, std::int64_t width, std::int64_t height);

// The passes that hold pixels, in order: the one whole image, or Adam7's seven;
// with their size and the bytes of one filtered row (filter byte included).
struct PassRows {
  PassInfo pass;
  std::int64_t width, height, rowLength;
};
std::vector<PassRows> ImagePasses(std::int64_t width, std::int64_t height, bool adam7, int bitsPerPixel);

}  // namespace vp::png
