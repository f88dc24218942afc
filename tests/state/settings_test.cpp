#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/text.h"
#include "state/history.h"
#include "state/settings.h"
#include "test_support.h"

namespace vp::state {
namespace {

using platform::RegRoot;

class SettingsTest : public ::testing::Test {
 protected:
  test::Sandbox box;
  platform::RegFileRegistry& reg = box.registry();
  Settings s;

  void Store(const std::string& values) {
    box.WriteReg(RegRoot::CurrentUser,
                 "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n" + values);
  }
  void Sibling(const std::string& values) {
    std::string text = box.RegText(RegRoot::CurrentUser);
    if (text.empty()) text = "REGEDIT4\n";
    box.WriteReg(RegRoot::CurrentUser,
                 text + "\n[HKEY_CURRENT_USER\\Software\\Nivre\\TALLYDAT]\n" + values);
  }
  void InstallGame(const std::string& folder, bool withExe) {
    platform::CreateFolders(folder);
    if (withExe) test::WriteFile(folder + "/VerbellePlus.exe", "");
    box.WriteReg(RegRoot::LocalMachine,
                 "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QOTA_CORP\\VerbellePlus]\n"
                 "\"install\"=\"" + test::RegString(folder) + "\"\n");
  }
  std::unique_ptr<platform::RegistryKey> Key() {
    return reg.OpenKey(RegRoot::CurrentUser, kSettingsKey, false);
  }
};

TEST_F(SettingsTest, EmptyRegistryGivesDefaultsAndPublishesPaths) {
  auto result = LoadSettings(s, reg, "/opt/vp/");
  EXPECT_TRUE(result.errors.empty());
  EXPECT_EQ(s.char0, 0);
  EXPECT_EQ(s.char1, 1);
  EXPECT_EQ(s.timer, 5);
  EXPECT_EQ(s.delay, 0);
  EXPECT_EQ(s.usewave, "111111");
  EXPECT_EQ(s.dirwave, "");
  auto key = Key();
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("tallydatexec"), "/opt/vp/VPCOUNT.EXE");
  // The sibling is told the very file the count goes to: with no working
  // folder given, the current one (where the program counts), never the
  // program's own folder.
  EXPECT_EQ(key->ReadString("tallydatfile"), platform::JoinPath(box.work().path(), "TALLYDAT"));
  EXPECT_EQ(LocateHistory(reg).path, "TALLYDAT");
  EXPECT_FALSE(key->ValueExists("char0"));
  EXPECT_TRUE(IsFirstRun(reg));
}

// A working folder named in Shift-JIS bytes: its path is not published,
// the file stays UTF-8 and every other value reads as before.
TEST_F(SettingsTest, APathThatIsNotUtf8IsNotPublishedAndSpoilsNothing) {
  Store("\"dirwave\"=\"/ゲーム/ヴェルベル\"\n\"tallydatfile\"=\"/old/TALLYDAT\"\n");
  const std::string shiftJis = "/home/p/\x83\x51\x81\x5B\x83\x80/";  // ゲーム
  auto result = LoadSettings(s, reg, "/opt/vp/", shiftJis, true);
  ASSERT_EQ(result.errors.size(), 1u);
  EXPECT_NE(result.errors[0].find("/home/p/ゲーム/TALLYDAT"), std::string::npos) << result.errors[0];
  EXPECT_TRUE(platform::IsValidUtf8(box.RegText(RegRoot::CurrentUser)));
  EXPECT_EQ(Key()->ReadString("tallydatfile"), "/old/TALLYDAT");
  EXPECT_EQ(Key()->ReadString("tallydatexec"), "/opt/vp/VPCOUNT.EXE");
  Settings again;
  LoadSettings(again, reg, "/opt/vp/", shiftJis, true);
  EXPECT_EQ(again.dirwave, "/ゲーム/ヴェルベル");
  // Nor can any other caller put such bytes into the file.
  Key()->WriteString("memo", "\x83\x51");
  EXPECT_FALSE(Key()->ValueExists("memo"));
}

TEST_F(SettingsTest, CorrectionsAfterLoading) {
  struct Case {
    const char* stored;
    int char0, char1, timer, delay;
  } cases[] = {
      {"\"char0\"=dword:00000006\n\"char1\"=dword:00000009\n", 0, 0, 5, 0},
      {"\"char0\"=dword:ffffffff\n\"char1\"=dword:00000005\n", 0, 5, 5, 0},
      {"\"timer\"=dword:00000000\n\"delay\"=dword:0000000a\n", 0, 1, 1, 0},
      {"\"timer\"=dword:0000000a\n\"delay\"=dword:ffffffff\n", 0, 1, 1, 0},
      {"\"timer\"=dword:00000009\n\"delay\"=dword:00000009\n", 0, 1, 9, 9},
  };
  for (const auto& c : cases) {
    Store(c.stored);
    LoadSettings(s, reg, "/p/");
    EXPECT_EQ(s.char0, c.char0) << c.stored;
    EXPECT_EQ(s.char1, c.char1) << c.stored;
    EXPECT_EQ(s.timer, c.timer) << c.stored;
    EXPECT_EQ(s.delay, c.delay) << c.stored;
  }
}

TEST_F(SettingsTest, WrongTypeIsReportedAndTheLoadGoesOn) {
  Store("\"char0\"=\"3\"\n\"char1\"=dword:00000004\n\"usewave\"=dword:00000001\n"
        "\"dirwave\"=\"/g\"\n");
  auto result = LoadSettings(s, reg, "/p/");
  ASSERT_EQ(result.errors.size(), 2u);
  // In the player's words, with the way out; no English detail.
  EXPECT_EQ(result.errors[0], "設定「char0」の値の形式が正しくないため、既定値を使います。\n"
                              "設定画面で OK を押すと、正しい形式で保存し直します。");
  EXPECT_EQ(s.char0, 0);
  EXPECT_EQ(s.char1, 4);
  EXPECT_EQ(s.usewave, "111111");
  EXPECT_EQ(s.dirwave, "/g");
  EXPECT_TRUE(Key()->ValueExists("tallydatfile"));
}

TEST_F(SettingsTest, SaveWritesAllValuesAndEndsTheFirstRun) {
  LoadSettings(s, reg, "/p/");
  s.char0 = 3;
  s.usewave = "101010";
  s.dirwave = "/games/vp";
  SaveSettings(s, reg);
  auto key = Key();
  for (const char* name : {"char0", "char1", "timer", "delay", "name", "rand", "wave", "repl",
                           "form", "usewave", "dirwave", "tallydatexec", "tallydatfile"}) {
    EXPECT_TRUE(key->ValueExists(name)) << name;
  }
  EXPECT_FALSE(IsFirstRun(reg));
  Settings again;
  LoadSettings(again, reg, "/p/");
  EXPECT_EQ(again.char0, 3);
  EXPECT_EQ(again.usewave, "101010");
  EXPECT_EQ(again.dirwave, "/games/vp");
}

TEST_F(SettingsTest, SiblingIntegrationDecidesTheFirstRun) {
  LoadSettings(s, reg, "/p/");
  Sibling("\"integrate\"=dword:00000000\n");
  EXPECT_TRUE(IsFirstRun(reg));
  LoadSettings(s, reg, "/p/");
  Sibling("\"integrate\"=dword:00000001\n");
  EXPECT_FALSE(IsFirstRun(reg));
  LoadSettings(s, reg, "/p/");
  Sibling("\"integrate\"=\"1\"\n");
  EXPECT_TRUE(IsFirstRun(reg));
}

TEST_F(SettingsTest, LeftVoiceFollowsUsewave) {
  s.usewave = "101111";
  s.char0 = 1;
  EXPECT_FALSE(LeftVoiceEnabled(s));
  s.char0 = 2;
  EXPECT_TRUE(LeftVoiceEnabled(s));
  s.usewave = "11";
  EXPECT_FALSE(LeftVoiceEnabled(s));
}

TEST_F(SettingsTest, AutoSearchNeedsKeyValueAndExecutable) {
  EXPECT_FALSE(FindGameFolder(reg).found);
  std::string game = box.work() / "game";
  InstallGame(game, false);
  EXPECT_FALSE(FindGameFolder(reg).found);
  LoadSettings(s, reg, "/p/");
  EXPECT_EQ(s.dirwave, "");
  InstallGame(game, true);
  auto found = FindGameFolder(reg);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.folder, game);
  LoadSettings(s, reg, "/p/");
  EXPECT_EQ(s.dirwave, game);
  box.WriteReg(RegRoot::LocalMachine,
               "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QOTA_CORP\\VerbellePlus]\n");
  EXPECT_FALSE(FindGameFolder(reg).found);
}

TEST_F(SettingsTest, AStoredFolderWinsOverTheInstalledGameAndAnEmptyOneIsSearchedAgain) {
  std::string game = box.work() / "game";
  Store("\"dirwave\"=\"\"\n");
  LoadSettings(s, reg, "/p/");
  EXPECT_EQ(s.dirwave, "");
  InstallGame(game, true);  // installed after the first start stored nothing
  LoadSettings(s, reg, "/p/");
  EXPECT_EQ(s.dirwave, game);
  const std::string text = box.RegText(RegRoot::CurrentUser);
  EXPECT_NE(text.find("\"dirwave\"=\"\"\n"), std::string::npos);  // stored only by OK
  Store("\"dirwave\"=\"/my/own/folder\"\n");
  LoadSettings(s, reg, "/p/");
  EXPECT_EQ(s.dirwave, "/my/own/folder");
}

TEST_F(SettingsTest, AMalformedLineIsSkippedAndKeptWhileTheRestIsRead) {
  box.WriteReg(RegRoot::CurrentUser,
               "REGEDIT4\n; my notes\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"
               "\"timer\"=dword:123456789\n\"char1\"=dword:00000003\n");
  LoadSettings(s, reg, "/p/");
  EXPECT_EQ(s.char1, 3);
  EXPECT_EQ(s.timer, 5);
  s.char0 = 4;
  EXPECT_TRUE(SaveSettings(s, reg));
  const std::string text = box.RegText(RegRoot::CurrentUser);
  EXPECT_NE(text.find("; my notes\n"), std::string::npos);
  EXPECT_NE(text.find("\"timer\"=dword:123456789\n"), std::string::npos);
  EXPECT_NE(text.find("\"char0\"=dword:00000004"), std::string::npos);
  const auto problems = reg.TakeProblems();
  ASSERT_EQ(problems.size(), 1u);  // told once, though the file was read several times
  EXPECT_EQ(problems[0].kind, platform::RegistryProblem::Kind::SkippedLine);
  EXPECT_EQ(problems[0].line, 4);
}

TEST_F(SettingsTest, AnUnreadableOrReadOnlyRegistryIsNeverOverwrittenAndSaysSo) {
  const std::string damaged = "REGEDIT5\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n\"char0\"=dword:2\n";
  box.WriteReg(RegRoot::CurrentUser, damaged);
  LoadSettings(s, reg, "/p/");
  EXPECT_EQ(s.char0, 0);
  EXPECT_FALSE(SaveSettings(s, reg));
  EXPECT_EQ(box.RegText(RegRoot::CurrentUser), damaged);
  auto problems = reg.TakeProblems();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, platform::RegistryProblem::Kind::Unreadable);
  EXPECT_EQ(problems[0].line, 1);

  Store("\"char0\"=dword:00000002\n");
  const std::string file = box.regDir() / "HKEY_CURRENT_USER.reg";
  test::SetMode(file, 0444);
  const std::string before = box.RegText(RegRoot::CurrentUser);
  LoadSettings(s, reg, "/p/");
  s.char0 = 5;
  EXPECT_FALSE(SaveSettings(s, reg));
  EXPECT_EQ(box.RegText(RegRoot::CurrentUser), before);
  problems = reg.TakeProblems();
  ASSERT_FALSE(problems.empty());
  EXPECT_EQ(problems.back().kind, platform::RegistryProblem::Kind::ReadOnly);
}

TEST_F(SettingsTest, ARegistryFifoDoesNotHangTheLoad) {
  if (!test::MakeFifo(box.regDir() / "HKEY_CURRENT_USER.reg")) GTEST_SKIP() << "no FIFOs on Windows";
  LoadSettings(s, reg, "/p/");
  EXPECT_EQ(s.timer, 5);
  EXPECT_FALSE(SaveSettings(s, reg));
  EXPECT_EQ(reg.TakeProblems().at(0).kind, platform::RegistryProblem::Kind::NotAFile);
}

}  // namespace
}  // namespace vp::state
