#include "shell/ui/app.h"

#include <QApplication>
#include <QFont>
#include <cstdlib>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "counter/ui/counter_window.h"
#include "platform/files.h"
#include "platform/executable.h"
#include "platform/registry.h"
#include "platform/work_folder.h"
#include "settings/ui/main_window.h"
#include "shell/ui/fonts.h"
#include "shell/ui/message_box.h"
#include "shell/run_mode.h"

namespace vp::shell {

int RunApplication(int argc, char** argv) {
  // Read before QApplication, which removes the arguments it understands.
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const RunMode mode = ChooseRunMode(arguments);

  const std::string userPlatform = platform::ProcessEnvironment()("QT_QPA_PLATFORM");
  const std::string qtPlatform = ChooseQtPlatform(mode, platform::ProcessEnvironment());
  setenv("QT_QPA_PLATFORM", qtPlatform.c_str(), 1);

  QApplication app(argc, argv);
  // Where no window can open, counter mode still counts the logon; settings
  // mode has nothing to show and says why.
  if (const std::string notice = PlatformFallbackNotice(mode, qtPlatform, QGuiApplication::platformName().toStdString(),
                                                        platform::ProcessEnvironment());
      !notice.empty()) {
    std::fprintf(stderr, "vpcounter: %s\n", notice.c_str());
    if (mode == RunMode::Settings) return 1;
  }
  // Programs opened from here (the manual's viewer) get the environment we were given.
  if (userPlatform.empty()) unsetenv("QT_QPA_PLATFORM");
  else setenv("QT_QPA_PLATFORM", userPlatform.c_str(), 1);
  // No display name: Qt would append it to every title bar on X11.
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QGuiApplication::setDesktopFileName(QStringLiteral("vpcounter"));
  LoadJapaneseTranslations(app);
  RegisterFontSubstitutions();
  // The count lives in one place whichever folder the program was started from.
  if (!platform::EnterWorkFolder())
    std::fprintf(stderr, "vpcounter: 作業フォルダ %s を使えないため、現在のフォルダで動作します。\n",
                 platform::ChooseWorkFolder(platform::ProcessEnvironment(), platform::ExecutableFolder(),
                                            platform::IsInstalledCopy(platform::ExecutableFolder())).c_str());
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
    const QString text = QStringLiteral("予期しないエラーのため終了します。\n(") + QString::fromUtf8(e.what()) + ")";
    if (mode == RunMode::Settings) ShowErrorBox(nullptr, text);
    else std::fprintf(stderr, "vpcounter: %s\n", text.toUtf8().constData());
  }
  return 0;
}

}  // namespace vp::shell
