#include <map>
#include <variant>

#include "platform/text.h"
#include "platform/win32_strings.h"
#include "platform/windows_registry.h"

namespace vp::platform {
namespace {

std::string TypeErrorText(std::string_view name) { return "Invalid data type for '" + std::string(name) + "'"; }

// What a key holds under a name: a number, a text, or nothing readable.
using Stored = std::variant<std::monostate, std::int32_t, std::string>;

class WindowsKey : public RegistryKey {
 public:
  explicit WindowsKey(HKEY key) : key_(key) {}
  ~WindowsKey() override {
    Close();
    RegCloseKey(key_);
  }

  bool ValueExists(std::string_view name) const override {
    if (pending_.count(std::string(name))) return true;
    return RegQueryValueExW(key_, Wide(name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

  std::int32_t ReadInteger(std::string_view name) const override {
    const Stored v = Read(name);
    if (!std::holds_alternative<std::int32_t>(v)) throw RegistryError(TypeErrorText(name));
    return std::get<std::int32_t>(v);
  }

  std::string ReadString(std::string_view name) const override {
    const Stored v = Read(name);
    if (!std::holds_alternative<std::string>(v)) throw RegistryError(TypeErrorText(name));
    return std::get<std::string>(v);
  }

  void WriteInteger(std::string_view name, std::int32_t value) override { pending_[std::string(name)] = value; }

  void WriteString(std::string_view name, std::string_view value) override {
    if (IsValidUtf8(value)) pending_[std::string(name)] = std::string(value);
  }

  bool Close() override {
    bool stored = true;
    for (const auto& [name, value] : pending_) {
      LSTATUS status;
      if (const auto* number = std::get_if<std::int32_t>(&value)) {
        const DWORD data = static_cast<DWORD>(*number);
        status = RegSetValueExW(key_, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
      } else {
        const std::wstring text = Wide(std::get<std::string>(value));
        status = RegSetValueExW(key_, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
      }
      stored = stored && status == ERROR_SUCCESS;
    }
    pending_.clear();
    return stored;
  }

 private:
  Stored Read(std::string_view name) const {
    if (auto it = pending_.find(std::string(name)); it != pending_.end()) return it->second;
    const std::wstring wide = Wide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_, wide.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type == REG_DWORD && size == sizeof(DWORD)) {
      DWORD data = 0;
      if (RegQueryValueExW(key_, wide.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return {};
      return static_cast<std::int32_t>(data);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    // The value may change between the two calls: ask again until it fits.
    for (int attempt = 0; attempt < 4; ++attempt) {
      std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
      DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
      const LSTATUS status = RegQueryValueExW(key_, wide.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes);
      if (status == ERROR_MORE_DATA) {
        size = bytes;
        continue;
      }
      if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
      // A stored text need not end with its terminator, and may hold one early.
      text.resize(bytes / sizeof(wchar_t));
      if (const auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
      return Narrow(text);
    }
    return {};
  }

  HKEY key_;
  std::map<std::string, Stored> pending_;
};

}  // namespace

std::unique_ptr<RegistryKey> WindowsRegistry::OpenKey(RegRoot root, std::string_view path, bool create) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);  // the program's paths start at the root
  const HKEY base = root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const REGSAM view = root == RegRoot::LocalMachine ? KEY_WOW64_32KEY : 0;
  const std::wstring wide = Wide(path);
  HKEY key = nullptr;
  LSTATUS status = RegOpenKeyExW(base, wide.c_str(), 0, KEY_READ | KEY_SET_VALUE | view, &key);
  // A machine key an ordinary user may read but not change.
  if (status == ERROR_ACCESS_DENIED && !create) status = RegOpenKeyExW(base, wide.c_str(), 0, KEY_READ | view, &key);
  if (status == ERROR_FILE_NOT_FOUND && create)
    status = RegCreateKeyExW(base, wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_SET_VALUE | view,
                             nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return nullptr;
  return std::make_unique<WindowsKey>(key);
}

Registry& TheRegistry() {
  static WindowsRegistry registry;
  return registry;
}

}  // namespace vp::platform
