#pragma once
#include <string>

namespace vp::platform {

// A library bound at run time (LoadLibrary / GetProcAddress / FreeLibrary on
// Windows, dlopen here); null handles when it cannot be loaded.
void* LoadDynamicLibrary(const std::string& pathOrName);
void* FindLibrarySymbol(void* library, const char* name);
void FreeDynamicLibrary(void* library);

}  // namespace vp::platform
