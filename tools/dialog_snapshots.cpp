// Writes pictures of the settings dialogs for the documentation.
// Usage: vp-dialog-snapshots OUTPUT_DIR
#include <QApplication>
#include <QFont>
#include <QPixmap>
#include <cstdio>

#include "settings/ui/detailed_settings_dialog.h"
#include "settings/ui/folder_dialog.h"
#include "settings/ui/profile_window.h"
#include "settings/ui/version_window.h"
#include "shell/ui/data_form.h"
#include "shell/ui/fonts.h"
#include "state/settings.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vp-dialog-snapshots OUTPUT_DIR\n");
    return 2;
  }
  // Offscreen unless a display is there: run under Xvfb to see what X11 shows.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vp::shell::RegisterFontSubstitutions();
  QApplication::setFont(vp::shell::WindowFont());
  vp::shell::LoadJapaneseTranslations(app);
  vp::shell::TfrmData data;
  vp::state::Settings s;
  s.wave = 1;
  s.usewave = "110111";
  s.rand = 2;
  s.dirwave = "/home/user/Games/VerbellePlus";
  const QString dir = QString::fromLocal8Bit(argv[1]);
  bool ok = true;
  auto save = [&](QWidget& w, const char* name) {
    w.show();
    QApplication::processEvents();
    const bool saved = w.grab().save(dir + "/" + name, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", name);
    ok &= saved;
  };
  vp::settings::TfrmInit init(nullptr, s);
  save(init, "detailed_settings.png");
  vp::settings::TfrmDir folder(&init, s);
  save(folder, "folder_dialog.png");
  vp::settings::TfrmGirl girl(nullptr, data, s.name);
  save(girl, "profile.png");
  vp::settings::TfrmVer version(nullptr);
  save(version, "version.png");
  return ok ? 0 : 1;
}
