#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vp::shell {

// The application title and the captions and names made from it, in one place.
inline constexpr const char* kApplicationTitle = "ヴェルベル起動カウンター＋";
inline const std::string kProgramCaption = std::string(kApplicationTitle) + "(プラス)";  // the counter window
inline const std::string kSettingsCaption = kProgramCaption + "の設定";                // the main settings window

// Preview: the counter window as at a logon, counting nothing ("--preview").
enum class RunMode { Counter, Settings, Preview };

// Only the first argument counts, byte for byte: "/C" is counter mode,
// "--preview" the preview, anything else settings mode.
RunMode ChooseRunMode(const std::vector<std::string>& arguments);

// The Qt platforms to try, as a QT_QPA_PLATFORM list ("xcb;wayland;offscreen"):
// the user's own choice first when set; else under Wayland with XWayland
// counter mode takes xcb (a Wayland client can neither centre nor raise its
// window) and settings mode the session's own, as Qt would (xcb on GNOME,
// whose Wayland has no window frames for Qt). offscreen comes last, so that
// where no window can open at all counter mode still counts the logon and
// settings mode can say why instead of aborting.
// env looks up an environment variable ("" when unset).
std::string ChooseQtPlatform(RunMode mode, const std::function<std::string(const char*)>& env);

// Whether Qt's first platform in the list will wait on a display server's
// answers (an X server that DISPLAY names, a Wayland compositor) rather
// than draw in memory.
bool TalksToDisplayServer(const std::string& platformList, const std::function<std::string(const char*)>& env);

// What to say on standard error when Qt fell back to `actual` although the
// list asked first for another platform; "" when nothing went wrong. Counter
// mode then runs without a window and still counts; settings mode cannot open.
std::string PlatformFallbackNotice(RunMode mode, const std::string& list, const std::string& actual,
                                   const std::function<std::string(const char*)>& env);

}  // namespace vp::shell
