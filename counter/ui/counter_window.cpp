#include "counter/ui/counter_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QScreen>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>
#include <exception>
#include <future>

#include "counter/ui/label_font.h"
#include "gamedata/archive.h"
#include "gamedata/sound_scheme.h"
#include "platform/executable.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/work_folder.h"
#include "shell/run_mode.h"
#include "shell/ui/data_form.h"
#include "shell/ui/message_box.h"
#include "shell/picture_drawing.h"
#include "shell/ui/qt_bitmap.h"
#include "shell/ui/snapshot.h"
#include "state/history.h"
#include "state/notices.h"
#include "state/settings.h"

namespace vp::counter {

namespace {
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 135;
const QRect kChar0Area(10, 8, 164, 120);
const QRect kChar1Area(428, 8, 164, 120);
// Long enough for the runs started with this one to count theirs; short
// enough that a run never hangs at logon behind a stuck one.
constexpr std::chrono::milliseconds kHistoryLockWait{5000};
// A game voice lasts seconds: nothing keeps the window up for minutes.
constexpr std::chrono::milliseconds kLongestVoice{30000};
constexpr int kVoicePause = 500;  // ms from the end of one voice to the start of the next

QColor ToQColor(png::ColorValue c) { return QColor(png::RedOf(c), png::GreenOf(c), png::BlueOf(c)); }

Qt::WindowFlags WindowFlagsFor(bool borderless) {
  Qt::WindowFlags flags = Qt::Tool | Qt::WindowStaysOnTopHint;
  if (borderless) return flags | Qt::FramelessWindowHint;
  return flags | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
         Qt::WindowCloseButtonHint;
}
}  // namespace

TfrmCount::TfrmCount(platform::Registry& registry, bool countHere)
    : QWidget(nullptr, WindowFlagsFor(false)), reg_(registry), countHere_(countHere) {
  // The background decodes on another core while the fonts load here.
  shell::TfrmData::RegisterArtwork();
  backgroundLoad_ = std::async(std::launch::async, [] { return shell::TfrmData::Artwork("counter_background"); });
  setWindowTitle(QString::fromStdString(shell::kProgramCaption));
  setFixedSize(kClientWidth, kClientHeight);
  timTimer_.setInterval(100);
  connect(&timTimer_, &QTimer::timeout, this, &TfrmCount::timTimerTimer);
  timNext_.setInterval(kVoicePause);
  timNext_.setSingleShot(true);
  timNext_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 25 ms late
  connect(&timNext_, &QTimer::timeout, this, &TfrmCount::timNextTimer);
  timDelay_.setSingleShot(true);
  connect(&timDelay_, &QTimer::timeout, this, &TfrmCount::timDelayTimer);
  mplWave_ = platform::CreateSdlMediaPlayer([this](std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
  });
  mplWave_->LimitLength(kLongestVoice);
  CreateControls();
  FormCreate();
}

TfrmCount::~TfrmCount() {
  // FormDestroy: stop the voice, remove the extracted pictures, free the data form.
  if (mplWave_) mplWave_->Close();
  gamedata::DeleteExtractedFiles(gamedata::ExtractedKind::Pictures);
  data_.reset();
}

QLabel* TfrmCount::MakeLabel(const Label& label) {
  auto* l = new QLabel(this);
  l->setAttribute(Qt::WA_TranslucentBackground);
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // text from the top, as a Windows label draws it
  CopyLabel(l, label);
  return l;
}

void TfrmCount::CopyLabel(QLabel* target, const Label& label) {
  target->setFont(LabelFont(label.pointSize));
  target->setText(QString::fromStdString(label.text));
  QPalette palette = target->palette();
  palette.setColor(QPalette::WindowText, ToQColor(label.colour));
  target->setPalette(palette);
  target->setGeometry(label.left, label.top, label.width, label.height);
  target->setVisible(label.visible);
}

void TfrmCount::CreateControls() {
  // In painting order, bottom to top.
  imgCount_ = new QLabel(this);
  imgCount_->setGeometry(0, 0, kClientWidth, kClientHeight);
  imgChar1_ = new QLabel(this);
  imgChar1_->setGeometry(kChar1Area);
  imgChar0_ = new QLabel(this);
  imgChar0_->setGeometry(kChar0Area);
  auto shape = [this](ShapeWidget::Kind kind, int l, int t, int w, int h) {
    auto* s = new ShapeWidget(kind, this);
    s->setGeometry(l, t, w, h);
    return s;
  };
  shpChar0A_ = shape(ShapeWidget::Kind::RoundRect, kUpperBubble.left, kUpperBubble.top, kUpperBubble.width,
                     kUpperBubble.height);
  shpChar1A_ = shape(ShapeWidget::Kind::RoundRect, kLowerBubble.left, kLowerBubble.top, kLowerBubble.width,
                     kLowerBubble.height);
  shpChar0B_ = shape(ShapeWidget::Kind::Circle, 124, 42, 13, 13);
  shpChar1B_ = shape(ShapeWidget::Kind::Circle, 464, 83, 13, 13);
  shpChar1C_ = shape(ShapeWidget::Kind::Circle, 472, 83, 9, 9);
  const CounterLabels design = DesignLabels(MeasureLabel);
  lblChar0A_ = MakeLabel(design.char0A);
  lblChar0B_ = MakeLabel(design.char0B);
  lblChar0C_ = MakeLabel(design.char0C);
  lblChar1A_ = MakeLabel(design.char1A);
  lblCount_ = MakeLabel(design.count);
  lblChar1B_ = MakeLabel(design.char1B);
  lblChar1C_ = MakeLabel(design.char1C);
  lblLast_ = MakeLabel(design.last);
  lblChar1D_ = MakeLabel(design.char1D);
  shpChar0C_ = shape(ShapeWidget::Kind::Circle, 120, 46, 9, 9);
}

void TfrmCount::FormCreate() {
  timing_.voiceStep = 0;
  data_ = std::make_unique<shell::TfrmData>();
  QApplication::setWindowIcon(data_->imgIcon());
  setWindowIcon(data_->imgIcon());
  background_ = backgroundLoad_.get();
  imgCount_->setPixmap(QPixmap::fromImage(shell::ToQImage(background_)));

  now_ = platform::CurrentTime();
  platform::BreakDownLocal(now_, nowTm_);
  timing_.showTime = now_;

  auto& reg = reg_;
  auto& settings = state::TheSettings();
  std::vector<std::string> notices;
  // A scratch folder is no place to tell the sibling about.
  const auto load = state::LoadSettings(settings, reg, platform::ExecutableFolder(), platform::WorkFolder(), countHere_);
  notices.insert(notices.end(), load.errors.begin(), load.errors.end());
  // From loading to saving the history no other run may count: each run
  // counts once and greets with its own count.
  const state::HistoryLocation where = state::LocateHistory(reg);
  // The working folder was cleaned at start; a sibling's folder elsewhere is not.
  if (const std::string folder = platform::FolderOf(where.path); folder != ".") platform::RemoveStaleTemporaryFiles(folder);
  state::HistoryCounting counting(where, kHistoryLockWait);
  if (counting.waitedInVain()) notices.push_back(state::HistoryLockNotice());
  if (counting.unlocked()) notices.push_back(state::HistoryLockUnavailableNotice());
  auto& history = state::TheHistory();
  notices.push_back(state::HistoryLoadNotice(counting.Load(history)));
  if (settings.form) {
    setWindowFlags(WindowFlagsFor(true));
    setFixedSize(background_.Width() > 0 ? background_.Width() : kClientWidth,
                 background_.Height() > 0 ? background_.Height() : kClientHeight);
  }
  const GreetingComposer composer(MeasureLabel);
  composer.ChooseCharacters(settings, nowTm_);
  gamedata::DeleteExtractedFiles(gamedata::ExtractedKind::Voices);
  try {
    gamedata::ReplaceWindowsSounds(settings, reg, platform::ExecutableFolder(), nowTm_.second);
  } catch (const std::exception& e) {
    // The greeting and the count must not depend on the game's voices.
    notices.push_back(e.what());
  }
  composition_ = composer.Compose(settings, history, now_, nowTm_);
  // The greeting has read the history: count now. Saving waits for the disk,
  // so it runs beside the picture drawing.
  const bool count = countHere_ || where.sibling;
  auto saving = std::async(std::launch::async, [&] {
    return count ? counting.Record(history, now_, nowTm_) : counting.Skip(state::HistorySaveProblem::NoWorkFolder);
  });
  ApplyComposition();

  png::Bitmap left, right;
  left.SetSize(kChar0Area.width(), kChar0Area.height());
  right.SetSize(kChar1Area.width(), kChar1Area.height());
  const shell::PairDrawn drawn =
      shell::DrawPair(composition_.leftPicture, composition_.rightPicture, settings.dirwave, background_,
                      {&left, kChar0Area.left(), kChar0Area.top()}, {&right, kChar1Area.left(), kChar1Area.top()},
                      [this]() -> const std::array<png::Bitmap, 6>& { return data_->imlChip(); }, settings.char0,
                      settings.char1);
  if (drawn.left) imgChar0_->setPixmap(QPixmap::fromImage(shell::ToQImage(left)));
  if (drawn.right) imgChar1_->setPixmap(QPixmap::fromImage(shell::ToQImage(right)));

  notices.push_back(state::HistorySaveNotice(saving.get()));
  const auto registryNotices = state::RegistryNotices(reg);
  notices.insert(notices.begin(), registryNotices.begin(), registryNotices.end());
  if (const std::string text = state::JoinNotices(notices); !text.empty()) ReportError(QString::fromStdString(text));
  timTimer_.start();
}

void TfrmCount::ApplyComposition() {
  const CounterLabels& l = composition_.labels;
  CopyLabel(lblChar0A_, l.char0A);
  CopyLabel(lblChar0B_, l.char0B);
  CopyLabel(lblChar0C_, l.char0C);
  CopyLabel(lblChar1A_, l.char1A);
  CopyLabel(lblCount_, l.count);
  CopyLabel(lblChar1B_, l.char1B);
  CopyLabel(lblChar1C_, l.char1C);
  CopyLabel(lblLast_, l.last);
  CopyLabel(lblChar1D_, l.char1D);
}

void TfrmCount::Start() {
  const int delay = state::TheSettings().delay;
  if (delay == 0) {
    FormShow();
    PlayVoice(composition_.entry ? composition_.entry->voices[0] : 0);
  } else {
    timDelay_.setInterval(delay * 1000);
    timDelay_.start();
  }
}

void TfrmCount::FormShow() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  show();
  shell::SnapshotWhenShown(this);
  // For the start-up benchmark: the moment the window is up.
  if (qEnvironmentVariableIsSet("VPCOUNTER_TRACE_SHOWN"))
    std::fprintf(stderr, "vpcounter: shown %lld\n", static_cast<long long>(platform::MillisecondsSinceStart()));
}

std::string TfrmCount::PrepareVoice(int voice) {
  const auto& settings = state::TheSettings();
  if (!settings.wave || !state::LeftVoiceEnabled(settings) || voice == 0) return {};
  try {
    std::string wav = gamedata::ExtractVoice(settings.dirwave, voice);
    return platform::FileExists(wav) ? wav : std::string();
  } catch (const std::exception& e) {
    ReportError(QString::fromUtf8(e.what()));
    return {};  // the sequence ends; the window still closes on time
  }
}

void TfrmCount::PlayVoice(int voice) { PlayPrepared(PrepareVoice(voice)); }

void TfrmCount::PlayPrepared(const std::string& wav) {
  if (!voiceClock_.isValid()) voiceClock_.start();
  const auto left = VoiceTimeLeft(std::chrono::milliseconds(voiceClock_.elapsed()));
  if (left.count() > 0) mplWave_->LimitLength(std::min(left, kLongestVoice));
  if (left.count() > 0 && !wav.empty() && mplWave_->Open(wav)) {
    TraceVoice("start", wav);
    mplWave_->Play([this](platform::MediaNotice notice) { mplWaveNotify(notice); });
    ++timing_.voiceStep;
    return;
  }
  timing_.voiceStep = CounterTiming::kVoicesOver;
}

int TfrmCount::NextVoice() const {
  if (!composition_.entry || timing_.voiceStep >= 6) return 0;
  return composition_.entry->voices[static_cast<std::size_t>(timing_.voiceStep)];
}

void TfrmCount::mplWaveNotify(platform::MediaNotice notice) {
  switch (notice) {
    case platform::MediaNotice::Successful: {
      TraceVoice("end");
      if (timing_.voiceStep >= CounterTiming::kVoicesOver) break;  // the sequence is already over
      // The next voice is extracted and decoded during the pause, so it
      // starts 500 ms after this one ended, not 500 ms plus its decoding.
      QElapsedTimer preparing;
      preparing.start();
      nextWav_ = PrepareVoice(NextVoice());
      timNext_.setInterval(std::max<int>(0, kVoicePause - static_cast<int>(preparing.elapsed())));
      timNext_.start();
      break;
    }
    case platform::MediaNotice::Failure:
      // No device or an unplayable file must not keep the window open forever.
      timing_.voiceStep = CounterTiming::kVoicesOver;
      break;
    default: break;  // superseded and aborted playbacks are not the end of a voice
  }
}

void TfrmCount::timNextTimer() {  // single-shot: it has stopped itself
  if (NextVoice() == 0) {
    timing_.voiceStep = CounterTiming::kVoicesOver;
    TraceVoice("over");
    return;
  }
  PlayPrepared(std::exchange(nextWav_, {}));
}

void TfrmCount::TraceVoice(const char* what, const std::string& file) const {
  // For the voice timing benchmark: milliseconds since the process started.
  static const bool tracing = qEnvironmentVariableIsSet("VPCOUNTER_TRACE_VOICES");
  if (tracing)
    std::fprintf(stderr, "vpcounter: voice %d %s %lld %s\n", timing_.voiceStep, what,
                 static_cast<long long>(platform::MillisecondsSinceStart()), file.c_str());
}

void TfrmCount::timDelayTimer() {
  timing_.showTime = platform::CurrentTime();  // timDelay is single-shot: it has stopped itself
  FormShow();
  PlayVoice(composition_.entry ? composition_.entry->voices[0] : 0);
}

void TfrmCount::timTimerTimer() {
  if (timing_.DueToClose(platform::CurrentTime(), state::TheSettings().timer)) {
    TraceVoice("closed");
    close();
  }
}

void TfrmCount::EndNow() {
  timTimer_.stop();
  timNext_.stop();
  timDelay_.stop();
  timing_.voiceStep = CounterTiming::kVoicesOver;
  if (mplWave_) mplWave_->Close();
  gamedata::DeleteExtractedFiles(gamedata::ExtractedKind::Voices);
  close();
}

void TfrmCount::ReportError(const QString& text) { shell::ReportErrorWithoutWaiting(this, text); }

void TfrmCount::closeEvent(QCloseEvent* event) {
  timTimer_.stop();
  event->accept();
  // A tool window does not end the message loop by itself: the entry point
  // ends it on this signal.
  emit Closed();
}

}  // namespace vp::counter
