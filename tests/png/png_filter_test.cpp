#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "png/png_filter.h"

namespace vp::png {
namespace {

// The filters as the format defines them, a byte at a time.
void ReferenceUnfilter(int type, std::uint8_t* row, const std::uint8_t* prior, std::int64_t n, int bpp) {
  for (std::int64_t i = 0; i < n; ++i) {
    const int a = i >= bpp ? row[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
    int predictor = 0;
    switch (type) {
      case 1: predictor = a; break;
      case 2: predictor = b; break;
      case 3: predictor = (a + b) / 2; break;
      case 4: {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        break;
      }
    }
    row[i] = static_cast<std::uint8_t>(row[i] + predictor);
  }
}

// Strips of random rows with every run of filter types, for every pixel size
// and widths that end mid-block of the wide loops.
TEST(PngFilters, StripsUndoLikeTheDefinitionForEveryPixelSizeAndFilterRun) {
  std::mt19937 rng(7);
  for (int bpp : {1, 2, 3, 4, 6, 8}) {
    const UnfilterSet set = ChooseUnfilters(bpp);
    for (int width : {1, 2, 3, 5, 6, 17, 64, 101}) {
      const std::int64_t stride = std::int64_t{width} * bpp + 1;
      for (int trial = 0; trial < 20; ++trial) {
        const int rows = 1 + static_cast<int>(rng() % 9);
        std::vector<std::uint8_t> strip(static_cast<std::size_t>((rows + 1) * stride));
        for (auto& byte : strip) byte = static_cast<std::uint8_t>(rng());
        for (int r = 1; r <= rows; ++r) {
          // Runs of one filter are what images have; mix them with single rows.
          const int type = trial % 2 ? static_cast<int>(rng() % 5) : (r < rows / 2 ? 4 : static_cast<int>(rng() % 5));
          strip[static_cast<std::size_t>(r * stride)] = static_cast<std::uint8_t>(type);
        }
        std::vector<std::uint8_t> expected = strip;
        for (int r = 1; r <= rows; ++r) {
          std::uint8_t* row = &expected[static_cast<std::size_t>(r * stride)];
          ReferenceUnfilter(row[0], row + 1, row + 1 - stride, stride - 1, bpp);
        }
        ASSERT_EQ(set.Rows(&strip[static_cast<std::size_t>(stride)], stride, rows), rows);
        ASSERT_EQ(strip, expected) << "bpp " << bpp << ", width " << width << ", trial " << trial;
      }
    }
  }
}

TEST(PngFilters, AnUnknownFilterStopsTheStripAfterTheRowsBeforeIt) {
  for (int bpp : {1, 3, 4}) {
    const std::int64_t stride = 4 * bpp + 1;
    std::vector<std::uint8_t> strip(static_cast<std::size_t>(5 * stride), 9);
    for (int r = 1; r <= 4; ++r) strip[static_cast<std::size_t>(r * stride)] = r == 3 ? 5 : 4;
    std::vector<std::uint8_t> expected = strip;
    for (int r = 1; r <= 2; ++r) {
      std::uint8_t* row = &expected[static_cast<std::size_t>(r * stride)];
      ReferenceUnfilter(4, row + 1, row + 1 - stride, stride - 1, bpp);
    }
    EXPECT_EQ(ChooseUnfilters(bpp).Rows(&strip[static_cast<std::size_t>(stride)], stride, 4), 2) << bpp;
    EXPECT_EQ(strip, expected) << bpp;
  }
}

}  // namespace
}  // namespace vp::png
