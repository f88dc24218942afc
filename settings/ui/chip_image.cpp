#include "settings/ui/chip_image.h"

#include <QMouseEvent>

namespace vp::settings {

void ChipImage::UsePopup(QMenu* menu) {
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, menu, [this, menu](const QPoint& p) { menu->popup(mapToGlobal(p)); });
}

void ChipImage::mousePressEvent(QMouseEvent* event) {
  if (onMouseDown) onMouseDown(event->button(), event->position().toPoint());
  QLabel::mousePressEvent(event);
}

void ChipImage::mouseReleaseEvent(QMouseEvent* event) {
  if (onMouseUp) onMouseUp(event->button(), event->position().toPoint());
  QLabel::mouseReleaseEvent(event);
}

}  // namespace vp::settings
