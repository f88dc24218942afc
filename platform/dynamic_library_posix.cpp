#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace vp::platform {

void* LoadDynamicLibrary(const std::string& pathOrName) { return dlopen(pathOrName.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* FindLibrarySymbol(void* library, const char* name) { return library ? dlsym(library, name) : nullptr; }

void FreeDynamicLibrary(void* library) {
  if (library) dlclose(library);
}

}  // namespace vp::platform
