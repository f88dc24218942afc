#pragma once
#include <vector>

class QAbstractButton;
class QWidget;

namespace vp::settings {

// Enter on a focused button presses that button, in every window; the
// default button takes Enter only while no button has the focus.
void EnterPressesFocusedButton(QWidget* window);

// Arrow keys move through the buttons in the order given (the order they are
// read on screen), checking each as they go, whatever their geometry says.
void ArrowsFollowOrder(const std::vector<QAbstractButton*>& buttons);

}  // namespace vp::settings
