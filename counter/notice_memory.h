#pragma once
#include <set>
#include <string>

namespace vp::counter {

// Counter mode tells each cause once, not at every logon, until it changes:
// a notice the previous run also had is not told again; a cause that went
// away and comes back is told again. A cause that loses start-ups is told at
// every logon. What a run had is kept in the working folder (short
// fingerprints of the texts), not in the settings file, so that a damaged,
// read-only or unwritable settings file cannot make its own notice repeat.
class NoticeMemory {
 public:
  // Loads what the previous run had from the folder (with a separator);
  // nothing is remembered when the folder is empty.
  explicit NoticeMemory(std::string folder);
  // The text to tell now: text itself, or "" when the previous run had it too.
  std::string Tell(const std::string& text);
  // Always the text: a cause told at every logon, not remembered.
  std::string TellEveryTime(const std::string& text) { return text; }
  // A text told that reached nobody: not had, so the next run tells it.
  void Untold(const std::string& text) { current_.erase(Fingerprint(text)); }
  // Stores what this run had, for the next one.
  void Remember();

  static constexpr const char* kFileName = "told-notices.txt";

 private:
  static std::string Fingerprint(const std::string& text);

  std::string file_;  // empty: nothing is remembered
  std::set<std::string> previous_, current_;
};

}  // namespace vp::counter
