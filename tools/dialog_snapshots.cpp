// Writes pictures of the settings dialogs for the documentation.
// Usage: vp-dialog-snapshots [--stay] OUTPUT_DIR
// --stay keeps every dialog open afterwards, for tools/atspi-walk.sh.
#include <QApplication>
#include <QFont>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>

#include "settings/ui/detailed_settings_dialog.h"
#include "settings/ui/folder_dialog.h"
#include "settings/ui/profile_window.h"
#include "settings/ui/startup_calendar_window.h"
#include "settings/ui/version_window.h"
#include "shell/ui/data_form.h"
#include "shell/ui/fonts.h"
#include "state/history.h"
#include "state/settings.h"
#include "state/startup_log.h"

namespace {

// A player's year: a start-up most mornings, more at weekends, a holiday
// break, the history a year older than the log.
void WriteSampleYear(const std::string& folder) {
  using vp::platform::TimeValue;
  std::mt19937 random(2026);
  std::string log;
  const TimeValue first = 1767193200;  // 2026-01-01 00:00 in Tokyo
  for (int day = 0; day < 342; ++day) {
    const bool weekend = (day + 4) % 7 >= 5;
    if (day >= 120 && day < 128) continue;  // golden week away
    const int startups = static_cast<int>(random() % (weekend ? 5 : 3)) + (day % 11 == 0 ? 0 : 1);
    for (int k = 0; k < startups; ++k) {
      const int hour = k == 0 ? 7 + static_cast<int>(random() % 2) : 12 + static_cast<int>(random() % 11);
      vp::platform::LocalTime local;
      vp::platform::BreakDownLocal(first + day * 86400 + hour * 3600 + static_cast<int>(random() % 3600), local);
      log += vp::state::FormatStartupLine(local);
    }
  }
  vp::platform::WriteFileReplacing(folder + "/" + vp::state::StartupLogName(2026), log);
  vp::state::StartHistory history;
  history.firstTime = 1735657200 + 40 * 86400;  // 2025-02-10
  history.lastTime = 1796600000;
  history.count = 812;
  vp::platform::WriteFileReplacing(folder + "/TALLYDAT", vp::state::EncodeHistory(history));
}

}  // namespace

int main(int argc, char** argv) {
  const bool stay = argc == 3 && std::string(argv[1]) == "--stay";
  if (argc != 2 && !stay) {
    std::fprintf(stderr, "usage: vp-dialog-snapshots [--stay] OUTPUT_DIR\n");
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
  const QString dir = QString::fromLocal8Bit(argv[argc - 1]);
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
  // The calendar of a sample year, in Tokyo, on 2026-12-08.
  qputenv("TZ", "Asia/Tokyo");
  tzset();
  QTemporaryDir work;
  WriteSampleYear(work.path().toStdString());
  vp::platform::RegFileRegistry registry(work.path().toStdString() + "/registry");
  vp::settings::SettingsSession session(registry, work.path().toStdString() + "/", work.path().toStdString() + "/",
                                        false, [] { return vp::platform::TimeValue{1796700000}; });
  session.Load();
  vp::settings::TfrmCalendar calendar(nullptr, session);
  save(calendar, "calendar.png");
  if (stay) {
    std::fflush(stdout);
    return app.exec();
  }
  return ok ? 0 : 1;
}
