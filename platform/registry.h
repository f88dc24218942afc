#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "platform/reg_file.h"

namespace vp::platform {

enum class RegRoot { CurrentUser, LocalMachine };

// Raised when a value is missing or stored with the other type, as on Windows.
class RegistryError : public vp::Error {
 public:
  using vp::Error::Error;
};

// An open registry key. Writes are kept until Close (or destruction) stores them.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual bool ValueExists(std::string_view name) const = 0;
  virtual std::int32_t ReadInteger(std::string_view name) const = 0;
  virtual std::string ReadString(std::string_view name) const = 0;
  virtual void WriteInteger(std::string_view name, std::int32_t value) = 0;
  // Values are UTF-8 text; one that is not (a path of raw Shift-JIS bytes) is
  // not stored, so it can never change how the rest of a file is read.
  virtual void WriteString(std::string_view name, std::string_view value) = 0;
  // False when the changes could not be stored.
  virtual bool Close() = 0;
};

// Something about a registry file that the user should hear of, once.
struct RegistryProblem {
  enum class Kind {
    Unreadable,   // not a registry export: ignored and never overwritten
    SkippedLine,  // a line that could not be understood: skipped, kept in the file
    NotAFile,     // a folder, FIFO or device under the file's name
    ReadOnly,     // changes were not stored: the file is read-only
    WriteFailed,  // changes were not stored: the file could not be written
  };
  Kind kind = Kind::Unreadable;
  RegRoot root = RegRoot::CurrentUser;  // whose file it is
  std::string file;
  int line = 0;        // 1-based line of an Unreadable or SkippedLine problem
  std::string detail;  // technical detail, English: the notices put it in the player's words
  int error = 0;       // errno of a WriteFailed problem
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Nothing when the key is missing (and create is false) or cannot be opened.
  virtual std::unique_ptr<RegistryKey> OpenKey(RegRoot root, std::string_view path, bool create) = 0;
  // The problems met since the last call, each reported once per run.
  virtual std::vector<RegistryProblem> TakeProblems() { return {}; }
};

// Registry backed by one .reg text file per root in a folder:
// HKEY_CURRENT_USER.reg and HKEY_LOCAL_MACHINE.reg.
class RegFileRegistry : public Registry {
 public:
  // An empty folder means: $VPCOUNTER_REGISTRY_DIR, else the XDG config folder's
  // vpcounter/registry, looked up again at every open.
  explicit RegFileRegistry(std::string folder = {}) : folder_(std::move(folder)) {}
  std::unique_ptr<RegistryKey> OpenKey(RegRoot root, std::string_view path, bool create) override;
  std::vector<RegistryProblem> TakeProblems() override;

  std::string Folder() const;
  std::string FileOf(RegRoot root) const;

  // Records a problem unless the same one was recorded before.
  void Report(RegistryProblem problem);

  // A root's file as parsed, and its text: one parse per content of the file,
  // however many keys a run opens and closes (reading is cheap, parsing is not;
  // the text itself, not a time stamp, tells whether the file changed). Nothing when it cannot be used
  // (the problem is reported); an empty export when there is no file.
  struct Parsed {
    std::shared_ptr<const RegFile> file;
    std::shared_ptr<const std::string> text;  // empty for a missing file
  };
  std::optional<Parsed> Load(const std::string& file, RegRoot root);
  // What was just written, so the next open need not parse it again.
  void Remember(const std::string& file, RegFile parsed, std::string text);

 private:
  std::map<std::string, Parsed> cache_;
  std::string folder_;
  std::vector<RegistryProblem> problems_;
  std::set<std::string> reported_;
};

std::string RootName(RegRoot root);

// The process-wide registry the program uses.
Registry& TheRegistry();

}  // namespace vp::platform
