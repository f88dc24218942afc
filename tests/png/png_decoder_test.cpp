#include <dirent.h>
#include <sys/resource.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "libpng_reference.h"
#include "png/png_decode.h"
#include "png/png_error.h"
#include "png/rgba.h"
#include "png/stream.h"
#include "png_test_support.h"

namespace vp::png {
namespace {

using test::Append;
using test::Chunk;
using test::DecodeOurs;
using test::Ihdr;
using test::Signature;

// Pixels equal to libpng's; alpha compared except where our 8-bit transparent
// colour cannot tell 16-bit samples apart.
void ExpectSameAsLibpng(const std::vector<std::uint8_t>& bytes, const std::string& what, bool compareAlpha = true) {
  auto ref = test::LibpngDecode(bytes);
  ASSERT_TRUE(ref.ok) << what << ": " << ref.error;
  auto ours = DecodeOurs(bytes);
  ASSERT_EQ(ours.error, "") << what;
  ASSERT_EQ(ours.image.Width(), ref.width) << what;
  ASSERT_EQ(ours.image.Height(), ref.height) << what;
  ASSERT_EQ(ours.rgba.size(), ref.rgba.size());
  for (std::size_t i = 0; i < ref.rgba.size(); ++i) {
    if (!compareAlpha && i % 4 == 3) continue;
    if (ours.rgba[i] != ref.rgba[i]) {
      std::size_t px = i / 4;
      FAIL() << what << ": pixel (" << px % ref.width << ", " << px / ref.width << ") channel " << i % 4 << ": ours "
             << int(ours.rgba[i]) << ", libpng " << int(ref.rgba[i]);
    }
  }
}

TEST(PngDecoder, MatchesLibpngForEveryFormatSizeAndInterlace) {
  const std::pair<int, int> formats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8},  {2, 16}, {3, 1},
                                         {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {7, 5}, {33, 17}, {64, 9}};
  unsigned seed = 1;
  for (auto [type, depth] : formats)
    for (auto [w, h] : sizes)
      for (bool interlace : {false, true}) {
        auto source = test::RandomSource(w, h, type, depth, interlace, seed++);
        std::string what = "type " + std::to_string(type) + " depth " + std::to_string(depth) + " " +
                           std::to_string(w) + "x" + std::to_string(h) + (interlace ? " Adam7" : "");
        ExpectSameAsLibpng(test::LibpngEncode(source), what);
      }
}

// Images larger than one inflate call's strip, every filter type in turn, so
// each filter meets a strip boundary with the row above in the previous strip.
TEST(PngDecoder, LargeImagesMatchLibpngAcrossStripBoundaries) {
  const std::pair<int, int> formats[] = {{0, 8}, {0, 16}, {2, 8}, {2, 16}, {4, 8}, {6, 8}, {6, 16}, {3, 8}, {3, 4}};
  unsigned seed = 500;
  for (auto [type, depth] : formats)
    for (bool interlace : {false, true}) {
      auto source = test::RandomSource(613, 1000, type, depth, interlace, seed++);
      source.everyFilter = true;
      const std::string what = "large type " + std::to_string(type) + " depth " + std::to_string(depth) +
                               (interlace ? " Adam7" : "");
      ExpectSameAsLibpng(test::LibpngEncode(source), what);
    }
  // Palette alpha tables short and long (looked up sixteen entries at a time, or one by one).
  for (std::size_t entries : {std::size_t{20}, std::size_t{230}}) {
    auto source = test::RandomSource(1000, 300, 3, 8, false, seed++);
    for (std::size_t i = 0; i < entries; ++i) source.trnsAlpha.push_back(static_cast<std::uint8_t>(i * 37));
    ExpectSameAsLibpng(test::LibpngEncode(source), "palette alpha table of " + std::to_string(entries));
  }
}

TEST(PngDecoder, CutImageDataKeepsTheRowsThatArrived) {
  const int w = 800, h = 400;
  const std::size_t rowLength = w * 3 + 1;
  auto source = test::RandomSource(w, h, 2, 8, false, 77);
  source.everyFilter = true;
  const auto full = test::LibpngEncode(source);
  const auto whole = DecodeOurs(full);
  ASSERT_EQ(whole.error, "");
  // Keep the first half of the image data, then end the file.
  const auto idat = test::ChunkData(full, "IDAT");
  const std::vector<std::uint8_t> half(idat.begin(), idat.begin() + idat.size() / 2);
  auto cut = Signature();
  Append(cut, Ihdr(w, h, 8, 2));
  Append(cut, Chunk("IDAT", half));
  Append(cut, Chunk("IEND", {}));
  // The rows that half holds whole.
  std::vector<std::uint8_t> raw(rowLength * h);
  z_stream z{};
  inflateInit(&z);
  z.next_in = const_cast<Bytef*>(half.data());
  z.avail_in = static_cast<uInt>(half.size());
  z.next_out = raw.data();
  z.avail_out = static_cast<uInt>(raw.size());
  inflate(&z, Z_SYNC_FLUSH);
  const std::size_t arrived = z.total_out / rowLength;
  inflateEnd(&z);
  ASSERT_GT(arrived, 10u);
  ASSERT_LT(arrived, static_cast<std::size_t>(h));

  const auto partial = DecodeOurs(cut);
  EXPECT_EQ(partial.error, "Read Image (PNG): Read Error");
  const auto rgba = ToRgba(partial.image, nullptr);  // the partly built bitmap
  ASSERT_EQ(rgba.size(), whole.rgba.size());
  const std::size_t line = w * 4;
  EXPECT_TRUE(std::equal(whole.rgba.begin(), whole.rgba.begin() + arrived * line, rgba.begin()));
  // What never arrived stays black: no row is made up or half written.
  EXPECT_TRUE(std::all_of(rgba.begin() + arrived * line, rgba.end(), [](std::uint8_t v) { return v == 0 || v == 255; }));
}

TEST(PngDecoder, MatchesLibpngWithTransparencyVariants) {
  unsigned seed = 100;
  for (bool interlace : {false, true}) {
    // Palette: one fully transparent entry, then a real alpha table.
    auto single = test::RandomSource(19, 11, 3, 4, interlace, seed++);
    single.trnsAlpha.assign(16, 255);
    single.trnsAlpha[5] = 0;
    single.bkgdIndex = 3;
    ExpectSameAsLibpng(test::LibpngEncode(single), "palette single transparent");
    auto table = test::RandomSource(19, 11, 3, 8, interlace, seed++);
    table.trnsAlpha = {0, 30, 255, 128, 77};
    ExpectSameAsLibpng(test::LibpngEncode(table), "palette alpha table");
    for (int depth : {1, 2, 4, 8}) {
      auto grey = test::RandomSource(13, 7, 0, depth, interlace, seed++);
      grey.trnsGrey = (1 << depth) - 1 > 1 ? 1 : 0;
      ExpectSameAsLibpng(test::LibpngEncode(grey), "grey tRNS depth " + std::to_string(depth));
    }
    auto rgb = test::RandomSource(13, 7, 2, 8, interlace, seed++);
    rgb.trnsR = rgb.samples[0];
    rgb.trnsG = rgb.samples[1];
    rgb.trnsB = rgb.samples[2];
    ExpectSameAsLibpng(test::LibpngEncode(rgb), "rgb tRNS");
  }
}

TEST(PngDecoder, PaletteTransparencyBecomesKeyOrAlphaBitmap) {
  auto single = test::RandomSource(8, 8, 3, 8, false, 7);
  single.trnsAlpha.assign(256, 255);
  single.trnsAlpha[200] = 0;
  auto a = DecodeOurs(test::LibpngEncode(single));
  EXPECT_EQ(a.transColor, PaletteIndex(200));
  EXPECT_TRUE(a.image.Transparent());
  EXPECT_FALSE(a.hasAlpha);
  EXPECT_TRUE(a.alpha.Empty());

  single.trnsAlpha[201] = 0;  // two transparent entries: needs an alpha bitmap
  auto b = DecodeOurs(test::LibpngEncode(single));
  EXPECT_EQ(b.transColor, kNoColor);
  EXPECT_TRUE(b.hasAlpha);
  EXPECT_EQ(b.alpha.BitCount(), 8);
}

TEST(PngDecoder, FormatsChosenForTheBitmap) {
  auto grey2 = DecodeOurs(test::LibpngEncode(test::RandomSource(5, 3, 0, 2, false, 1)));
  EXPECT_EQ(grey2.image.BitCount(), 4);
  EXPECT_EQ(grey2.image.Palette(), (std::vector<ColorValue>{PackRgb(0, 0, 0), PackRgb(85, 85, 85), PackRgb(170, 170, 170), PackRgb(255, 255, 255)}));
  EXPECT_EQ(DecodeOurs(test::LibpngEncode(test::RandomSource(5, 3, 2, 16, false, 1))).image.BitCount(), 24);
  auto rgba = DecodeOurs(test::LibpngEncode(test::RandomSource(5, 3, 6, 8, false, 1)));
  EXPECT_EQ(rgba.image.BitCount(), 24);
  EXPECT_TRUE(rgba.hasAlpha);
  auto source = test::RandomSource(5, 3, 6, 8, false, 1);
  EXPECT_EQ(rgba.alpha.ScanLine(0)[1], 255 - source.samples[7]);  // 255 - alpha
}

TEST(PngDecoder, PngSuiteDecodesLikeLibpng) {
  DIR* dir = opendir(test::kPngSuite.c_str());
  ASSERT_NE(dir, nullptr) << test::kPngSuite;
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name.size() > 4 && name.substr(name.size() - 4) == ".png") names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  ASSERT_GT(names.size(), 150u);
  const std::vector<std::string> acceptedCorrupt = {"xcsn0g01.png", "xhdn0g08.png", "xdtn0g01.png"};
  int compared = 0;
  for (const auto& name : names) {
    auto bytes = test::ReadBytes(test::kPngSuite + "/" + name);
    bool corrupt = name[0] == 'x';
    bool accepted = std::find(acceptedCorrupt.begin(), acceptedCorrupt.end(), name) != acceptedCorrupt.end();
    auto ours = DecodeOurs(bytes);
    if (corrupt && !accepted) {
      EXPECT_NE(ours.error, "") << name << " must be rejected";
      continue;
    }
    EXPECT_EQ(ours.error, "") << name;
    if (corrupt) continue;
    // 16-bit files with a transparent colour: our colour key holds only the high bytes.
    bool sixteenWithKey = (name.find("16") != std::string::npos) && name[0] == 't';
    ExpectSameAsLibpng(bytes, name, !sixteenWithKey);
    ++compared;
  }
  EXPECT_GT(compared, 140);
}

TEST(PngDecoder, CorruptFilesGiveTheirMessages) {
  auto message = [](const std::string& name) {
    return DecodeOurs(test::ReadBytes(test::kPngSuite + "/" + name)).error;
  };
  EXPECT_EQ(message("xs1n0g01.png"), "PNG LoadStream: Not PNG Format");
  EXPECT_EQ(message("xc1n0g08.png"), "Read Header(PNG): Error ColorType");
  EXPECT_EQ(message("xc9n2c08.png"), "Read Header(PNG): Error ColorType");
  EXPECT_EQ(message("xd0n2c08.png"), "Read Header(PNG): Error BitDepth");
  EXPECT_EQ(message("xd3n2c08.png"), "Read Header(PNG): Error BitDepth");

  auto build = [](std::vector<std::uint8_t> ihdr) {
    auto png = Signature();
    Append(png, ihdr);
    Append(png, Chunk("IEND", {}));
    return DecodeOurs(png).error;
  };
  auto withHeaderByte = [](int index, int value) {
    auto ihdr = Ihdr(4, 4, 8, 0);
    ihdr[8 + index] = static_cast<std::uint8_t>(value);
    return Chunk("IHDR", std::vector<std::uint8_t>(ihdr.begin() + 8, ihdr.end() - 4));
  };
  EXPECT_EQ(build(withHeaderByte(10, 2)), "Read Header(PNG): not support Compression");
  EXPECT_EQ(build(withHeaderByte(11, 2)), "Read Header(PNG): not supprt Filter");
  EXPECT_EQ(build(withHeaderByte(12, 2)), "Read Header(PNG): not interlace type");
  auto two = Signature();
  Append(two, Ihdr(1, 1, 8, 0));
  Append(two, Ihdr(1, 1, 8, 0));
  EXPECT_EQ(DecodeOurs(two).error, "Read Header(PNG): appear two IHDR");

  auto grey = [](int depth, int type) {
    auto png = Signature();
    Append(png, Ihdr(1, 1, depth, type));
    Append(png, Chunk("IDAT", test::Deflate({0, 0, 0, 0, 0})));
    return DecodeOurs(png).error;
  };
  EXPECT_EQ(grey(3, 0), "Read Header(PNG): Error Bitdepth");
  EXPECT_EQ(grey(4, 4), "Read Header(PNG): not Use AlphaChannel");
  EXPECT_EQ(grey(16, 3), "Read Header(PNG): Error BitDepth");
}

std::vector<std::uint8_t> GreyImage(int w, int h, const std::vector<std::uint8_t>& idat) {
  auto png = Signature();
  Append(png, Ihdr(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), 8, 0));
  Append(png, Chunk("IDAT", idat));
  Append(png, Chunk("IEND", {}));
  return png;
}

TEST(PngDecoder, BrokenImageDataIsAReadError) {
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < 4; ++y) Append(raw, {0, 1, 2, 3, 4});
  auto z = test::Deflate(raw);
  // IDAT run interrupted by another chunk.
  auto png = Signature();
  Append(png, Ihdr(4, 4, 8, 0));
  Append(png, Chunk("IDAT", std::vector<std::uint8_t>(z.begin(), z.begin() + 5)));
  Append(png, Chunk("tEXt", {'a', 0, 'b'}));
  Append(png, Chunk("IDAT", std::vector<std::uint8_t>(z.begin() + 5, z.end())));
  EXPECT_EQ(DecodeOurs(png).error, "Read Image (PNG): Read Error");
  // The run split over several IDATs (one of them empty) is fine.
  auto split = Signature();
  Append(split, Ihdr(4, 4, 8, 0));
  Append(split, Chunk("IDAT", std::vector<std::uint8_t>(z.begin(), z.begin() + 5)));
  Append(split, Chunk("IDAT", {}));
  Append(split, Chunk("IDAT", std::vector<std::uint8_t>(z.begin() + 5, z.end())));
  Append(split, Chunk("IEND", {}));
  EXPECT_EQ(DecodeOurs(split).error, "");
  // Compressed data that ends before the last row.
  raw.resize(raw.size() - 5);
  EXPECT_EQ(DecodeOurs(GreyImage(4, 4, test::Deflate(raw))).error, "Read Image (PNG): Read Error");
  // A bad filter type.
  EXPECT_EQ(DecodeOurs(GreyImage(1, 1, test::Deflate({7, 9}))).error, "Read Image (PNG): Read Error");
  // Data cut inside the image data.
  auto full = GreyImage(4, 4, test::Deflate(std::vector<std::uint8_t>(20, 0)));
  full.resize(8 + 25 + 10);
  EXPECT_EQ(DecodeOurs(full).error, "Read Image (PNG): Read Error");
}

TEST(PngDecoder, TheZlibChecksumIsNotVerifiedLikeTheChunkCrcs) {
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < 6; ++y) Append(raw, {0, static_cast<std::uint8_t>(y), 40, 80, 120});
  auto z = test::Deflate(raw);
  auto bad = z;
  bad[bad.size() - 1] ^= 0x55;  // the Adler-32 at the end of the zlib stream
  const auto good = DecodeOurs(GreyImage(4, 6, z));
  const auto damaged = DecodeOurs(GreyImage(4, 6, bad));
  ASSERT_EQ(good.error, "");
  EXPECT_EQ(damaged.error, "");
  EXPECT_EQ(damaged.rgba, good.rgba);
}

TEST(PngDecoder, AbsurdSizesAreRefusedBeforeAllocating) {
  EXPECT_EQ(DecodeOurs(GreyImage(0x7FFFFFFF, 0x7FFFFFFF, test::Deflate({0, 0}))).error,
            "Read Header(PNG): Error ImageSize");
  EXPECT_EQ(DecodeOurs(GreyImage(0, 5, test::Deflate({0, 0}))).error, "Read Header(PNG): Error ImageSize");
  EXPECT_EQ(DecodeOurs(GreyImage(-1, 1, test::Deflate({0, 0}))).error, "Read Header(PNG): Error ImageSize");
  // 20000 x 20000 grey needs 400 MB; 30 bytes of data cannot hold it.
  EXPECT_EQ(DecodeOurs(GreyImage(20000, 20000, test::Deflate({0, 0}))).error, "Read Image (PNG): Read Error");
}

TEST(PngDecoder, QuietEndsAndAcceptedOddities) {
  // Only signature and header: ends quietly, bitmap untouched.
  auto png = Signature();
  Append(png, Ihdr(3, 3, 8, 2));
  Bitmap image;
  image.SetSize(2, 2);
  MemoryStream stream(png.data(), png.size());
  TPngReadStream reader;
  EXPECT_NO_THROW(reader.LoadFromStream(&image, stream, 0));
  EXPECT_EQ(image.Width(), 2);
  // Wrong CRC accepted.
  auto good = GreyImage(1, 1, test::Deflate({0, 200}));
  good[8 + 25 + 8 + 10] ^= 0xFF;  // inside the IDAT's CRC
  EXPECT_EQ(DecodeOurs(good).error, "");
  // Palette tRNS of length 0 changes nothing.
  auto pal = Signature();
  Append(pal, Ihdr(1, 1, 8, 3));
  Append(pal, Chunk("PLTE", {10, 20, 30}));
  Append(pal, Chunk("tRNS", {}));
  Append(pal, Chunk("IDAT", test::Deflate({0, 0})));
  Append(pal, Chunk("IEND", {}));
  auto d = DecodeOurs(pal);
  EXPECT_EQ(d.error, "");
  EXPECT_EQ(d.transColor, kNoColor);
  EXPECT_EQ(d.image.Pixel(0, 0), PackRgb(10, 20, 30));
}

TEST(PngDecoder, CommentsJoinAndOtherKeywordsAreIgnored) {
  auto png = Signature();
  Append(png, Ihdr(1, 1, 8, 0));
  Append(png, Chunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'a'}));
  Append(png, Chunk("tEXt", {'c', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'}));
  Append(png, Chunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0}));
  Append(png, Chunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'b'}));
  Append(png, Chunk("IDAT", test::Deflate({0, 0})));
  Append(png, Chunk("IEND", {}));
  EXPECT_EQ(DecodeOurs(png).comment, "a\r\n\r\nb\r\n");
}

TEST(PngDecoder, MacBinaryHeaderIsSkipped) {
  auto png = GreyImage(1, 1, test::Deflate({0, 77}));
  std::vector<std::uint8_t> wrapped(128, 0);
  wrapped[1] = 5;
  Append(wrapped, png);
  auto d = DecodeOurs(wrapped);
  EXPECT_EQ(d.error, "");
  EXPECT_EQ(d.image.Pixel(0, 0), PackRgb(77, 77, 77));
}

TEST(PngDecoder, AnAdam7PixelComesFromPassOneAlone) {
  auto png = Signature();
  Append(png, Ihdr(1, 1, 8, 2, 1));
  Append(png, Chunk("IDAT", test::Deflate({0, 1, 2, 3})));
  Append(png, Chunk("IEND", {}));
  auto d = DecodeOurs(png);
  EXPECT_EQ(d.error, "");
  EXPECT_EQ(d.image.Pixel(0, 0), PackRgb(1, 2, 3));
}

TEST(PngDecoder, StopsAtTheEndOfAFileStreamAcrossBufferBoundaries) {
  // A file larger than the 64 KB buffer with chunks straddling its boundary.
  auto source = test::RandomSource(300, 300, 2, 8, false, 42);
  auto bytes = test::LibpngEncode(source);
  auto path = std::string(::testing::TempDir()) + "/big.png";
  {
    FileStream out(path, FileStream::Mode::Create);
    out.WriteBuffer(bytes.data(), bytes.size());
  }
  ASSERT_GT(bytes.size(), 65536u * 2);
  FileStream in(path, FileStream::Mode::Read);
  Bitmap image;
  TPngReadStream reader;
  reader.LoadFromStream(&image, in, 0);
  EXPECT_EQ(in.Position(), static_cast<std::int64_t>(bytes.size()));
  auto ref = test::LibpngDecode(bytes);
  EXPECT_EQ(image.Pixel(299, 299), PackRgb(ref.rgba.end()[-4], ref.rgba.end()[-3], ref.rgba.end()[-2]));
}

}  // namespace
}  // namespace vp::png

namespace vp::png {
namespace {

using test::Append;
using test::Chunk;

// The decoder after loading bytes, and the code of its error, if any.
struct Loaded {
  TPngReadStream reader;
  TPNGTime time;
  std::optional<PngErrorCode> code;
  int zlibCode = 0;
};
std::unique_ptr<Loaded> Load(const std::vector<std::uint8_t>& bytes) {
  auto loaded = std::make_unique<Loaded>();
  MemoryStream stream(bytes.data(), bytes.size());
  Bitmap image;
  loaded->reader.timeTarget = &loaded->time;
  try {
    loaded->reader.LoadFromStream(&image, stream, 0);
  } catch (const EPngError& e) {
    loaded->code = e.code();
    loaded->zlibCode = e.zlibCode();
  }
  return loaded;
}

std::vector<std::uint8_t> GreyWith(const std::vector<std::vector<std::uint8_t>>& before, const std::vector<std::uint8_t>& idat) {
  auto png = test::Signature();
  Append(png, test::Ihdr(4, 1, 8, 0));
  for (const auto& chunk : before) Append(png, chunk);
  Append(png, Chunk("IDAT", idat));
  Append(png, Chunk("IEND", {}));
  return png;
}

TEST(PngDecoderCodes, EachCauseHasItsCodeAndZlibsOwn) {
  const auto good = test::Deflate({0, 1, 2, 3, 4});
  EXPECT_FALSE(Load(GreyWith({}, good))->code);
  EXPECT_EQ(Load(GreyWith({}, test::Deflate({9, 1, 2, 3, 4})))->code, PngErrorCode::RowFilter);
  auto damaged = good;
  damaged[2] ^= 0xFF;  // the deflate data itself
  auto loaded = Load(GreyWith({}, damaged));
  EXPECT_EQ(loaded->code, PngErrorCode::RowData);
  EXPECT_LT(loaded->zlibCode, 0);  // zlib's own error code is kept
  auto cut = GreyWith({}, good);
  cut.resize(cut.size() - 22);  // inside the image data
  EXPECT_EQ(Load(cut)->code, PngErrorCode::ImageDataBroken);
  // A critical chunk of the wrong length is an error.
  auto shortHeader = test::Signature();
  auto ihdr = test::Ihdr(4, 1, 8, 0);
  Append(shortHeader, Chunk("IHDR", std::vector<std::uint8_t>(ihdr.begin() + 8, ihdr.end() - 5)));
  EXPECT_EQ(Load(shortHeader)->code, PngErrorCode::BadCriticalChunk);
  EXPECT_STREQ(PngErrorMessage(PngErrorCode::RowFilter), "Read Image (PNG): Read Error");
}

// An indexed image whose palette is missing or empty is refused, as libpng
// refuses it, instead of decoding every index to black.
TEST(PngDecoderCodes, AnIndexedImageNeedsItsPalette) {
  auto indexed = [](const std::vector<std::vector<std::uint8_t>>& before) {
    auto png = test::Signature();
    Append(png, test::Ihdr(4, 1, 8, 3));
    for (const auto& chunk : before) Append(png, chunk);
    Append(png, Chunk("IDAT", test::Deflate({0, 0, 1, 0, 1})));
    Append(png, Chunk("IEND", {}));
    return png;
  };
  for (const auto& png : {indexed({}), indexed({Chunk("PLTE", {})}), indexed({Chunk("tEXt", {'a', 0, 'b'})})}) {
    EXPECT_EQ(Load(png)->code, PngErrorCode::MissingPalette);
    EXPECT_FALSE(test::LibpngDecode(png).ok);
  }
  EXPECT_STREQ(PngErrorMessage(PngErrorCode::MissingPalette), "Read Image (PNG): Missing PLTE");
  const auto good = indexed({Chunk("PLTE", {10, 20, 30, 200, 100, 50})});
  EXPECT_FALSE(Load(good)->code);
  ExpectSameAsLibpng(good, "indexed with its palette");
}

TEST(PngDecoderCodes, AncillaryChunksOfTheWrongLengthOrRepeatedAreSkipped) {
  const auto idat = test::Deflate({0, 1, 2, 3, 4});
  // A short gAMA or tIME is not read as zeros; a second gAMA does not replace the first.
  auto loaded = Load(GreyWith({Chunk("gAMA", {0, 1, 134}), Chunk("tIME", {7, 234, 12, 8, 9, 30})}, idat));
  EXPECT_FALSE(loaded->code);
  EXPECT_EQ(loaded->reader.gamma, 0);
  EXPECT_EQ(loaded->time.year, 0);
  loaded = Load(GreyWith({Chunk("gAMA", {0, 0, 0xB1, 0x8F}), Chunk("gAMA", {0, 1, 0x86, 0xA0})}, idat));
  EXPECT_DOUBLE_EQ(loaded->reader.gamma, 0.45455);
  // A grey tRNS holds one 16-bit sample; three are no grey transparency.
  loaded = Load(GreyWith({Chunk("tRNS", {0, 5, 0, 5, 0, 5})}, idat));
  EXPECT_FALSE(loaded->code);
  EXPECT_EQ(loaded->reader.transColor, kNoColor);
  loaded = Load(GreyWith({Chunk("tRNS", {0, 5})}, idat));
  EXPECT_EQ(loaded->reader.transColor, PackRgb(5, 5, 5));
}

}  // namespace
}  // namespace vp::png

namespace vp::png {
namespace {

bool SameBitmap(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitCount() != b.BitCount()) return false;
  const std::size_t bytes = (static_cast<std::size_t>(a.Width()) * a.BitCount() + 7) / 8;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0) return false;
  return true;
}

// The simple decode gives what the stream decoder gives, and every failure as
// a code with both bitmaps empty, never an exception.
TEST(PngDecode, GivesTheStreamDecodersPixelsAndEveryFailureAsACode) {
  for (int colourType : {0, 2, 3, 6}) {
    const auto bytes = test::LibpngEncode(test::RandomSource(23, 9, colourType, 8, colourType == 6, 5));
    const DecodedPng simple = DecodePng(bytes.data(), bytes.size());
    const auto stream = DecodeOurs(bytes);
    ASSERT_TRUE(simple.ok()) << simple.message;
    EXPECT_TRUE(SameBitmap(simple.image, stream.image)) << colourType;
    EXPECT_EQ(simple.alpha.Empty(), colourType != 6);
    if (colourType == 6) {
      EXPECT_TRUE(SameBitmap(simple.alpha, stream.alpha));
    }
  }
  const auto good = test::LibpngEncode(test::RandomSource(64, 32, 2, 8, false, 6));
  auto failsWith = [](const DecodedPng& d, PngErrorCode code) {
    EXPECT_EQ(d.error, code) << d.message;
    EXPECT_TRUE(d.image.Empty());
    EXPECT_TRUE(d.alpha.Empty());
    EXPECT_FALSE(d.message.empty());
  };
  failsWith(DecodePng("GIF89a", 6), PngErrorCode::NotPng);
  failsWith(DecodePng(good.data(), 40), PngErrorCode::ImageDataBroken);  // cut before any row
  failsWith(DecodePng(good.data(), good.size(), {64 * 32 - 1, 1 << 20}), PngErrorCode::BadImageSize);
  failsWith(DecodePng(good.data(), good.size(), {1 << 20, 64 * 32}), PngErrorCode::BadImageSize);
  EXPECT_TRUE(DecodePng(good.data(), good.size(), {64 * 32, 64 * 32 * 3}).ok());
  failsWith(DecodePngFile("/nonexistent/picture.png"), PngErrorCode::Unreadable);
  failsWith(DecodePngFile("/"), PngErrorCode::Unreadable);
}

// A valid header within the limits on a machine without the memory for it is
// no bad image size: the caller can tell the player the truth.
TEST(PngDecode, NoMemoryIsNotABadImage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator does not fail under an address-space limit";
#else
  std::string png = "\x89PNG\r\n\x1a\n";
  auto chunk = [&png](const char* type, const std::string& data) {
    std::string body = std::string(type, 4) + data;
    const std::uint32_t n = static_cast<std::uint32_t>(data.size());
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size()));
    for (std::uint32_t v : {n}) png += std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    png += body;
    png += std::string{char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
  };
  // 6000 x 6000 RGBA: 144 MB for the bitmap and its alpha, within the default limits.
  chunk("IHDR", std::string("\0\0\x17\x70\0\0\x17\x70\x08\x06\0\0\0", 13));
  // Every row, all zero: with memory enough it decodes.
  std::string rows(6000 * (1 + 4 * 6000), '\0');
  std::string packed(compressBound(rows.size()), '\0');
  uLongf packedSize = packed.size();
  ASSERT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
                     rows.size()),
            Z_OK);
  chunk("IDAT", packed.substr(0, packedSize));
  chunk("IEND", "");
  rows = std::string();
  EXPECT_TRUE(DecodePng(png.data(), png.size()).ok());
  // In a child under an address-space limit just above what it uses now.
  auto decodeWithoutMemory = [&png] {
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    rlimit r{};
    r.rlim_cur = r.rlim_max = static_cast<rlim_t>(pages) * 4096 + (64u << 20);
    setrlimit(RLIMIT_AS, &r);
    const DecodedPng d = DecodePng(png.data(), png.size());
    std::exit(d.error == PngErrorCode::OutOfMemory && d.message == "PNG: Out of memory" ? 0 : 10 + static_cast<int>(*d.error));
  };
  EXPECT_EXIT(decodeWithoutMemory(), ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace vp::png
