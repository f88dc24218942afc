#include "settings/ui/folder_tree_look.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vp::settings {
namespace {

constexpr int kDepthRole = Qt::UserRole + 1;

// Drawn at the size asked for, so a 200 % screen gets a sharp icon.
class FolderIconEngine : public QIconEngine {
 public:
  explicit FolderIconEngine(bool open) : open_(open) {}
  void paint(QPainter* p, const QRect& rect, QIcon::Mode, QIcon::State) override {
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->translate(rect.topLeft());
    p->scale(rect.width() / 16.0, rect.height() / 16.0);
    const QColor edge(150, 110, 20), back(236, 186, 60), front(255, 214, 102);
    QPainterPath body;  // the back with its tab
    body.moveTo(1.5, 3.5);
    body.lineTo(6, 3.5);
    body.lineTo(7.5, 5);
    body.lineTo(14.5, 5);
    body.lineTo(14.5, 13.5);
    body.lineTo(1.5, 13.5);
    body.closeSubpath();
    p->setPen(QPen(edge, 1));
    p->setBrush(back);
    p->drawPath(body);
    QPainterPath flap;
    if (open_) {  // the front leans back: the folder is open
      flap.moveTo(3.5, 7.5);
      flap.lineTo(15.5, 7.5);
      flap.lineTo(13, 13.5);
      flap.lineTo(1.5, 13.5);
    } else {
      flap.moveTo(1.5, 6.5);
      flap.lineTo(14.5, 6.5);
      flap.lineTo(14.5, 13.5);
      flap.lineTo(1.5, 13.5);
    }
    flap.closeSubpath();
    p->setBrush(front);
    p->drawPath(flap);
    if (open_) {  // a sheet inside
      p->setPen(QPen(QColor(170, 170, 170), 1));
      p->setBrush(Qt::white);
      p->drawRect(QRectF(4.5, 4.5, 8, 3));
    }
    p->restore();
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }
  QIconEngine* clone() const override { return new FolderIconEngine(open_); }

 private:
  bool open_;
};

}  // namespace

QIcon OpenFolderIcon() { return QIcon(new FolderIconEngine(true)); }
QIcon ClosedFolderIcon() { return QIcon(new FolderIconEngine(false)); }

void FolderTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem indented = option;
  const int shift = index.data(kDepthRole).toInt() * kIndent;
  indented.rect.setLeft(option.rect.left() + shift);
  // The selection still spans the whole row.
  if (shift > 0 && (option.state & QStyle::State_Selected))
    painter->fillRect(QRect(option.rect.left(), option.rect.top(), shift, option.rect.height()),
                      option.palette.brush(QPalette::Highlight));
  QStyledItemDelegate::paint(painter, indented, index);
}

QSize FolderTreeDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.rwidth() += index.data(kDepthRole).toInt() * kIndent;
  return size;
}

}  // namespace vp::settings
