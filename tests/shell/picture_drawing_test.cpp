#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "gamedata/archive_layout.h"
#include "platform/files.h"
#include "png/png_write_stream.h"
#include "png/stream.h"
#include "png/png_decode.h"
#include "shell/picture_drawing.h"
#include "test_support.h"

namespace vp::shell {
namespace {

png::Bitmap Solid(int w, int h, std::uint8_t value) {
  png::Bitmap b;
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y) std::memset(b.ScanLine(y), value, b.Stride());
  return b;
}

// A picture whose pixel (x, y) has blue = x, green = y, red = 50.
png::Bitmap Gradient(int w, int h) {
  png::Bitmap b;
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      b.ScanLine(y)[3 * x] = static_cast<std::uint8_t>(x);
      b.ScanLine(y)[3 * x + 1] = static_cast<std::uint8_t>(y);
      b.ScanLine(y)[3 * x + 2] = 50;
    }
  return b;
}

std::string Encode(const png::Bitmap& image, const png::Bitmap* alpha) {
  png::MemoryStream out;
  png::TPngWriteStream writer;
  writer.alphaBitmap = alpha;
  writer.SaveToStream(image, out);
  auto bytes = out.Bytes();
  return std::string(bytes.begin(), bytes.end());
}

void WriteArchive(const std::string& game, const std::vector<std::string>& pictures) {
  platform::CreateFolders(game + "/HD");
  std::map<int, std::string> numbered;
  for (std::size_t i = 0; i < pictures.size(); ++i) numbered[static_cast<int>(i) + 1] = pictures[i];
  test::WriteFile(game + "/HD/fa0000R.aif", gamedata::BuildPictureArchive(numbered));
}

TEST(PictureDrawing, BlendArithmetic) {
  png::Bitmap picture = Solid(2, 1, 100), mask, canvas = Solid(2, 1, 200);
  mask.SetPixelFormat(png::PixelFormat::pf8bit);
  mask.SetSize(2, 1);
  mask.ScanLine(0)[0] = 128;
  mask.ScanLine(0)[1] = 255;
  BlendPicture(picture, mask, canvas, false);
  EXPECT_EQ(canvas.ScanLine(0)[0], (128 * 200 + 127 * 100) / 255);  // 150
  EXPECT_EQ(canvas.ScanLine(0)[3], 200);
  mask.ScanLine(0)[1] = 0;
  BlendPicture(picture, mask, canvas, false);
  EXPECT_EQ(canvas.ScanLine(0)[3], 100);
}

class Drawing : public ::testing::Test {
 protected:
  test::Sandbox box;
  std::string game = box.work() / "game";
  png::Bitmap background = Solid(600, 135, 200);
  png::Bitmap target = Solid(164, 120, 7);
};

TEST_F(Drawing, CentresVerticallyMirrorsAndCleansNothingUp) {
  png::Bitmap opaque = Gradient(164, 140);
  png::Bitmap alpha;
  alpha.SetPixelFormat(png::PixelFormat::pf8bit);
  alpha.SetSize(164, 140);  // all 0: opaque
  WriteArchive(game, {Encode(opaque, &alpha)});
  ASSERT_TRUE(DrawPicture(game, 1, background, {&target, 10, 8}, false));
  EXPECT_EQ(target.ScanLine(0)[1], 10);     // picture row 10 at the top
  EXPECT_EQ(target.ScanLine(119)[1], 129);  // row 129 at the bottom
  EXPECT_EQ(target.ScanLine(0)[0], 0);
  ASSERT_TRUE(DrawPicture(game, 1, background, {&target, 10, 8}, true));
  EXPECT_EQ(target.ScanLine(0)[0], 163);              // column w - 1 at column 0
  EXPECT_EQ(target.ScanLine(0)[3 * 163], 0);          // column 0 at column w - 1
  EXPECT_TRUE(platform::FileExists("001.png"));       // the window's clean-up removes it
}

TEST_F(Drawing, KeyColourFromTheTopLeftPixel) {
  png::Bitmap picture = Solid(170, 120, 255);  // white everywhere ...
  picture.ScanLine(60)[3 * 80] = 0;           // ... but one black pixel
  WriteArchive(game, {Encode(picture, nullptr)});
  ASSERT_TRUE(DrawPicture(game, 1, background, {&target, 0, 0}, false));
  EXPECT_EQ(target.ScanLine(0)[0], 200);  // white shows the background
  EXPECT_EQ(target.ScanLine(60)[3 * 80], 0);
}

TEST_F(Drawing, FailuresLeaveTheTargetAlone) {
  EXPECT_FALSE(DrawPicture(game, 1, background, {&target, 10, 8}, false));  // no archive
  WriteArchive(game, {"not a png", Encode(Gradient(100, 120), nullptr)});
  EXPECT_FALSE(DrawPicture(game, 1, background, {&target, 10, 8}, false));
  EXPECT_FALSE(DrawPicture(game, 2, background, {&target, 10, 8}, false));  // narrower than the target
  EXPECT_FALSE(DrawPicture(game, 5, background, {&target, 10, 8}, false));  // past the index
  EXPECT_EQ(target.ScanLine(0)[0], 7);
}

TEST_F(Drawing, PicturesBeyondTheSizeCapAreSkippedBeforeDecoding) {
  // Only the header is read: an IHDR that announces the size.
  auto header = [](std::uint32_t w, std::uint32_t h) {
    std::string png = "\x89PNG\r\n\x1A\n";
    png += std::string("\0\0\0\x0DIHDR", 8);
    for (std::uint32_t v : {w, h})
      for (int k = 3; k >= 0; --k) png.push_back(static_cast<char>(v >> (8 * k)));
    return png + std::string("\x08\x02\0\0\0", 5);
  };
  test::WriteFile("ok.png", header(4096, 4096));
  test::WriteFile("wide.png", header(4097, 4096));
  test::WriteFile("huge.png", header(16000, 16000));
  test::WriteFile("short.png", header(1, 1).substr(0, 20));
  const png::DecodeLimits limits{kMaxPicturePixels, kMaxPicturePixels * 4};
  EXPECT_NE(png::DecodePngFile("ok.png", limits).error, png::PngErrorCode::BadImageSize);  // no data, but not too big
  EXPECT_EQ(png::DecodePngFile("wide.png", limits).error, png::PngErrorCode::BadImageSize);
  EXPECT_EQ(png::DecodePngFile("huge.png", limits).error, png::PngErrorCode::BadImageSize);
  EXPECT_FALSE(png::DecodePngFile("short.png", limits).ok());
  WriteArchive(game, {header(16000, 16000) + "IDAT"});
  EXPECT_FALSE(DrawPicture(game, 1, background, {&target, 10, 8}, false));
  EXPECT_EQ(target.ScanLine(0)[0], 7);
}

}  // namespace
}  // namespace vp::shell

namespace vp::shell {
namespace {

TEST(PictureDrawing, PairOfChipsShowsTheBackgroundAround) {
  png::Bitmap background = Solid(600, 135, 200);
  png::Bitmap left = Solid(164, 120, 7), right = Solid(164, 120, 7);
  std::array<png::Bitmap, 6> chips;
  for (int i = 0; i < 6; ++i) chips[static_cast<std::size_t>(i)] = Solid(111, 111, static_cast<std::uint8_t>(10 * i));
  auto drawn = DrawPair(-1, 0, "", background, {&left, 10, 8}, {&right, 428, 8},
                        [&]() -> const std::array<png::Bitmap, 6>& { return chips; }, 2, 5);
  EXPECT_TRUE(drawn.left && drawn.right);
  EXPECT_EQ(left.ScanLine(0)[0], 20);            // chip 2
  EXPECT_EQ(right.ScanLine(0)[0], 50);           // chip 5
  EXPECT_EQ(left.ScanLine(115)[3 * 150], 200);   // the background around the chip
}

}  // namespace
}  // namespace vp::shell
