#include <gtest/gtest.h>
#include <pwd.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "gamedata/game_folder.h"
#include "platform/desktop_entry.h"
#include "platform/files.h"
#include "settings/help_files.h"
#include "settings/settings_session.h"
#include "settings/startup_shortcut.h"
#include "settings/statistics.h"
#include "state/history.h"
#include "state/settings.h"
#include "state/settings_notices.h"
#include "test_support.h"

namespace vp::settings {
namespace {

using test::LocalTimeValue;

TEST(Statistics, NoHistoryShowsPlaceholders) {
  state::StartHistory h;
  auto s = ComposeStatistics(h, 1000, NumberFormat{});
  EXPECT_EQ(s.init, "-");
  EXPECT_EQ(s.last, "-");
  EXPECT_EQ(s.diffDay, "-");
  EXPECT_EQ(s.total, "0");
  EXPECT_EQ(s.dayAve, "-");
  EXPECT_EQ(s.dayMax, "-");
}

TEST(Statistics, DatesDaysAverageAndGrouping) {
  state::StartHistory h;
  h.firstTime = static_cast<std::int32_t>(LocalTimeValue(2006, 1, 5, 7, 3, 59));
  h.lastTime = static_cast<std::int32_t>(LocalTimeValue(2006, 1, 14, 9, 5));
  h.count = 4;
  h.dayMax = 1234;
  const platform::TimeValue first = h.firstTime;
  auto s = ComposeStatistics(h, first + 86400 - 60, NumberFormat{});
  EXPECT_EQ(s.init, "2006/01/05 07:03");
  EXPECT_EQ(s.last, "2006/01/14 09:05");
  EXPECT_EQ(s.diffDay, "1");  // 23:59 after the first start-up
  EXPECT_EQ(ComposeStatistics(h, first + 86400, NumberFormat{}).diffDay, "2");
  EXPECT_EQ(ComposeStatistics(h, first + 86400, NumberFormat{}).dayAve, "1.50");
  EXPECT_EQ(s.dayMax, "1,234");
  h.count = 1235;
  EXPECT_EQ(ComposeStatistics(h, first + 86400, NumberFormat{}).total, "1,234");
  EXPECT_EQ(ComposeStatistics(h, first + 2 * 86400, NumberFormat{}).dayAve, "411.33");
  NumberFormat german{".", ","};
  EXPECT_EQ(ComposeStatistics(h, first + 86400, german).dayAve, "617,00");
  EXPECT_EQ(GroupedInteger(1234567, german), "1.234.567");
  EXPECT_EQ(GroupedDecimal2(2.0 / 3.0, NumberFormat{}), "0.67");
  EXPECT_EQ(GroupedDecimal2(1234.005, NumberFormat{}), "1,234.01");
  // The clock a day or more before the first start-up: the average is the total.
  EXPECT_EQ(ComposeStatistics(h, first - 2 * 86400, NumberFormat{}).dayAve, "1,234.00");
}

// Settings mode tells an unreadable history as the counter does: with what to
// do, and a panel that says "unreadable", not a count of zero.
TEST(Session, AnUnreadableHistoryIsShownAsUnreadableWithTheAdvice) {
  test::Sandbox box;
  ASSERT_EQ(mkdir((box.work().path() + "/TALLYDAT").c_str(), 0700), 0);
  SettingsSession session(box.registry(), "/opt/vp/", box.work().path() + "/", true, [] { return 1000; });
  session.Load();
  EXPECT_FALSE(session.historyRead());
  const StatisticsTexts s = session.Statistics(NumberFormat{});
  EXPECT_EQ(s.init, kUnreadableHistoryText);
  EXPECT_EQ(s.total, kUnknownValueText);
  EXPECT_NE(session.loadNotices().find("移して下さい"), std::string::npos) << session.loadNotices();
  platform::RemoveEmptyFolder(box.work().path() + "/TALLYDAT");
  session.Load();
  EXPECT_TRUE(session.historyRead());
  EXPECT_EQ(session.Statistics(NumberFormat{}).total, "0");
}

// Keeping a damaged settings file is no first run: nothing is saved (and
// nothing failed), Cancel stays, no start-up entry is offered.
TEST(Session, KeepingADamagedSettingsFileIsNoFirstRun) {
  test::Sandbox box;
  box.WriteReg(platform::RegRoot::CurrentUser, "garbage, not an export\n");
  const std::string before = box.RegText(platform::RegRoot::CurrentUser);
  SettingsSession session(box.registry(), "/opt/vp/", box.work().path() + "/");
  session.Load();
  ASSERT_TRUE(session.damaged());
  EXPECT_NE(session.DamagedQuestion().find("レジストリのエクスポート形式ではありません"), std::string::npos)
      << session.DamagedQuestion();
  EXPECT_TRUE(session.firstRun());
  EXPECT_FALSE(session.CancelOffered());
  session.KeepDamaged();
  EXPECT_TRUE(session.CancelOffered());
  EXPECT_FALSE(session.OffersStartupEntry());
  EXPECT_FALSE(session.TakeFirstSetup());
  std::string why;
  EXPECT_TRUE(session.Save(&why)) << why;
  EXPECT_EQ(box.RegText(platform::RegRoot::CurrentUser), before);
}

// Only the user's own settings file gets the question; the machine's file,
// which holds the game's install key, is told like any other problem.
TEST(Session, OnlyTheUsersDamagedFileIsAskedAbout) {
  test::Sandbox box;
  box.WriteReg(platform::RegRoot::LocalMachine, "garbage, not an export\n");
  SettingsSession session(box.registry(), "/opt/vp/", box.work().path() + "/");
  session.Load();
  EXPECT_FALSE(session.damaged());
  EXPECT_NE(session.loadNotices().find("HKEY_LOCAL_MACHINE.reg"), std::string::npos) << session.loadNotices();
}

// The damaged file's answer: Yes keeps it under a name of its own, never
// over one kept before in the same minute; No keeps it and saves nothing.
TEST(Session, ADamagedSettingsFileIsSetAsideBesideTheOnesKeptBefore) {
  test::Sandbox box;
  const std::string file = box.regDir().path() + "/HKEY_CURRENT_USER.reg";
  const platform::TimeValue now = LocalTimeValue(2026, 12, 9, 19, 30);
  const std::string earlier = state::DamagedHistoryName(file, now);
  test::WriteFile(earlier, "kept before\n");
  box.WriteReg(platform::RegRoot::CurrentUser, "garbage, not an export\n");
  SettingsSession session(box.registry(), "/opt/vp/", box.work().path() + "/", true, [now] { return now; });
  session.Load();
  ASSERT_TRUE(session.damaged());
  const auto answer = session.AnswerDamaged(true);
  EXPECT_TRUE(answer.setAside);
  EXPECT_EQ(answer.error + answer.kept, "");
  EXPECT_EQ(test::ReadFile(earlier), "kept before\n");
  EXPECT_EQ(test::ReadFile(earlier + "-2"), "garbage, not an export\n");
  EXPECT_EQ(box.RegText(platform::RegRoot::CurrentUser).find("garbage"), std::string::npos);
  EXPECT_FALSE(session.damaged());

  box.WriteReg(platform::RegRoot::CurrentUser, "garbage again\n");
  session.Load();
  const auto no = session.AnswerDamaged(false);
  EXPECT_FALSE(no.setAside);
  EXPECT_EQ(no.error, "");
  EXPECT_EQ(no.kept, state::KeptDamagedSettingsText());
  EXPECT_TRUE(session.keepingDamaged());
  EXPECT_EQ(box.RegText(platform::RegRoot::CurrentUser), "garbage again\n");
}

// A click on a picture steps through the six; a list picks one of them.
TEST(Session, CharactersStepRoundAndOnlyRealChoicesChangeThem) {
  test::Sandbox box;
  SettingsSession session(box.registry(), "/opt/vp/", box.work().path() + "/");
  session.Load();
  session.settings().char0 = 5;
  session.NextCharacter(0);
  EXPECT_EQ(session.settings().char0, 0);
  const int right = session.settings().char1;
  session.NextCharacter(1);
  EXPECT_EQ(session.settings().char1, (right + 1) % 6);
  EXPECT_TRUE(session.ChooseCharacter(0, 3));
  EXPECT_FALSE(session.ChooseCharacter(0, 3));
  EXPECT_FALSE(session.ChooseCharacter(0, -1));  // a list with nothing chosen
  EXPECT_FALSE(session.ChooseCharacter(1, 6));
  EXPECT_EQ(session.settings().char0, 3);
}

// A save that fails says why: the disk, the rights.
TEST(Session, AFailedSaveSaysWhy) {
  test::Sandbox box;
  box.WriteReg(platform::RegRoot::CurrentUser, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n");
  const std::string file = box.regDir().path() + "/HKEY_CURRENT_USER.reg";
  chmod(file.c_str(), 0444);
  SettingsSession session(box.registry(), "/opt/vp/", box.work().path() + "/", false);
  session.Load();
  session.settings().timer = 7;
  std::string why;
  EXPECT_FALSE(session.Save(&why));
  EXPECT_NE(why.find("読み取り専用"), std::string::npos) << why;
  EXPECT_NE(why.find("権限を確かめて"), std::string::npos) << why;
  chmod(file.c_str(), 0644);
}

class Shortcuts : public ::testing::Test {
 protected:
  test::TempDir home, system;
  std::vector<std::string> told, asked;
  bool answer = true;
  std::unique_ptr<StartupShortcuts> shortcuts;
  std::string oldHome;

  void SetUp() override {
    oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (system.path() + ":/etc/xdg").c_str(), 1);
    Make();
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_CONFIG_DIRS");
    setenv("HOME", oldHome.c_str(), 1);
  }
  void Make() {
    shortcuts = std::make_unique<StartupShortcuts>(
        [this](const std::string& t) {
          asked.push_back(t);
          return answer;
        },
        [this](const std::string& t) { told.push_back(t); }, "/opt/vp counter/vpcounter");
    shortcuts->Locate();
  }
  std::string User() const { return home / "config/autostart/" + std::string(kShortcutName); }
  std::string All() const { return system / "autostart/" + std::string(kShortcutName); }
  void Put(const std::string& path) {
    platform::CreateFolders(path.substr(0, path.rfind('/')));
    test::WriteFile(path, "[Desktop Entry]\n");
  }
};

TEST_F(Shortcuts, EntryStartsCounterModeInTheProgramsFolderAndIsSkippedOnceTheProgramIsGone) {
  const std::string text = platform::DesktopEntryText(CounterStartupEntry("/opt/vp counter/vpcounter", "/C"));
  EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
  EXPECT_NE(text.find("\nTryExec=/opt/vp counter/vpcounter\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nExec=\"/opt/vp counter/vpcounter\" /C\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nPath=/opt/vp counter\n"), std::string::npos);
  EXPECT_NE(platform::DesktopEntryText(CounterStartupEntry("/usr/bin/vpcounter", "/C", "/home/u/.local/state/vpcounter/")).find(
                "\nExec=/usr/bin/vpcounter /C\nPath=/home/u/.local/state/vpcounter\n"),
            std::string::npos);
  EXPECT_EQ(std::string(kShortcutName).substr(std::string(kShortcutName).size() - 8), ".desktop");
  // A reserved character without a space is quoted too: '#' would start a comment for some readers.
  EXPECT_NE(platform::DesktopEntryText(CounterStartupEntry("/opt/a#b/vpcounter", "/C")).find("\nExec=\"/opt/a#b/vpcounter\" /C\n"), std::string::npos);
}

TEST_F(Shortcuts, PathsTheConsumersReadDifferentlyGoThroughLinks) {
  for (const char* safe : {"/opt/vp counter/vpcounter", "/home/u/日本語/vpcounter", "/a/tom & jerry;#=~*?()|<>/x"})
    EXPECT_TRUE(platform::EntrySafePath(safe)) << safe;
  for (const char* unsafe : {"/a/it's/x", "/a/100%/x", "/a/\"q\"/x", "/a/b\\c/x", "/a/$HOME/x", "/a/`t`/x", "/a/\n/x",
                             "relative/x", ""})
    EXPECT_FALSE(platform::EntrySafePath(unsafe)) << unsafe;
  EXPECT_TRUE(platform::EntrySafeFolder("/home/u/tom & jerry"));
  EXPECT_FALSE(platform::EntrySafeFolder("/home/u/日本語"));

  const std::string folder = home / "it's 100% \"$x\"";
  platform::CreateFolders(folder);
  test::WriteFile(folder + "/vpcounter", "program");
  const std::string links = home / "share/vpcounter/autostart";
  ASSERT_TRUE(platform::WriteDesktopEntry(User(), CounterStartupEntry(folder + "/vpcounter", "/C", folder), links));
  const std::string text = test::ReadFile(User());
  EXPECT_NE(text.find("\nExec=" + links + "/vpcounter /C\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nTryExec=" + links + "/vpcounter\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nPath=" + links + "/work\n"), std::string::npos) << text;
  EXPECT_EQ(test::ReadFile(links + "/vpcounter"), "program");
  EXPECT_TRUE(platform::DirectoryExists(links + "/work"));
  // Written again for another copy, the links follow it.
  const std::string other = home / "other 'copy'";
  platform::CreateFolders(other);
  test::WriteFile(other + "/vpcounter", "other");
  ASSERT_TRUE(platform::WriteDesktopEntry(User(), CounterStartupEntry(other + "/vpcounter", "/C", other), links));
  EXPECT_EQ(test::ReadFile(links + "/vpcounter"), "other");
  // Without a usable place for the links nothing is written.
  EXPECT_FALSE(platform::WriteDesktopEntry(All(), CounterStartupEntry(folder + "/vpcounter", "/C", folder), ""));
  EXPECT_FALSE(platform::FileExists(All()));
}

TEST_F(Shortcuts, CreatingInOneScopeRemovesTheOther) {
  Put(All());
  Make();
  EXPECT_FALSE(shortcuts->Scope(0).checked);
  EXPECT_TRUE(shortcuts->Scope(1).checked);
  shortcuts->RegisterStartup(0, 1);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].rfind("現ユーザーの", 0), 0u);
  EXPECT_TRUE(platform::FileExists(User()));
  EXPECT_FALSE(platform::FileExists(All()));
  EXPECT_TRUE(shortcuts->Scope(0).checked);
  EXPECT_FALSE(shortcuts->Scope(1).checked);
  EXPECT_NE(test::ReadFile(User()).find("Exec=\"/opt/vp counter/vpcounter\" /C"), std::string::npos);
  // Again: only the message, nothing touched.
  shortcuts->RegisterStartup(0, 1);
  EXPECT_EQ(told, std::vector<std::string>{"すでにスタートアップ登録済みです。"});
  EXPECT_EQ(asked.size(), 1u);
}

// An entry left by a moved or unpacked copy starts nothing here: it is shown
// as such, and registering rewrites it once the player agrees.
TEST_F(Shortcuts, AnEntryForAMovedCopyIsShownAndRewritten) {
  EXPECT_EQ(platform::EntryProgram(platform::DesktopEntryText(CounterStartupEntry("/opt/vp counter/vpcounter", "/C"))), "/opt/vp counter/vpcounter");
  EXPECT_EQ(platform::EntryProgram("[Other]\nExec=/x\n[Desktop Entry]\r\nExec=/usr/bin/vpcounter /C\r\n"), "/usr/bin/vpcounter");
  EXPECT_EQ(platform::EntryProgram("[Desktop Entry]\nExec=\"/unterminated /C\n"), "");
  EXPECT_EQ(platform::EntryProgram("[Desktop Entry]\nName=x\n"), "");
  // Links are followed: the launcher link of an entry is the program itself.
  const std::string program = home / "copy/vpcounter";
  platform::CreateFolders(home / "copy");
  test::WriteFile(program, "program");
  ASSERT_EQ(symlink(program.c_str(), (home / "link").c_str()), 0);
  EXPECT_TRUE(platform::StartsProgram(home / "link", program));
  EXPECT_FALSE(platform::StartsProgram(home / "gone/vpcounter", program));
  EXPECT_FALSE(platform::StartsProgram("", program));

  shortcuts = std::make_unique<StartupShortcuts>(
      [this](const std::string& t) {
        asked.push_back(t);
        return answer;
      },
      [this](const std::string& t) { told.push_back(t); }, program);
  platform::CreateFolders(home / "config/autostart");
  test::WriteFile(User(), platform::DesktopEntryText(CounterStartupEntry(home / "old place/vpcounter", "/C")));
  shortcuts->Locate();
  EXPECT_TRUE(shortcuts->Scope(0).checked);
  EXPECT_TRUE(shortcuts->Scope(0).startsOther);
  EXPECT_FALSE(shortcuts->Scope(0).marked());
  answer = false;
  shortcuts->RegisterStartup(0, 1);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].find("「" + home / "old place/vpcounter" + "」が登録されていて"), std::string::npos) << asked[0];
  EXPECT_NE(test::ReadFile(User()).find("old place"), std::string::npos);  // no is no
  answer = true;
  shortcuts->RegisterStartup(0, 1);
  EXPECT_NE(test::ReadFile(User()).find("TryExec=" + program + "\n"), std::string::npos);
  EXPECT_TRUE(shortcuts->Scope(0).marked());
  EXPECT_TRUE(told.empty());
}

TEST_F(Shortcuts, OnlyYesCreatesOrRemoves) {
  answer = false;
  shortcuts->RegisterStartup(1, 0);
  EXPECT_FALSE(platform::FileExists(All()));
  EXPECT_FALSE(shortcuts->Scope(1).checked);
  Put(User());
  Put(All());
  Make();
  shortcuts->Remove();
  EXPECT_TRUE(platform::FileExists(User()));
  answer = true;
  shortcuts->Remove();
  EXPECT_FALSE(platform::FileExists(User()));
  EXPECT_FALSE(platform::FileExists(All()));
  EXPECT_FALSE(shortcuts->Scope(0).checked || shortcuts->Scope(1).checked);
  told.clear();
  shortcuts->Remove();
  EXPECT_EQ(told, std::vector<std::string>{"スタートアップには登録されておりません。"});
}

TEST_F(Shortcuts, KeepSingleShortcutKeepsTheUsersOne) {
  Put(User());
  Put(All());
  Make();
  EXPECT_TRUE(shortcuts->Scope(0).checked && shortcuts->Scope(1).checked);
  shortcuts->KeepSingleShortcut();
  EXPECT_TRUE(platform::FileExists(User()));
  EXPECT_FALSE(platform::FileExists(All()));
}

// OK: no game, nothing done; a first run then registers the user's entry
// and saves; a later run registers nothing it was not asked to.
TEST_F(Shortcuts, OkNeedsTheGameThenRegistersAFirstRunsEntryAndSaves) {
  test::Sandbox box;
  test::TempDir game;
  SettingsSession session(box.registry(), "/opt/vp/", box.work().path() + "/");
  session.Load();
  ASSERT_TRUE(session.firstRun());
  session.settings().dirwave = game.path() + "/";
  session.settings().wave = 0;
  auto result = session.Confirm(*shortcuts);
  EXPECT_FALSE(result.close);
  EXPECT_EQ(result.error, state::GameDataMissingText());
  EXPECT_FALSE(platform::FileExists(User()));
  EXPECT_FALSE(state::SettingsEverSaved(box.registry()));

  platform::CreateFolders(game / "HD");
  test::WriteFile(game / gamedata::kPictureArchive, "archive");
  result = session.Confirm(*shortcuts);
  EXPECT_TRUE(result.close) << result.error;
  EXPECT_TRUE(platform::FileExists(User()));
  EXPECT_FALSE(platform::FileExists(All()));
  EXPECT_TRUE(state::SettingsEverSaved(box.registry()));

  platform::RemoveFile(User());
  Make();
  SettingsSession later(box.registry(), "/opt/vp/", box.work().path() + "/");
  later.Load();
  EXPECT_FALSE(later.firstRun());
  EXPECT_TRUE(later.Confirm(*shortcuts).close);
  EXPECT_FALSE(platform::FileExists(User()));
}

TEST_F(Shortcuts, AllUsersIsTheFirstConfigFolderOutsideTheHome) {
  // Plasma lists ~/.config/kdedefaults first: an entry there would be the user's alone.
  setenv("HOME", home.path().c_str(), 1);
  setenv("XDG_CONFIG_DIRS", (home.path() + "/.config/kdedefaults:" + home.path() + "/config/x:" + system.path()).c_str(), 1);
  Make();
  EXPECT_EQ(shortcuts->Scope(1).folder, system / "autostart");
  setenv("XDG_CONFIG_DIRS", "relative/dir", 1);
  Make();
  EXPECT_FALSE(shortcuts->Scope(1).available);
  // Without HOME the user database names the home.
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  Make();
  EXPECT_TRUE(shortcuts->Scope(0).available);
  EXPECT_EQ(shortcuts->Scope(0).folder, std::string(getpwuid(getuid())->pw_dir) + "/.config/autostart");
}

TEST_F(Shortcuts, AFolderThatCannotBeWrittenIsToldAndTheWorkingEntryStays) {
  Put(User());
  Make();
  // A file where the folder should be: not writable, even for root.
  test::WriteFile(system / "autostart", "not a folder");
  shortcuts->RegisterStartup(1, 0);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].rfind("全てのユーザーのスタートアップへ登録できませんでした。", 0), 0u) << told[0];
  EXPECT_TRUE(platform::FileExists(User()));
  EXPECT_TRUE(shortcuts->Scope(0).checked);
  EXPECT_FALSE(shortcuts->Scope(1).checked);
}

TEST_F(Shortcuts, MarksFollowTheDiskWhoeverChangedIt) {
  Make();
  EXPECT_FALSE(shortcuts->Scope(0).checked);
  Put(User());
  shortcuts->Refresh();
  EXPECT_TRUE(shortcuts->Scope(0).checked);
  platform::RemoveFile(User());
  // Registering finds the entry gone and writes it, instead of saying it is there.
  shortcuts->RegisterStartup(0, 1);
  EXPECT_TRUE(told.empty());
  EXPECT_TRUE(platform::FileExists(User()));
}

}  // namespace
}  // namespace vp::settings

namespace vp::settings {
namespace {

TEST(HelpFiles, TheManualBesideTheProgramComesFirstThenTheInstalledOne) {
  test::TempDir root;
  platform::CreateFolders(root / "bin");
  EXPECT_EQ(ManualPath(root / "bin/"), "");
  platform::CreateFolders(root / "share/doc/vpcounter");
  test::WriteFile(root / "share/doc/vpcounter/README.TXT", "manual");
  EXPECT_EQ(ManualPath(root / "bin/"), root / "bin/../share/doc/vpcounter/README.TXT");
  test::WriteFile(root / "bin/README.TXT", "manual");
  EXPECT_EQ(ManualPath(root / "bin/"), root / "bin/README.TXT");
}

}  // namespace
}  // namespace vp::settings
