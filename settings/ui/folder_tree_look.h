#pragma once
#include <QIcon>
#include <QStyledItemDelegate>

namespace vp::settings {

// The folder list drawn as a folder tree: each row indented by its depth
// (Qt::UserRole + 1), its icon with it.
class FolderTreeDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  static constexpr int kIndent = 12;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Folder icons that tell an open folder (on the way to the chosen one) from a
// closed one at a glance, smooth at any scale.
QIcon OpenFolderIcon();
QIcon ClosedFolderIcon();

}  // namespace vp::settings
