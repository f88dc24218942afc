#pragma once
#include <set>
#include <string>

#include "platform/registry.h"

namespace vp::counter {

// Counter mode tells each cause once, not at every logon, until it changes:
// a notice the previous run also had is not told again. What a run had is
// kept under the settings key as "notices" (short fingerprints of the texts);
// a cause that went away and comes back is told again.
class NoticeMemory {
 public:
  // Loads what the previous run had; nothing is remembered when reg is null.
  explicit NoticeMemory(platform::Registry* reg);
  // The text to tell now: text itself, or "" when the previous run had it too.
  std::string Tell(const std::string& text);
  // Stores what this run had, for the next one.
  void Remember();

 private:
  static std::string Fingerprint(const std::string& text);

  platform::Registry* reg_;
  std::set<std::string> previous_, current_;
};

}  // namespace vp::counter
