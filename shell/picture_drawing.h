#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "png/bitmap.h"

namespace vp::shell {

// A 24-bit target image placed at (left, top) over a background image.
struct Target {
  png::Bitmap* image;
  int left;
  int top;
};

// The game's pictures are 180 x 140; one whose decoded size is beyond this is
// skipped like any unreadable picture, before anything is decoded.
inline constexpr std::uint64_t kMaxPicturePixels = 4096ull * 4096ull;

// Draws picture `number` of the game's picture archive into the target, blended
// over the part of the background under it: through the picture's alpha, or
// with its top-left colour as the key; centred vertically, left edge used,
// mirrored on request. Any failure leaves the target as it was; returns success.
// What kept a picture from being drawn that the player should hear of.
struct PictureTrouble {
  int writeError = 0;        // errno when it could not be extracted into extractTo
  bool outOfMemory = false;  // a valid picture, but no memory to decode it
};
bool DrawPicture(const std::string& gameFolder, int number, const png::Bitmap& background, Target target,
                 bool mirrored, PictureTrouble* trouble = nullptr, const std::string& extractTo = ".");

// The blend itself: mask 0 shows the picture, 255 the background.
void BlendPicture(const png::Bitmap& picture, const png::Bitmap& mask, png::Bitmap& canvas, bool mirrored);

// Mode -1: the chips of the two characters over the background (which shows
// around them); otherwise the game pictures, the left one (number = mode)
// mirrored. Tells which of the two targets were drawn.
struct PairDrawn {
  bool left = false;
  bool right = false;
  PictureTrouble trouble;
};
// The chips are asked for only in chip mode: decoding them costs start-up time.
using ChipSource = std::function<const std::array<png::Bitmap, 6>&()>;
PairDrawn DrawPair(int mode, int rightPicture, const std::string& gameFolder, const png::Bitmap& background,
                   Target left, Target right, const ChipSource& chips, int char0, int char1,
                   const std::string& extractTo = ".");

}  // namespace vp::shell
