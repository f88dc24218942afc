#pragma once
#include <QLabel>
#include <QPointer>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <future>
#include <memory>
#include <string>

#include "counter/counter_run.h"
#include "counter/counter_timing.h"
#include "counter/voice_sequence.h"
#include "counter/greeting.h"
#include "counter/ui/greeting_pictures.h"
#include "counter/ui/shape_widget.h"
#include "platform/clock.h"
#include "platform/layer_surface.h"
#include "platform/media_player.h"
#include "platform/registry.h"
#include "png/bitmap.h"

namespace vp::shell {
class TfrmData;
}

namespace vp::counter {

// The only window of counter mode: a view of one CounterRun. It shows what the
// run prepared, forwards the timers and the player's notices to the run's
// voice sequence, and closes itself once the voices are over and the display
// time has passed.
class TfrmCount : public QWidget {
  Q_OBJECT
 public:
  // The registry holds the settings and the game's install key; tests hand in
  // their own. countHere: the working folder can keep our own history (false
  // when the program runs in a scratch folder; a sibling's history is still counted).
  // workFolder: the run's working folder, with a separator.
  TfrmCount(platform::Registry& registry, const std::string& workFolder, bool countHere = true);
  // A window for any run setup: a preview, for one.
  TfrmCount(platform::Registry& registry, RunSetup setup);
  // A window for a run that may have counted already (CounterRun::Count),
  // with its pictures when they were made beforehand (MakeGreetingPictures).
  explicit TfrmCount(CounterRun run, GreetingPictures pictures = {});
  ~TfrmCount() override;

  // Shows the window now or arms the delay; the entry point calls it once the
  // message loop is about to start.
  void Start();
  // Ends the run at once (a logout): the voice stops, this run's pictures and
  // voices are removed, the count stays as it was saved.
  void EndNow();

  // The parts of the run a test (or the benchmark) may look at.
  bool VoicesOver() const { return voices_.over(); }
  const CounterComposition& Composition() const { return run_.composition(); }
  const state::Settings& RunSettings() const { return run_.settings(); }
  // The greeting as a screen reader says it.
  QString SpokenText() const;
  // A notice box beside the window, while one is shown.
  QWidget* NoticeBox() const { return noticeBox_; }

 signals:
  // The window closed itself or was closed: the run is over.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void FormCreate();
  // Shows the greeting and starts its voices; under GNOME once the shell's
  // overview, where the greeting would go unseen, has closed.
  void Greet();
  void ShowGreeting();
  void FormShow();
  void Exposed();  // the first expose, or the end of the wait for it
  void CentreFrame(int triesLeft, bool wasCentred);
  void Unveil();  // visible and announced, once in place
  void NoticesReady();  // up and placed: a notice box can go beside it
  // Under a Wayland compositor with the layer shell the greeting is drawn
  // into a layer surface of its own, above the windows and without the
  // focus; the widget itself stays off the screen.
  bool OpenLayerSurface();
  void PaintLayerSurface();
  void LayerSurfaceClosed();
  void EndRun(bool logout);
  void CreateControls();
  void ApplyComposition();
  // Does what the voice sequence asks: play a voice, prepare the next one
  // during the pause, or nothing once it is over.
  void Follow(VoiceSequence::Step step);
  std::string Prepared(int voice);  // the voice's WAV, prepared now or during the pause
  void TraceVoice(const char* what, const std::string& file = {}) const;
  void mplWaveNotify(platform::MediaNotice notice);
  void timTimerTimer();
  void timNextTimer();
  void timDelayTimer();
  void ReportError(const QString& text);
  QLabel* MakeLabel();
  void CopyLabel(QLabel* target, const Label& label);

  CounterRun run_;
  QElapsedTimer clock_;  // the voice sequence's milliseconds
  VoiceSequence voices_;
  std::unique_ptr<shell::TfrmData> data_;
  QLabel* imgCount_ = nullptr;
  QLabel* imgChar1_ = nullptr;
  QLabel* imgChar0_ = nullptr;
  ShapeWidget *shpChar0A_ = nullptr, *shpChar1A_ = nullptr, *shpChar0B_ = nullptr, *shpChar1B_ = nullptr,
              *shpChar1C_ = nullptr, *shpChar0C_ = nullptr;
  QLabel *lblChar0A_ = nullptr, *lblChar0B_ = nullptr, *lblChar0C_ = nullptr;
  QLabel *lblChar1A_ = nullptr, *lblCount_ = nullptr, *lblChar1B_ = nullptr;
  QLabel *lblChar1C_ = nullptr, *lblLast_ = nullptr, *lblChar1D_ = nullptr;
  std::unique_ptr<platform::MediaPlayer> mplWave_;
  QTimer timTimer_, timNext_, timDelay_;

  DisplayTime displayTime_;  // in clock_ milliseconds
  bool greeted_ = false;      // shown, or ended before it could be
  bool exposePending_ = false;
  std::int64_t exposedAt_ = 0;
  bool veiled_ = false;    // transparent until centred
  bool unveiled_ = false;
  QString pendingNotice_;        // told once the window is up
  bool noticesReady_ = false;    // shown and framed: a box can go beside it
  QPointer<QWidget> noticeBox_;  // the fallback box, its own window
  std::int64_t noticeUntil_ = 0;
  int noticesOnTheirWay_ = 0;    // sent, neither acknowledged nor boxed yet
  // Long enough for a window manager to frame and place a mapped window.
  static constexpr int kFrameSettleMs = 150;
  static constexpr int kFrameRetryMs = 30, kFrameTries = 30;
  std::unique_ptr<platform::LayerSurface> layer_;
  std::unique_ptr<QSocketNotifier> layerWatch_;
  bool layerPresented_ = false;
  static constexpr int kLayerAnswerMs = 500;  // a compositor that does not answer gets a plain window
  GreetingPictures pictures_;  // made beforehand, or here
  std::future<png::Bitmap> backgroundLoad_;
};

}  // namespace vp::counter
