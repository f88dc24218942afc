#pragma once

class QApplication;

namespace vp::shell {

// Qt's standard buttons and dialogs in Japanese.
void LoadJapaneseTranslations(QApplication& app);

// The entry point: chooses the mode from the first argument, runs the message
// loop until the mode's main window closes, and returns 0.
int RunApplication(int argc, char** argv);

}  // namespace vp::shell
