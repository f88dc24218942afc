#include "platform/layer_surface.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include "layer-shell-client-protocol.h"

namespace vp::platform {

struct LayerSurface::Connection {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  wl_pointer* pointer = nullptr;
  zwlr_layer_shell_v1* shell = nullptr;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  wl_buffer* buffer = nullptr;
  wl_callback* frame = nullptr;
  void* pixels = nullptr;
  std::size_t bytes = 0;
  int width = 0, height = 0;
  bool configured = false, drawn = false, committed = false, presented = false, closed = false;
  bool pointerInside = false, clicked = false;

  ~Connection() {
    if (frame) wl_callback_destroy(frame);
    if (pointer) wl_pointer_destroy(pointer);
    if (seat) wl_seat_destroy(seat);
    if (layer) zwlr_layer_surface_v1_destroy(layer);
    if (surface) wl_surface_destroy(surface);
    if (buffer) wl_buffer_destroy(buffer);
    if (shell) zwlr_layer_shell_v1_destroy(shell);
    if (shm) wl_shm_destroy(shm);
    if (compositor) wl_compositor_destroy(compositor);
    if (registry) wl_registry_destroy(registry);
    if (pixels) munmap(pixels, bytes);
    if (display) {
      wl_display_flush(display);
      wl_display_disconnect(display);
    }
  }
};

namespace {
using Connection = LayerSurface::Connection;

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
  auto* c = static_cast<Connection*>(data);
  const std::string_view which(interface);
  if (which == wl_compositor_interface.name && version >= 1 && !c->compositor)
    c->compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
  else if (which == wl_shm_interface.name && !c->shm)
    c->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  else if (which == zwlr_layer_shell_v1_interface.name && !c->shell)
    c->shell = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
  else if (which == wl_seat_interface.name && !c->seat)
    c->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemove};

// Version 1 of the pointer: enter, leave, motion, button, axis.
const wl_pointer_listener kPointerListener{
    [](void* data, wl_pointer*, std::uint32_t, wl_surface* surface, wl_fixed_t, wl_fixed_t) {
      auto* c = static_cast<Connection*>(data);
      c->pointerInside = surface == c->surface;
    },
    [](void* data, wl_pointer*, std::uint32_t, wl_surface*) { static_cast<Connection*>(data)->pointerInside = false; },
    [](void*, wl_pointer*, std::uint32_t, wl_fixed_t, wl_fixed_t) {},
    [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
      auto* c = static_cast<Connection*>(data);
      if (state == WL_POINTER_BUTTON_STATE_PRESSED && c->pointerInside) c->clicked = true;
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    nullptr, nullptr, nullptr, nullptr, nullptr};

const wl_seat_listener kSeatListener{
    [](void* data, wl_seat* seat, std::uint32_t capabilities) {
      auto* c = static_cast<Connection*>(data);
      if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !c->pointer) {
        c->pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(c->pointer, &kPointerListener, c);
      }
    },
    nullptr};

const zwlr_layer_surface_v1_listener kLayerListener{
    [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t, std::uint32_t) {
      auto* c = static_cast<Connection*>(data);
      // The size asked for is kept: the compositor only suggests one.
      zwlr_layer_surface_v1_ack_configure(layer, serial);
      c->configured = true;
    },
    [](void* data, zwlr_layer_surface_v1*) { static_cast<Connection*>(data)->closed = true; }};

void OnFrameDone(void* data, wl_callback* callback, std::uint32_t) {
  auto* c = static_cast<Connection*>(data);
  wl_callback_destroy(callback);
  c->frame = nullptr;
  c->presented = true;
}
const wl_callback_listener kFrameListener{OnFrameDone};

// Reads and handles what the compositor sent, waiting at most timeoutMs for it.
bool ReadEvents(wl_display* display, int timeoutMs) {
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) return false;
  }
  // A compositor that reads nothing leaves the rest queued for the next call.
  if (wl_display_flush(display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display);
    return false;
  }
  pollfd p{wl_display_get_fd(display), POLLIN, 0};
  const int ready = poll(&p, 1, timeoutMs);
  if (ready > 0) {
    if (wl_display_read_events(display) < 0) return false;
  } else {
    wl_display_cancel_read(display);
  }
  return wl_display_dispatch_pending(display) >= 0;
}

// A round trip that gives up when the compositor does not answer in time.
bool RoundTrip(wl_display* display, int timeoutMs) {
  bool done = false;
  static const wl_callback_listener listener{[](void* data, wl_callback* callback, std::uint32_t) {
    *static_cast<bool*>(data) = true;
    wl_callback_destroy(callback);
  }};
  wl_callback* sync = wl_display_sync(display);
  wl_callback_add_listener(sync, &listener, &done);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
    if (left <= 0 || !ReadEvents(display, static_cast<int>(left))) break;
  }
  // Unanswered, the callback stays with the connection, which goes away with it.
  return done;
}

wl_buffer* MakeBuffer(Connection& c) {
  const int stride = c.width * 4;
  c.bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(c.height);
  const int fd = memfd_create("vpcounter-greeting", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) return nullptr;
  wl_buffer* buffer = nullptr;
  if (ftruncate(fd, static_cast<off_t>(c.bytes)) == 0) {
    void* mapped = mmap(nullptr, c.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped != MAP_FAILED) {
      c.pixels = mapped;
      wl_shm_pool* pool = wl_shm_create_pool(c.shm, fd, static_cast<std::int32_t>(c.bytes));
      buffer = wl_shm_pool_create_buffer(pool, 0, c.width, c.height, stride, WL_SHM_FORMAT_ARGB8888);
      wl_shm_pool_destroy(pool);
    }
  }
  close(fd);
  return buffer;
}
}  // namespace

std::unique_ptr<LayerSurface> LayerSurface::Open(const std::string& name, int width, int height, int timeoutMs) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  auto c = std::make_unique<Connection>();
  c->width = width;
  c->height = height;
  c->display = wl_display_connect(nullptr);
  if (!c->display) return nullptr;
  c->registry = wl_display_get_registry(c->display);
  wl_registry_add_listener(c->registry, &kRegistryListener, c.get());
  if (!RoundTrip(c->display, timeoutMs) || !c->compositor || !c->shm || !c->shell) return nullptr;
  c->buffer = MakeBuffer(*c);
  if (!c->buffer) return nullptr;
  if (c->seat) wl_seat_add_listener(c->seat, &kSeatListener, c.get());
  c->surface = wl_compositor_create_surface(c->compositor);
  c->layer = zwlr_layer_shell_v1_get_layer_surface(c->shell, c->surface, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_TOP,
                                                   name.c_str());
  zwlr_layer_surface_v1_add_listener(c->layer, &kLayerListener, c.get());
  zwlr_layer_surface_v1_set_size(c->layer, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
  // No anchor: the compositor centres it. No keyboard: the player types on.
  zwlr_layer_surface_v1_set_anchor(c->layer, 0);
  zwlr_layer_surface_v1_set_keyboard_interactivity(c->layer, 0);
  wl_surface_commit(c->surface);
  wl_display_flush(c->display);
  return std::unique_ptr<LayerSurface>(new LayerSurface(std::move(c)));
}

LayerSurface::LayerSurface(std::unique_ptr<Connection> connection) : c_(std::move(connection)) {}

LayerSurface::~LayerSurface() = default;

int LayerSurface::Fd() const { return wl_display_get_fd(c_->display); }

bool LayerSurface::Dispatch() {
  const bool wasPresented = c_->presented;
  const bool wasClosed = c_->closed;
  if (!ReadEvents(c_->display, 0) || wl_display_get_error(c_->display) != 0) c_->closed = true;
  if (!c_->closed) Commit();
  const bool open = !c_->closed;
  if (c_->presented && !wasPresented && onPresented) onPresented();
  if (c_->closed && !wasClosed && onClosed) onClosed();
  if (std::exchange(c_->clicked, false) && open && onClick) onClick();
  return open;
}

void LayerSurface::Show(const std::uint32_t* pixels, int stride) {
  const std::size_t row = static_cast<std::size_t>(c_->width) * 4;
  for (int y = 0; y < c_->height; ++y)
    std::memcpy(static_cast<char*>(c_->pixels) + row * static_cast<std::size_t>(y),
                reinterpret_cast<const char*>(pixels) + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y),
                row);
  c_->drawn = true;
  c_->committed = false;
  Dispatch();
}

void LayerSurface::Commit() {
  // Nothing may be attached before the first configure.
  if (!c_->configured || !c_->drawn || c_->committed) return;
  c_->committed = true;
  wl_surface_attach(c_->surface, c_->buffer, 0, 0);
  wl_surface_damage(c_->surface, 0, 0, c_->width, c_->height);
  if (!c_->presented && !c_->frame) {
    c_->frame = wl_surface_frame(c_->surface);
    wl_callback_add_listener(c_->frame, &kFrameListener, c_.get());
  }
  wl_surface_commit(c_->surface);
  wl_display_flush(c_->display);
}

}  // namespace vp::platform
