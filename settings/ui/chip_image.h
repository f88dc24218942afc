#pragma once
#include <QLabel>
#include <QMenu>
#include <functional>

namespace vp::settings {

// An image control that reports mouse presses and releases with the button and
// the position, as the chips' onMouseDown / onMouseUp handlers need them.
class ChipImage : public QLabel {
 public:
  using MouseHandler = std::function<void(Qt::MouseButton button, QPoint position)>;
  explicit ChipImage(QWidget* parent) : QLabel(parent) {}
  // The popup menu opens on the right button, after onMouseDown has run.
  void UsePopup(QMenu* menu);
  MouseHandler onMouseDown;
  MouseHandler onMouseUp;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace vp::settings
