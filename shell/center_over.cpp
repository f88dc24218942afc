#include "shell/center_over.h"

namespace vp::shell {

WindowRect CenterOver(WindowRect d, const WindowRect& o, int screenWidth, int screenHeight) {
  d.left = o.left + (o.width - d.width) / 2;
  d.top = o.top + (o.height - d.height) / 2;
  if (d.left < 0) d.left = 0;
  if (d.left + d.width > screenWidth) d.left = screenWidth - d.width;
  if (d.top < 0) d.top = 0;
  if (d.top + d.height > screenHeight) d.top = screenHeight - d.height;
  return d;
}

WindowRect PlaceBeside(const WindowRect& window, int boxWidth, int boxHeight, const WindowRect& area) {
  constexpr int kGap = 8;
  WindowRect box{window.left, window.top + window.height + kGap, boxWidth, boxHeight};
  const int areaBottom = area.top + area.height;
  if (box.top + boxHeight > areaBottom) {
    box.top = window.top - kGap - boxHeight;
    if (box.top < area.top) box.top = areaBottom - boxHeight;
  }
  if (box.left + boxWidth > area.left + area.width) box.left = area.left + area.width - boxWidth;
  if (box.left < area.left) box.left = area.left;
  return box;
}

}  // namespace vp::shell
