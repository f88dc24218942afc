#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <functional>
#include <string>
#include <vector>

namespace vp::png {

// Colour value: red in bits 0-7, green 8-15, blue 16-23; 0x01000000 + n names palette entry n.
using ColorValue = std::int32_t;
inline constexpr ColorValue kNoColor = -1;
inline constexpr ColorValue PackRgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
inline constexpr int RedOf(ColorValue c) { return c & 0xFF; }
inline constexpr int GreenOf(ColorValue c) { return (c >> 8) & 0xFF; }
inline constexpr int BlueOf(ColorValue c) { return (c >> 16) & 0xFF; }
// A colour value that names palette entry n rather than a colour.
inline constexpr ColorValue kPaletteIndexTag = 0x01000000;
inline constexpr ColorValue PaletteIndex(int n) { return kPaletteIndexTag + n; }
inline constexpr bool IsPaletteIndex(ColorValue c) { return (c & 0xFF000000) == kPaletteIndexTag; }

// Pixel x of a row of 1-, 2-, 4- or 8-bit palette indices, the first pixel in
// the high bits of each byte; and setting it in a row cleared beforehand.
inline unsigned PackedIndex(const std::uint8_t* row, std::int64_t x, int bits) {
  if (bits == 8) return row[x];
  const int perByte = 8 / bits;
  const int shift = 8 - bits * (1 + static_cast<int>(x % perByte));
  return (row[x / perByte] >> shift) & ((1u << bits) - 1);
}
inline void OrPackedIndex(std::uint8_t* row, std::int64_t x, int bits, unsigned index) {
  if (bits == 8) {
    row[x] = static_cast<std::uint8_t>(index);
    return;
  }
  const int perByte = 8 / bits;
  const int shift = 8 - bits * (1 + static_cast<int>(x % perByte));
  row[x / perByte] |= static_cast<std::uint8_t>((index & ((1u << bits) - 1)) << shift);
}

enum class PixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

enum class ProgressStage { psStarting, psRunning, psEnding };

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

class Bitmap;
using NotifyEvent = std::function<void(Bitmap& sender)>;
using ProgressEvent = std::function<void(const Bitmap& sender, ProgressStage stage, int percent,
                                         bool redrawNow, const Rect& r, const std::string& msg)>;

// A device-independent bitmap: rows top-down, each 4-byte aligned. 24-bit pixels
// are blue, green, red; 32-bit blue, green, red, reserved; 15/16-bit are 5-5-5 /
// 5-6-5 words with blue in the low bits; 1/4/8-bit are palette indices, the
// first pixel in the highest bits.
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(const Bitmap& other) { Assign(other); }
  Bitmap& operator=(const Bitmap& other) {
    Assign(other);
    return *this;
  }
  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;

  // Line size for a width at a bit count: ((width * bits + 7) / 8) rounded up to 4.
  static std::size_t LineSize(std::int64_t width, int bits);
  static int BitsOf(PixelFormat f);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  PixelFormat GetPixelFormat() const { return format_; }
  int BitCount() const { return BitsOf(format_); }
  std::size_t Stride() const { return stride_; }

  void SetPixelFormat(PixelFormat f);
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  // Back to an empty bitmap; keeps the event handlers.
  void Clear();
  void Assign(const Bitmap& other);

  std::uint8_t* ScanLine(int y) { return pixels_.get() + static_cast<std::size_t>(y) * stride_; }
  const std::uint8_t* ScanLine(int y) const { return pixels_.get() + static_cast<std::size_t>(y) * stride_; }

  // Palette entries as colour values (up to 256).
  const std::vector<ColorValue>& Palette() const { return palette_; }
  void SetPalette(std::vector<ColorValue> entries);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  ColorValue TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(ColorValue c);

  // The colour of one pixel (palette indices resolved).
  ColorValue Pixel(int x, int y) const;
  // A copy converted to another pixel format (palette formats keep their palette
  // only when converting between them keeps every index).
  Bitmap ConvertedTo(PixelFormat f) const;

  NotifyEvent OnChange;
  ProgressEvent OnProgress;
  void Changed() {
    if (OnChange) OnChange(*this);
  }

 private:
  void Reallocate();

  PixelFormat format_ = PixelFormat::pf24bit;
  int width_ = 0;
  int height_ = 0;
  std::size_t stride_ = 0;
  struct Free {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  // calloc'd: large bitmaps get zero pages from the system without a memset.
  std::unique_ptr<std::uint8_t, Free> pixels_;
  std::size_t bytes_ = 0;
  std::vector<ColorValue> palette_;
  bool transparent_ = false;
  ColorValue transparentColor_ = kNoColor;
};

}  // namespace vp::png
