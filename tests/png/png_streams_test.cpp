#include <gtest/gtest.h>

#include "png/png_interlace.h"
#include "png/byte_stream.h"
#include "png/png_error.h"
#include "png/png_graphic.h"
#include "png/rgba.h"
#include "libpng_reference.h"
#include "png_test_support.h"

namespace vp::png {
namespace {

class Reader : public TCustomReadStream {};

std::string TempFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  std::string path = ::testing::TempDir() + "/" + name;
  FileStream out(path, FileStream::Mode::Create);
  out.WriteBuffer(bytes.data(), bytes.size());
  return path;
}

TEST(ByteStreams, ValuesSplitAcrossTheBufferBoundary) {
  std::vector<std::uint8_t> bytes(3 * 65536);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  FileStream file(TempFile("boundary.bin", bytes), FileStream::Mode::Read);
  Reader r;
  r.SetLoadStream(file, 0);
  r.ReadSkipByte(65534);
  std::uint32_t expect = (std::uint32_t{bytes[65534]} << 24) | (bytes[65535] << 16) | (bytes[65536] << 8) | bytes[65537];
  EXPECT_EQ(r.ReadMDword(), expect);
  // A large read that bypasses the buffer, then little-endian values in the last 64 KB.
  std::vector<std::uint8_t> big(100000);
  r.ReadByte(big.data(), static_cast<std::int64_t>(big.size()));
  EXPECT_EQ(big.front(), bytes[65538]);
  EXPECT_EQ(big.back(), bytes[65538 + 99999]);
  r.ReadSkipByte(static_cast<std::int64_t>(bytes.size()) - r.Consumed() - 3);
  EXPECT_EQ(r.ReadWord(), bytes[bytes.size() - 3] | (bytes[bytes.size() - 2] << 8));
  EXPECT_FALSE(r.EndFlag());
  EXPECT_EQ(r.ReadDWord(), 0u);  // only one byte left
  EXPECT_TRUE(r.EndFlag());
  EXPECT_EQ(r.Read1Byte(), 0);  // sticky
  r.FlushStream();
  EXPECT_EQ(file.Position(), static_cast<std::int64_t>(bytes.size()) - 1);
}

TEST(ByteStreams, EmptyDataAndZeroLengthReads) {
  MemoryStream empty;
  Reader r;
  r.SetLoadStream(empty, 0);
  EXPECT_TRUE(r.EndFlag());
  EXPECT_EQ(r.Read1Byte(), 0);

  std::vector<std::uint8_t> bytes = {1, 2, 3, 4};
  MemoryStream m(bytes.data(), bytes.size());
  Reader z;
  z.SetLoadStream(m, 0);
  std::uint8_t dummy;
  z.ReadByte(&dummy, 0);
  EXPECT_TRUE(z.StopFlag());
  EXPECT_EQ(z.ReadMWord(), 0);
}

TEST(ByteStreams, MacBinaryHeaderOnlyWithTheOption) {
  std::vector<std::uint8_t> bytes(200, 0);
  bytes[128] = 0xAB;
  MemoryStream m(bytes.data(), bytes.size());
  Reader plain;
  plain.SetLoadStream(m, 0);
  EXPECT_EQ(plain.Read1Byte(), 0);
  m.SetPosition(0);
  Reader skipping;
  skipping.skipHeader = true;
  skipping.SetLoadStream(m, 0);
  EXPECT_TRUE(skipping.HeaderFound());
  EXPECT_EQ(skipping.Read1Byte(), 0xAB);
  skipping.FlushStream();
  EXPECT_EQ(m.Position(), 129);
}

class Writer : public TCustomWriteStream {};

TEST(ByteStreams, WriterFlushesOnlyPastItsBuffer) {
  MemoryStream out;
  Writer w;
  w.SetWriteStream(out);
  std::vector<std::uint8_t> block(65535, 9);
  w.WriteByte(block.data(), 65519);
  w.WriteByte(block.data(), 16);  // 65,535 buffered: still no flush
  EXPECT_EQ(out.Size(), 0);
  w.Write1Byte(1);  // one more flushes first
  EXPECT_EQ(out.Size(), 65535);
  w.WriteMDWord(0x01020304);
  w.WriteWord(0x0506);
  w.FlushStream();
  auto bytes = out.Bytes();
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 7, bytes.end()), (std::vector<std::uint8_t>{1, 1, 2, 3, 4, 6, 5}));
  w.WriteByte(block.data(), 0);
  EXPECT_TRUE(w.StopFlag());
}

// Plain and interlaced (seven passes) alike.
TEST(ByteStreams, ProgressRunsFromZeroToHundredOnTheBitmap) {
  for (const char* name : {"basn2c08.png", "basi2c08.png"}) {
    auto bytes = test::ReadBytes(test::kPngSuite + "/" + name);
    MemoryStream m(bytes.data(), bytes.size());
    Bitmap image;
    std::vector<int> seen;
    image.OnProgress = [&](const Bitmap&, ProgressStage, int percent, bool, const Rect&, const std::string&) {
      seen.push_back(percent);
    };
    TPngReadStream reader;
    reader.LoadFromStream(&image, m, 0);
    ASSERT_GE(seen.size(), 3u) << name;
    EXPECT_EQ(seen.front(), 0) << name;
    EXPECT_EQ(seen.back(), 100) << name;
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << name;
    // The rows themselves run to their end, not only the closing report.
    EXPECT_GE(seen[seen.size() - 2], 90) << name;
  }
}

// The rows progress counts are the rows the passes decode, for every size.
TEST(ByteStreams, ProgressTotalIsThePassesRows) {
  for (std::int64_t height = 1; height <= 40; ++height) {
    for (const bool adam7 : {false, true}) {
      std::int64_t rows = 0;
      for (const PassRows& pass : ImagePasses(7, height, adam7, 8)) rows += pass.height;
      if (adam7) EXPECT_EQ(TotalRows(height, adam7), rows) << height;
      else EXPECT_EQ(TotalRows(height, adam7), height);
    }
  }
}

TEST(ByteStreams, LoadLeavesTheStreamBehindTheImage) {
  auto png = test::ReadBytes(test::kPngSuite + "/basn0g08.png");
  std::vector<std::uint8_t> bytes = {1, 2, 3};
  test::Append(bytes, png);
  bytes.push_back(99);
  MemoryStream m(bytes.data(), bytes.size());
  m.SetPosition(3);
  Bitmap image;
  TPngReadStream reader;
  reader.LoadFromStream(&image, m, static_cast<std::int64_t>(png.size()));
  EXPECT_EQ(m.Position(), static_cast<std::int64_t>(3 + png.size()));
}

TEST(PngGraphic, LoadsAlphaAndKeyTransparency) {
  TPngGraphic g;
  g.LoadFromFile(test::kPngSuite + "/basn6a08.png");
  EXPECT_TRUE(g.HasAlpha());
  Bitmap alpha;
  EXPECT_TRUE(g.AlphaBitmapAssignTo(&alpha));
  EXPECT_EQ(alpha.BitCount(), 8);
  EXPECT_EQ(alpha.Width(), 32);

  g.LoadFromFile(test::kPngSuite + "/basn2c08.png");
  EXPECT_FALSE(g.HasAlpha());
  Bitmap untouched;
  EXPECT_FALSE(g.AlphaBitmapAssignTo(&untouched));
  EXPECT_TRUE(untouched.Empty());
  EXPECT_FALSE(g.GetTransparent());

  g.LoadFromFile(test::kPngSuite + "/tbbn3p08.png");
  EXPECT_TRUE(g.GetTransparent());
  EXPECT_TRUE(IsPaletteIndex(g.TransColor()));
  g.SetTransColor(kNoColor);
  EXPECT_FALSE(g.GetImage().Transparent());
  TPngGraphic empty;
  empty.SetTransColor(PackRgb(1, 2, 3));
  EXPECT_EQ(empty.TransColor(), PackRgb(1, 2, 3));
}

TEST(PngGraphic, IdatSizeBounds) {
  TPngGraphic g;
  EXPECT_NO_THROW(g.SetIDATSize(256));
  EXPECT_NO_THROW(g.SetIDATSize(100000));
  try {
    g.SetIDATSize(255);
    FAIL();
  } catch (const EPngError& e) {
    EXPECT_STREQ(e.what(), "PNG Param: Err IDAT Size(min:256  max:100000)");
  }
}

TEST(PngGraphic, PropertiesSurviveSaveAndLoad) {
  TPngGraphic g;
  g.LoadFromFile(test::kPngSuite + "/basn6a08.png");
  g.Comment = "line one";
  g.Gamma = 0.45455;
  g.PhysUnit = TPngUnitSpecifier::gpuMeter;
  g.PhysX = 3780;
  g.PhysY = 3779;
  g.SetChrm(TPNGChromaticities{31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000});
  g.FilterType = TPngFilterType::gpfJust;
  MemoryStream out;
  g.SaveToStream(out);
  out.SetPosition(0);
  TPngGraphic back;
  back.LoadFromStream(out);
  EXPECT_EQ(back.Comment, "line one\r\n");
  EXPECT_DOUBLE_EQ(back.Gamma, 0.45455);
  EXPECT_EQ(back.PhysUnit, TPngUnitSpecifier::gpuMeter);
  EXPECT_EQ(back.PhysX, 3780);
  EXPECT_EQ(back.PhysY, 3779);
  EXPECT_EQ(back.GetChrm().redX, 64000u);
  EXPECT_TRUE(back.HasAlpha());
  Bitmap a1, a2;
  g.AlphaBitmapAssignTo(&a1);
  back.AlphaBitmapAssignTo(&a2);
  EXPECT_EQ(ToRgba(g.GetImage(), &a1), ToRgba(back.GetImage(), &a2));
}

TEST(PngGraphic, AssignToBitmapCopiesTheImageOnlyAndTheRegistryKnowsPng) {
  TPngGraphic g;
  g.LoadFromFile(test::kPngSuite + "/basn6a08.png");
  Bitmap b;
  g.AssignTo(b);
  EXPECT_EQ(b.Width(), 32);
  EXPECT_EQ(b.BitCount(), 24);
  EXPECT_EQ(PictureFormats::Description("png"), "PNG Format");
  auto loaded = PictureFormats::LoadPicture(test::kPngSuite + "/basn0g01.png");
  EXPECT_EQ(loaded->GetWidth(), 32);
  EXPECT_THROW(PictureFormats::LoadPicture("picture.bmp"), EConvertError);
}

}  // namespace
}  // namespace vp::png
