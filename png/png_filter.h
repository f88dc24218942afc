#pragma once
#include <cstdint>

namespace vp::png {

enum class TPngFilterType { gpfJust, gpfNone, gpfSub, gpfUp, gpfAvg, gpfPaeth };

// Removing and applying one PNG filter over `length` bytes with bpp bytes per pixel.
bool Unfilter(int type, std::uint8_t* row, const std::uint8_t* prior, std::int64_t length, int bpp);
void ApplyFilter(int type, std::uint8_t* out, const std::uint8_t* row, const std::uint8_t* prior,
                 std::int64_t length, int bpp);

// The adaptive filter's row score; `takeAtOnce` tells that the row wins outright.
std::int64_t RowScore(const std::uint8_t* filtered, std::int64_t n, int bitsPerPixel, std::uint32_t* histogram,
                      bool& takeAtOnce);

}  // namespace vp::png
