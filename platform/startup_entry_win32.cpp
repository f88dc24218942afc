#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/files.h"
#include "platform/startup_entry.h"
#include "platform/win32_known_folder.h"
#include "platform/win32_strings.h"

namespace vp::platform {
namespace {

// COM for this thread while the object lives; a thread already in another
// apartment keeps it (the shell link object is free to use from either).
class ComScope {
 public:
  ComScope() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialized_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialized_;
};

template <typename T>
class Com {
 public:
  ~Com() {
    if (p) p->Release();
  }
  T* p = nullptr;
};

// Whether two paths name one file (links followed): the same volume and index.
bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION info[2]{};
  const std::string* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    HANDLE h = CreateFileW(Wide(*paths[i]).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &info[i]);
    CloseHandle(h);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

}  // namespace

StartupPlace LocateStartupPlace(int scope, const std::string& entryName, const Environment&) {
  StartupPlace place;
  place.folder = KnownFolder(scope == 0 ? FOLDERID_Startup : FOLDERID_CommonStartup);
  if (!place.folder.empty()) place.entry = JoinPath(place.folder, entryName);
  return place;
}

// The link is saved in the user's temporary folder and moved into place, so
// the Startup folder, whose every file Windows opens at logon, never holds
// a half-written link or a temporary one under another name.
bool WriteStartupEntry(const StartupPlace& place, const StartupEntry& entry) {
  if (place.entry.empty()) return false;
  const std::string folder = WithoutTrailingSeparator(entry.workFolder.empty() ? FolderOf(entry.program) : entry.workFolder);
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH || !CreateFolders(place.folder)) return false;
  const std::string saved = NewTemporaryName(Narrow(std::wstring_view(temp, n))) + ".lnk";
  ComScope com;
  Com<IShellLinkW> link;
  Com<IPersistFile> file;
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(&link.p))) &&
            SUCCEEDED(link.p->SetPath(Wide(entry.program).c_str())) &&
            SUCCEEDED(link.p->SetArguments(Wide(entry.argument).c_str())) &&
            SUCCEEDED(link.p->SetWorkingDirectory(Wide(folder).c_str())) &&
            SUCCEEDED(link.p->SetDescription(Wide(entry.comment).c_str())) &&
            SUCCEEDED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) &&
            SUCCEEDED(file.p->Save(Wide(saved).c_str(), TRUE));
  ok = ok && MoveFileExW(Wide(saved).c_str(), Wide(place.entry).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(Wide(saved).c_str());
  return ok;
}

bool RemoveStartupEntry(const StartupPlace& place) {
  if (place.entry.empty()) return true;
  RemoveFile(place.entry);
  return !NameTaken(place.entry);
}

std::string StartupEntryProgram(const std::string& entryPath) {
  ComScope com;
  Com<IShellLinkW> link;
  Com<IPersistFile> file;
  wchar_t program[MAX_PATH] = {};
  // SLGP_RAWPATH: the path as stored, never resolved by a search that could
  // stall on a drive that is gone.
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link.p))) ||
      FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) ||
      FAILED(file.p->Load(Wide(entryPath).c_str(), STGM_READ)) ||
      FAILED(link.p->GetPath(program, MAX_PATH, nullptr, SLGP_RAWPATH)))
    return {};
  return Narrow(program);
}

bool StartsProgram(const std::string& entryProgram, const std::string& executable) {
  if (entryProgram.empty()) return false;
  if (SameFile(entryProgram, executable)) return true;
  // Without our own file to compare with, the names decide (Windows' without
  // regard to case); a gone program never matches us.
  if (FileExists(executable)) return false;
  return CompareStringOrdinal(Wide(entryProgram).c_str(), -1, Wide(executable).c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace vp::platform
