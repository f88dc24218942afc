#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/reg_file.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vp::platform {
namespace {

TEST(RegFile, RoundTripsAllValueKindsAndEscapes) {
  RegFile file("HKEY_CURRENT_USER");
  auto& key = file.CreateKey("\\Software\\Nivre\\VP-COUNTER");
  key.Set("char0", RegValue{RegValue::Kind::Dword, 0xFFFFFFFFu, {}});
  key.Set("dirwave", RegValue{RegValue::Kind::String, 0, "C:\\ゲーム \"x\"\nline"});
  key.Set("", RegValue{RegValue::Kind::String, 0, "default"});
  key.Set("blob", RegValue{RegValue::Kind::Other, 0, "hex:01,02"});
  std::string text = file.Serialize();
  EXPECT_NE(text.find("\"char0\"=dword:ffffffff"), std::string::npos);
  EXPECT_NE(text.find("@=\"default\""), std::string::npos);
  auto parsed = RegFile::Parse(text, "HKEY_CURRENT_USER");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Serialize(), text);
  const auto* k = parsed->FindKey("software\\nivre\\vp-counter");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->Find("DIRWAVE")->text, "C:\\ゲーム \"x\"\nline");
  // Parents exist as keys of their own, as in the registry.
  EXPECT_NE(parsed->FindKey("Software\\Nivre"), nullptr);
}

TEST(RegFile, ReadsRegeditExportsWithContinuedHexData) {
  const std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
      "; comment\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QOTA_CORP\\VerbellePlus]\r\n"
      "\"install\"=\"/games/vp\"\r\n"
      "\"bin\"=hex:00,01,\\\r\n  02,03\r\n"
      "\"n\"=dword:0000000a\r\n";
  auto parsed = RegFile::Parse(text, "HKEY_LOCAL_MACHINE");
  ASSERT_TRUE(parsed);
  const auto* key = parsed->FindKey("SOFTWARE\\QOTA_CORP\\VerbellePlus");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->Find("install")->text, "/games/vp");
  EXPECT_EQ(key->Find("bin")->text, "hex:00,01,02,03");
  EXPECT_EQ(key->Find("n")->dword, 10u);
}

TEST(RegFile, RejectsDamagedText) {
  const char* bad[] = {
      "garbage",
      "REGEDIT4\n\"orphan\"=\"value\"\n",
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n",
      "REGEDIT4\n[HKEY_CURRENT_USERX]\n",
      "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"a\"=dword:123456789\n",
      "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"a\"=\"unterminated\n",
      "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"a\"=\"x\" trailing\n",
      "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"a\"=\"bad \\q escape\"\n",
      "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"a\" \"b\"\n",
      "REGEDIT4\n[-HKEY_CURRENT_USER\\X]\n",
  };
  for (const char* text : bad) EXPECT_FALSE(RegFile::Parse(text, "HKEY_CURRENT_USER")) << text;
  EXPECT_TRUE(RegFile::Parse("", "HKEY_CURRENT_USER"));
  EXPECT_TRUE(RegFile::Parse("\n\n", "HKEY_CURRENT_USER"));
}

class RegistryTest : public ::testing::Test {
 protected:
  test::Sandbox box;
  RegFileRegistry& reg = box.registry();
};

TEST_F(RegistryTest, OpenWithoutCreateFailsForMissingKey) {
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "\\Software\\X", false), nullptr);
  EXPECT_FALSE(FileExists(reg.FileOf(RegRoot::CurrentUser)));
}

TEST_F(RegistryTest, WritesAreStoredOnCloseAndReadBack) {
  {
    auto key = reg.OpenKey(RegRoot::CurrentUser, "\\Software\\X", true);
    ASSERT_NE(key, nullptr);
    key->WriteInteger("n", -5);
    key->WriteString("s", "テキスト");
    key->WriteString("", "default");
    EXPECT_EQ(key->ReadInteger("N"), -5);  // visible before closing
    EXPECT_TRUE(key->Close());
  }
  auto key = reg.OpenKey(RegRoot::CurrentUser, "\\Software\\X", false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadInteger("n"), -5);
  EXPECT_EQ(key->ReadString("s"), "テキスト");
  EXPECT_EQ(key->ReadString(""), "default");
  EXPECT_FALSE(key->ValueExists("other"));
}

TEST_F(RegistryTest, ReadingTheOtherTypeRaises) {
  box.WriteReg(RegRoot::CurrentUser,
               "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"i\"=dword:00000001\n\"s\"=\"1\"\n\"b\"=hex:01\n");
  auto key = reg.OpenKey(RegRoot::CurrentUser, "K", false);
  ASSERT_NE(key, nullptr);
  EXPECT_THROW(key->ReadString("i"), RegistryError);
  EXPECT_THROW(key->ReadInteger("s"), RegistryError);
  EXPECT_THROW(key->ReadInteger("b"), RegistryError);
  EXPECT_THROW(key->ReadInteger("missing"), RegistryError);
  try {
    key->ReadInteger("s");
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 's'");
  }
}

TEST_F(RegistryTest, DamagedFileIsNeverOverwritten) {
  const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"i\"=dword:zz\n";
  box.WriteReg(RegRoot::CurrentUser, damaged);
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "K", false), nullptr);
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "K", true), nullptr);
  EXPECT_EQ(box.RegText(RegRoot::CurrentUser), damaged);
}

TEST_F(RegistryTest, KeysOpenTogetherKeepEachOthersChanges) {
  auto a = reg.OpenKey(RegRoot::CurrentUser, "A", true);
  auto b = reg.OpenKey(RegRoot::CurrentUser, "B", true);
  a->WriteInteger("a", 1);
  b->WriteInteger("b", 2);
  EXPECT_TRUE(a->Close());
  EXPECT_TRUE(b->Close());
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "A", false)->ReadInteger("a"), 1);
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "B", false)->ReadInteger("b"), 2);
}

TEST_F(RegistryTest, UnchangedValuesDoNotRewriteTheFile) {
  {
    auto key = reg.OpenKey(RegRoot::CurrentUser, "K", true);
    key->WriteInteger("a", 1);
  }
  // A hand edit (comment) survives when nothing changes.
  std::string text = box.RegText(RegRoot::CurrentUser) + "; note\n";
  box.WriteReg(RegRoot::CurrentUser, text);
  {
    auto key = reg.OpenKey(RegRoot::CurrentUser, "K", true);
    key->WriteInteger("a", 1);
  }
  EXPECT_EQ(box.RegText(RegRoot::CurrentUser), text);
}

TEST_F(RegistryTest, RootsLiveInSeparateFiles) {
  reg.OpenKey(RegRoot::LocalMachine, "SOFTWARE\\Q", true)->WriteString("install", "/x");
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "SOFTWARE\\Q", false), nullptr);
  EXPECT_NE(box.RegText(RegRoot::LocalMachine).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Q]"),
            std::string::npos);
}

}  // namespace
}  // namespace vp::platform
