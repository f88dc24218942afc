#include <gtest/gtest.h>
#include <climits>
#include <unistd.h>
#include <unistd.h>
#include <sys/stat.h>
#include <pwd.h>

#include <map>
#include <string>

#include "shell/run_mode.h"

namespace vp::shell {
namespace {

TEST(RunMode, OnlyTheExactFirstArgumentSelectsCounterMode) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ChooseRunMode(V{}), RunMode::Settings);
  EXPECT_EQ(ChooseRunMode(V{"/C"}), RunMode::Counter);
  EXPECT_EQ(ChooseRunMode(V{"/C", "more"}), RunMode::Counter);
  EXPECT_EQ(ChooseRunMode(V{"--preview"}), RunMode::Preview);
  EXPECT_EQ(ChooseRunMode(V{"x", "--preview"}), RunMode::Settings);
  for (const V& args : {V{"/c"}, V{"/C "}, V{"C"}, V{""}, V{"x", "/C"}, V{"-C"}}) {
    EXPECT_EQ(ChooseRunMode(args), RunMode::Settings) << (args.empty() ? "" : args[0]);
  }
}

TEST(RunMode, CounterModeUnderWaylandUsesXWaylandUnlessTheUserChose) {
  auto env = [](std::map<std::string, std::string> vars) {
    return [vars](const char* name) {
      auto it = vars.find(name);
      return it == vars.end() ? std::string() : it->second;
    };
  };
  // Counter mode: XWayland when there is one, else Wayland itself, offscreen as the last resort.
  EXPECT_EQ(ChooseQtPlatform(RunMode::Counter, env({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}})),
            "xcb;wayland;offscreen");
  EXPECT_EQ(ChooseQtPlatform(RunMode::Counter, env({{"WAYLAND_DISPLAY", "wayland-0"}})), "wayland;xcb;offscreen");
  EXPECT_EQ(ChooseQtPlatform(RunMode::Counter, env({{"XDG_SESSION_TYPE", "wayland"}})), "wayland;xcb;offscreen");
  EXPECT_EQ(ChooseQtPlatform(RunMode::Counter, env({{"DISPLAY", ":0"}})), "xcb;wayland;offscreen");
  EXPECT_EQ(ChooseQtPlatform(RunMode::Counter, env({})), "xcb;wayland;offscreen");
  // The user's choice comes first, still with the last resort behind it.
  EXPECT_EQ(ChooseQtPlatform(RunMode::Counter, env({{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}})),
            "wayland;offscreen");
  EXPECT_EQ(ChooseQtPlatform(RunMode::Settings, env({{"QT_QPA_PLATFORM", "offscreen"}})), "offscreen");
  // Settings mode: the session's own platform, as Qt chooses it.
  EXPECT_EQ(ChooseQtPlatform(RunMode::Settings, env({{"WAYLAND_DISPLAY", "w"}, {"DISPLAY", ":0"}})),
            "wayland;xcb;offscreen");
  EXPECT_EQ(ChooseQtPlatform(RunMode::Settings,
                             env({{"WAYLAND_DISPLAY", "w"}, {"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}})),
            "xcb;wayland;offscreen");
  EXPECT_EQ(ChooseQtPlatform(RunMode::Settings, env({{"DISPLAY", ":0"}})), "xcb;wayland;offscreen");

  // Falling back to offscreen is said, in each mode's words; asking for it is not.
  const auto none = env({});
  EXPECT_EQ(PlatformFallbackNotice(RunMode::Counter, "xcb;wayland;offscreen", "xcb", none), "");
  EXPECT_EQ(PlatformFallbackNotice(RunMode::Counter, "offscreen", "offscreen", none), "");
  const std::string counter = PlatformFallbackNotice(RunMode::Counter, "xcb;wayland;offscreen", "offscreen",
                                                     env({{"DISPLAY", ":7"}}));
  EXPECT_NE(counter.find("起動を数えました"), std::string::npos) << counter;
  EXPECT_NE(counter.find("DISPLAY=:7"), std::string::npos) << counter;
  EXPECT_NE(PlatformFallbackNotice(RunMode::Settings, "wayland;offscreen", "offscreen", none).find("設定画面を開けません"),
            std::string::npos);

  // The font configuration is read ahead only where Qt will wait on a server.
  EXPECT_TRUE(TalksToDisplayServer("xcb;wayland;offscreen", env({{"DISPLAY", ":0"}})));
  EXPECT_FALSE(TalksToDisplayServer("xcb;wayland;offscreen", none));  // it falls through to offscreen
  EXPECT_TRUE(TalksToDisplayServer("wayland;xcb;offscreen", none));
  EXPECT_TRUE(TalksToDisplayServer("wayland-egl", none));
  EXPECT_FALSE(TalksToDisplayServer("offscreen", env({{"DISPLAY", ":0"}})));
  EXPECT_FALSE(TalksToDisplayServer("", env({{"DISPLAY", ":0"}})));
}

}  // namespace
}  // namespace vp::shell

#include "platform/files.h"
#include "platform/executable.h"
#include "platform/work_folder.h"
#include "test_support.h"

namespace vp::platform {
namespace {

TEST(WorkFolder, OwnVariableThenPerUserStateForAnInstalledCopyThenTheProgramsFolder) {
  auto env = [](std::map<std::string, std::string> vars) -> Environment {
    return [vars](const char* name) {
      auto it = vars.find(name);
      return it == vars.end() ? std::string() : it->second;
    };
  };
  EXPECT_EQ(ChooseWorkFolder(env({{"VPCOUNTER_WORK_DIR", "/w"}, {"HOME", "/h"}}), "/usr/bin/", true), "/w/");
  // A relative one is taken from where the program was started, and kept absolute.
  char here[PATH_MAX];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  EXPECT_EQ(ChooseWorkFolder(env({{"VPCOUNTER_WORK_DIR", "w"}}), "/usr/bin/", true), std::string(here) + "/w/");
  EXPECT_EQ(ChooseWorkFolder(env({{"XDG_STATE_HOME", "/s"}, {"HOME", "/h"}}), "/usr/bin/", true), "/s/vpcounter/");
  EXPECT_EQ(ChooseWorkFolder(env({{"HOME", "/h"}}), "/usr/bin/", true), "/h/.local/state/vpcounter/");
  // A relative XDG_STATE_HOME is ignored, as the base directory specification says.
  EXPECT_EQ(ChooseWorkFolder(env({{"XDG_STATE_HOME", "s"}, {"HOME", "/h"}}), "/usr/bin/", true),
            "/h/.local/state/vpcounter/");
  EXPECT_EQ(ChooseWorkFolder(env({{"HOME", "/h"}}), "/opt/vp/", false), "/opt/vp/");

  // Without HOME the user database names the home; never a shared folder.
  EXPECT_EQ(ChooseWorkFolder(env({}), "/usr/bin/", true),
            std::string(getpwuid(getuid())->pw_dir) + "/.local/state/vpcounter/");
  EXPECT_EQ(ChooseWorkFolder(env({{"HOME", "relative"}}), "/usr/bin/", true),
            std::string(getpwuid(getuid())->pw_dir) + "/.local/state/vpcounter/");

  test::TempDir prefix;
  CreateFolders(prefix / "bin");
  EXPECT_FALSE(IsInstalledCopy(prefix / "bin/"));
  CreateFolders(PrivateLibraryFolder(prefix / "bin/"));
  EXPECT_TRUE(IsInstalledCopy(prefix / "bin/"));
}

TEST(WorkFolder, OnlyARealPrivateFolderOfTheUsersIsWorkedIn) {
  test::TempDir root;
  const std::string mine = root / "mine";
  ASSERT_EQ(mkdir(mine.c_str(), 0755), 0);
  EXPECT_TRUE(PrivateFolder(mine + "/"));
  struct stat st {};
  ASSERT_EQ(stat(mine.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);  // made private
  ASSERT_EQ(symlink(mine.c_str(), (root / "link").c_str()), 0);
  EXPECT_FALSE(PrivateFolder(root / "link"));
  test::WriteFile(root / "file", "");
  EXPECT_FALSE(PrivateFolder(root / "file"));
  EXPECT_FALSE(PrivateFolder(root / "missing"));
  if (geteuid() == 0) {
    ASSERT_EQ(chown(mine.c_str(), 65534, 65534), 0);  // another user's folder
    EXPECT_FALSE(PrivateFolder(mine));
  }
}

}  // namespace
}  // namespace vp::platform
