#include "platform/dynamic_library.h"

#include "platform/win32_strings.h"

namespace vp::platform {

// A full path is loaded with its own folder searched for what it needs; a
// bare name only from the system folders, never the current folder, where
// anyone may have put a library of that name.
void* LoadDynamicLibrary(const std::string& pathOrName) {
  const bool path = pathOrName.find_first_of("\\/") != std::string::npos;
  const DWORD flags = path ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_LIBRARY_SEARCH_SYSTEM32;
  std::wstring wide = Wide(pathOrName);
  for (auto& c : wide)
    if (c == L'/') c = L'\\';  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR wants a native full path
  return reinterpret_cast<void*>(LoadLibraryExW(wide.c_str(), nullptr, flags));
}

void* FindLibrarySymbol(void* library, const char* name) {
  return library ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name)) : nullptr;
}

void FreeDynamicLibrary(void* library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace vp::platform
