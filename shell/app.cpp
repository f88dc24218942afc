#include "shell/app.h"

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "counter/counter_window.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "settings/main_window.h"
#include "shell/fonts.h"
#include "shell/message_box.h"
#include "shell/run_mode.h"

namespace vp::shell {

int RunApplication(int argc, char** argv) {
  // Read before QApplication, which removes the arguments it understands.
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const RunMode mode = ChooseRunMode(arguments);

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
  RegisterFontSubstitutions();
  // What killed runs left half-written is of no use to anyone.
  platform::RemoveStaleTemporaryFiles(".");
  platform::RemoveStaleTemporaryFiles(platform::RegFileRegistry().Folder());
  QApplication::setFont(WindowFont());

  try {
    if (mode == RunMode::Counter) {
      QApplication::setQuitOnLastWindowClosed(false);
      auto window = std::make_unique<counter::TfrmCount>();
      QObject::connect(window.get(), &counter::TfrmCount::Closed, &app, &QCoreApplication::quit);
      window->Start();
      QApplication::exec();
    } else {
      auto window = std::make_unique<settings::TfrmMain>();
      window->show();
      QApplication::exec();
    }
  } catch (const std::exception& e) {
    // Counter mode runs unattended: it reports without waiting for a click.
    if (mode == RunMode::Settings) ShowErrorBox(nullptr, QString::fromUtf8(e.what()));
    else std::fprintf(stderr, "vpcounter: %s\n", e.what());
  }
  return 0;
}

}  // namespace vp::shell
