#include "settings/ui/dialog_keys.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QPushButton>
#include <QWidget>

namespace vp::settings {

void EnterPressesFocusedButton(QWidget* window) {
  for (QPushButton* button : window->findChildren<QPushButton*>()) button->setAutoDefault(true);
}

namespace {
class ArrowOrder : public QObject {
 public:
  ArrowOrder(std::vector<QAbstractButton*> buttons, QObject* parent) : QObject(parent), buttons_(std::move(buttons)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int step = key == Qt::Key_Down || key == Qt::Key_Right ? 1 : key == Qt::Key_Up || key == Qt::Key_Left ? -1 : 0;
    if (step == 0) return false;
    const int n = static_cast<int>(buttons_.size());
    int at = 0;
    while (at < n && buttons_[static_cast<std::size_t>(at)] != watched) ++at;
    if (at == n) return false;
    // The next enabled one, wrapping round as Qt's own radio groups do.
    for (int i = 1; i < n; ++i) {
      QAbstractButton* next = buttons_[static_cast<std::size_t>(((at + step * i) % n + n) % n)];
      if (!next->isEnabled()) continue;
      next->setFocus(Qt::TabFocusReason);
      next->click();
      break;
    }
    return true;
  }

 private:
  std::vector<QAbstractButton*> buttons_;
};
}  // namespace

void ArrowsFollowOrder(const std::vector<QAbstractButton*>& buttons) {
  if (buttons.empty()) return;
  auto* order = new ArrowOrder(buttons, buttons.front());
  for (QAbstractButton* b : buttons) b->installEventFilter(order);
}

}  // namespace vp::settings
