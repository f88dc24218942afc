#pragma once
#include <QString>

class QWidget;

namespace vp::shell {

// The framework's error display: a message box with the error's text.
// Unattended runs (counter mode) must not wait for a click, so they show it
// without blocking; it goes away when the program ends.
void ShowError(QWidget* owner, const QString& text, bool blocking);

}  // namespace vp::shell
