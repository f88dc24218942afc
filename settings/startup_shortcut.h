#pragma once
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "shell/run_mode.h"

namespace vp::settings {

// The desktop entry that starts counter mode at logon.
inline const std::string kShortcutName = shell::kProgramCaption + ".desktop";

// Whether a path can stand in an entry's Exec, TryExec or Path so that the
// desktop entry specification, systemd's autostart generator and dex all
// read it alike: the generator refuses an apostrophe in the program's path,
// reads %% literally and unescapes backslashes twice, and neither it nor dex
// takes a quote or $ in Path= as written.
bool EntrySafePath(std::string_view path);
// The same for Path=, which the generator writes into the unit's
// WorkingDirectory= with C escapes that systemd does not read back: ASCII only.
bool EntrySafeFolder(std::string_view path);

// The entry's text: it runs `program` with `argument` in workFolder (the
// program's folder when empty); TryExec makes desktops skip it once the
// program is gone. The paths must pass EntrySafePath and EntrySafeFolder.
std::string DesktopEntryText(const std::string& program, const std::string& argument,
                             const std::string& workFolder = {});

// The program an entry's Exec= starts (its first word, unquoted); "" when
// the text has none.
std::string EntryProgram(const std::string& entryText);
// Whether an entry's program is this one: the same file once links are
// followed; a program that is gone is never this one.
bool StartsProgram(const std::string& entryProgram, const std::string& executable);

// Writes the autostart entry (atomically). A program or working folder whose
// path cannot be written in an entry is reached through links in
// launcherFolder ("vpcounter" and "work"). False when nothing could be written.
bool CreateShortcut(const std::string& shortcutPath, const std::string& target, const std::string& argument,
                    const std::string& workFolder = {}, const std::string& launcherFolder = {});

// The two autostart scopes: 0 the current user's, 1 all users'.
struct StartupScope {
  std::string folder;    // empty when it cannot be determined
  std::string shortcut;  // folder + "/" + kShortcutName
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

  // Finds the folders from the XDG environment and marks existing shortcuts.
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
