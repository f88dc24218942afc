#pragma once
class QWidget;

namespace vp::shell {

// Marks a picture that only decorates (a background, a logo, a colour swatch)
// so screen readers pass it by: it is exposed as invisible, with no name.
void MarkDecorative(QWidget* widget);
bool IsDecorative(const QWidget* widget);

}  // namespace vp::shell
