#include <gtest/gtest.h>
#include <unistd.h>

#include <map>

#include "gamedata/game_folder.h"
#include "platform/files.h"
#include "platform/steam_libraries.h"
#include "platform/wine_prefix.h"
#include "platform/wine_registry.h"
#include "state/settings.h"
#include "test_support.h"

namespace vp::platform {
namespace {

const std::vector<std::string> kKeys = {"Software\\QOTA_CORP\\VerbellePlus",
                                        "Software\\Wow6432Node\\QOTA_CORP\\VerbellePlus"};

std::string SystemReg(const std::string& body) {
  return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n" + body;
}

TEST(WineRegistry, FindsTheInstallValueInAnyOfItsForms) {
  // Plain string with escapes, under Wow6432Node, key names in another case.
  EXPECT_EQ(WineRegistryString(SystemReg("[Software\\\\Wow6432Node\\\\qota_corp\\\\VerbellePlus] 1700000000\n"
                                         "#time=1da0000000000000\n"
                                         "\"Install\"=\"C:\\\\Games\\\\\\\"VP\\\" \\x30b2\\x30fc\\x30e0\"\n"),
                               kKeys, "install"),
            "C:\\Games\\\"VP\" ゲーム");
  // The native key wins over Wow6432Node, whatever their order in the file.
  EXPECT_EQ(WineRegistryString(SystemReg("[Software\\\\Wow6432Node\\\\QOTA_CORP\\\\VerbellePlus] 1\n\"install\"=\"D:\\\\b\"\n"
                                         "[Software\\\\QOTA_CORP\\\\VerbellePlus] 1\n\"install\"=\"D:\\\\a\"\n"),
                               kKeys, "install"),
            "D:\\a");
  // Expandable strings and hex data as UTF-16LE, continued over lines.
  EXPECT_EQ(WineRegistryString(SystemReg("[Software\\\\QOTA_CORP\\\\VerbellePlus] 1\n\"install\"=str(2):\"C:\\\\x\"\n"),
                               kKeys, "install"),
            "C:\\x");
  EXPECT_EQ(WineRegistryString(SystemReg("[Software\\\\QOTA_CORP\\\\VerbellePlus] 1\n"
                                         "\"install\"=hex(2):43,00,3a,00,5c,00,\\\n  76,00,70,00,00,00\n"),
                               kKeys, "install"),
            "C:\\vp");
}

TEST(WineRegistry, MissingKeysValuesAndDamagedFilesFindNothing) {
  EXPECT_FALSE(WineRegistryString(SystemReg("[Software\\\\Other] 1\n\"install\"=\"C:\\\\x\"\n"), kKeys, "install"));
  EXPECT_FALSE(WineRegistryString(SystemReg("[Software\\\\QOTA_CORP\\\\VerbellePlus] 1\n\"other\"=\"x\"\n"), kKeys,
                                  "install"));
  EXPECT_FALSE(WineRegistryString(SystemReg("[Software\\\\QOTA_CORP\\\\VerbellePlus] 1\n\"install\"=dword:00000001\n"),
                                  kKeys, "install"));
  // A value of a later key does not belong to the wanted one.
  EXPECT_FALSE(WineRegistryString(SystemReg("[Software\\\\QOTA_CORP\\\\VerbellePlus] 1\n[Software\\\\X] 1\n"
                                            "\"install\"=\"C:\\\\x\"\n"),
                                  kKeys, "install"));
  EXPECT_FALSE(WineRegistryString("REGEDIT4\n[Software\\\\QOTA_CORP\\\\VerbellePlus]\n\"install\"=\"C:\\\\x\"\n", kKeys,
                                  "install"));
  EXPECT_FALSE(WineRegistryString(SystemReg("[Software\\\\QOTA_CORP\\\\VerbellePlus] 1\n\"install\"=\"unterminated\n"
                                            "\"install\"=hex(2):4\n"),
                                  kKeys, "install"));
  EXPECT_EQ(UnescapeWineString("a\\tb\\101\\x41z"), "a\tbAAz");
  EXPECT_FALSE(UnescapeWineString("trailing\\"));
}

TEST(WinePrefix, DrivesMapThroughDosdevicesAndNamesIgnoreCase) {
  test::TempDir prefix;
  CreateFolders(prefix / "drive_c/Program Files/QOTA/Game");
  CreateFolders(prefix / "dosdevices");
  ASSERT_EQ(symlink("../drive_c", (prefix / "dosdevices/c:").c_str()), 0);
  EXPECT_EQ(MapWinePath(prefix.path(), "C:\\Program Files\\QOTA\\Game"), prefix / "dosdevices/c:/Program Files/QOTA/Game");
  EXPECT_EQ(MapWinePath(prefix.path(), "c:\\PROGRAM FILES\\qota\\game\\"), prefix / "dosdevices/c:/Program Files/QOTA/Game");
  EXPECT_EQ(MapWinePath(prefix.path(), "D:\\Games"), "");  // no such drive
  EXPECT_EQ(MapWinePath(prefix.path(), "\\\\server\\share"), "");
}

TEST(WinePrefix, CaseInsensitiveLookupTakesTheOneMatchAndRefusesToGuess) {
  test::TempDir dir;
  CreateFolders(dir / "HD");
  test::WriteFile(dir / "HD/FA0000R.AIF", "x");
  EXPECT_EQ(FindPathNoCase(dir.path(), "HD/fa0000R.aif"), dir / "HD/FA0000R.AIF");
  EXPECT_EQ(FindPathNoCase(dir.path(), "hd/Fa0000r.Aif"), dir / "HD/FA0000R.AIF");
  // Two names that differ only in case: the exact one wins; without it there is no guess.
  test::WriteFile(dir / "HD/fa0000r.aif", "y");
  EXPECT_EQ(FindPathNoCase(dir.path(), "HD/fa0000r.aif"), dir / "HD/fa0000r.aif");
  EXPECT_EQ(FindPathNoCase(dir.path(), "HD/Fa0000R.aif"), dir / "HD/Fa0000R.aif");  // ambiguous: the plain join
  EXPECT_FALSE(FileExists(FindPathNoCase(dir.path(), "HD/Fa0000R.aif")));
  EXPECT_EQ(FindPathNoCase(dir.path(), "CD/BV0000"), dir / "CD/BV0000");
  // The game's files in a copy from a disc.
  CreateFolders(dir / "cd");
  test::WriteFile(dir / "cd/bv0000", "v");
  test::WriteFile(dir / "VERBELLEPLUS.EXE", "");
  EXPECT_TRUE(gamedata::FolderTest(dir.path()).passes);
  EXPECT_EQ(gamedata::ResolveInGameFolder(dir.path(), "CD/BV0000"), dir / "cd/bv0000");
}

TEST(WinePrefix, TheAutoSearchFindsTheGameInAPrefixAfterOurOwnKey) {
  test::Sandbox box;
  test::TempDir home;
  const std::string prefix = home / ".wine";
  const std::string game = prefix + "/drive_c/Games/VP";
  CreateFolders(game);
  CreateFolders(prefix + "/dosdevices");
  ASSERT_EQ(symlink("../drive_c", (prefix + "/dosdevices/c:").c_str()), 0);
  test::WriteFile(game + "/verbelleplus.exe", "");
  test::WriteFile(prefix + "/system.reg",
                  SystemReg("[Software\\\\Wow6432Node\\\\QOTA_CORP\\\\VerbellePlus] 1\n\"install\"=\"C:\\\\Games\\\\VP\"\n"));
  std::map<std::string, std::string> vars = {{"HOME", home.path()}};
  Environment env = [&vars](const char* name) { return vars.count(name) ? vars[name] : std::string(); };
  EXPECT_EQ(WinePrefixes(env), std::vector<std::string>{prefix});
  auto found = state::FindGameFolder(box.registry(), env);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.folder, prefix + "/dosdevices/c:/Games/VP");
  const std::string before = test::ReadFile(prefix + "/system.reg");

  // Our own key comes first.
  test::TempDir own;
  test::WriteFile(own / "VerbellePlus.exe", "");
  box.WriteReg(RegRoot::LocalMachine, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QOTA_CORP\\VerbellePlus]\n\"install\"=\"" +
                                          own.path() + "\"\n");
  EXPECT_EQ(state::FindGameFolder(box.registry(), env).folder, own.path());
  EXPECT_EQ(test::ReadFile(prefix + "/system.reg"), before);  // read only

  // $WINEPREFIX and launchers' prefixes are searched too; one without system.reg is no prefix.
  vars["WINEPREFIX"] = home / "custom";
  CreateFolders(home / "custom");
  CreateFolders(home / ".local/share/wineprefixes/vp");
  test::WriteFile(home / ".local/share/wineprefixes/vp/system.reg", SystemReg(""));
  CreateFolders(home / ".local/share/wineprefixes/empty");
  EXPECT_EQ(WinePrefixes(env), (std::vector<std::string>{prefix, home / ".local/share/wineprefixes/vp"}));
}

TEST(SteamLibraries, BothFormatsOfTheLibraryListAndNothingFromBrokenText) {
  const std::string current =
      "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/u/.local/share/Steam\"\n\t\t\"label\"\t\t\"\"\n"
      "\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"1\"\n\t\t}\n\t}\n\t\"1\"\n\t{\n\t\t\"PATH\"\t\t\"/mnt/My \\\"Games\\\"\"\n"
      "\t}\n}\n";
  EXPECT_EQ(SteamLibraryPaths(current), (std::vector<std::string>{"/home/u/.local/share/Steam", "/mnt/My \"Games\""}));
  const std::string older = "// comment\n\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\"1\"\n\t\"1\"\t\"/mnt/lib\"\n}\n";
  EXPECT_EQ(SteamLibraryPaths(older), std::vector<std::string>{"/mnt/lib"});
  EXPECT_TRUE(SteamLibraryPaths("\"libraryfolders\" { \"0\" { \"path\" \"/unterminated").empty());
  EXPECT_TRUE(SteamLibraryPaths("}}}{{{ \"path\" \"/x\"").empty());
  EXPECT_TRUE(SteamLibraryPaths("garbage").empty());
}

TEST(WinePrefix, HeroicAndEverySteamLibraryArePrefixesToo) {
  test::TempDir home, library;
  auto prefix = [](const std::string& path) {
    CreateFolders(path);
    test::WriteFile(path + "/system.reg", SystemReg(""));
    return path;
  };
  const std::string heroicOld = prefix(home / "Games/Heroic/Prefixes/VP");
  const std::string heroic = prefix(home / "Games/Heroic/Prefixes/default/VP");
  const std::string steam = home / ".local/share/Steam";
  const std::string own = prefix(steam + "/steamapps/compatdata/1001/pfx");
  const std::string other = prefix(library / "steamapps/compatdata/2002/pfx");
  const std::string flatpak = prefix(home / ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/3/pfx");
  test::WriteFile(steam + "/steamapps/libraryfolders.vdf",
                  "\"libraryfolders\"\n{\n\"0\" { \"path\" \"" + steam + "\" }\n\"1\" { \"path\" \"" + library.path() +
                      "\" }\n}\n");
  CreateFolders(home / ".steam");
  ASSERT_EQ(symlink(steam.c_str(), (home / ".steam/steam").c_str()), 0);  // the same Steam, not twice
  std::map<std::string, std::string> vars = {{"HOME", home.path()}};
  Environment env = [&vars](const char* name) { return vars.count(name) ? vars[name] : std::string(); };
  EXPECT_EQ(WinePrefixes(env), (std::vector<std::string>{heroicOld, heroic, own, other, flatpak}));
}

}  // namespace
}  // namespace vp::platform
