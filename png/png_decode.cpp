#include "png/png_decode.h"

#include <new>

#include "png/png_read_stream.h"
#include "png/stream.h"

namespace vp::png {
namespace {

DecodedPng Failed(PngErrorCode code, std::string message) {
  DecodedPng out;
  out.error = code;
  out.message = std::move(message);
  return out;
}

}  // namespace

DecodedPng DecodePng(const void* data, std::size_t size, const DecodeLimits& limits) {
  DecodedPng out;
  try {
    MemoryStream stream(data, size);
    TPngReadStream reader;
    reader.maxPixels = limits.maxPixels;
    reader.maxImageBytes = limits.maxImageBytes;
    reader.alphaTarget = &out.alpha;
    reader.LoadFromStream(&out.image, stream, 0);
    // The stream decoder ends quietly where data stops before any row; here
    // that is an error, so an empty bitmap always comes with one.
    if (out.image.Empty()) return Failed(PngErrorCode::ImageDataBroken, PngErrorMessage(PngErrorCode::ImageDataBroken));
    if (!reader.hasAlpha) out.alpha.Clear();
  } catch (const EPngError& e) {
    return Failed(e.code(), e.detail().empty() ? e.what() : std::string(e.what()) + ": " + e.detail());
  } catch (const std::bad_alloc&) {
    // Within the limits, yet the memory is not there: the machine, not the image.
    return Failed(PngErrorCode::OutOfMemory, PngErrorMessage(PngErrorCode::OutOfMemory));
  } catch (const std::exception& e) {  // the stream's own errors: reads past the data
    return Failed(PngErrorCode::ImageDataBroken, e.what());
  }
  return out;
}

DecodedPng DecodePngFile(const std::string& path, const DecodeLimits& limits) {
  MemoryStream file;
  bool loaded = false;
  try {
    loaded = file.LoadFromFile(path);
  } catch (const std::exception&) {
    loaded = false;
  }
  if (!loaded) return Failed(PngErrorCode::Unreadable, std::string(PngErrorMessage(PngErrorCode::Unreadable)) + ": " + path);
  return DecodePng(file.Memory(), static_cast<std::size_t>(file.Size()), limits);
}

}  // namespace vp::png
