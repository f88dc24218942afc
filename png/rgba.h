#pragma once
#include <cstdint>
#include <vector>

#include "png/bitmap.h"

namespace vp::png {

// The picture as 8-bit RGBA rows, as it would be drawn: alpha from the alpha
// bitmap (which holds 255 - alpha) when there is one, else from the image's
// transparent colour (a palette index or a colour), else opaque.
std::vector<std::uint8_t> ToRgba(const Bitmap& image, const Bitmap* alpha);

}  // namespace vp::png
