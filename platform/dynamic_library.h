#pragma once
#include <string>
#include <string_view>

namespace vp::platform {

// A library bound at run time (LoadLibrary / GetProcAddress / FreeLibrary on
// Windows, dlopen here); null handles when it cannot be loaded.
void* LoadDynamicLibrary(const std::string& pathOrName);
void* FindLibrarySymbol(void* library, const char* name);
void FreeDynamicLibrary(void* library);

// A library's file name on this system: "libogog.so" here, "ogog.dll" on Windows.
inline std::string LibraryFileName(std::string_view name) {
#if defined(_WIN32)
  return std::string(name) + ".dll";
#else
  return "lib" + std::string(name) + ".so";
#endif
}

}  // namespace vp::platform
