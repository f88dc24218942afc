#include "shell/run_mode.h"

#include "base/ascii.h"

namespace vp::shell {

RunMode ChooseRunMode(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return RunMode::Settings;
  if (arguments.front() == "/C") return RunMode::Counter;
  return arguments.front() == "--preview" ? RunMode::Preview : RunMode::Settings;
}

}  // namespace vp::shell

namespace vp::shell {

namespace {
constexpr const char* kLastResort = "offscreen";

}  // namespace

std::string ChooseQtPlatform(RunMode mode, const std::function<std::string(const char*)>& env) {
  if (const std::string own = env("QT_QPA_PLATFORM"); !own.empty())
    return own.find(kLastResort) == std::string::npos ? own + ";" + kLastResort : own;
  const bool x11 = !env("DISPLAY").empty();
  const bool waylandSocket = !env("WAYLAND_DISPLAY").empty();
  const bool waylandSession = waylandSocket || env("XDG_SESSION_TYPE") == "wayland";
  bool waylandFirst = false;
  if (mode != RunMode::Settings) {  // the counter window, counting or not
    waylandFirst = !x11 && waylandSession;
  } else {
    const bool gnome = AsciiLowered(env("XDG_CURRENT_DESKTOP")).find("gnome") != std::string::npos ||
                       AsciiLowered(env("XDG_SESSION_DESKTOP")).find("gnome") != std::string::npos;
    waylandFirst = waylandSession && (!x11 || (waylandSocket && !gnome));
  }
  return std::string(waylandFirst ? "wayland;xcb;" : "xcb;wayland;") + kLastResort;
}

bool TalksToDisplayServer(const std::string& platformList, const std::function<std::string(const char*)>& env) {
  const std::string first = platformList.substr(0, platformList.find(';'));
  if (first == "xcb") return !env("DISPLAY").empty();
  return first.rfind("wayland", 0) == 0;
}

std::string PlatformFallbackNotice(RunMode mode, const std::string& list, const std::string& actual,
                                   const std::function<std::string(const char*)>& env) {
  if (actual != kLastResort || list.rfind(kLastResort, 0) == 0) return {};
  auto shown = [&](const char* name) {
    const std::string value = env(name);
    return std::string(name) + "=" + (value.empty() ? "(なし)" : value);
  };
  const std::string where = "(" + shown("DISPLAY") + ", " + shown("WAYLAND_DISPLAY") + ")";
  if (mode == RunMode::Counter)
    return "画面に接続できないため" + where + "、ウィンドウを出さずに起動を数えました。";
  if (mode == RunMode::Preview) return "画面に接続できないため" + where + "、プレビューを表示できません。";
  return "画面に接続できないため" + where +
         "、設定画面を開けません。X11 か Wayland のデスクトップから起動して下さい。"
         "Wayland だけのデスクトップでは qt6-wayland パッケージが必要です。";
}

}  // namespace vp::shell
