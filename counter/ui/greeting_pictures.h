#pragma once
#include <QImage>

#include "counter/counter_run.h"
#include "counter/greeting.h"
#include "png/bitmap.h"

namespace vp::counter {

// Where the counter window shows the two characters.
inline constexpr Box kChar0Area{10, 8, 164, 120};
inline constexpr Box kChar1Area{428, 8, 164, 120};

// The counter window's background and the two characters' pictures drawn
// over it: all the greeting needs of the game's files and our artwork, and
// nothing of the display.
struct GreetingPictures {
  png::Bitmap background;
  CounterRun::Pictures pictures;
  // The same as the window's images, converted where they were made.
  QImage backgroundImage, leftImage, rightImage;
  bool made = false;  // false: the window makes them itself

  void MakeImages();
};

// Prepares the run's files and draws its pictures. Safe on any thread while
// nothing else uses the run, so the entry point does it beside Qt's start
// and the font loading; anything that goes wrong leaves made false.
GreetingPictures MakeGreetingPictures(CounterRun& run);

}  // namespace vp::counter
