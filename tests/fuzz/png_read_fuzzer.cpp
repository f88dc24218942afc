// libFuzzer target: any bytes through the PNG decoder, with and without an
// alpha target, from memory and through the buffered path, and through the
// simple decode function.
#include <cstdint>
#include <exception>

#include "png/png_decode.h"
#include "png/png_read_stream.h"
#include "png/stream.h"

namespace {
// A non-memory stream, so the 64 KB buffer path is exercised too.
class SlowStream : public vp::png::Stream {
 public:
  SlowStream(const std::uint8_t* d, std::size_t n) : inner_(d, n) {}
  std::size_t Read(void* b, std::size_t n) override { return inner_.Read(b, n); }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Position() const override { return inner_.Position(); }
  void SetPosition(std::int64_t p) override { inner_.SetPosition(p); }
  std::int64_t Size() const override { return inner_.Size(); }

 private:
  vp::png::MemoryStream inner_;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (int variant = 0; variant < 2; ++variant) {
    vp::png::Bitmap image, alpha;
    vp::png::TPngReadStream reader;
    reader.maxImageBytes = 64u << 20;
    reader.alphaTarget = variant ? &alpha : nullptr;
    reader.restore16Bit = variant;
    reader.restorePaletteFromGrey = variant;
    try {
      if (variant) {
        SlowStream stream(data, size);
        reader.LoadFromStream(&image, stream, 0);
      } else {
        vp::png::MemoryStream stream(data, size);
        reader.LoadFromStream(&image, stream, 0);
      }
    } catch (const std::exception&) {
    }
  }
  // Never throws; an empty bitmap always comes with an error.
  const vp::png::DecodedPng decoded = vp::png::DecodePng(data, size, {1u << 24, 64u << 20});
  if (decoded.ok() == decoded.image.Empty()) __builtin_trap();
  return 0;
}
