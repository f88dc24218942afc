#pragma once
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "platform/startup_entry.h"
#include "shell/run_mode.h"

namespace vp::settings {

// The startup entry that starts counter mode at logon: a desktop entry
// here, "ヴェルベル起動カウンター＋(プラス).lnk" on Windows.
inline const std::string kShortcutName = shell::kProgramCaption + std::string(platform::kStartupEntryExtension);

// The entry of the program at `program`, started with `argument` in
// workFolder (the program's own folder when empty).
platform::StartupEntry CounterStartupEntry(const std::string& program, const std::string& argument,
                                          const std::string& workFolder = {});

// The two autostart scopes: 0 the current user's, 1 all users'.
struct StartupScope {
  std::string folder;    // empty when it cannot be determined
  std::string shortcut;  // the entry in folder, named kShortcutName
  std::string launcher;  // where the entry's links go when it needs them
  bool available = false;  // the menu item is enabled
  bool checked = false;    // the entry is on disk
  // The entry on disk starts another copy, or one that is gone (the program
  // was moved or unpacked elsewhere): desktops skip it or count elsewhere.
  bool startsOther = false;
  std::string otherProgram;  // what it starts then
  bool marked() const { return checked && !startsOther; }  // the menu item's mark
};

class StartupShortcuts {
 public:
  // Asks a Yes/No question (true only for Yes), or tells something (OK).
  using Ask = std::function<bool(const std::string& text)>;
  using Tell = std::function<void(const std::string& text)>;

  // Entries start `executable` in workFolder (its own folder when empty).
  StartupShortcuts(Ask ask, Tell tell, std::string executable, std::string workFolder = {});

  // Finds the startup folders and marks existing shortcuts.
  void Locate();
  // Marks again what is on disk now (another program may have changed it).
  void Refresh();
  void RegisterStartup(int scope, int other);
  void Remove();
  void KeepSingleShortcut();
  bool AnyHeld() const;  // an available scope holds the shortcut
  // The scope OK offers on a first run: the user's when available.
  int FirstRunScope() const { return scopes_[0].available ? 0 : 1; }

  const StartupScope& Scope(int i) const { return scopes_[static_cast<std::size_t>(i)]; }

 private:
  bool Holds(int i) const;
  void Delete(StartupScope& scope);

  Ask ask_;
  Tell tell_;
  std::string executable_;
  std::string workFolder_;
  std::array<StartupScope, 2> scopes_;
};

}  // namespace vp::settings
