#include "platform/drives.h"

#include "platform/win32_strings.h"

namespace vp::platform {

// The drive letters in use, each with its volume name where the drive is a
// fixed disk. Removable, network and optical drives are not asked for
// theirs: a drive without its medium, or a server that is gone, would keep
// the list waiting.
std::vector<Drive> SystemDrives() {
  std::vector<Drive> drives;
  wchar_t buffer[512];
  const DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer)), buffer);
  if (n == 0 || n >= std::size(buffer)) return drives;
  for (const wchar_t* root = buffer; *root; root += wcslen(root) + 1) {
    const UINT type = GetDriveTypeW(root);
    if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) continue;
    Drive drive{Narrow(root), Narrow(root)};
    wchar_t name[MAX_PATH + 1] = {};
    if (type == DRIVE_FIXED && GetVolumeInformationW(root, name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) && name[0])
      drive.label += " (" + Narrow(name) + ")";
    drives.push_back(drive);
  }
  return drives;
}

}  // namespace vp::platform
