// The startup entry on Windows: a shell link in a Startup folder, read back
// through the shell's own link object under Wine.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shobjidl.h>

#include "base/utf8_file.h"
#include "platform/executable.h"
#include "platform/files.h"
#include "platform/startup_entry.h"
#include "test_support.h"

namespace vp::platform {
namespace {

struct Link {
  std::wstring path, arguments, folder;
};

// What the shell reads from the link: its target, arguments and working folder.
Link Resolve(const std::string& file) {
  Link read;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  IPersistFile* persist = nullptr;
  wchar_t text[MAX_PATH] = {};
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
      SUCCEEDED(persist->Load(Utf8Path(file).c_str(), STGM_READ))) {
    if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) read.path = text;
    if (SUCCEEDED(link->GetArguments(text, MAX_PATH))) read.arguments = text;
    if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) read.folder = text;
  }
  if (persist) persist->Release();
  if (link) link->Release();
  CoUninitialize();
  return read;
}

TEST(StartupEntry, TheUsersAndAllUsersStartupFoldersHoldTheLink) {
  const StartupPlace user = LocateStartupPlace(0, "ヴェルベル起動カウンター＋(プラス).lnk");
  const StartupPlace all = LocateStartupPlace(1, "ヴェルベル起動カウンター＋(プラス).lnk");
  ASSERT_FALSE(user.folder.empty());
  ASSERT_FALSE(all.folder.empty());
  EXPECT_NE(user.folder, all.folder);
  EXPECT_EQ(user.entry, JoinPath(user.folder, "ヴェルベル起動カウンター＋(プラス).lnk"));
  EXPECT_EQ(kStartupEntryExtension, ".lnk");
}

TEST(StartupEntry, TheLinkStartsTheProgramWithCInItsWorkingFolder) {
  test::TempDir dir;
  const StartupPlace place{dir / "Startup", dir / "Startup\\ヴェルベル起動カウンター＋(プラス).lnk", ""};
  const std::string program = ExecutablePath();
  const std::string work = dir / "作業";
  ASSERT_TRUE(CreateFolders(work));
  ASSERT_TRUE(WriteStartupEntry(place, {program, "/C", work, "ヴェルベル起動カウンター＋", "起動カウンター"}));
  const Link link = Resolve(place.entry);
  EXPECT_EQ(link.path, Utf8Path(program).wstring());
  EXPECT_EQ(link.arguments, L"/C");
  EXPECT_EQ(link.folder, Utf8Path(work).wstring());
  EXPECT_EQ(StartupEntryProgram(place.entry), program);
  EXPECT_TRUE(StartsProgram(StartupEntryProgram(place.entry), program));
  EXPECT_EQ(FindFiles(place.folder, "*").size(), 1u);  // nothing else left in the Startup folder

  // Written again for another copy: replaced whole, and no longer ours.
  const std::string other = dir / "other.exe";
  test::WriteFile(other, "MZ");
  ASSERT_TRUE(WriteStartupEntry(place, {other, "/C", "", "t", "c"}));
  EXPECT_EQ(Resolve(place.entry).folder, Utf8Path(dir.path()).wstring());  // the program's own folder
  EXPECT_FALSE(StartsProgram(StartupEntryProgram(place.entry), program));
  EXPECT_FALSE(StartsProgram(dir / "gone.exe", program));
  EXPECT_EQ(StartupEntryProgram(dir / "missing.lnk"), "");

  EXPECT_TRUE(RemoveStartupEntry(place));
  EXPECT_FALSE(NameTaken(place.entry));
}

}  // namespace
}  // namespace vp::platform
