#include "shell/picture_drawing.h"

#include <cstring>
#include <exception>
#include <new>

#include "gamedata/archive.h"
#include "platform/files.h"
#include "png/png_decode.h"
#include "shell/characters.h"

namespace vp::shell {

void BlendPicture(const png::Bitmap& picture, const png::Bitmap& mask, png::Bitmap& canvas, bool mirrored) {
  const int w = canvas.Width(), h = canvas.Height();
  const int dy = (picture.Height() - h) / 2;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* p = picture.ScanLine(dy + y);
    const std::uint8_t* m = mask.ScanLine(dy + y);
    std::uint8_t* g = canvas.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const int sx = mirrored ? w - 1 - x : x;
      const int u = m[sx];
      for (int c = 0; c < 3; ++c) g[3 * x + c] = static_cast<std::uint8_t>((u * g[3 * x + c] + (255 - u) * p[3 * sx + c]) / 255);
    }
  }
}

bool DrawPicture(const std::string& gameFolder, int number, const png::Bitmap& background, Target target,
                 bool mirrored, PictureTrouble* trouble, const std::string& extractTo) {
  try {
    png::Bitmap& out = *target.image;
    const int w = out.Width(), h = out.Height();
    const std::string file = gamedata::ExtractPicture(gameFolder, number, extractTo);
    png::DecodedPng decoded = png::DecodePngFile(file, {kMaxPicturePixels, kMaxPicturePixels * 4});
    if (!decoded.ok()) {
      if (trouble && decoded.error == png::PngErrorCode::OutOfMemory) trouble->outOfMemory = true;
      return false;
    }
    png::Bitmap& picture = decoded.image;
    picture.SetPixelFormat(png::PixelFormat::pf24bit);
    // The picture must cover the target; a smaller one is not drawn.
    if (picture.Width() < w || picture.Height() < h || w <= 0 || h <= 0) return false;
    if (target.left < 0 || target.top < 0 || target.left + w > background.Width() ||
        target.top + h > background.Height() || background.BitCount() != 24)
      return false;

    // Without alpha, the colour of the top-left pixel is the transparent one.
    png::Bitmap& mask = decoded.alpha;
    if (mask.Width() != picture.Width() || mask.Height() != picture.Height()) {
      mask.Clear();
      mask.SetPixelFormat(png::PixelFormat::pf8bit);
      mask.SetSize(picture.Width(), picture.Height());
      const std::uint8_t* key = picture.ScanLine(0);
      for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* row = picture.ScanLine(y);
        std::uint8_t* m = mask.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x) m[x] = std::memcmp(row + 3 * x, key, 3) == 0 ? 255 : 0;
      }
    }

    png::Bitmap canvas;
    canvas.SetPixelFormat(png::PixelFormat::pf24bit);
    canvas.SetSize(w, h);
    for (int y = 0; y < h; ++y)
      std::memcpy(canvas.ScanLine(y), background.ScanLine(target.top + y) + 3 * target.left, static_cast<std::size_t>(3 * w));
    BlendPicture(picture, mask, canvas, mirrored);
    out.Assign(canvas);
    return true;
  } catch (const gamedata::ExtractWriteError& e) {
    if (trouble) trouble->writeError = e.error();
    return false;
  } catch (const std::bad_alloc&) {
    if (trouble) trouble->outOfMemory = true;
    return false;
  } catch (const std::exception&) {
    return false;  // archive, file or picture unusable: the target keeps what it showed
  }
}

namespace {
// The target filled with the background under it.
bool CopyBackground(const png::Bitmap& background, Target target) {
  png::Bitmap& out = *target.image;
  if (target.left < 0 || target.top < 0 || target.left + out.Width() > background.Width() ||
      target.top + out.Height() > background.Height() || background.BitCount() != 24 || out.BitCount() != 24)
    return false;
  for (int y = 0; y < out.Height(); ++y)
    std::memcpy(out.ScanLine(y), background.ScanLine(target.top + y) + 3 * target.left,
                static_cast<std::size_t>(3 * out.Width()));
  return true;
}
}  // namespace

PairDrawn DrawPair(int mode, int rightPicture, const std::string& gameFolder, const png::Bitmap& background,
                   Target left, Target right, const ChipSource& chipSource, int char0, int char1,
                   const std::string& extractTo) {
  PairDrawn drawn;
  if (mode == -1) {
    const std::array<png::Bitmap, 6>& chips = chipSource();
    CopyBackground(background, left);
    CopyBackground(background, right);
    DrawChip(chips[static_cast<std::size_t>(char0)], *left.image, false);
    DrawChip(chips[static_cast<std::size_t>(char1)], *right.image, false);
    drawn.left = drawn.right = true;
    return drawn;
  }
  drawn.left = DrawPicture(gameFolder, mode, background, left, true, &drawn.trouble, extractTo);
  drawn.right = DrawPicture(gameFolder, rightPicture, background, right, false, &drawn.trouble, extractTo);
  return drawn;
}

}  // namespace vp::shell
