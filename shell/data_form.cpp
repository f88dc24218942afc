#include "shell/data_form.h"

#include <QPainter>
#include <QPixmap>

namespace vp::shell {

TfrmData* frmData = nullptr;

namespace {
// Stands in until the artwork is embedded: a plain mark so the window has an icon.
QIcon MakeIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(255, 127, 127));
  painter.setPen(QPen(Qt::white, 2));
  painter.drawEllipse(2, 2, 28, 28);
  return QIcon(pixmap);
}
}  // namespace

TfrmData::TfrmData(QObject* owner) : QObject(owner), icon_(MakeIcon()) { frmData = this; }

TfrmData::~TfrmData() {
  if (frmData == this) frmData = nullptr;
}

}  // namespace vp::shell
