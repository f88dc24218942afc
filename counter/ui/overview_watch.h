#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace vp::counter {

// Asks GNOME Shell whether its Activities overview is open, again and again
// until it is not (HoldForOverview), then calls whenClear once. Never
// blocks: each question is an asynchronous call with its own deadline, and
// no answer at all counts as a closed overview.
class OverviewWatch : public QObject {
 public:
  // whenClear is told how long the greeting was held.
  OverviewWatch(QObject* parent, std::function<void(std::int64_t heldMs)> whenClear);

 private:
  void Ask();
  void Clear();

  std::function<void(std::int64_t)> whenClear_;
  QElapsedTimer held_;
  QTimer lastResort_;
  bool done_ = false;
};

}  // namespace vp::counter
