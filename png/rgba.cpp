#include "png/rgba.h"

namespace vp::png {

std::vector<std::uint8_t> ToRgba(const Bitmap& image, const Bitmap* alpha) {
  const int w = image.Width(), h = image.Height();
  std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h * 4);
  const bool useAlpha = alpha && !alpha->Empty() && alpha->Width() == w && alpha->Height() == h &&
                        alpha->BitCount() == 8;
  const ColorValue key = image.Transparent() ? image.TransparentColor() : kNoColor;
  const bool keyIsIndex = key != kNoColor && IsPaletteIndex(key) && image.BitCount() <= 8;
  const int bits = image.BitCount();
  std::uint8_t* o = out.data();
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < w; ++x, o += 4) {
      ColorValue c = image.Pixel(x, y);
      o[0] = static_cast<std::uint8_t>(RedOf(c));
      o[1] = static_cast<std::uint8_t>(GreenOf(c));
      o[2] = static_cast<std::uint8_t>(BlueOf(c));
      std::uint8_t a = 255;
      if (useAlpha) {
        a = static_cast<std::uint8_t>(255 - alpha->ScanLine(y)[x]);
      } else if (keyIsIndex) {
        if (static_cast<int>(PackedIndex(row, x, bits)) == (key & 0xFF)) a = 0;
      } else if (key != kNoColor && (key & 0xFF000000) == 0 && c == key) {
        a = 0;
      }
      o[3] = a;
    }
  }
  return out;
}

}  // namespace vp::png
