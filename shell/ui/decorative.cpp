#include "shell/ui/decorative.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace vp::shell {

namespace {

constexpr const char* kDecorativeProperty = "vpDecorative";

class DecorativeAccessible : public QAccessibleWidget {
 public:
  explicit DecorativeAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Graphic) {}
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.invisible = true;
    s.focusable = false;
    return s;
  }
  QString text(QAccessible::Text) const override { return {}; }
};

QAccessibleInterface* DecorativeFactory(const QString&, QObject* object) {
  if (!object || !object->isWidgetType() || !object->property(kDecorativeProperty).toBool()) return nullptr;
  return new DecorativeAccessible(static_cast<QWidget*>(object));
}

}  // namespace

void MarkDecorative(QWidget* widget) {
  static const bool installed = (QAccessible::installFactory(DecorativeFactory), true);
  (void)installed;
  widget->setProperty(kDecorativeProperty, true);
}

bool IsDecorative(const QWidget* widget) { return widget->property(kDecorativeProperty).toBool(); }

}  // namespace vp::shell
