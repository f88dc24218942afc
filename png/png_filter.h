#pragma once
#include <cstdint>

namespace vp::png {

enum class TPngFilterType { gpfJust, gpfNone, gpfSub, gpfUp, gpfAvg, gpfPaeth };

// Undoing each filter over `length` bytes of a row, for one pixel size: chosen
// once per image, so rows pay no dispatch on the pixel size or the processor.
using RowUnfilter = void (*)(std::uint8_t* row, const std::uint8_t* prior, std::int64_t length);
struct UnfilterSet {
  RowUnfilter sub = nullptr, up = nullptr, average = nullptr, paeth = nullptr;
  // Two rows, the lower one's prior being the upper one, by their filter
  // types (Sub..Paeth, less one); null where one at a time is as fast.
  using RowPair = void (*)(std::uint8_t* upper, const std::uint8_t* prior, std::uint8_t* lower, std::int64_t length);
  RowPair pairs[4][4] = {};
  // False for a filter type that does not exist.
  bool operator()(int type, std::uint8_t* row, const std::uint8_t* prior, std::int64_t length) const;
  // `count` rows laid out `stride` bytes apart, each with its filter byte
  // first and its prior just above. Returns how many were undone: fewer than
  // `count` when a row names a filter type that does not exist.
  std::int64_t Rows(std::uint8_t* first, std::int64_t stride, std::int64_t count) const;
};
UnfilterSet ChooseUnfilters(int bytesPerPixel);

// Applying one PNG filter over `length` bytes with bpp bytes per pixel.
void ApplyFilter(int type, std::uint8_t* out, const std::uint8_t* row, const std::uint8_t* prior,
                 std::int64_t length, int bpp);

// The adaptive filter's row score; `takeAtOnce` tells that the row wins outright.
std::int64_t RowScore(const std::uint8_t* filtered, std::int64_t n, int bitsPerPixel, std::uint32_t* histogram,
                      bool& takeAtOnce);

}  // namespace vp::png
