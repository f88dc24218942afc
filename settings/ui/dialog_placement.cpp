#include "settings/ui/dialog_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "shell/center_over.h"

namespace vp::settings {

void PlaceOver(QWidget* dialog, QWidget* owner) {
  if (!owner) return;
  const QRect o = owner->frameGeometry();
  const QSize d = dialog->frameGeometry().size().expandedTo(dialog->size());
  QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
  const QSize s = screen ? screen->geometry().size() : QSize(1920, 1080);
  const shell::WindowRect placed =
      shell::CenterOver({0, 0, d.width(), d.height()}, {o.left(), o.top(), o.width(), o.height()}, s.width(), s.height());
  dialog->move(placed.left, placed.top);
}

}  // namespace vp::settings
