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

}  // namespace vp::shell
