#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vp::platform {

// A surface of the compositor's top layer, for Wayland compositors that offer
// the wlr layer shell (KWin, sway and the other wlroots ones): above the
// windows, never given the keyboard, never maximised, centred on the screen by
// the compositor. An xdg-shell window can ask for none of these.
//
// It keeps a connection of its own, so it works beside any toolkit's.
class LayerSurface {
 public:
  // Null when no compositor answers at $WAYLAND_DISPLAY within timeoutMs, or
  // it offers no layer shell. name: the surface's namespace, which
  // compositors' rules match.
  static std::unique_ptr<LayerSurface> Open(const std::string& name, int width, int height, int timeoutMs);
  ~LayerSurface();
  LayerSurface(const LayerSurface&) = delete;
  LayerSurface& operator=(const LayerSurface&) = delete;

  // Readable when the compositor has sent something: call Dispatch then.
  int Fd() const;
  // Handles what has arrived and sends what waits, never blocking. False once
  // the connection is broken or the compositor has closed the surface.
  bool Dispatch();
  // The surface's picture: premultiplied 32-bit ARGB in native byte order,
  // the size it was opened with, rows `stride` bytes apart. Shown once the
  // compositor has configured the surface.
  void Show(const std::uint32_t* pixels, int stride);

  // Called from Dispatch, after what arrived has been handled; none of them
  // may destroy the surface (queue that instead).
  std::function<void()> onPresented;  // the first picture is on the screen
  std::function<void()> onClick;      // a pointer button pressed on it
  std::function<void()> onClosed;     // the compositor took it away

  struct Connection;

 private:
  explicit LayerSurface(std::unique_ptr<Connection> connection);
  void Commit();

  std::unique_ptr<Connection> c_;
};

}  // namespace vp::platform
