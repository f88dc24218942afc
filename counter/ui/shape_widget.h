#pragma once
#include <QWidget>

namespace vp::counter {

// A shape control: white fill, one-pixel black outline.
class ShapeWidget : public QWidget {
 public:
  enum class Kind { RoundRect, Circle };
  ShapeWidget(Kind kind, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Kind kind_;
};

}  // namespace vp::counter
