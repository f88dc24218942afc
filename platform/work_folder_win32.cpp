#include "platform/work_folder.h"

#include <aclapi.h>
#include <shlobj.h>

#include <cerrno>
#include <random>

#include "platform/executable.h"
#include "platform/files.h"
#include "platform/win32_known_folder.h"
#include "platform/win32_strings.h"

namespace vp::platform {
namespace {

// The current user's security identifier, "" when it cannot be read.
std::string CurrentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  char buffer[256];
  DWORD size = 0;
  std::string sid;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer);
    sid.assign(static_cast<const char*>(user->User.Sid), GetLengthSid(user->User.Sid));
  }
  CloseHandle(token);
  return sid;
}

}  // namespace

std::string HomeFolder(const Environment& env) {
  if (const std::string home = env("USERPROFILE"); IsAbsolutePath(home)) return home;
  return KnownFolder(FOLDERID_Profile);
}

// A Windows copy, installed or unpacked, keeps each user's count in the
// user's own application data: its folder may be Program Files.
bool IsInstalledCopy(const std::string&) { return true; }

std::string UserStateFolder(const Environment& env) {
  if (const std::string local = env("LOCALAPPDATA"); IsAbsolutePath(local)) return local;
  return KnownFolder(FOLDERID_LocalAppData);
}

// Private on Windows means a real folder (no junction or link) that the
// user owns; the folders below %LOCALAPPDATA% inherit an access list that
// admits the user, the system and the administrators alone, and makePrivate
// has nothing to tighten there.
bool PrivateFolder(const std::string& folder, bool) {
  const std::string path = WithoutTrailingSeparator(folder);
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) == 0 || (a & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                            nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  const std::string user = CurrentUserSid();
  // A folder an administrator made for the user is owned by the group of
  // administrators; the user's own token lists it, so it counts as the user's.
  BOOL member = FALSE;
  const bool ours = owner && ((!user.empty() && EqualSid(owner, const_cast<char*>(user.data()))) ||
                              (CheckTokenMembership(nullptr, owner, &member) && member));
  LocalFree(descriptor);
  return ours;
}

WorkFolderEntry EnterWorkFolder(const Environment& env) {
  WorkFolderEntry entry;
  bool perUser = false;
  entry.wanted = ChooseThisCopysWorkFolder(env, perUser);
  const std::string path = WithoutTrailingSeparator(entry.wanted);
  bool usable = !entry.wanted.empty() && CreateFolders(path);
  // A junction, another user's folder or a file under our name is not ours to work in.
  if (usable && perUser) usable = PrivateFolder(entry.wanted);
  DWORD error = usable ? 0 : GetLastError();
  if (usable && !SetCurrentDirectoryW(Wide(path).c_str())) {
    usable = false;
    error = GetLastError();
  }
  if (usable) {
    entry.folder = entry.wanted;
    entry.usable = true;
    return entry;
  }
  entry.error = error == ERROR_ACCESS_DENIED ? EACCES : error == ERROR_PATH_NOT_FOUND ? ENOENT : EIO;
  // Never the current folder: its files are the user's. A new folder in the
  // user's temporary folder holds this run's extracted files and goes with it.
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  std::mt19937 random{std::random_device{}()};
  for (int attempt = 0; n > 0 && n <= MAX_PATH && attempt < 8; ++attempt) {
    const std::string scratch =
        JoinPath(Narrow(temp), "vpcounter-" + std::to_string(ProcessId()) + "-" + std::to_string(random() % 1000000));
    if (CreateDirectoryW(Wide(scratch).c_str(), nullptr)) {
      if (SetCurrentDirectoryW(Wide(scratch).c_str())) {
        entry.scratch = JoinPath(scratch, "");
        entry.folder = entry.scratch;
        return entry;
      }
      RemoveDirectoryW(Wide(scratch).c_str());
      break;
    }
  }
  entry.folder = JoinPath(CurrentFolder(), "");
  return entry;
}

void LeaveScratchFolder(const WorkFolderEntry& entry) {
  if (entry.scratch.empty()) return;
  // Only what this run put there: the folder was made new for it.
  for (const std::string& name : FindFiles(entry.scratch, "*")) RemoveFile(JoinPath(entry.scratch, name));
  // The current folder cannot be removed: step out of it first.
  SetCurrentDirectoryW(Wide(FolderOf(WithoutTrailingSeparator(entry.scratch))).c_str());
  RemoveEmptyFolder(WithoutTrailingSeparator(entry.scratch));
}

}  // namespace vp::platform
