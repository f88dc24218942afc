#include "counter/counter_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>

#include "platform/executable.h"
#include "platform/registry.h"
#include "shell/data_form.h"
#include "shell/error_display.h"
#include "state/history.h"
#include "state/settings.h"

namespace vp::counter {

namespace {
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 135;
}  // namespace

TfrmCount::TfrmCount()
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("ヴェルベル起動カウンター＋(プラス)"));
  setFixedSize(kClientWidth, kClientHeight);
  timTimer_.setInterval(100);
  connect(&timTimer_, &QTimer::timeout, this, &TfrmCount::timTimerTimer);
  timDelay_.setSingleShot(true);
  connect(&timDelay_, &QTimer::timeout, this, &TfrmCount::timDelayTimer);
  FormCreate();
}

TfrmCount::~TfrmCount() {
  delete data_;
  data_ = nullptr;
}

void TfrmCount::FormCreate() {
  timing_.voiceStep = 0;
  data_ = new shell::TfrmData(this);
  QApplication::setWindowIcon(data_->imgIcon());
  setWindowIcon(data_->imgIcon());

  now_ = platform::CurrentTime();
  platform::BreakDownLocal(now_, nowTm_);
  timing_.showTime = now_;

  auto& reg = platform::TheRegistry();
  auto& settings = state::TheSettings();
  auto load = state::LoadSettings(settings, reg, platform::ExecutableFolder());
  auto& history = state::TheHistory();
  state::LoadHistory(history, reg);
  if (settings.form) {
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    setFixedSize(kClientWidth, kClientHeight);
  }
  state::RecordStartup(history, now_, nowTm_, reg);
  timTimer_.start();
  if (!load.errors.empty()) {
    shell::ShowError(this, QString::fromStdString(load.errors.front()), false);
  }
}

void TfrmCount::Start() {
  const int delay = state::TheSettings().delay;
  if (delay == 0) {
    ShowCounter();
  } else {
    timDelay_.setInterval(delay * 1000);
    timDelay_.start();
  }
}

void TfrmCount::ShowCounter() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  show();
  PlayVoice(1);
}

void TfrmCount::PlayVoice(int) {
  // Voices come with the game data; until then the sequence ends at once.
  timing_.voiceStep = CounterTiming::kVoicesOver;
}

void TfrmCount::timDelayTimer() {
  timing_.showTime = platform::CurrentTime();
  ShowCounter();
}

void TfrmCount::timTimerTimer() {
  if (timing_.DueToClose(platform::CurrentTime(), state::TheSettings().timer)) close();
}

void TfrmCount::closeEvent(QCloseEvent* event) {
  timTimer_.stop();
  event->accept();
  // A tool window does not end the message loop by itself.
  QCoreApplication::quit();
}

}  // namespace vp::counter
