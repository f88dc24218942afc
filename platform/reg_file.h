#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vp::platform {

// One registry value as a .reg export writes it.
struct RegValue {
  enum class Kind { Dword, String, Other };
  Kind kind = Kind::String;
  std::uint32_t dword = 0;
  std::string text;  // String: the value; Other: the text after '=' (hex:..., continuations joined)
};

// One line of a key's section: a value, or a line kept verbatim (a comment, a
// blank line, a line we do not understand).
struct RegEntry {
  std::string name;  // of a value; "" is the default value
  RegValue value;
  std::string original;  // the text as read ('\n' between continued lines); "" once changed
  bool verbatim = false;
};

struct RegKeyData {
  std::string path;  // below the root, "Software\Nivre\VP-COUNTER"; empty for the root itself
  std::string headerLine;  // the "[...]" line as read; "" for a key we created
  bool foreign = false;    // a section of another root, kept but never looked up
  bool implicitParent = false;  // made only as the parent of another key
  std::vector<RegEntry> entries;

  const RegValue* Find(std::string_view name) const;
  void Set(std::string_view name, RegValue value);
  void AddVerbatim(std::string text);
  // A value as read from its line (raw): a later line of the same name wins.
  void Store(std::string name, RegValue value, std::string raw);
  // Values only, in file order.
  std::vector<std::pair<std::string, RegValue>> Values() const;

 private:
  friend class RegFile;
  std::unordered_map<std::string, std::size_t> index_;  // folded name → entry
};

// A line that could not be understood and was skipped (kept verbatim).
struct RegFileIssue {
  int line = 0;
  std::string what;
};

// The content of one root's .reg file. Key and value names compare without
// regard to ASCII case, as in the Windows registry; their spelling is kept.
// Rewriting keeps the header, the encoding, the line ending, comments and lines
// the program does not understand; unchanged values keep their exact text.
class RegFile {
 public:
  enum class Encoding { Utf8, Utf8Bom, Utf16Le, Cp932 };

  explicit RegFile(std::string rootName) : rootName_(std::move(rootName)) {}

  // Nothing when the text is not a registry export at all (error: which line
  // and why, as a value). Single malformed lines are skipped and listed in skipped. Text
  // without a byte order mark that is not UTF-8 is read as code page 932, as
  // Japanese Windows and Wine's regedit under a Japanese locale write it.
  static std::optional<RegFile> Parse(std::string_view text, const std::string& rootName,
                                      RegFileIssue* error = nullptr, std::vector<RegFileIssue>* skipped = nullptr);
  // The text in the file's own encoding. Throws vp::Error when a value has a
  // character that encoding lacks (code page 932 has no emoji).
  std::string Serialize() const;

  const RegKeyData* FindKey(std::string_view path) const;
  RegKeyData* FindKey(std::string_view path);
  // Creates the key and its missing parents, as the registry does.
  RegKeyData& CreateKey(std::string_view path);

  const std::vector<RegKeyData>& Keys() const { return keys_; }
  Encoding encoding() const { return encoding_; }

 private:
  RegKeyData& AddKey(std::string path, std::string headerLine, bool foreign);
  // The key a "[...]" line (raw as read) opens; skipped says why when it is
  // no key of this root (it is kept, never read).
  RegKeyData* EnterSection(std::string_view line, const std::string& raw, const char** skipped);

  std::string rootName_;
  std::string header_ = "REGEDIT4";
  std::string newline_ = "\n";
  Encoding encoding_ = Encoding::Utf8;
  std::vector<std::string> preamble_;  // lines between the header and the first key
  std::vector<RegKeyData> keys_;
  std::unordered_map<std::string, std::size_t> index_;  // folded path → key
};

// "\Software\Nivre\" → "Software\Nivre": the form keys are stored under.
std::string NormalizeKeyPath(std::string_view path);

// UTF-16LE text (without its BOM) to UTF-8 and back; nothing for broken text.
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);
std::string Utf8ToUtf16Le(std::string_view utf8);

}  // namespace vp::platform
