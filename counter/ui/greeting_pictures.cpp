#include "counter/ui/greeting_pictures.h"

#include <array>
#include <exception>
#include <string>

#include "shell/ui/data_form.h"
#include "shell/ui/qt_bitmap.h"

namespace vp::counter {

GreetingPictures MakeGreetingPictures(CounterRun& run) {
  GreetingPictures made;
  try {
    run.PrepareFiles();
    made.background = shell::TfrmData::Artwork("counter_background");
    // The data form's own chips are Qt images made on the GUI thread: the
    // same artwork is decoded here, and only in chip mode.
    std::array<png::Bitmap, 6> chips;
    bool chipsDecoded = false;
    made.pictures = run.DrawPictures(made.background, kChar0Area, kChar1Area,
                                     [&]() -> const std::array<png::Bitmap, 6>& {
                                       if (!chipsDecoded) {
                                         for (std::size_t i = 0; i < chips.size(); ++i)
                                           chips[i] = shell::TfrmData::Artwork(("chip" + std::to_string(i)).c_str());
                                         chipsDecoded = true;
                                       }
                                       return chips;
                                     });
    made.MakeImages();
    made.made = true;
  } catch (const std::exception&) {
    made = {};  // the window tries again, and tells what it finds
  }
  return made;
}

void GreetingPictures::MakeImages() {
  backgroundImage = shell::ToQImage(background);
  if (pictures.drawn.left) leftImage = shell::ToQImage(pictures.left);
  if (pictures.drawn.right) rightImage = shell::ToQImage(pictures.right);
}

}  // namespace vp::counter
