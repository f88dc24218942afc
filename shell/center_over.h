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

// Where a notice box goes beside a window without covering it: under it,
// left edges aligned, 8 px apart; where that leaves the screen area, above
// it; where neither fits, the screen's bottom; kept inside the area sideways.
WindowRect PlaceBeside(const WindowRect& window, int boxWidth, int boxHeight, const WindowRect& area);

}  // namespace vp::shell
