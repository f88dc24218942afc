#include "counter/ui/shape_widget.h"

#include <QPainter>

namespace vp::counter {

ShapeWidget::ShapeWidget(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (kind_ == Kind::Circle) {
    p.drawEllipse(r);
  } else {
    const double radius = std::min(r.width(), r.height()) / 4;
    p.drawRoundedRect(r, radius, radius);
  }
}

}  // namespace vp::counter
