#include "libpng_reference.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace vp::test {
namespace {

struct Reader {
  const std::vector<std::uint8_t>* data;
  std::size_t pos = 0;
};

void ReadFn(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (r->pos + n > r->data->size()) png_error(png, "read past end");
  std::memcpy(out, r->data->data() + r->pos, n);
  r->pos += n;
}

void WriteFn(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

void FlushFn(png_structp) {}

void ErrorFn(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  *error = message;
  png_longjmp(png, 1);
}

void WarningFn(png_structp, png_const_charp) {}

}  // namespace

RefImage LibpngDecode(const std::vector<std::uint8_t>& data, bool checkCrcs) {
  RefImage image;
  Reader reader{&data};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &image.error, ErrorFn, WarningFn);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    image.ok = false;
    return image;
  }
  if (checkCrcs) png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
  else png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_set_read_fn(png, &reader, ReadFn);
  png_read_info(png, info);
  png_set_strip_16(png);
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_set_tRNS_to_alpha(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  image.width = static_cast<int>(png_get_image_width(png, info));
  image.height = static_cast<int>(png_get_image_height(png, info));
  image.rgba.assign(static_cast<std::size_t>(image.width) * image.height * 4, 0);
  for (int y = 0; y < image.height; ++y) rows.push_back(image.rgba.data() + static_cast<std::size_t>(y) * image.width * 4);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  image.ok = true;
  return image;
}

std::vector<std::uint8_t> LibpngEncode(const RefSource& s) {
  std::vector<std::uint8_t> out;
  std::string error;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, ErrorFn, WarningFn);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, WriteFn, FlushFn);
  png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.bitDepth, s.colourType,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (std::size_t i = 0; i + 2 < s.palette.size(); i += 3) palette.push_back({s.palette[i], s.palette[i + 1], s.palette[i + 2]});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  png_color_16 trans{};
  if (!s.trnsAlpha.empty()) {
    png_set_tRNS(png, info, s.trnsAlpha.data(), static_cast<int>(s.trnsAlpha.size()), nullptr);
  } else if (s.trnsGrey >= 0) {
    trans.gray = static_cast<png_uint_16>(s.trnsGrey);
    png_set_tRNS(png, info, nullptr, 0, &trans);
  } else if (s.trnsR >= 0) {
    trans.red = static_cast<png_uint_16>(s.trnsR);
    trans.green = static_cast<png_uint_16>(s.trnsG);
    trans.blue = static_cast<png_uint_16>(s.trnsB);
    png_set_tRNS(png, info, nullptr, 0, &trans);
  }
  if (s.bkgdIndex >= 0) {
    png_color_16 bkgd{};
    bkgd.index = static_cast<png_byte>(s.bkgdIndex);
    png_set_bKGD(png, info, &bkgd);
  }
  png_write_info(png, info);
  const std::size_t rowBytes = (static_cast<std::size_t>(s.width) * s.bitDepth * png_get_channels(png, info) + 7) / 8;
  std::vector<png_bytep> rows;
  for (int y = 0; y < s.height; ++y) rows.push_back(const_cast<png_bytep>(s.samples.data() + y * rowBytes));
  if (s.everyFilter) {
    const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};
    const int passes = png_set_interlace_handling(png);
    int n = 0;
    for (int pass = 0; pass < passes; ++pass)
      for (int y = 0; y < s.height; ++y) {
        // The first row may take any filter, so libpng keeps the row above for all of them.
        png_set_filter(png, 0, n == 0 ? PNG_ALL_FILTERS : filters[n % 5]);
        ++n;
        png_write_row(png, rows[y]);
      }
  } else {
    png_write_image(png, rows.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

RefSource RandomSource(int width, int height, int colourType, int bitDepth, bool interlace, unsigned seed) {
  RefSource s;
  s.width = width;
  s.height = height;
  s.colourType = colourType;
  s.bitDepth = bitDepth;
  s.interlace = interlace;
  const int channels = colourType == 0 || colourType == 3 ? 1 : colourType == 4 ? 2 : colourType == 2 ? 3 : 4;
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitDepth * channels + 7) / 8;
  std::mt19937 rng(seed);
  s.samples.resize(rowBytes * height);
  // Smooth gradients with noise, so the filters and zlib see realistic rows.
  for (int y = 0; y < height; ++y)
    for (std::size_t i = 0; i < rowBytes; ++i)
      s.samples[y * rowBytes + i] = static_cast<std::uint8_t>((i * 7 + y * 3) + (rng() % 16));
  if (colourType == 3) {
    const int entries = 1 << bitDepth;
    for (int i = 0; i < entries; ++i) {
      s.palette.push_back(static_cast<std::uint8_t>(rng()));
      s.palette.push_back(static_cast<std::uint8_t>(rng()));
      s.palette.push_back(static_cast<std::uint8_t>(rng()));
    }
  }
  return s;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vp::test
