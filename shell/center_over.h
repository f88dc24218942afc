#pragma once

namespace vp::shell {

struct WindowRect {
  int left = 0, top = 0, width = 0, height = 0;
};

// Places a dialog centred over its owner (outer sizes, the half truncated
// toward zero), then keeps it on a screen of the given size: a negative left
// becomes 0, a right edge past the screen moves it left, then the same for the
// top and the bottom.
WindowRect CenterOver(WindowRect dialog, const WindowRect& owner, int screenWidth, int screenHeight);

}  // namespace vp::shell
