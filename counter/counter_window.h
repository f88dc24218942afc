#pragma once
#include <QTimer>
#include <QWidget>

#include "counter/counter_timing.h"
#include "platform/clock.h"

namespace vp::shell {
class TfrmData;
}

namespace vp::counter {

// The only window of counter mode: counts the start-up, shows itself at once or
// after the delay, and closes itself once the display time has passed.
class TfrmCount : public QWidget {
  Q_OBJECT
 public:
  TfrmCount();
  ~TfrmCount() override;

  // Shows the window now or arms the delay; the entry point calls it once the
  // message loop is about to start.
  void Start();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void ShowCounter();
  void PlayVoice(int voice);
  void timTimerTimer();
  void timDelayTimer();

  shell::TfrmData* data_ = nullptr;
  QTimer timTimer_;
  QTimer timDelay_;
  CounterTiming timing_;
  platform::TimeValue now_ = 0;
  platform::LocalTime nowTm_;
};

}  // namespace vp::counter
