#pragma once
#include "platform/registry.h"

namespace vp::platform {

// The Windows registry itself (built only for Windows). HKEY_LOCAL_MACHINE
// is read through its 32-bit view, where the game's installer, a 32-bit
// program, filed its key. Values are REG_DWORD and REG_SZ, as the program
// and the game write them; a key's writes are stored at Close.
class WindowsRegistry : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenKey(RegRoot root, std::string_view path, bool create) override;
};

}  // namespace vp::platform
