#pragma once
#include <QLabel>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <future>
#include <memory>
#include <string>

#include "counter/counter_timing.h"
#include "counter/greeting.h"
#include "counter/ui/shape_widget.h"
#include "platform/clock.h"
#include "platform/media_player.h"
#include "platform/registry.h"
#include "png/bitmap.h"

namespace vp::shell {
class TfrmData;
}

namespace vp::counter {

// The only window of counter mode: counts the start-up, greets, speaks the
// voices and closes itself once they are over and the display time has passed.
class TfrmCount : public QWidget {
  Q_OBJECT
 public:
  // The registry holds the settings and the game's install key; tests hand in
  // their own. countHere: the working folder can keep our own history (false
  // when the program runs in a scratch folder; a sibling's history is still counted).
  explicit TfrmCount(platform::Registry& registry = platform::TheRegistry(), bool countHere = true);
  ~TfrmCount() override;

  // Shows the window now or arms the delay; the entry point calls it once the
  // message loop is about to start.
  void Start();
  // Ends the run at once (a logout): the voice stops, this run's pictures and
  // voices are removed, the count stays as it was saved.
  void EndNow();

  // The parts of the run a test (or the benchmark) may look at.
  bool VoicesOver() const { return timing_.voiceStep >= CounterTiming::kVoicesOver; }
  const CounterComposition& Composition() const { return composition_; }

 signals:
  // The window closed itself or was closed: the run is over.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void CreateControls();
  void ApplyComposition();
  void PlayVoice(int voice);
  // Extracts and decodes a voice when voices are on for the left character;
  // the WAV file, or "" when there is nothing to play.
  std::string PrepareVoice(int voice);
  void PlayPrepared(const std::string& wav);
  int NextVoice() const;  // the voice after the current step, 0 when the sequence is done
  void TraceVoice(const char* what, const std::string& file = {}) const;
  void mplWaveNotify(platform::MediaNotice notice);
  void timTimerTimer();
  void timNextTimer();
  void timDelayTimer();
  void ReportError(const QString& text);
  QLabel* MakeLabel(const Label& label);
  void CopyLabel(QLabel* target, const Label& label);

  platform::Registry& reg_;
  bool countHere_ = true;
  QElapsedTimer voiceClock_;  // from the first voice's start: the whole sequence is bounded
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

  CounterTiming timing_;
  CounterComposition composition_;
  png::Bitmap background_;
  std::future<png::Bitmap> backgroundLoad_;
  platform::TimeValue now_ = 0;
  platform::LocalTime nowTm_;
  std::string nextWav_;
};

}  // namespace vp::counter
