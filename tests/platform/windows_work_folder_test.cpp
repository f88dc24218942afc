// The working folder on Windows: %LOCALAPPDATA%\vpcounter, a real folder
// the user owns, and a scratch folder of the run's own when it cannot be had.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "base/utf8_file.h"
#include "platform/files.h"
#include "platform/work_folder.h"
#include "test_support.h"

namespace vp::platform {
namespace {

Environment With(std::map<std::string, std::string> vars) {
  return [vars](const char* name) {
    const auto it = vars.find(name);
    return it == vars.end() ? std::string() : it->second;
  };
}

TEST(WindowsWorkFolder, EveryCopyCountsInTheUsersLocalApplicationData) {
  EXPECT_TRUE(IsInstalledCopy("C:\\Games\\VP\\"));  // unpacked or installed alike
  EXPECT_EQ(ChooseWorkFolder(With({{"LOCALAPPDATA", "C:\\Users\\p\\AppData\\Local"}}), "C:\\Program Files\\VP\\", true),
            "C:\\Users\\p\\AppData\\Local\\vpcounter\\");
  EXPECT_EQ(ChooseWorkFolder(With({{"VPCOUNTER_WORK_DIR", "D:\\count"}}), "C:\\VP\\", true), "D:\\count\\");
  // Not a full path: the shell's own answer instead.
  const std::string known = ChooseWorkFolder(With({{"LOCALAPPDATA", "relative"}}), "C:\\VP\\", true);
  EXPECT_TRUE(IsAbsolutePath(known)) << known;
  EXPECT_EQ(NameOf(WithoutTrailingSeparator(known)), "vpcounter");
}

TEST(WindowsWorkFolder, TheFolderIsMadeAndEnteredElseAScratchFolderServesAndGoes) {
  test::TempDir local;
  // Back where it was before local goes: Windows removes no current folder.
  struct Return {
    std::string folder = CurrentFolder();
    ~Return() { std::filesystem::current_path(Utf8Path(folder)); }
  } back;
  WorkFolderEntry entry = EnterWorkFolder(With({{"LOCALAPPDATA", local.path()}}));
  EXPECT_TRUE(entry.usable);
  EXPECT_EQ(entry.folder, local / "vpcounter\\");
  EXPECT_EQ(JoinPath(CurrentFolder(), ""), entry.folder);
  EXPECT_TRUE(PrivateFolder(entry.folder));
  EXPECT_FALSE(PrivateFolder(local / "missing"));

  test::WriteFile(local / "file", "");
  entry = EnterWorkFolder(With({{"LOCALAPPDATA", local / "file"}}));  // a file where the folder should go
  EXPECT_FALSE(entry.usable);
  ASSERT_FALSE(entry.scratch.empty());
  EXPECT_EQ(entry.folder, entry.scratch);
  test::WriteFile(JoinPath(entry.scratch, "0001.wav"), "x");
  LeaveScratchFolder(entry);
  EXPECT_FALSE(DirectoryExists(entry.scratch));
}

}  // namespace
}  // namespace vp::platform
