#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vp::platform {

// One registry value as a .reg export writes it.
struct RegValue {
  enum class Kind { Dword, String, Other };
  Kind kind = Kind::String;
  std::uint32_t dword = 0;
  std::string text;  // String: the value; Other: the text after '=' kept verbatim (hex:...)
};

struct RegKeyData {
  std::string path;  // below the root, "Software\Nivre\VP-COUNTER"; empty for the root itself
  std::vector<std::pair<std::string, RegValue>> values;  // name "" is the default value

  const RegValue* Find(std::string_view name) const;
  void Set(std::string_view name, RegValue value);
};

// The content of one root's .reg file. Key and value names compare without
// regard to ASCII case, as in the Windows registry; their spelling is kept.
class RegFile {
 public:
  explicit RegFile(std::string rootName) : rootName_(std::move(rootName)) {}

  // Nothing when the text is not a registry export of this root.
  static std::optional<RegFile> Parse(std::string_view text, const std::string& rootName,
                                      std::string* error = nullptr);
  std::string Serialize() const;

  const RegKeyData* FindKey(std::string_view path) const;
  RegKeyData* FindKey(std::string_view path);
  // Creates the key and its missing parents, as the registry does.
  RegKeyData& CreateKey(std::string_view path);

  const std::vector<RegKeyData>& Keys() const { return keys_; }

 private:
  std::string rootName_;
  std::vector<RegKeyData> keys_;
};

// "\Software\Nivre\" → "Software\Nivre": the form keys are stored under.
std::string NormalizeKeyPath(std::string_view path);

}  // namespace vp::platform
