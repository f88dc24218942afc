#include "shell/run_mode.h"

namespace vp::shell {

RunMode ChooseRunMode(const std::vector<std::string>& arguments) {
  return !arguments.empty() && arguments.front() == "/C" ? RunMode::Counter : RunMode::Settings;
}

}  // namespace vp::shell

namespace vp::shell {

std::string ChooseQtPlatform(RunMode mode, const std::function<std::string(const char*)>& env) {
  if (mode != RunMode::Counter || !env("QT_QPA_PLATFORM").empty() || env("DISPLAY").empty()) return {};
  const bool wayland = !env("WAYLAND_DISPLAY").empty() || env("XDG_SESSION_TYPE") == "wayland";
  return wayland ? "xcb" : "";
}

}  // namespace vp::shell
