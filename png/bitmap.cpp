#include "png/bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/large_memory.h"

namespace vp::png {

std::size_t Bitmap::LineSize(std::int64_t width, int bits) {
  std::int64_t bytes = (width * bits + 7) / 8;
  return static_cast<std::size_t>((bytes + 3) & ~std::int64_t{3});
}

int Bitmap::BitsOf(PixelFormat f) {
  switch (f) {
    case PixelFormat::pf1bit: return 1;
    case PixelFormat::pf4bit: return 4;
    case PixelFormat::pf8bit: return 8;
    case PixelFormat::pf15bit:
    case PixelFormat::pfCustom: return 15;
    case PixelFormat::pf16bit: return 16;
    case PixelFormat::pf32bit: return 32;
    default: return 24;
  }
}

void Bitmap::Reallocate() {
  int bits = BitsOf(format_) == 15 ? 16 : BitsOf(format_);
  stride_ = LineSize(width_, bits);
  bytes_ = stride_ * static_cast<std::size_t>(height_);
  pixels_.reset(static_cast<std::uint8_t*>(std::calloc(bytes_ ? bytes_ : 1, 1)));
  if (!pixels_) throw std::bad_alloc();
  PreferHugePages(pixels_.get(), bytes_);
}

void Bitmap::SetPixelFormat(PixelFormat f) {
  if (f == format_) return;
  if (!Empty()) {
    Bitmap converted = ConvertedTo(f);
    pixels_ = std::move(converted.pixels_);
    bytes_ = converted.bytes_;
    stride_ = converted.stride_;
    palette_ = std::move(converted.palette_);
  }
  format_ = f;
  if (Empty()) Reallocate();
  Changed();
}

void Bitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  auto old = std::move(pixels_);
  std::size_t oldStride = stride_;
  int oldHeight = old ? height_ : 0;
  width_ = width;
  height_ = height;
  Reallocate();
  std::size_t keep = std::min(oldStride, stride_);
  for (int y = 0; y < std::min(oldHeight, height_); ++y)
    std::copy_n(old.get() + static_cast<std::size_t>(y) * oldStride, keep, ScanLine(y));
  Changed();
}

void Bitmap::Clear() {
  width_ = height_ = 0;
  stride_ = 0;
  bytes_ = 0;
  pixels_.reset();
  palette_.clear();
  format_ = PixelFormat::pf24bit;
  transparent_ = false;
  transparentColor_ = kNoColor;
  Changed();
}

void Bitmap::Assign(const Bitmap& other) {
  if (&other == this) return;
  format_ = other.format_;
  width_ = other.width_;
  height_ = other.height_;
  stride_ = other.stride_;
  bytes_ = other.bytes_;
  pixels_.reset(static_cast<std::uint8_t*>(std::malloc(bytes_ ? bytes_ : 1)));
  if (!pixels_) throw std::bad_alloc();
  if (bytes_) std::memcpy(pixels_.get(), other.pixels_.get(), bytes_);
  palette_ = other.palette_;
  transparent_ = other.transparent_;
  transparentColor_ = other.transparentColor_;
  Changed();
}

void Bitmap::SetPalette(std::vector<ColorValue> entries) {
  if (entries.size() > 256) entries.resize(256);
  palette_ = std::move(entries);
  Changed();
}

void Bitmap::SetTransparent(bool on) {
  if (transparent_ == on) return;
  transparent_ = on;
  Changed();
}

void Bitmap::SetTransparentColor(ColorValue c) {
  transparentColor_ = c;
  transparent_ = true;
  Changed();
}

ColorValue Bitmap::Pixel(int x, int y) const {
  const std::uint8_t* row = ScanLine(y);
  auto fromPalette = [&](unsigned index) -> ColorValue {
    return index < palette_.size() ? (palette_[index] & 0xFFFFFF) : 0;
  };
  switch (format_) {
    case PixelFormat::pf1bit: return fromPalette(PackedIndex(row, x, 1));
    case PixelFormat::pf4bit: return fromPalette(PackedIndex(row, x, 4));
    case PixelFormat::pf8bit: return fromPalette(row[x]);
    case PixelFormat::pf15bit:
    case PixelFormat::pfCustom: {
      unsigned w = row[2 * x] | (row[2 * x + 1] << 8);
      unsigned r = (w >> 10) & 31, g = (w >> 5) & 31, b = w & 31;
      return PackRgb((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
    }
    case PixelFormat::pf16bit: {
      unsigned w = row[2 * x] | (row[2 * x + 1] << 8);
      unsigned r = (w >> 11) & 31, g = (w >> 5) & 63, b = w & 31;
      return PackRgb((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
    }
    case PixelFormat::pf32bit: return PackRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    default: return PackRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
}

Bitmap Bitmap::ConvertedTo(PixelFormat f) const {
  Bitmap out;
  out.format_ = f;
  out.width_ = width_;
  out.height_ = height_;
  out.transparent_ = transparent_;
  out.transparentColor_ = transparentColor_;
  out.Reallocate();
  const int bits = BitsOf(f);
  if (bits <= 8) {
    // Palette to palette: indices carry over when they fit.
    out.palette_ = palette_;
    if (bits < 8 && out.palette_.size() > (1u << bits)) out.palette_.resize(1u << bits);
  }
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* dst = out.ScanLine(y);
    const std::uint8_t* src = ScanLine(y);
    for (int x = 0; x < width_; ++x) {
      if (bits <= 8) {
        const unsigned index = BitCount() <= 8 ? PackedIndex(src, x, BitCount()) : 0;
        OrPackedIndex(dst, x, bits, index);
        continue;
      }
      ColorValue c = Pixel(x, y);
      unsigned r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
      switch (f) {
        case PixelFormat::pf15bit:
        case PixelFormat::pfCustom: {
          unsigned w = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
          dst[2 * x] = w & 0xFF;
          dst[2 * x + 1] = static_cast<std::uint8_t>(w >> 8);
          break;
        }
        case PixelFormat::pf16bit: {
          unsigned w = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
          dst[2 * x] = w & 0xFF;
          dst[2 * x + 1] = static_cast<std::uint8_t>(w >> 8);
          break;
        }
        case PixelFormat::pf32bit:
          dst[4 * x] = static_cast<std::uint8_t>(b);
          dst[4 * x + 1] = static_cast<std::uint8_t>(g);
          dst[4 * x + 2] = static_cast<std::uint8_t>(r);
          break;
        default:
          dst[3 * x] = static_cast<std::uint8_t>(b);
          dst[3 * x + 1] = static_cast<std::uint8_t>(g);
          dst[3 * x + 2] = static_cast<std::uint8_t>(r);
      }
    }
  }
  return out;
}

}  // namespace vp::png
