#pragma once
#include <array>
#include <functional>
#include <string>

#include "shell/run_mode.h"

namespace vp::settings {

// The desktop entry that starts counter mode at logon.
inline const std::string kShortcutName = shell::kProgramCaption + ".desktop";

// Writes the autostart entry (atomically): it runs `target` with `argument`
// in workFolder (the target's folder when empty). False when it cannot be written.
bool CreateShortcut(const std::string& shortcutPath, const std::string& target, const std::string& argument,
                    const std::string& workFolder = {});

// The entry's text; Exec quoting follows the desktop entry specification.
std::string DesktopEntryText(const std::string& target, const std::string& argument,
                             const std::string& workFolder = {});

// The two autostart scopes: 0 the current user's, 1 all users'.
struct StartupScope {
  std::string folder;    // empty when it cannot be determined
  std::string shortcut;  // folder + "/" + kShortcutName
  bool available = false;  // the menu item is enabled
  bool checked = false;    // the menu item's mark
};

class StartupShortcuts {
 public:
  // Asks a Yes/No question (true only for Yes), or tells something (OK).
  using Ask = std::function<bool(const std::string& text)>;
  using Tell = std::function<void(const std::string& text)>;

  // Entries start `executable` in workFolder (its own folder when empty).
  StartupShortcuts(Ask ask, Tell tell, std::string executable, std::string workFolder = {});

  // Finds the folders from the XDG environment and marks existing shortcuts.
  void Locate();
  void RegisterStartup(int scope, int other);
  void Remove();
  void KeepSingleShortcut();
  bool AnyHeld() const;  // an available scope holds the shortcut
  // The scope OK offers on a first run: the user's when available.
  int FirstRunScope() const { return scopes_[0].available ? 0 : 1; }

  const StartupScope& Scope(int i) const { return scopes_[static_cast<std::size_t>(i)]; }

 private:
  bool Holds(int i) const;

  Ask ask_;
  Tell tell_;
  std::string executable_;
  std::string workFolder_;
  std::array<StartupScope, 2> scopes_;
};

}  // namespace vp::settings
