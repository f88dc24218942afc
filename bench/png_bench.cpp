// Decodes and encodes a generated corpus with our codec and with libpng in one
// run, and prints the times side by side; decodes a corpus of real images
// (bench/fetch-real-corpus.sh) the same way.
// Usage: png_bench [repeats] | png_bench --real DIR [repeats] | png_bench --write-corpus DIR
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <random>
#include <string>
#include <vector>

#include "png/png_read_stream.h"
#include "png/png_write_stream.h"
#include "png/stream.h"

using namespace vp::png;

namespace {

struct Source {
  std::string name;
  int width, height, colourType, bitDepth;
  bool interlace;
  std::vector<std::uint8_t> samples;  // PNG sample layout
  std::vector<png_color> palette;
  std::vector<std::uint8_t> trns;
};

// Photo-like content: smooth light, soft shapes and sensor noise.
double Scene(double x, double y, int channel, std::mt19937& rng) {
  double v = 120 + 80 * std::sin(x * 0.004 + channel) * std::cos(y * 0.003 - channel * 0.5);
  double dx = x - 600, dy = y - 450;
  if (dx * dx + dy * dy < 250 * 250) v = v * 0.6 + 90 + channel * 30;
  v += 25 * std::sin((x + y) * 0.02 + channel * 2);
  return v + std::normal_distribution<double>(0, 3)(rng);
}

std::uint8_t Clamp(double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); }

Source MakeRgb(const std::string& name, int w, int h, bool interlace) {
  Source s{name, w, h, 2, 8, interlace, {}, {}, {}};
  std::mt19937 rng(1);
  s.samples.resize(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) s.samples[(static_cast<std::size_t>(y) * w + x) * 3 + c] = Clamp(Scene(x, y, c, rng));
  return s;
}

Source MakeRgba(int w, int h) {
  Source s{"RGBA soft alpha", w, h, 6, 8, false, {}, {}, {}};
  std::mt19937 rng(2);
  s.samples.resize(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &s.samples[(static_cast<std::size_t>(y) * w + x) * 4];
      for (int c = 0; c < 3; ++c) p[c] = Clamp(Scene(x, y, c, rng));
      double d = std::hypot(x - w / 2.0, y - h / 2.0) / (w / 2.0);
      p[3] = Clamp(255 * (1.2 - d));
    }
  return s;
}

// A 64 x 64 application icon: a shaded disc with a soft edge on transparency.
Source MakeIcon() {
  const int w = 64, h = 64;
  Source s{"RGBA 64x64 icon", w, h, 6, 8, false, {}, {}, {}};
  s.samples.resize(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &s.samples[(static_cast<std::size_t>(y) * w + x) * 4];
      const double d = std::hypot(x + 0.5 - 32, y + 0.5 - 32);
      const double light = std::hypot(x - 22.0, y - 20.0) / 45;
      p[0] = Clamp(250 - 60 * light);
      p[1] = Clamp(150 - 90 * light + (std::fabs(x - 32.0) < 4 ? 80 : 0));
      p[2] = Clamp(180 - 80 * light);
      p[3] = Clamp(255 * (30.5 - d));  // anti-aliased rim
    }
  return s;
}

// Flat user-interface art: large single-colour panels, rounded buttons and
// strokes with anti-aliased edges, on transparency.
Source MakeFlatArt(int w, int h) {
  Source s{"RGBA flat UI art", w, h, 6, 8, false, {}, {}, {}};
  s.samples.assign(static_cast<std::size_t>(w) * h * 4, 0);
  auto blend = [&](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b, double cover) {
    if (x < 0 || y < 0 || x >= w || y >= h || cover <= 0) return;
    std::uint8_t* p = &s.samples[(static_cast<std::size_t>(y) * w + x) * 4];
    cover = std::min(cover, 1.0);
    const double a0 = p[3] / 255.0, a = cover + a0 * (1 - cover);
    for (int c = 0; c < 3; ++c) {
      const double src = c == 0 ? r : c == 1 ? g : b;
      p[c] = Clamp(a > 0 ? (src * cover + p[c] * a0 * (1 - cover)) / a : 0);
    }
    p[3] = Clamp(255 * a);
  };
  auto roundRect = [&](int x0, int y0, int x1, int y1, double radius, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    for (int y = y0 - 1; y <= y1 + 1; ++y)
      for (int x = x0 - 1; x <= x1 + 1; ++x) {
        const double cx = std::clamp<double>(x, x0 + radius, x1 - radius), cy = std::clamp<double>(y, y0 + radius, y1 - radius);
        blend(x, y, r, g, b, radius + 0.5 - std::hypot(x - cx, y - cy));
      }
  };
  roundRect(0, 0, w - 1, h - 1, 12, 236, 238, 242);            // window
  roundRect(0, 0, w - 1, 56, 12, 52, 98, 180);                  // title bar
  roundRect(24, 80, w / 3, h - 24, 8, 255, 255, 255);           // side panel
  for (int i = 0; i < 8; ++i) roundRect(w / 3 + 40, 90 + 80 * i, w - 40, 150 + 80 * i, 10, 200 + 5 * i, 220, 250);
  for (int i = 0; i < 12; ++i) {  // strokes like text
    for (int t = 0; t < 400; ++t) {
      const double x = 48 + t * 0.9, y = 120 + 40 * i + 6 * std::sin(t * 0.3 + i);
      blend(static_cast<int>(x), static_cast<int>(y), 40, 40, 60, 1.0 - std::fabs(y - std::floor(y) - 0.5));
    }
  }
  return s;
}

Source MakePalette(int w, int h) {
  Source s{"palette 8-bit + tRNS", w, h, 3, 8, false, {}, {}, {}};
  for (int i = 0; i < 256; ++i)
    s.palette.push_back({static_cast<png_byte>(i), static_cast<png_byte>((i * 7) & 255), static_cast<png_byte>(255 - i)});
  for (int i = 0; i < 64; ++i) s.trns.push_back(static_cast<std::uint8_t>(i * 4));
  std::mt19937 rng(3);
  s.samples.resize(static_cast<std::size_t>(w) * h);
  // Posterised, illustration-like regions.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      s.samples[static_cast<std::size_t>(y) * w + x] =
          static_cast<std::uint8_t>((static_cast<int>(Scene(x, y, 0, rng)) / 8) * 8 + ((x / 40 + y / 40) % 4));
  return s;
}

Source MakeGrey16(int w, int h) {
  Source s{"grey 16-bit", w, h, 0, 16, false, {}, {}, {}};
  std::mt19937 rng(4);
  s.samples.resize(static_cast<std::size_t>(w) * h * 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int v = static_cast<int>(std::clamp(Scene(x, y, 1, rng) * 256, 0.0, 65535.0));
      s.samples[(static_cast<std::size_t>(y) * w + x) * 2] = static_cast<std::uint8_t>(v >> 8);
      s.samples[(static_cast<std::size_t>(y) * w + x) * 2 + 1] = static_cast<std::uint8_t>(v);
    }
  return s;
}

void WriteFn(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void FlushFn(png_structp) {}

struct MemReader {
  const std::vector<std::uint8_t>* data;
  std::size_t pos;
};
void ReadFn(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<MemReader*>(png_get_io_ptr(png));
  std::memcpy(out, r->data->data() + r->pos, n);
  r->pos += n;
}

std::vector<std::uint8_t> LibpngEncode(const Source& s) {
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, WriteFn, FlushFn);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trns.empty()) png_set_tRNS(png, info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
  png_write_info(png, info);
  std::size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_bytep> rows;
  for (int y = 0; y < s.height; ++y) rows.push_back(const_cast<png_bytep>(&s.samples[y * rowBytes]));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// libpng producing what our decoder produces: blue-green-red rows, palette
// indices, 16-bit samples as their high byte, into a new image each time.
void LibpngDecode(const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& pixels) {
  MemReader reader{&bytes, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_read_fn(png, &reader, ReadFn);
  png_read_info(png, info);
  png_set_strip_16(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  std::size_t rowBytes = png_get_rowbytes(png, info);
  int h = static_cast<int>(png_get_image_height(png, info));
  pixels = std::vector<std::uint8_t>(rowBytes * h);
  std::vector<png_bytep> rows;
  for (int y = 0; y < h; ++y) rows.push_back(&pixels[y * rowBytes]);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
}

std::vector<std::uint8_t> ImageData(const std::vector<std::uint8_t>& png) {
  std::vector<std::uint8_t> idat;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t n = (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) idat.insert(idat.end(), png.begin() + at + 8, png.begin() + at + 8 + n);
    at += 12 + n;
  }
  return idat;
}

// What a libpng user does to get the alpha plane our decoder gives for a
// palette with an alpha table: look every index up, into a new plane.
void AlphaPlane(const Source& s, const std::vector<std::uint8_t>& indices, std::vector<std::uint8_t>& plane) {
  std::uint8_t table[256];
  for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(255 - (i < static_cast<int>(s.trns.size()) ? s.trns[i] : 255));
  plane = std::vector<std::uint8_t>(indices.size());
  for (std::size_t i = 0; i < indices.size(); ++i) plane[i] = table[indices[i]];
}

// The floor of any decoder on zlib: the image data inflated in one call into a
// buffer of the right size, nothing else. zlib checks the Adler-32 unless told
// not to; our decoder does not (it skips the chunk CRCs too), so both floors.
void InflateWhole(const std::vector<std::uint8_t>& idat, std::vector<std::uint8_t>& out, bool checksum) {
  z_stream z{};
  inflateInit(&z);
  if (!checksum) inflateValidate(&z, 0);
  z.next_in = const_cast<Bytef*>(idat.data());
  z.avail_in = static_cast<uInt>(idat.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  inflate(&z, Z_FINISH);
  inflateEnd(&z);
}

void OurDecode(const std::vector<std::uint8_t>& bytes, Bitmap& image, Bitmap& alpha) {
  MemoryStream stream(bytes.data(), bytes.size());
  TPngReadStream reader;
  reader.alphaTarget = &alpha;
  reader.LoadFromStream(&image, stream, 0);
}

std::vector<std::uint8_t> OurEncode(const Bitmap& image, const Bitmap* alpha, bool interlace) {
  MemoryStream out;
  TPngWriteStream writer;
  writer.filterType = TPngFilterType::gpfJust;
  writer.interlace = interlace ? 1 : 0;
  writer.alphaBitmap = alpha;
  writer.SaveToStream(image, out);
  return out.Bytes();
}

// Median milliseconds of one call; small images run many calls per sample.
double Millis(int repeats, const std::function<void()>& work, int calls = 1) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    for (int c = 0; c < calls; ++c) work();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / calls);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::uint32_t BigEndian(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

struct Header {
  int width = 0, height = 0, bitDepth = 0, colourType = 0, interlace = 0, idatChunks = 0;
};

Header ReadHeader(const std::vector<std::uint8_t>& png) {
  Header h;
  if (png.size() < 33) return h;
  h.width = static_cast<int>(BigEndian(&png[16]));
  h.height = static_cast<int>(BigEndian(&png[20]));
  h.bitDepth = png[24];
  h.colourType = png[25];
  h.interlace = png[28];
  for (std::size_t at = 8; at + 12 <= png.size(); at += 12 + BigEndian(&png[at]))
    if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) ++h.idatChunks;
  return h;
}

// How many rows use each filter (none, Sub, Up, Average, Paeth), in per cent.
std::string FilterMix(const Header& h, const std::vector<std::uint8_t>& raw) {
  if (h.interlace) return "Adam7";
  static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
  const std::size_t stride = (static_cast<std::size_t>(h.width) * kChannels[h.colourType % 7] * h.bitDepth + 7) / 8 + 1;
  int count[5] = {};
  for (int y = 0; y < h.height && (y + 1) * stride <= raw.size(); ++y)
    if (raw[y * stride] < 5) ++count[raw[y * stride]];
  char text[64];
  std::snprintf(text, sizeof text, "%3d %3d %3d %3d %3d", count[0] * 100 / h.height, count[1] * 100 / h.height,
                count[2] * 100 / h.height, count[3] * 100 / h.height, count[4] * 100 / h.height);
  return text;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The real corpus: decode only, every image of MANIFEST.tsv.
int BenchRealCorpus(const std::string& dir, int repeats) {
  std::ifstream manifest(dir + "/MANIFEST.tsv");
  if (!manifest) {
    std::fprintf(stderr, "no %s/MANIFEST.tsv: run bench/fetch-real-corpus.sh %s first\n", dir.c_str(), dir.c_str());
    return 1;
  }
  std::printf("PNG decode on real images, ours vs libpng %s (median of %d runs; ratio < 1 means ours is faster)\n\n",
              PNG_LIBPNG_VER_STRING, repeats);
  std::printf("%-28s %11s %5s | %-19s | %9s %9s %6s | %6s %6s\n", "class", "size", "IDATs", "rows: - S U A P %",
              "dec ours", "dec lib", "/lib", "/floor", "/nosum");
  std::string line;
  std::getline(manifest, line);  // the column names
  double worstLib = 0, worstFloor = 0;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string file, cls;
    std::getline(fields, file, '\t');
    std::getline(fields, cls, '\t');
    const std::vector<std::uint8_t> bytes = ReadFile(dir + "/" + file);
    const Header h = ReadHeader(bytes);
    if (h.width == 0) {
      std::printf("%-28s unreadable: %s\n", cls.c_str(), file.c_str());
      continue;
    }
    const std::vector<std::uint8_t> idat = ImageData(bytes);
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(h.height) * ((static_cast<std::size_t>(h.width) * 8 * h.bitDepth + 7) / 8 + 1) * (h.interlace ? 2 : 1));
    z_stream z{};
    inflateInit(&z);
    z.next_in = const_cast<Bytef*>(idat.data());
    z.avail_in = static_cast<uInt>(idat.size());
    z.next_out = raw.data();
    z.avail_out = static_cast<uInt>(raw.size());
    inflate(&z, Z_FINISH);
    raw.resize(z.total_out);
    inflateEnd(&z);
    Bitmap image, alpha;
    std::vector<std::uint8_t> pixels;
    const int calls = std::max(1, 2000000 / (h.width * h.height));
    const double ours = Millis(repeats, [&] { OurDecode(bytes, image, alpha); }, calls);
    const double lib = Millis(repeats, [&] { LibpngDecode(bytes, pixels); }, calls);
    const double floor = Millis(repeats, [&] { InflateWhole(idat, raw, true); }, calls);
    const double bare = Millis(repeats, [&] { InflateWhole(idat, raw, false); }, calls);
    char size[32];
    std::snprintf(size, sizeof size, "%dx%d", h.width, h.height);
    std::printf("%-28s %11s %5d | %-19s | %9.3f %9.3f %6.2f | %6.2f %6.2f\n", cls.c_str(), size, h.idatChunks,
                FilterMix(h, raw).c_str(), ours, lib, ours / lib, ours / floor, ours / bare);
    worstLib = std::max(worstLib, ours / lib);
    worstFloor = std::max(worstFloor, ours / floor);
  }
  std::printf("\nWorst: %.2f x libpng, %.2f x the floor. Columns: milliseconds per image; \"/floor\" is ours to one\n"
              "whole-buffer inflate of the image data with its Adler-32 checked, \"/nosum\" to the same without it.\n",
              worstLib, worstFloor);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--real")
    return BenchRealCorpus(argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : 5);
  std::string corpusDir;
  if (argc > 2 && std::string(argv[1]) == "--write-corpus") corpusDir = argv[2];
  const int repeats = corpusDir.empty() && argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<Source> corpus = {MakeRgb("RGB photo-like", 1600, 1200, false), MakeRgba(1200, 1000),
                                MakeFlatArt(1280, 800), MakeIcon(),
                                MakePalette(1500, 1000), MakeGrey16(1024, 1024),
                                MakeRgb("RGB Adam7", 1200, 900, true)};
  if (corpusDir.empty()) std::printf("PNG codec, ours vs libpng %s (median of %d runs; ratio < 1 means ours is faster or smaller)\n\n",
              PNG_LIBPNG_VER_STRING, repeats);
  if (corpusDir.empty()) std::printf("%-22s %6s | %9s %9s %6s | %8s %6s %8s %6s | %9s %9s %6s | %9s %9s %6s\n", "image", "MPix",
              "dec ours", "dec lib", "ratio", "inflate", "ratio", "no-sum", "ratio", "enc ours", "enc lib", "ratio",
              "size ours", "size lib", "ratio");
  if (!corpusDir.empty()) {
    for (const Source& s : corpus) {
      std::vector<std::uint8_t> file = LibpngEncode(s);
      std::string path = corpusDir + "/" + s.name + ".png";
      for (char& c : path) if (c == ' ') c = '_';
      FileStream out(path, FileStream::Mode::Create);
      out.WriteBuffer(file.data(), file.size());
      std::printf("%s\n", path.c_str());
    }
    return 0;
  }
  std::vector<std::string> likeForLike;
  for (const Source& s : corpus) {
    std::vector<std::uint8_t> file = LibpngEncode(s);
    Bitmap image, alpha;
    std::vector<std::uint8_t> pixels;
    const int calls = std::max(1, 2000000 / (s.width * s.height));
    const std::vector<std::uint8_t> idat = ImageData(file);
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(s.height) * (s.samples.size() / s.height + 1) + 1024);
    double decOurs = Millis(repeats, [&] { OurDecode(file, image, alpha); }, calls);
    double decLib = Millis(repeats, [&] { LibpngDecode(file, pixels); }, calls);
    double inflateMs = Millis(repeats, [&] { InflateWhole(idat, raw, true); }, calls);
    double bareInflateMs = Millis(repeats, [&] { InflateWhole(idat, raw, false); }, calls);
    const Bitmap* a = alpha.Empty() ? nullptr : &alpha;
    std::vector<std::uint8_t> ours;
    double encOurs = Millis(repeats, [&] { ours = OurEncode(image, a, s.interlace); }, calls);
    double encLib = Millis(repeats, [&] { file = LibpngEncode(s); }, calls);
    std::printf("%-22s %6.2f | %9.3f %9.3f %6.2f | %8.3f %6.2f %8.3f %6.2f | %9.2f %9.2f %6.2f | %9zu %9zu %6.3f\n",
                s.name.c_str(), s.width * s.height / 1e6, decOurs, decLib, decOurs / decLib, inflateMs,
                decOurs / inflateMs, bareInflateMs, decOurs / bareInflateMs, encOurs, encLib, encOurs / encLib,
                ours.size(), file.size(), static_cast<double>(ours.size()) / file.size());
    if (s.colourType == 3 && !s.trns.empty()) {
      std::vector<std::uint8_t> plane;
      const double withPlane = Millis(repeats, [&] { LibpngDecode(file, pixels); AlphaPlane(s, pixels, plane); }, calls);
      char line[200];
      std::snprintf(line, sizeof line, "%s: libpng with the alpha plane %.3f ms, ours to it %.2f", s.name.c_str(),
                    withPlane, decOurs / withPlane);
      likeForLike.push_back(line);
    }
  }
  std::printf("\nColumns: milliseconds per image; \"inflate\" is one whole-buffer inflate of the image data (the floor\n"
              "of any decoder on zlib, Adler-32 checked as zlib and libpng do by default), \"no-sum\" the same without\n"
              "the Adler-32, which our decoder skips like the chunk CRCs; their ratios are ours to them.\n");
  std::printf("Notes: the 16-bit grey image is re-encoded by us at 8 bits (our bitmaps hold 8-bit grey), so its\n"
              "size and encode ratios compare different outputs. For the palette image with an alpha table our\n"
              "decoder also builds the 8-bit alpha bitmap, which libpng (giving indices only) does not; like for like:\n");
  for (const std::string& line : likeForLike) std::printf("  %s\n", line.c_str());
  return 0;
}
