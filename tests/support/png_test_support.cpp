#include "png_test_support.h"

#include <zlib.h>

#include <cstring>

#include "png/png_error.h"
#include "png/rgba.h"
#include "png/stream.h"

namespace vp::test {

OurDecode DecodeOurs(const std::vector<std::uint8_t>& bytes, bool restore16) {
  OurDecode out;
  png::MemoryStream stream(bytes.data(), bytes.size());
  png::TPngReadStream reader;
  reader.alphaTarget = &out.alpha;
  reader.restore16Bit = restore16;
  try {
    reader.LoadFromStream(&out.image, stream, 0);
  } catch (const std::exception& e) {
    out.error = e.what();
  }
  out.transColor = reader.transColor;
  out.backgroundColor = reader.backgroundColor;
  out.hasAlpha = reader.hasAlpha;
  out.comment = reader.comment;
  out.significantBits = reader.significantBits;
  if (out.error.empty()) out.rgba = png::ToRgba(out.image, reader.hasAlpha ? &out.alpha : nullptr);
  return out;
}

void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& more) {
  for (std::uint8_t b : more) to.push_back(b);
}

std::vector<std::uint8_t> Chunk(const char* type, const std::vector<std::uint8_t>& data) {
  const std::uint32_t n = static_cast<std::uint32_t>(data.size());
  std::vector<std::uint8_t> c(12 + data.size());
  for (int i = 0; i < 4; ++i) c[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (24 - 8 * i));
  std::memcpy(c.data() + 4, type, 4);
  if (n) std::memcpy(c.data() + 8, data.data(), n);
  const uLong crc = crc32(0, c.data() + 4, static_cast<uInt>(4 + n));
  for (int i = 0; i < 4; ++i) c[8 + n + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return c;
}

std::vector<std::uint8_t> Signature() { return {137, 80, 78, 71, 13, 10, 26, 10}; }

std::vector<std::uint8_t> Ihdr(std::uint32_t w, std::uint32_t h, int depth, int colourType, int interlace) {
  std::vector<std::uint8_t> d;
  for (std::uint32_t v : {w, h})
    for (int s = 24; s >= 0; s -= 8) d.push_back(static_cast<std::uint8_t>(v >> s));
  d.push_back(static_cast<std::uint8_t>(depth));
  d.push_back(static_cast<std::uint8_t>(colourType));
  d.push_back(0);
  d.push_back(0);
  d.push_back(static_cast<std::uint8_t>(interlace));
  return Chunk("IHDR", d);
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> out(size);
  compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  out.resize(size);
  return out;
}

namespace {
template <class Visit>
void EachChunk(const std::vector<std::uint8_t>& png, Visit visit) {
  std::size_t pos = 8;
  while (pos + 12 <= png.size()) {
    std::uint32_t n = (std::uint32_t{png[pos]} << 24) | (png[pos + 1] << 16) | (png[pos + 2] << 8) | png[pos + 3];
    std::string type(reinterpret_cast<const char*>(&png[pos + 4]), 4);
    if (pos + 12 + n > png.size()) break;
    visit(type, n, &png[pos + 8]);
    pos += 12 + n;
  }
}
}  // namespace

std::vector<std::string> ChunkTypes(const std::vector<std::uint8_t>& png) {
  std::vector<std::string> types;
  EachChunk(png, [&](const std::string& t, std::uint32_t, const std::uint8_t*) { types.push_back(t); });
  return types;
}

std::vector<std::uint32_t> ChunkLengths(const std::vector<std::uint8_t>& png, const char* type) {
  std::vector<std::uint32_t> lengths;
  EachChunk(png, [&](const std::string& t, std::uint32_t n, const std::uint8_t*) {
    if (t == type) lengths.push_back(n);
  });
  return lengths;
}

std::vector<std::uint8_t> ChunkData(const std::vector<std::uint8_t>& png, const char* type) {
  std::vector<std::uint8_t> data;
  bool found = false;
  EachChunk(png, [&](const std::string& t, std::uint32_t n, const std::uint8_t* p) {
    if (t != type || (found && t != "IDAT")) return;
    data.insert(data.end(), p, p + n);
    found = true;
  });
  return data;
}

}  // namespace vp::test
