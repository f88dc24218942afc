#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "shell/ui/fonts.h"

int main(int argc, char** argv) {
  // One ENVIRONMENT entry is all the discovered tests can carry: the rest is set here.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("XDG_RUNTIME_DIR", RUNTIME_DIR, 0);
  setenv("VPCOUNTER_AUDIO_MODULE", AUDIO_MODULE, 0);
  QApplication app(argc, argv);
  // The fonts the program uses, so layouts are measured as the player sees them.
  vp::shell::RegisterFontSubstitutions();
  vp::shell::LoadJapaneseTranslations(app);
  QApplication::setFont(vp::shell::WindowFont());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
