#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "libpng_reference.h"
#include "png/png_error.h"
#include "png/png_write_stream.h"
#include "png/rgba.h"
#include "png/stream.h"
#include "png_test_support.h"

namespace vp::png {
namespace {

// A bitmap of the format filled with varied, partly smooth content.
Bitmap MakeBitmap(PixelFormat format, int w, int h, unsigned seed) {
  Bitmap b;
  b.SetPixelFormat(format);
  b.SetSize(w, h);
  std::mt19937 rng(seed);
  const int bits = b.BitCount();
  const std::size_t rowBytes = (static_cast<std::size_t>(w) * (bits == 15 ? 16 : bits) + 7) / 8;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = b.ScanLine(y);
    for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>(i * 3 + y * 5 + (rng() % 8));
  }
  if (bits <= 8) {
    std::vector<ColorValue> palette;
    for (int i = 0; i < (1 << bits); ++i) palette.push_back(PackRgb(rng() % 256, rng() % 256, rng() % 256));
    b.SetPalette(palette);
  }
  return b;
}

Bitmap MakeAlpha(int w, int h) {
  Bitmap a;
  a.SetPixelFormat(PixelFormat::pf8bit);
  a.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) a.ScanLine(y)[x] = static_cast<std::uint8_t>((x * 37 + y * 11) % 256);
  return a;
}

std::vector<std::uint8_t> Encode(TPngWriteStream& writer, const Bitmap& b) {
  MemoryStream out;
  writer.SaveToStream(b, out);
  return out.Bytes();
}

std::vector<std::uint8_t> Encode(const Bitmap& b, TPngFilterType filter = TPngFilterType::gpfJust, int interlace = 0,
                                 const Bitmap* alpha = nullptr, bool grey = false) {
  TPngWriteStream writer;
  writer.filterType = filter;
  writer.interlace = static_cast<std::uint8_t>(interlace);
  writer.alphaBitmap = alpha;
  writer.grayscale = grey;
  return Encode(writer, b);
}

void ExpectRgbaEqual(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, const std::string& what) {
  ASSERT_EQ(a.size(), b.size()) << what;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) FAIL() << what << ": byte " << i << " expected " << int(a[i]) << " got " << int(b[i]);
}

TEST(PngEncoder, EveryFormatFilterAndInterlaceDecodesToTheSamePixels) {
  const PixelFormat formats[] = {PixelFormat::pf1bit,  PixelFormat::pf4bit,  PixelFormat::pf8bit, PixelFormat::pf15bit,
                                 PixelFormat::pf16bit, PixelFormat::pf24bit, PixelFormat::pf32bit};
  const TPngFilterType filters[] = {TPngFilterType::gpfJust, TPngFilterType::gpfNone, TPngFilterType::gpfSub,
                                    TPngFilterType::gpfUp,   TPngFilterType::gpfAvg,  TPngFilterType::gpfPaeth};
  unsigned seed = 1;
  for (PixelFormat f : formats)
    for (TPngFilterType filter : filters)
      for (int interlace : {0, 1})
        for (auto [w, h] : {std::pair{1, 1}, {5, 3}, {37, 21}}) {
          Bitmap b = MakeBitmap(f, w, h, seed++);
          auto bytes = Encode(b, filter, interlace);
          std::string what = "bits " + std::to_string(b.BitCount()) + " filter " + std::to_string(int(filter)) +
                             " interlace " + std::to_string(interlace) + " " + std::to_string(w) + "x" +
                             std::to_string(h);
          auto expected = ToRgba(b, nullptr);
          auto ref = test::LibpngDecode(bytes);
          ASSERT_TRUE(ref.ok) << what << ": " << ref.error;
          ExpectRgbaEqual(expected, ref.rgba, what + " (libpng)");
          auto ours = test::DecodeOurs(bytes);
          ASSERT_EQ(ours.error, "") << what;
          ExpectRgbaEqual(expected, ours.rgba, what + " (ours)");
        }
}

TEST(PngEncoder, AlphaBitmapIsWrittenAsRealAlpha) {
  for (PixelFormat f : {PixelFormat::pf24bit, PixelFormat::pf32bit, PixelFormat::pf16bit}) {
    for (int interlace : {0, 1}) {
      Bitmap b = MakeBitmap(f, 23, 9, 3);
      Bitmap a = MakeAlpha(23, 9);
      auto bytes = Encode(b, TPngFilterType::gpfJust, interlace, &a);
      EXPECT_EQ(test::ChunkData(bytes, "IHDR")[9], 6);
      ExpectRgbaEqual(ToRgba(b, &a), test::LibpngDecode(bytes).rgba, "alpha");
      auto ours = test::DecodeOurs(bytes);
      EXPECT_TRUE(ours.hasAlpha);
      ExpectRgbaEqual(ToRgba(b, &a), ours.rgba, "alpha (ours)");
    }
  }
}

TEST(PngEncoder, UnusableAlphaBitmapsAreIgnored) {
  Bitmap b = MakeBitmap(PixelFormat::pf24bit, 8, 8, 1);
  Bitmap wrongSize = MakeAlpha(8, 7);
  Bitmap wrongBits = MakeBitmap(PixelFormat::pf24bit, 8, 8, 2);
  EXPECT_EQ(test::ChunkData(Encode(b, TPngFilterType::gpfNone, 0, &wrongSize), "IHDR")[9], 2);
  EXPECT_EQ(test::ChunkData(Encode(b, TPngFilterType::gpfNone, 0, &wrongBits), "IHDR")[9], 2);
  EXPECT_EQ(test::ChunkData(Encode(b, TPngFilterType::gpfNone, 0, &b), "IHDR")[9], 2);
}

TEST(PngEncoder, ChunkOrderAndFixedChunks) {
  Bitmap b = MakeBitmap(PixelFormat::pf24bit, 4, 4, 1);
  TPngWriteStream writer;
  writer.comment = "hello";
  writer.gamma = 0.45455;
  writer.significantBits = 0x080808;
  writer.backgroundColor = PackRgb(1, 2, 3);
  writer.transColor = PackRgb(4, 5, 6);
  writer.physUnit = TPngUnitSpecifier::gpuInch;
  writer.physX = writer.physY = 72;
  TPNGChromaticities chrm{31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
  writer.chrmRecord = &chrm;
  TPNGGIFExtension gif{1, 0, {0, 10}};
  writer.gifRecord = &gif;
  auto bytes = Encode(writer, b);
  EXPECT_EQ(test::ChunkTypes(bytes), (std::vector<std::string>{"IHDR", "tIME", "tEXt", "tEXt", "tpNg", "gIFg", "gAMA",
                                                               "cHRM", "sBIT", "bKGD", "tRNS", "pHYs", "IDAT", "IEND"}));
  auto ihdr = test::ChunkData(bytes, "IHDR");
  EXPECT_EQ(ihdr[8], 8);
  EXPECT_EQ(ihdr[9], 2);
  EXPECT_EQ(test::ChunkData(bytes, "gAMA"), (std::vector<std::uint8_t>{0, 0, 0xB1, 0x8F}));  // 45455
  auto phys = test::ChunkData(bytes, "pHYs");
  EXPECT_EQ(phys, (std::vector<std::uint8_t>{0, 0, 0x0B, 0x12, 0, 0, 0x0B, 0x12, 1}));  // 2834 per metre
  EXPECT_EQ(test::ChunkData(bytes, "tpNg"), (std::vector<std::uint8_t>{'V', 'P', 'C', '3', 0, 0, 0, 0}));
  std::string software = "Software";
  software.push_back('\0');
  software += "VPPNG ver 1.0";
  bool found = false;
  for (std::size_t pos = 0; pos + software.size() <= bytes.size(); ++pos)
    if (std::equal(software.begin(), software.end(), bytes.begin() + static_cast<long>(pos))) found = true;
  EXPECT_TRUE(found);
  // libpng accepts the whole stream, with every chunk's CRC checked.
  EXPECT_TRUE(test::LibpngDecode(bytes, true).ok);
  std::vector<std::uint8_t> damaged = bytes;
  damaged[8 + 8 + 13] ^= 0x01;  // the IHDR's CRC
  EXPECT_FALSE(test::LibpngDecode(damaged, true).ok);
}

TEST(PngEncoder, FixedIdatSize) {
  Bitmap b = MakeBitmap(PixelFormat::pf24bit, 100, 100, 9);
  TPngWriteStream writer;
  writer.SetIDATSize(256);
  writer.compressionLevel = 0;
  auto lengths = test::ChunkLengths(Encode(writer, b), "IDAT");
  ASSERT_GT(lengths.size(), 2u);
  for (std::size_t i = 0; i + 1 < lengths.size(); ++i) EXPECT_EQ(lengths[i], 256u);
  EXPECT_LE(lengths.back(), 256u);
  EXPECT_THROW(writer.SetIDATSize(255), EPngError);
  EXPECT_THROW(writer.SetIDATSize(100001), EPngError);
  EXPECT_NO_THROW(writer.SetIDATSize(100000));
  try {
    writer.SetIDATSize(0);
  } catch (const EPngError& e) {
    EXPECT_STREQ(e.what(), "Write PNG Param: Err IDAT Size(min:256  max:100000)");
  }
}

TEST(PngEncoder, SixteenBitRestoresThroughSignificantBits) {
  Bitmap b = MakeBitmap(PixelFormat::pf16bit, 9, 4, 5);
  auto bytes = Encode(b);
  EXPECT_EQ(test::ChunkData(bytes, "sBIT"), (std::vector<std::uint8_t>{5, 6, 5}));
  auto restored = test::DecodeOurs(bytes, true);
  EXPECT_EQ(restored.image.BitCount(), 16);
  for (int y = 0; y < 4; ++y)
    EXPECT_EQ(std::vector<std::uint8_t>(restored.image.ScanLine(y), restored.image.ScanLine(y) + 18),
              std::vector<std::uint8_t>(b.ScanLine(y), b.ScanLine(y) + 18));
  EXPECT_EQ(test::DecodeOurs(bytes, false).image.BitCount(), 24);
  EXPECT_EQ(test::ChunkData(Encode(MakeBitmap(PixelFormat::pf15bit, 2, 2, 1)), "sBIT"),
            (std::vector<std::uint8_t>{5, 5, 5}));
}

TEST(PngEncoder, GreyOutput) {
  // 1-bit white/black palette: bits come out inverted so that 0 is black.
  Bitmap mono;
  mono.SetPixelFormat(PixelFormat::pf1bit);
  mono.SetSize(8, 1);
  mono.SetPalette({PackRgb(255, 255, 255), PackRgb(0, 0, 0)});
  mono.ScanLine(0)[0] = 0xF0;
  auto bytes = Encode(mono, TPngFilterType::gpfNone, 0, nullptr, true);
  EXPECT_EQ(test::ChunkData(bytes, "IHDR")[9], 0);
  auto ref = test::LibpngDecode(bytes);
  EXPECT_EQ(ref.rgba[0], 0);    // first pixel: palette entry 1, black
  EXPECT_EQ(ref.rgba[16], 255);  // fifth pixel: entry 0, white
  // 24-bit colour as grey levels.
  Bitmap colour = MakeBitmap(PixelFormat::pf24bit, 6, 2, 3);
  auto grey = test::LibpngDecode(Encode(colour, TPngFilterType::gpfJust, 1, nullptr, true));
  for (int x = 0; x < 6; ++x) {
    ColorValue c = colour.Pixel(x, 1);
    EXPECT_EQ(grey.rgba[(6 + x) * 4], (RedOf(c) * 77 + GreenOf(c) * 150 + BlueOf(c) * 29) >> 8);
  }
  // A palette with an alpha bitmap as grey plus alpha, restored as a palette.
  Bitmap pal = MakeBitmap(PixelFormat::pf8bit, 7, 3, 4);
  Bitmap alpha = MakeAlpha(7, 3);
  TPngWriteStream writer;
  writer.paletteAsGrey = true;
  writer.alphaBitmap = &alpha;
  auto pg = Encode(writer, pal);
  EXPECT_EQ(test::ChunkData(pg, "IHDR")[9], 4);
  EXPECT_EQ(test::ChunkData(pg, "tpNg")[5], 1);
  MemoryStream in(pg.data(), pg.size());
  Bitmap image, a;
  TPngReadStream reader;
  reader.restorePaletteFromGrey = true;
  reader.alphaTarget = &a;
  reader.LoadFromStream(&image, in, 0);
  EXPECT_EQ(image.BitCount(), 8);
  EXPECT_EQ(image.Palette(), pal.Palette());
  ExpectRgbaEqual(ToRgba(pal, &alpha), ToRgba(image, &a), "palette as grey");
}

TEST(PngEncoder, PaletteTransparencyAndBackground) {
  Bitmap pal = MakeBitmap(PixelFormat::pf4bit, 4, 4, 8);
  TPngWriteStream writer;
  writer.transColor = PaletteIndex(3);
  writer.backgroundColor = pal.Palette()[5];  // found by nearest colour
  auto bytes = Encode(writer, pal);
  EXPECT_EQ(test::ChunkData(bytes, "tRNS"), (std::vector<std::uint8_t>{255, 255, 255, 0}));
  EXPECT_EQ(test::ChunkData(bytes, "bKGD"), (std::vector<std::uint8_t>{5}));
  auto d = test::DecodeOurs(bytes);
  EXPECT_EQ(d.transColor, PaletteIndex(3));
  EXPECT_EQ(d.backgroundColor, PaletteIndex(5));
  // Without palette entries there is no tRNS.
  Bitmap bare;
  bare.SetPixelFormat(PixelFormat::pf8bit);
  bare.SetSize(2, 2);
  TPngWriteStream w2;
  w2.transColor = PaletteIndex(0);
  EXPECT_TRUE(test::ChunkData(Encode(w2, bare), "tRNS").empty());
}

TEST(PngEncoder, EncodeHookSeesEveryRowAndTheDecoderUndoesIt) {
  // The large image spans several of the decoder's inflate strips, and its rows
  // are filtered against the rows above as they were stored, ciphered.
  for (auto [w, h, filter] : {std::tuple{10, 6, TPngFilterType::gpfJust}, std::tuple{700, 200, TPngFilterType::gpfPaeth}}) {
    Bitmap b = MakeBitmap(PixelFormat::pf24bit, w, h, 2);
    TPngWriteStream writer;
    writer.password = "secret";
    writer.filterType = filter;
    std::vector<std::int64_t> lines;
    writer.onEncode = [&](void*, std::uint8_t* row, std::int64_t n, std::int64_t line, const std::string& pw) {
      EXPECT_EQ(pw, "secret");
      lines.push_back(line);
      for (std::int64_t i = 0; i < n; ++i) row[i] ^= 0x5A;
    };
    auto bytes = Encode(writer, b);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) EXPECT_EQ(lines[y], y);
    EXPECT_EQ(test::ChunkData(bytes, "tpNg")[4], 1);
    MemoryStream in(bytes.data(), bytes.size());
    Bitmap image;
    TPngReadStream reader;
    reader.onPassword = [](void*, std::string& pw) { pw = "secret"; };
    std::vector<std::int64_t> decoded;
    reader.onDecode = [&](void*, std::uint8_t* row, std::int64_t n, std::int64_t line, const std::string&) {
      decoded.push_back(line);
      for (std::int64_t i = 0; i < n; ++i) row[i] ^= 0x5A;
    };
    reader.LoadFromStream(&image, in, 0);
    EXPECT_EQ(decoded, lines);
    ExpectRgbaEqual(ToRgba(b, nullptr), ToRgba(image, nullptr), "deciphered " + std::to_string(w));
  }
}

TEST(PngEncoder, AdaptiveFilterKeepsOutputCompact) {
  // Smooth gradient: adaptive filtering must beat no filtering clearly.
  Bitmap b;
  b.SetPixelFormat(PixelFormat::pf24bit);
  b.SetSize(256, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 256; ++x) {
      std::uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x);
      p[1] = static_cast<std::uint8_t>(x + y);
      p[2] = static_cast<std::uint8_t>(y * 4);
    }
  auto just = Encode(b, TPngFilterType::gpfJust);
  auto none = Encode(b, TPngFilterType::gpfNone);
  EXPECT_LT(just.size() * 2, none.size());
}

}  // namespace
}  // namespace vp::png
