#include "counter/ui/counter_window.h"

#include "counter/ui/overview_watch.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QWindow>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QImage>
#include <QScreen>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include <exception>
#include <future>

#include "counter/ui/label_font.h"
#include "platform/executable.h"
#include "platform/registry.h"
#include "shell/run_mode.h"
#include "shell/ui/data_form.h"
#include "shell/ui/decorative.h"
#include "shell/ui/message_box.h"
#include "shell/characters.h"
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

QColor ToQColor(png::ColorValue c) { return QColor(png::RedOf(c), png::GreenOf(c), png::BlueOf(c)); }

Qt::WindowFlags WindowFlagsFor(bool borderless) {
  Qt::WindowFlags flags = Qt::Tool | Qt::WindowStaysOnTopHint;
  if (borderless) return flags | Qt::FramelessWindowHint;
  // Exactly these buttons: without CustomizeWindowHint Qt adds its defaults,
  // and under Wayland its own decorations then offer maximising a greeting
  // nobody may resize. Minimising a tool window there only loses it.
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (QGuiApplication::platformName() != QLatin1String("wayland")) flags |= Qt::WindowMinimizeButtonHint;
  return flags;
}

// Screen readers hear the counter as a notification whose name is the whole
// greeting, so it is spoken when it appears (it never takes the focus).
class CounterAccessible : public QAccessibleWidget {
 public:
  explicit CounterAccessible(TfrmCount* window) : QAccessibleWidget(window, QAccessible::Notification) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name || t == QAccessible::Description)
      return static_cast<TfrmCount*>(widget())->SpokenText();
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* CounterAccessibleFactory(const QString&, QObject* object) {
  if (auto* window = qobject_cast<TfrmCount*>(object)) return new CounterAccessible(window);
  return nullptr;
}
}  // namespace

TfrmCount::TfrmCount(platform::Registry& registry, const std::string& workFolder, bool countHere)
    : TfrmCount(registry, RunSetup::At(platform::ExecutableFolder(), workFolder, countHere)) {}

TfrmCount::TfrmCount(platform::Registry& registry, RunSetup setup)
    : TfrmCount(CounterRun(registry, std::move(setup), MeasureLabel)) {}

TfrmCount::TfrmCount(CounterRun run, GreetingPictures pictures)
    : QWidget(nullptr, WindowFlagsFor(false)),
      run_(std::move(run)),
      voices_({}, [this] { return clock_.elapsed(); }),
      pictures_(std::move(pictures)) {
  clock_.start();
  shell::TfrmData::RegisterArtwork();
  static const bool accessible = (QAccessible::installFactory(CounterAccessibleFactory), true);
  (void)accessible;
  // The background decodes on another core while the fonts load here.
  if (!pictures_.made)
    backgroundLoad_ = std::async(std::launch::async, [] { return shell::TfrmData::Artwork("counter_background"); });
  setWindowTitle(QString::fromStdString(shell::kProgramCaption));
  // A player already typing at logon keeps typing where they were.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kClientWidth, kClientHeight);
  timTimer_.setInterval(100);
  connect(&timTimer_, &QTimer::timeout, this, &TfrmCount::timTimerTimer);
  timNext_.setSingleShot(true);
  timNext_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 25 ms late
  connect(&timNext_, &QTimer::timeout, this, &TfrmCount::timNextTimer);
  timDelay_.setSingleShot(true);
  connect(&timDelay_, &QTimer::timeout, this, &TfrmCount::timDelayTimer);
  mplWave_ = platform::CreateMediaPlayer([this](std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
  });
  CreateControls();
  FormCreate();
}

TfrmCount::~TfrmCount() {
  // Stop the voice, remove the extracted pictures, free the data form.
  if (mplWave_) mplWave_->Close();
  EndRun(false);
  data_.reset();
}

QLabel* TfrmCount::MakeLabel() {
  // Its text, font and place come once, from the composition (ApplyComposition).
  auto* l = new QLabel(this);
  l->setAttribute(Qt::WA_TranslucentBackground);
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // text from the top, as a Windows label draws it
  return l;
}

void TfrmCount::CopyLabel(QLabel* target, const Label& label) {
  QFont font = LabelFont(label.pointSize);
  if (label.spacing != 100) font.setLetterSpacing(QFont::PercentageSpacing, label.spacing);
  target->setFont(font);
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
  shell::MarkDecorative(imgCount_);
  imgChar1_ = new QLabel(this);
  imgChar1_->setGeometry(kChar1Area.left, kChar1Area.top, kChar1Area.width, kChar1Area.height);
  imgChar0_ = new QLabel(this);
  imgChar0_->setGeometry(kChar0Area.left, kChar0Area.top, kChar0Area.width, kChar0Area.height);
  auto shape = [this](ShapeWidget::Kind kind, int l, int t, int w, int h) {
    auto* s = new ShapeWidget(kind, this);
    s->setGeometry(l, t, w, h);
    shell::MarkDecorative(s);
    return s;
  };
  shpChar0A_ = shape(ShapeWidget::Kind::RoundRect, kUpperBubble.left, kUpperBubble.top, kUpperBubble.width,
                     kUpperBubble.height);
  shpChar1A_ = shape(ShapeWidget::Kind::RoundRect, kLowerBubble.left, kLowerBubble.top, kLowerBubble.width,
                     kLowerBubble.height);
  shpChar0B_ = shape(ShapeWidget::Kind::Circle, 124, 42, 13, 13);
  shpChar1B_ = shape(ShapeWidget::Kind::Circle, 464, 83, 13, 13);
  shpChar1C_ = shape(ShapeWidget::Kind::Circle, 472, 83, 9, 9);
  for (QLabel** label : {&lblChar0A_, &lblChar0B_, &lblChar0C_, &lblChar1A_, &lblCount_, &lblChar1B_, &lblChar1C_,
                         &lblLast_, &lblChar1D_})
    *label = MakeLabel();
  shpChar0C_ = shape(ShapeWidget::Kind::Circle, 120, 46, 9, 9);
}

void TfrmCount::FormCreate() {
  data_ = std::make_unique<shell::TfrmData>();
  QApplication::setWindowIcon(data_->imgIcon());
  setWindowIcon(data_->imgIcon());
  if (!pictures_.made) pictures_.background = backgroundLoad_.get();
  const png::Bitmap& background = pictures_.background;
  if (!pictures_.made) {
    pictures_.pictures = run_.DrawPictures(background, kChar0Area, kChar1Area,
                                           [this]() -> const std::array<png::Bitmap, 6>& { return data_->imlChip(); });
    pictures_.MakeImages();
  }
  imgCount_->setPixmap(QPixmap::fromImage(std::move(pictures_.backgroundImage)));
  if (pictures_.pictures.drawn.left) imgChar0_->setPixmap(QPixmap::fromImage(std::move(pictures_.leftImage)));
  if (pictures_.pictures.drawn.right) imgChar1_->setPixmap(QPixmap::fromImage(std::move(pictures_.rightImage)));

  run_.Prepare();
  if (run_.settings().form) {
    setWindowFlags(WindowFlagsFor(true));
    setFixedSize(background.Width() > 0 ? background.Width() : kClientWidth,
                 background.Height() > 0 ? background.Height() : kClientHeight);
  }
  ApplyComposition();
  imgChar0_->setAccessibleName(QString::fromStdString(shell::CharacterName(0, run_.settings().char0, 0)));
  imgChar1_->setAccessibleName(QString::fromStdString(shell::CharacterName(0, run_.settings().char1, 0)));
  voices_ = run_.Voices([this] { return clock_.elapsed(); });
  // Told once the window is up and framed, so a box can be placed beside it.
  pendingNotice_ = QString::fromStdString(run_.NoticeText());
  timTimer_.start();
}

void TfrmCount::ApplyComposition() {
  const CounterLabels& l = run_.composition().labels;
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
  const int delay = run_.settings().delay;
  if (delay == 0) {
    Greet();
  } else {
    timDelay_.setInterval(delay * 1000);
    timDelay_.start();
  }
}

void TfrmCount::keyPressEvent(QKeyEvent* event) {
  // The greeting never takes the focus; when the player gives it, Esc closes it.
  if (event->key() == Qt::Key_Escape) close();
  else QWidget::keyPressEvent(event);
}

QString TfrmCount::SpokenText() const { return QString::fromStdString(SpokenGreeting(run_.composition().labels)); }

void TfrmCount::FormShow() {
  const bool onLayer = OpenLayerSurface();
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen && !onLayer) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  displayTime_.Requested(clock_.elapsed());
  exposePending_ = true;
  // A compositing window manager (mutter, KWin) frames an X window only once
  // it is mapped: it would first appear a title bar too low and then jump.
  // It stays transparent until CentreFrame has put the frame in place.
  veiled_ = QGuiApplication::platformName() == QLatin1String("xcb") && !(windowFlags() & Qt::FramelessWindowHint);
  if (veiled_) setWindowOpacity(0.0);
  show();
  if (onLayer) PaintLayerSurface();
  // The display time counts from the first expose, which a busy logon may
  // delay; the wait for it is bounded.
  if (QWindow* handle = windowHandle()) handle->installEventFilter(this);
  QTimer::singleShot(static_cast<int>(kLongestExposeWaitMs), this, [this] { Exposed(); });
  shell::SnapshotWhenShown(this);
  // For the start-up benchmark: the moment the window is up.
  if (qEnvironmentVariableIsSet("VPCOUNTER_TRACE_SHOWN"))
    std::fprintf(stderr, "vpcounter: shown %lld\n", static_cast<long long>(platform::MillisecondsSinceStart()));
}

std::string TfrmCount::Prepared(int voice) {
  const CounterRun::PreparedVoice prepared = run_.TakeVoice(voice);
  if (!prepared.error.empty()) ReportError(QString::fromStdString(prepared.error));
  return prepared.wav;
}

void TfrmCount::Follow(VoiceSequence::Step step) {
  switch (step.kind) {
    case VoiceSequence::Step::Kind::Play: {
      const std::string wav = Prepared(step.voice);
      mplWave_->LimitLength(step.longest);
      if (!wav.empty() && mplWave_->Open(wav)) {
        TraceVoice("start", wav);
        mplWave_->Play([this](platform::MediaNotice notice) { mplWaveNotify(notice); });
      } else {
        Follow(voices_.Failed());
      }
      break;
    }
    case VoiceSequence::Step::Kind::Wait:
      // The next voice is extracted and decoded during the pause.
      if (const std::string error = run_.PrepareAhead(step.voice); !error.empty())
        ReportError(QString::fromStdString(error));
      timNext_.setInterval(static_cast<int>(voices_.PauseLeft().count()));
      timNext_.start();
      break;
    case VoiceSequence::Step::Kind::Over: break;
  }
}

void TfrmCount::mplWaveNotify(platform::MediaNotice notice) {
  switch (notice) {
    case platform::MediaNotice::Successful:
      TraceVoice("end");
      Follow(voices_.Ended(true));
      break;
    case platform::MediaNotice::Failure: Follow(voices_.Ended(false)); break;
    default: break;  // superseded and aborted playbacks are not the end of a voice
  }
}

void TfrmCount::timNextTimer() {  // single-shot: it has stopped itself
  Follow(voices_.PauseOver());
  if (voices_.over()) TraceVoice("over");
}

void TfrmCount::TraceVoice(const char* what, const std::string& file) const {
  // For the voice timing benchmark: milliseconds since the process started.
  static const bool tracing = qEnvironmentVariableIsSet("VPCOUNTER_TRACE_VOICES");
  if (!tracing) return;
  // The step as the benchmark reads it: a voice's index at its start, the
  // voices started so far after that, 7 once the sequence is over.
  const int step = voices_.over() ? 7 : std::string_view(what) == "start" ? voices_.started() - 1 : voices_.started();
  std::fprintf(stderr, "vpcounter: voice %d %s %lld %s\n", step, what,
               static_cast<long long>(platform::MillisecondsSinceStart()), file.c_str());
}

void TfrmCount::timDelayTimer() {  // single-shot: it has stopped itself
  Greet();
}

void TfrmCount::Greet() {
  if (!run_.MayHoldForOverview()) return ShowGreeting();
  // Owned by the window: a run ended meanwhile takes it along.
  new OverviewWatch(this, [this](std::int64_t heldMs) {
    if (qEnvironmentVariableIsSet("VPCOUNTER_TRACE_SHOWN"))
      std::fprintf(stderr, "vpcounter: overview held %lld ms\n", static_cast<long long>(heldMs));
    ShowGreeting();
  });
}

void TfrmCount::ShowGreeting() {
  if (greeted_) return;
  greeted_ = true;
  FormShow();
  Follow(voices_.Start());
}

void TfrmCount::timTimerTimer() {
  if (!displayTime_.DueToClose(voices_.over(), clock_.elapsed(), run_.settings().timer)) return;
  // A notice box still being read, or a notice still on its way (at most
  // kNoticeAnswerMs), keeps the run, not the greeting.
  if ((noticeBox_ && clock_.elapsed() < noticeUntil_) || noticesOnTheirWay_ > 0) {
    if (isVisible()) hide();
    return;
  }
  TraceVoice("closed");
  close();
}

void TfrmCount::EndNow() {
  greeted_ = true;  // a greeting held for the overview is not shown after all
  timTimer_.stop();
  timNext_.stop();
  timDelay_.stop();
  voices_.Failed();
  if (mplWave_) mplWave_->Close();
  EndRun(true);
  close();
}

bool TfrmCount::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed()) Exposed();
  return QWidget::eventFilter(watched, event);
}

void TfrmCount::Exposed() {
  if (!exposePending_) return;
  exposePending_ = false;
  displayTime_.Exposed(clock_.elapsed());
  exposedAt_ = clock_.elapsed();
  if (layerPresented_) {  // the compositor placed it before it showed it
    Unveil();
    return NoticesReady();
  }
  // The window manager adds its frame once the window is mapped: centre the
  // framed window, not its inner area; then a notice box goes beside it.
  CentreFrame(kFrameTries, false);
}

void TfrmCount::Unveil() {
  if (unveiled_) return;
  unveiled_ = true;
  if (qEnvironmentVariableIsSet("VPCOUNTER_TRACE_SHOWN"))
    std::fprintf(stderr, "vpcounter: in place %lld\n", static_cast<long long>(platform::MillisecondsSinceStart()));
  if (veiled_) {
    setWindowOpacity(1.0);
    // The property change waits in Qt's X buffer until the X event source
    // runs, which under the GLib loop is only once woken: an idle window
    // might send nothing for seconds.
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance()) loop->wakeUp();
    displayTime_.Unveiled(clock_.elapsed());
  }
  // Screen readers speak a notification when it is shown.
  QAccessibleEvent shown(this, QAccessible::ObjectShow);
  QAccessible::updateAccessibility(&shown);
}

// Some window managers (mutter, KWin under XWayland) frame the window later
// than others, and some place it again after a first move: look again until
// the frame, not the inner area, is centred and stays so on a second look,
// a few times at most. Notices wait for this, so a box goes beside the
// final place.
void TfrmCount::CentreFrame(int triesLeft, bool wasCentred) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect frame = frameGeometry();
  const bool framed = frame.size() != size();
  bool centred = false;
  if (screen && framed) {
    const QRect area = screen->availableGeometry();
    // Rounded to the nearest pixel, where QRect::center() rounds down.
    const QPoint frameTopLeft(area.x() + (area.width() - frame.width() + 1) / 2,
                              area.y() + (area.height() - frame.height() + 1) / 2);
    centred = frameTopLeft == frame.topLeft();
    if (!centred) move(frameTopLeft + (pos() - frame.topLeft()));
  }
  // Shown once in place; unframed after the settling time, no frame is coming
  // (borderless, or a manager that draws none).
  if (centred || triesLeft == 0 || (!framed && clock_.elapsed() - exposedAt_ >= kFrameSettleMs)) Unveil();
  if (!(centred && wasCentred) && triesLeft > 0) {
    QTimer::singleShot(kFrameRetryMs, this, [this, triesLeft, centred] { CentreFrame(triesLeft - 1, centred); });
    return;
  }
  NoticesReady();
}

void TfrmCount::NoticesReady() {
  noticesReady_ = true;
  if (!pendingNotice_.isEmpty()) ReportError(std::exchange(pendingNotice_, QString()));
}

bool TfrmCount::OpenLayerSurface() {
  if (QGuiApplication::platformName() != QLatin1String("wayland") ||
      qEnvironmentVariableIsSet("VPCOUNTER_NO_LAYER_SHELL"))
    return false;
  layer_ = platform::LayerSurface::Open("vpcounter", width(), height(), kLayerAnswerMs);
  if (!layer_) return false;
  // Each callback comes from inside LayerSurface::Dispatch, which must not
  // see its surface go: what would end it is queued.
  layer_->onPresented = [this] {
    layerPresented_ = true;
    QMetaObject::invokeMethod(this, [this] { Exposed(); }, Qt::QueuedConnection);
  };
  // A card with no title bar: a click puts it away.
  layer_->onClick = [this] { QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection); };
  layer_->onClosed = [this] { QMetaObject::invokeMethod(this, [this] { LayerSurfaceClosed(); }, Qt::QueuedConnection); };
  layerWatch_ = std::make_unique<QSocketNotifier>(layer_->Fd(), QSocketNotifier::Read);
  connect(layerWatch_.get(), &QSocketNotifier::activated, this, [this] {
    if (layer_) layer_->Dispatch();
  });
  // Drawn by Qt, shown by the layer surface: no xdg-shell window is made.
  setAttribute(Qt::WA_DontShowOnScreen);
  return true;
}

void TfrmCount::PaintLayerSurface() {
  if (!layer_) return;
  QImage picture(size(), QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::transparent);
  render(&picture);
  layer_->Show(reinterpret_cast<const std::uint32_t*>(picture.constBits()), static_cast<int>(picture.bytesPerLine()));
}

void TfrmCount::LayerSurfaceClosed() {
  if (!layer_) return;
  layerWatch_.reset();
  layer_.reset();
  if (layerPresented_) {  // the compositor or the player put it away
    close();
    return;
  }
  // Refused before it showed: a plain window is better than none.
  setAttribute(Qt::WA_DontShowOnScreen, false);
  hide();
  show();
  if (QWindow* handle = windowHandle()) handle->installEventFilter(this);
}

void TfrmCount::hideEvent(QHideEvent* event) {
  // Hidden while a notice box is read, or closed: the surface goes too.
  if (testAttribute(Qt::WA_DontShowOnScreen)) {
    layerWatch_.reset();
    layer_.reset();
  }
  QWidget::hideEvent(event);
}

void TfrmCount::ReportError(const QString& text) {
  if (!noticesReady_) {  // not up and framed yet: told once it is
    pendingNotice_ += (pendingNotice_.isEmpty() ? QString() : QStringLiteral("\n\n")) + text;
    return;
  }
  ++noticesOnTheirWay_;
  shell::DeliverNotice(this, text, [this, text, size = static_cast<std::size_t>(text.size())](QWidget* box) {
    --noticesOnTheirWay_;
    if (qEnvironmentVariableIsSet("VPCOUNTER_TRACE_NOTICES"))
      std::fprintf(stderr, "vpcounter: notice %s: %s\n", box ? "in a box" : "delivered",
                   QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toUtf8().constData());
    if (!box) return;
    noticeBox_ = box;
    noticeUntil_ = std::max<std::int64_t>(noticeUntil_, clock_.elapsed() + NoticeReadingMs(size));
  });
}

void TfrmCount::EndRun(bool logout) {
  // A notice still on its way when the run ends reached nobody: the next run tells it.
  if (noticesOnTheirWay_ > 0) run_.NoticesNotDelivered();
  noticesOnTheirWay_ = 0;
  run_.Finish(logout);
}

void TfrmCount::closeEvent(QCloseEvent* event) {
  timTimer_.stop();
  if (noticeBox_) noticeBox_->close();
  event->accept();
  // A tool window does not end the message loop by itself: the entry point
  // ends it on this signal.
  emit Closed();
}

}  // namespace vp::counter
