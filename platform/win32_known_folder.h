#pragma once
// For the Windows backends only: the shell's known folders.
#include <shlobj.h>

#include "platform/win32_strings.h"

namespace vp::platform {

// The folder's path, "" when the shell has none for this user.
inline std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path) folder = Narrow(path);
  CoTaskMemFree(path);
  return folder;
}

}  // namespace vp::platform
