#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "png/bitmap.h"
#include "png/png_error.h"

namespace vp::png {

// What a caller allows one image to take; larger ones are refused after the
// header, before anything is allocated.
struct DecodeLimits {
  std::uint64_t maxPixels = std::uint64_t{1} << 28;
  std::uint64_t maxImageBytes = std::uint64_t{1} << 30;  // the bitmap and the alpha plane
};

// A decoded image: the bitmap in the format the decoder chose for it (see
// Bitmap::SetPixelFormat to change it), and, when the image carries alpha,
// an 8-bit plane holding 255 - alpha per pixel (0 = opaque). A single
// transparent colour is the bitmap's own transparent colour instead.
struct DecodedPng {
  std::optional<PngErrorCode> error;  // empty when the image decoded
  std::string message;                // the codec's text for the error, and what zlib said
  Bitmap image;
  Bitmap alpha;  // empty without alpha
  bool ok() const { return !error; }
};

// For callers that need no progress, stops, cipher hook or ancillary chunks.
// Never throws for bad input: a damaged image is an error code, with both
// bitmaps empty.
DecodedPng DecodePng(const void* data, std::size_t size, const DecodeLimits& limits = {});
DecodedPng DecodePngFile(const std::string& path, const DecodeLimits& limits = {});

}  // namespace vp::png
