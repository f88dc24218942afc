#include "settings/chip_image.h"

#include <QMouseEvent>

namespace vp::settings {

void ChipImage::mousePressEvent(QMouseEvent* event) {
  if (onMouseDown) onMouseDown(event->button(), event->position().toPoint());
  QLabel::mousePressEvent(event);
}

void ChipImage::mouseReleaseEvent(QMouseEvent* event) {
  if (onMouseUp) onMouseUp(event->button(), event->position().toPoint());
  QLabel::mouseReleaseEvent(event);
}

}  // namespace vp::settings
