#include <gtest/gtest.h>

#include "platform/files.h"
#include "settings/detailed_settings.h"
#include "settings/folder_browser.h"
#include "settings/profile.h"
#include "shell/center_over.h"
#include "test_support.h"

namespace vp::settings {
namespace {

using shell::CenterOver;
using shell::WindowRect;

TEST(CenterOver, CentresAndStaysOnTheScreen) {
  const WindowRect dialog{0, 0, 200, 100};
  auto at = [&](WindowRect owner) {
    WindowRect r = CenterOver(dialog, owner, 1024, 768);
    return std::make_pair(r.left, r.top);
  };
  EXPECT_EQ(at({100, 100, 301, 201}), std::make_pair(100 + 50, 100 + 50));  // halves truncate
  EXPECT_EQ(at({-150, 10, 100, 100}), std::make_pair(0, 10));               // off the left edge
  EXPECT_EQ(at({950, 10, 100, 100}), std::make_pair(824, 10));              // off the right edge
  EXPECT_EQ(at({10, -90, 100, 50}), std::make_pair(0, 0));                  // off the top
  EXPECT_EQ(at({10, 740, 100, 100}), std::make_pair(0, 668));               // off the bottom
  // A dialog larger than the screen ends with its left edge at 0, as the order says.
  EXPECT_EQ(CenterOver({0, 0, 2000, 100}, {0, 0, 100, 100}, 1024, 768).left, 1024 - 2000);
}

TEST(Profile, ZodiacBoundsAndTexts) {
  const std::tuple<int, int, const char*> bounds[] = {
      {1, 20, "山羊座"}, {1, 21, "水瓶座"}, {2, 19, "水瓶座"}, {2, 20, "魚座"},     {10, 23, "天秤座"},
      {10, 24, "さそり座"}, {12, 22, "射手座"}, {12, 23, "山羊座"}, {12, 31, "山羊座"}, {5, 3, "牡牛座"}};
  for (auto [m, d, sign] : bounds) EXPECT_STREQ(ZodiacSign(m, d), sign) << m << "/" << d;
  EXPECT_EQ(BirthdayText(5, 3), "5月 3日 (牡牛座)");
  EXPECT_EQ(MeasureText(150.0, "cm"), "150cm");
  EXPECT_EQ(MeasureText(150.5, "cm"), "150.5cm");
  EXPECT_EQ(MeasureText(45.25, "kg"), "45.25kg");
  auto together = ClassAndClub("ａｂｃｄｅｆｇ", "ｈｉｊｋｌｍｎ");  // 14 + 14 bytes
  EXPECT_EQ(together.kumi, "ａｂｃｄｅｆｇｈｉｊｋｌｍｎ");
  EXPECT_EQ(together.club, "");
  auto apart = ClassAndClub("ａｂｃｄｅｆｇ", "ｈｉｊｋｌｍｎｏ");  // 14 + 16 bytes
  EXPECT_EQ(apart.kumi, "ａｂｃｄｅｆｇ");
  EXPECT_EQ(apart.club, "ｈｉｊｋｌｍｎｏ");
}

TEST(DetailedSettings, RoundTripKeepsWhatTheDialogDoesNotShow) {
  state::Settings s;
  s.usewave = "101111";
  s.rand = 3;
  s.wave = 1;
  s.repl = 1;
  DetailedSettings d = DetailedFromSettings(s);
  EXPECT_EQ(d.voices, (std::array<bool, 6>{true, false, true, true, true, true}));
  EXPECT_EQ(d.randMode, 3);
  state::Settings back = s;
  StoreDetailed(d, back);
  EXPECT_EQ(back.usewave, "101111");
  EXPECT_EQ(back.rand, 3);
  // Voices off keeps the marks and the replacement.
  d.wave = false;
  StoreDetailed(d, back);
  EXPECT_EQ(back.wave, 0);
  EXPECT_EQ(back.usewave, "101111");
  EXPECT_EQ(back.repl, 1);
  // rand 0: no radio button, the first one by default; checking rand stores 1.
  s.rand = 0;
  d = DetailedFromSettings(s);
  EXPECT_EQ(d.randMode, 0);
  DefaultRandMode(d);
  d.rand = true;
  StoreDetailed(d, back);
  EXPECT_EQ(back.rand, 1);
  // A short usewave counts as not "1" beyond its end; spins stay in range.
  s.usewave = "11";
  s.timer = 12;
  s.delay = -3;
  d = DetailedFromSettings(s);
  EXPECT_EQ(d.voices, (std::array<bool, 6>{true, true, false, false, false, false}));
  EXPECT_EQ(d.timer, 9);
  EXPECT_EQ(d.delay, 0);
  s.dirwave.clear();
  d.wave = true;
  EXPECT_TRUE(NeedsFolderQuestion(d, s));
  s.dirwave = "/games";
  EXPECT_FALSE(NeedsFolderQuestion(d, s));
}

#if !defined(_WIN32)  // Windows has drive letters, not a mount table
TEST(FolderBrowser, DrivesAreRealFileSystemsAndHome) {
  const std::string mounts =
      "/dev/sda1 / ext4 rw 0 0\n"
      "proc /proc proc rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "/dev/sdb1 /media/my\\040usb vfat rw 0 0\n"
      "/dev/sda2 /home ext4 rw 0 0\n";
  auto drives = ListDrives(mounts, "/home/akari/");
  std::vector<std::string> paths;
  for (const auto& d : drives) paths.push_back(d.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"/", "/home/akari", "/media/my usb", "/home"}));
  EXPECT_EQ(DriveOf("/home/akari/games", drives), 1);  // the longest that holds it
  EXPECT_EQ(DriveOf("/home/other", drives), 3);
  EXPECT_EQ(DriveOf("/media/my usb", drives), 2);
  EXPECT_EQ(DriveOf("/opt", drives), 0);
  EXPECT_EQ(WithoutTrailingSeparator("/a/b/"), "/a/b");
  EXPECT_EQ(WithoutTrailingSeparator("/"), "/");
}
#endif

TEST(FolderBrowser, RowsFromTheDriveToTheOpenFolderThenItsChildren) {
  test::TempDir dir;
  platform::CreateFolders(dir / "game/CD");
  platform::CreateFolders(dir / "game/HD");
  test::WriteFile(dir / "game/file.txt", "");
  auto rows = FolderRows(dir.path(), dir / "game");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].path, dir.path());
  EXPECT_EQ(rows[1].name, "game");
  EXPECT_TRUE(rows[1].open);
  EXPECT_EQ(rows[2].name, "CD");
  EXPECT_FALSE(rows[2].open);
  EXPECT_EQ(rows[3].path, platform::JoinPath(dir / "game", "HD"));
  EXPECT_EQ(rows[3].depth, 2);
}

}  // namespace
}  // namespace vp::settings
