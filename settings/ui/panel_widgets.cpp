#include "settings/ui/panel_widgets.h"

namespace vp::settings {

QFrame* ColouredPanel(QWidget* parent, const char* name, const QRect& geometry, QFrame::Shape shape,
                      const QColor& colour) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setGeometry(geometry);
  panel->setFrameStyle(shape | QFrame::Sunken);
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, colour);
  panel->setPalette(palette);
  return panel;
}

QLabel* PanelLabel(QWidget* parent, const char* text, int left, int top, const QColor& colour, const QFont& font,
                   const char* name) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace vp::settings

namespace vp::settings {

QLabel* TieCaption(QWidget* parent, QWidget* control, const QString& caption) {
  auto* label = new QLabel(caption, parent);
  label->setGeometry(control->x(), control->y(), 0, 0);  // shown, so the relation reaches at-spi, but never seen
  label->setBuddy(control);
  control->setAccessibleName(caption);
  return label;
}

}  // namespace vp::settings
