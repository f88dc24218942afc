#include "app/app.h"

#include <QApplication>
#include <QFont>
#include <QThread>
#include <cstdlib>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <future>
#include <chrono>
#include <string>
#include <vector>

#include "counter/ui/counter_window.h"
#include "counter/ui/greeting_pictures.h"
#include "counter/ui/label_font.h"
#include "gamedata/archive.h"
#include "gamedata/run_folder.h"
#include "platform/files.h"
#include "platform/font_configuration.h"
#include "platform/executable.h"
#include "platform/registry.h"
#include "platform/run_deadline.h"
#include "platform/session_bus.h"
#include "platform/termination.h"
#include "platform/work_folder.h"
#include "settings/ui/main_window.h"
#include "shell/ui/data_form.h"
#include "shell/ui/fonts.h"
#include "shell/ui/message_box.h"
#include "shell/run_mode.h"
#include "state/notices.h"

namespace vp::shell {
namespace {

void Say(const std::string& text) { std::fprintf(stderr, "vpcounter: %s\n", text.c_str()); }

// The end a logout brings, on the GUI thread. The watch calls from a thread
// of its own, so the window is reached only while it is there; a logout that
// came before it was is handed on as soon as it is.
class LogoutWatch {
 public:
  LogoutWatch() {
    platform::OnTermination([state = state_] {
      std::lock_guard<std::mutex> hold(state->lock);
      state->came = true;
      if (state->receiver) Post(state);
    });
  }
  // While receiver lives (until Stop), a logout calls end on its thread, once.
  void OnLogout(QObject* receiver, std::function<void()> end) {
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->receiver = receiver;
    state_->end = std::move(end);
    if (state_->came) Post(state_);
  }
  void Stop() {
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->receiver = nullptr;
  }

 private:
  struct State {
    std::mutex lock;
    bool came = false;
    QObject* receiver = nullptr;
    std::function<void()> end;  // set and called on the GUI thread
    bool ended = false;
  };
  // Called with the lock held.
  static void Post(const std::shared_ptr<State>& state) {
    QMetaObject::invokeMethod(state->receiver, [state] {
      if (state->ended || !state->end) return;
      state->ended = true;
      state->end();
    }, Qt::QueuedConnection);
  }
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Generous beyond the longest run: the display time, 30 s of voices, a
// notice's reading time and the wait for the first expose.
constexpr std::chrono::seconds kLongestRunBeyondDelay{60};
// How long a logout may take to end the run in order before it is cut short.
constexpr std::chrono::seconds kLogoutGrace{2};
// How long the session bus may take to greet before it is left out of this run.
constexpr int kBusAnswerMs = 500;
// Far beyond the few milliseconds the font configuration takes on a slow disk.
constexpr std::chrono::seconds kFontConfigurationWait{2};

// The count first, before anything that could wait on the desktop: the
// display, the session bus, the accessibility bus. Then the last resort that
// ends a run stuck on one of them.
counter::CounterRun CountThisLogon(const platform::WorkFolderEntry& work, bool preview, std::string currentDesktop) {
  auto setup = counter::RunSetup::At(platform::ExecutableFolder(), work.folder, work.usable);
  setup.preview = preview;
  setup.currentDesktop = std::move(currentDesktop);
  counter::CounterRun run(platform::TheRegistry(), std::move(setup), counter::MeasureLabel);
  run.Count();
  platform::StartRunDeadline(std::chrono::seconds(run.settings().delay) + kLongestRunBeyondDelay, kLogoutGrace,
                             [extracted = run.extractionFolder(), work = run.workFolderOrHere()] {
                               gamedata::RemoveRunFolder(extracted);
                               gamedata::DeleteExtractedFiles(gamedata::ExtractedKind::Voices, work);
                             });
  return run;
}

// A logon counted, and the greeting's pictures drawn, beside Qt's start.
struct CountedLogon {
  counter::CounterRun run;
  counter::GreetingPictures pictures;
};

void RunCounterMode(QApplication& app, CountedLogon counted, LogoutWatch& logout) {
  QApplication::setQuitOnLastWindowClosed(false);
  auto window = std::make_unique<counter::TfrmCount>(std::move(counted.run), std::move(counted.pictures));
  QObject::connect(window.get(), &counter::TfrmCount::Closed, &app, &QCoreApplication::quit);
  logout.OnLogout(window.get(), [w = window.get()] { w->EndNow(); });
  window->Start();
  QApplication::exec();
  logout.Stop();
}

void RunSettingsMode(const platform::WorkFolderEntry& work, const std::string& workNotice, LogoutWatch& logout) {
  auto window = std::make_unique<settings::TfrmMain>(platform::TheRegistry(), work.folder, work.usable);
  logout.OnLogout(window.get(), [] { QCoreApplication::quit(); });
  window->show();
  if (!workNotice.empty()) {
    const QString text = QString::fromStdString(workNotice);
    QMetaObject::invokeMethod(window.get(), [w = window.get(), text] { ShowErrorBox(w, text); }, Qt::QueuedConnection);
  }
  QApplication::exec();
  logout.Stop();
}

}  // namespace

int RunApplication(int argc, char** argv) {
  // Read before QApplication, which removes the arguments it understands.
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const RunMode mode = ChooseRunMode(arguments);
  // From here a logout ends the run in order rather than killing it.
  platform::StartTerminationWatch();
  LogoutWatch logout;

  const auto env = platform::ProcessEnvironment();
  const std::string qtPlatform = ChooseQtPlatform(mode, env);
  // Read while Qt waits on the display server's answers, it costs the first
  // text nothing; without a server it would only take a core from Qt.
  platform::FontConfigurationLoad fontConfiguration;
  if (TalksToDisplayServer(qtPlatform, env)) fontConfiguration = platform::FontConfigurationLoad::Begin();
  // The count lives in one place whichever folder the program was started from.
  const platform::WorkFolderEntry work = platform::EnterWorkFolder();
  const std::string workNotice = work.usable ? std::string() : state::WorkFolderNotice(work.wanted, work.error);
  if (!workNotice.empty()) Say(workNotice);
  // What killed runs left half-written is of no use to anyone.
  platform::RemoveStaleTemporaryFiles(".");
  platform::RemoveStaleTemporaryFiles(platform::RegFileRegistry().Folder());
  // The count needs nothing of the display: it runs beside the connection to
  // it, so a display or bus that hangs cannot hold it, and a sound logon
  // does not wait for it.
  std::future<CountedLogon> counting;
  if (mode != RunMode::Settings) {
    // Qt takes the first thread that asks for its thread data as its main
    // thread: this one asks before the counting thread can.
    QThread::currentThread();
    shell::TfrmData::RegisterArtwork();
    // The pictures too: drawn while Qt loads its fonts, not after.
    counting = std::async(std::launch::async, [&work, preview = mode == RunMode::Preview,
                                               desktop = env("XDG_CURRENT_DESKTOP")] {
      CountedLogon counted{CountThisLogon(work, preview, desktop), {}};
      counted.pictures = counter::MakeGreetingPictures(counted.run);
      return counted;
    });
  }
  // A bus that does not answer would hold Qt's first connect for good.
  if (platform::AvoidSilentBuses(env, kBusAnswerMs) == platform::BusAnswer::Silent)
    Say("セッションバスが応答しないため、通知と読み上げを使わずに続けます。");

  const std::string userPlatform = env("QT_QPA_PLATFORM");
  setenv("QT_QPA_PLATFORM", qtPlatform.c_str(), 1);
  // Under Wayland Qt draws its own title bar where the compositor draws none
  // (mutter, weston), always with a maximise button: the greeting goes
  // without one there. Compositors that frame windows themselves (KWin) still
  // do, and offer no maximising of a window of fixed size.
  if (mode == RunMode::Counter) setenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1", 0);
  QApplication app(argc, argv);
  // Where no window can open, counter mode still counts the logon; settings
  // mode has nothing to show and says why.
  if (const std::string notice =
          PlatformFallbackNotice(mode, qtPlatform, QGuiApplication::platformName().toStdString(), env);
      !notice.empty()) {
    Say(notice);
    if (mode != RunMode::Counter) return 1;
  }
  // Programs opened from here (the manual's viewer) get the environment we were given.
  if (userPlatform.empty()) unsetenv("QT_QPA_PLATFORM");
  else setenv("QT_QPA_PLATFORM", userPlatform.c_str(), 1);
  // No display name: Qt would append it to every title bar on X11.
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QGuiApplication::setDesktopFileName(QStringLiteral("vpcounter"));
  LoadJapaneseTranslations(app);
  fontConfiguration.Await(kFontConfigurationWait);
  RegisterFontSubstitutions();
  QApplication::setFont(WindowFont());

  if (counting.valid()) counter::LoadLabelFont();
  try {
    if (counting.valid()) RunCounterMode(app, counting.get(), logout);
    else RunSettingsMode(work, workNotice, logout);
  } catch (const std::exception& e) {
    // Counter mode runs unattended: it reports without waiting for a click.
    const QString text = QStringLiteral("予期しないエラーのため終了します。\n(") + QString::fromUtf8(e.what()) + ")";
    if (mode == RunMode::Settings) ShowErrorBox(nullptr, text);
    else Say(text.toStdString());
  }
  platform::LeaveScratchFolder(work);
  return 0;
}

}  // namespace vp::shell
