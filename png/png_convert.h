#pragma once
#include <cstdint>

namespace vp::png {

// Turns one PNG row (after its filter byte) into a bitmap row; `alpha` takes
// 255 - alpha per pixel for images that carry alpha.
using RowConverter = void (*)(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* alpha, std::int64_t width);

void ConvertNone(const std::uint8_t*, std::uint8_t*, std::uint8_t*, std::int64_t);  // rows copied as they are
void Change2to4(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w);
void ChangeGray16(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w);
void ChangeGray16A(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w);
void ChangeGray8A(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w);
void RGBtoBGR24(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w);
void RGBtoBGR48(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w);
void RGBAtoBGRA32(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w);
void RGBAtoBGRA64(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w);
void RGBtoBGR16(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w);  // 5-6-5
void RGBAtoBGRA16(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w);

// The fastest of the 8-bit RGB and RGBA converters this processor runs.
RowConverter FastRGBtoBGR24();
RowConverter FastRGBAtoBGRA32();

// One byte per 8-bit index from a 256-entry table, such as a palette's alpha.
// Tables are mostly zero past their first entries (a tRNS chunk is usually
// short), so only the blocks of sixteen up to the last non-zero entry count.
class IndexLookup {
 public:
  IndexLookup() = default;  // all zero
  explicit IndexLookup(const std::uint8_t (&table)[256]);
  void operator()(const std::uint8_t* in, std::uint8_t* out, std::int64_t n) const;
  std::uint8_t operator[](unsigned index) const { return table_[index & 255]; }

 private:
  static constexpr int kMaxShuffledBlocks = 8;
  std::uint8_t table_[256] = {};
  int blocks_ = 16;
  bool shuffled_ = false;
};

}  // namespace vp::png
