#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vp::shell {

// The application title and the captions and names made from it, in one place.
inline constexpr const char* kApplicationTitle = "ヴェルベル起動カウンター＋";
inline const std::string kProgramCaption = std::string(kApplicationTitle) + "(プラス)";  // the counter window
inline const std::string kSettingsCaption = kProgramCaption + "の設定";                // the main settings window

enum class RunMode { Counter, Settings };

// Only the first argument counts, byte for byte: "/C" is counter mode.
RunMode ChooseRunMode(const std::vector<std::string>& arguments);

// The Qt platform to ask for, or "" to leave Qt's choice. Under Wayland a
// client can neither centre nor raise its own window, so counter mode uses
// XWayland (xcb) when it is there and the user has not chosen a platform.
// env looks up an environment variable ("" when unset).
std::string ChooseQtPlatform(RunMode mode, const std::function<std::string(const char*)>& env);

}  // namespace vp::shell
