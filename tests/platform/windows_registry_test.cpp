// The Windows registry backend against Wine's real registry, read back with
// its own reg.exe as a player's tools would.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/windows_registry.h"

namespace vp::platform {
namespace {

constexpr const char* kTestKey = "\\Software\\Nivre\\VP-COUNTER-TEST";

// What reg.exe prints for the command (its output, in the console's code page).
std::string RegExe(const std::string& arguments) {
  std::string output;
  if (FILE* pipe = _popen(("reg " + arguments + " 2>&1").c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    _pclose(pipe);
  }
  return output;
}

class WindowsRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nivre\\VP-COUNTER-TEST"); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nivre\\VP-COUNTER-TEST"); }
  WindowsRegistry reg;
};

TEST_F(WindowsRegistryTest, ReadsBackWhatItWroteWithTheirTypes) {
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, kTestKey, false), nullptr);  // not made by a look
  {
    auto key = reg.OpenKey(RegRoot::CurrentUser, kTestKey, true);
    ASSERT_NE(key, nullptr);
    key->WriteInteger("char0", 5);
    key->WriteInteger("negative", -2);
    key->WriteString("dirwave", "C:\\ゲーム\\ヴェルベル");
    key->WriteString("broken", "\xFF\xFE");  // no UTF-8: never stored
    EXPECT_EQ(key->ReadInteger("char0"), 5);  // a key's own writes read back before Close
    EXPECT_TRUE(key->Close());
  }
  auto key = reg.OpenKey(RegRoot::CurrentUser, kTestKey, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadInteger("char0"), 5);
  EXPECT_EQ(key->ReadInteger("negative"), -2);
  EXPECT_EQ(key->ReadString("dirwave"), "C:\\ゲーム\\ヴェルベル");
  EXPECT_FALSE(key->ValueExists("broken"));
  EXPECT_THROW(key->ReadString("char0"), RegistryError);
  EXPECT_THROW(key->ReadInteger("dirwave"), RegistryError);
  EXPECT_THROW(key->ReadInteger("missing"), RegistryError);

  const std::string query = RegExe("query \"HKCU\\Software\\Nivre\\VP-COUNTER-TEST\"");
  EXPECT_NE(query.find("REG_DWORD"), std::string::npos) << query;
  EXPECT_NE(query.find("0x5"), std::string::npos) << query;
  EXPECT_NE(query.find("0xfffffffe"), std::string::npos) << query;
  EXPECT_NE(query.find("REG_SZ"), std::string::npos) << query;
}

TEST_F(WindowsRegistryTest, ValuesOthersWroteAreReadAsTheyAre) {
  RegExe("add \"HKCU\\Software\\Nivre\\VP-COUNTER-TEST\" /v timer /t REG_DWORD /d 7 /f");
  RegExe("add \"HKCU\\Software\\Nivre\\VP-COUNTER-TEST\" /v usewave /t REG_SZ /d 110011 /f");
  RegExe("add \"HKCU\\Software\\Nivre\\VP-COUNTER-TEST\" /v raw /t REG_BINARY /d 0102 /f");
  auto key = reg.OpenKey(RegRoot::CurrentUser, kTestKey, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadInteger("timer"), 7);
  EXPECT_EQ(key->ReadString("usewave"), "110011");
  EXPECT_TRUE(key->ValueExists("raw"));
  EXPECT_THROW(key->ReadString("raw"), RegistryError);  // another type is no text
}

// The game's 32-bit installer filed its key in the 32-bit view of the machine's keys.
TEST_F(WindowsRegistryTest, TheGamesMachineKeyIsReadThroughThe32BitView) {
  RegExe("add \"HKLM\\SOFTWARE\\QOTA_CORP\\VP-COUNTER-TEST\" /v install /t REG_SZ /d \"C:\\Games\\VP\" /reg:32 /f");
  auto key = reg.OpenKey(RegRoot::LocalMachine, "\\SOFTWARE\\QOTA_CORP\\VP-COUNTER-TEST", false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("install"), "C:\\Games\\VP");
  HKEY native = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\QOTA_CORP\\VP-COUNTER-TEST", 0, KEY_READ | KEY_WOW64_64KEY, &native),
            ERROR_SUCCESS);  // not in the 64-bit view
  RegExe("delete \"HKLM\\SOFTWARE\\QOTA_CORP\\VP-COUNTER-TEST\" /reg:32 /f");
}

}  // namespace
}  // namespace vp::platform
