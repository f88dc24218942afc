#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/reg_file.h"
#include "platform/registry.h"
#include "platform/text.h"
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

TEST(RegFile, RejectsTextThatIsNoRegistryExport) {
  for (const std::string& text : {std::string("garbage"), std::string("REGEDIT5\n[HKEY_CURRENT_USER\\X]\n"),
                                 std::string("\xFF\xFE\x00\xD8", 4)}) {
    RegFileIssue error;
    EXPECT_FALSE(RegFile::Parse(text, "HKEY_CURRENT_USER", &error)) << text;
    EXPECT_EQ(error.line, 1) << error.what;
    EXPECT_FALSE(error.what.empty());
  }
  EXPECT_TRUE(RegFile::Parse("", "HKEY_CURRENT_USER"));
  EXPECT_TRUE(RegFile::Parse("\n\n", "HKEY_CURRENT_USER"));
}

TEST(RegFile, SkipsMalformedLinesOnlyAndKeepsThemVerbatim) {
  const std::string text =
      "REGEDIT4\n\"orphan\"=\"value\"\n"
      "[HKEY_CURRENT_USER\\X]\n"
      "\"a\"=dword:123456789\n"
      "\"b\"=\"unterminated\n"
      "\"c\"=\"x\" trailing\n"
      "\"d\"=\"bad \\q escape\"\n"
      "\"e\" \"f\"\n"
      "\"good\"=dword:00000007\n"
      "[-HKEY_CURRENT_USER\\Gone]\n"
      "[HKEY_LOCAL_MACHINE\\Other]\n"
      "\"o\"=\"not ours\"\n"
      "[HKEY_CURRENT_USER\\Y]\n"
      "\"y\"=\"1\"\n";
  std::vector<RegFileIssue> skipped;
  auto parsed = RegFile::Parse(text, "HKEY_CURRENT_USER", nullptr, &skipped);
  ASSERT_TRUE(parsed);
  std::vector<int> lines;
  for (const auto& issue : skipped) lines.push_back(issue.line);
  EXPECT_EQ(lines, (std::vector<int>{2, 4, 5, 6, 7, 8, 10, 11}));
  const RegKeyData* x = parsed->FindKey("X");
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->Values().size(), 1u);
  EXPECT_EQ(x->Find("good")->dword, 7u);
  EXPECT_EQ(parsed->FindKey("Y")->Find("y")->text, "1");
  EXPECT_EQ(parsed->FindKey("Other"), nullptr);
  EXPECT_EQ(parsed->Serialize(), text);  // nothing changed: every byte as it was
}

TEST(RegFile, KeepsEncodingLineEndsCommentsAndUntouchedValuesOnRewrite) {
  const std::string utf8 =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "; exported by hand\r\n"
      "[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\r\n"
      "\"dirwave\"=\"C:\\\\ゲーム\"\r\n"
      "\"char0\"=dword:0000000A\r\n"
      "\"bin\"=hex(2):41,00,\\\r\n  42,00\r\n\r\n";
  std::string utf16 = "\xFF\xFE" + Utf8ToUtf16Le(utf8);
  std::vector<RegFileIssue> skipped;
  auto parsed = RegFile::Parse(utf16, "HKEY_CURRENT_USER", nullptr, &skipped);
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(skipped.empty());
  EXPECT_EQ(parsed->encoding(), RegFile::Encoding::Utf16Le);
  RegKeyData* key = parsed->FindKey("software\\nivre\\vp-counter");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->Find("dirwave")->text, "C:\\ゲーム");
  EXPECT_EQ(key->Find("char0")->dword, 10u);
  EXPECT_EQ(key->Find("bin")->text, "hex(2):41,00,42,00");
  EXPECT_EQ(parsed->Serialize(), utf16);

  key->Set("char1", RegValue{RegValue::Kind::Dword, 2, {}});
  key->Set("char0", RegValue{RegValue::Kind::Dword, 3, {}});
  const std::string rewritten = Utf16LeToUtf8(parsed->Serialize().substr(2)).value();
  EXPECT_EQ(rewritten,
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "; exported by hand\r\n"
            "[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\r\n"
            "\"dirwave\"=\"C:\\\\ゲーム\"\r\n"
            "\"char0\"=dword:00000003\r\n"
            "\"bin\"=hex(2):41,00,\\\r\n  42,00\r\n"
            "\"char1\"=dword:00000002\r\n\r\n");
}

TEST(RegFile, TheFirstLineDecidesTheLineEnds) {
  // Stray carriage returns in a file of LF lines stay where they are.
  const std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\r\n; odd\r\r\n";
  auto parsed = RegFile::Parse(text, "HKEY_CURRENT_USER");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->FindKey("A")->Find("x")->text, "1");
  EXPECT_EQ(parsed->Serialize(), text);
}

TEST(RegFile, AValueAddedAfterADanglingContinuationStaysAValue) {
  auto parsed = RegFile::Parse("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"b\"=hex:00,\\\n  01,\\\n", "HKEY_CURRENT_USER");
  ASSERT_TRUE(parsed);
  parsed->FindKey("A")->Set("c", RegValue{RegValue::Kind::Dword, 5, {}});
  auto again = RegFile::Parse(parsed->Serialize(), "HKEY_CURRENT_USER");
  ASSERT_TRUE(again);
  ASSERT_NE(again->FindKey("A")->Find("c"), nullptr);
  EXPECT_EQ(again->FindKey("A")->Find("c")->dword, 5u);
}

TEST(RegFile, ParsingIsLinearInTheNumberOfKeys) {
  // A quadratic reader takes minutes here; a linear one a fraction of a second.
  std::string text = "REGEDIT4\n";
  for (int i = 0; i < 60000; ++i)
    text += "\n[HKEY_CURRENT_USER\\Software\\K" + std::to_string(i) + "]\n\"v\"=dword:00000001\n";
  auto parsed = RegFile::Parse(text, "HKEY_CURRENT_USER");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->FindKey("Software\\K59999")->Find("v")->dword, 1u);
  EXPECT_EQ(parsed->Serialize(), text);
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
  const std::string damaged = "REGEDIT 4\n[HKEY_CURRENT_USER\\K]\n\"i\"=dword:00000001\n";
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

TEST_F(RegistryTest, AFileChangedByAnotherWriterIsReadAgain) {
  // Same length, written in place at once: only the content can tell.
  box.WriteReg(RegRoot::CurrentUser, "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n");
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "K", false)->ReadInteger("v"), 1);
  box.WriteReg(RegRoot::CurrentUser, "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000002\n");
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "K", false)->ReadInteger("v"), 2);
  {
    auto key = reg.OpenKey(RegRoot::CurrentUser, "K", false);
    key->WriteInteger("w", 3);
    ASSERT_TRUE(key->Close());
  }
  auto again = reg.OpenKey(RegRoot::CurrentUser, "K", false);
  EXPECT_EQ(again->ReadInteger("v"), 2);
  EXPECT_EQ(again->ReadInteger("w"), 3);
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

  // A rewrite would give the same text: a read-only file tells whether one was tried.
  const std::string file = box.regDir() / "HKEY_CURRENT_USER.reg";
  test::SetMode(file, 0444);
  {
    auto key = reg.OpenKey(RegRoot::CurrentUser, "K", true);
    key->WriteInteger("a", 1);  // the value it has
    EXPECT_TRUE(key->Close());
  }
  // Another writer stored the same value meanwhile: the merge changes nothing either.
  auto key = reg.OpenKey(RegRoot::CurrentUser, "K", true);
  test::SetMode(file, 0644);
  box.WriteReg(RegRoot::CurrentUser, "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=dword:00000002\n");
  const std::string other = box.RegText(RegRoot::CurrentUser);
  test::SetMode(file, 0444);
  key->WriteInteger("a", 2);
  EXPECT_TRUE(key->Close());
  EXPECT_TRUE(reg.TakeProblems().empty());
  EXPECT_EQ(box.RegText(RegRoot::CurrentUser), other);
  test::SetMode(file, 0644);
}

TEST(RegFile, OfTwoLinesForOneValueTheLastWins) {
  auto parsed = RegFile::Parse("REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"a\"=dword:00000001\n\"A\"=dword:00000002\n", "HKEY_CURRENT_USER");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->FindKey("K")->Find("a")->dword, 2u);
}

// "ゲーム" and "表" (whose second byte is a backslash) in code page 932.
constexpr const char* kGameSjis = "\x83\x51\x81\x5B\x83\x80";
constexpr const char* kTableSjis = "\x95\x5C";

TEST_F(RegistryTest, Cp932ExportsAreReadAndRewrittenInCp932) {
  const std::string cp932 = std::string("REGEDIT4\r\n\r\n; ") + kGameSjis + "\r\n" +
                            "[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\r\n" + "\"dirwave\"=\"C:\\\\" + kGameSjis +
                            "\\\\" + kTableSjis + "\"\r\n" + "\"name\"=\"" + kTableSjis + "\"\r\n\r\n";
  box.WriteReg(RegRoot::CurrentUser, cp932);
  {
    auto key = reg.OpenKey(RegRoot::CurrentUser, "Software\\Nivre\\VP-COUNTER", false);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("dirwave"), "C:\\ゲーム\\表");
    EXPECT_EQ(key->ReadString("name"), "表");
    key->WriteString("usewave", "ヴェルベル表");
    EXPECT_TRUE(key->Close());
  }
  EXPECT_TRUE(reg.TakeProblems().empty());
  const std::string written = box.RegText(RegRoot::CurrentUser);
  EXPECT_FALSE(IsValidUtf8(written));
  EXPECT_EQ(written.substr(0, cp932.size() - 2), cp932.substr(0, cp932.size() - 2));  // every line as it was
  EXPECT_EQ(Cp932ToUtf8(written.substr(cp932.size() - 2)).value(), "\"usewave\"=\"ヴェルベル表\"\r\n\r\n");

  // A character code page 932 lacks: nothing written, and said.
  {
    auto key = reg.OpenKey(RegRoot::CurrentUser, "Software\\Nivre\\VP-COUNTER", false);
    key->WriteString("usewave", "😀");
    EXPECT_FALSE(key->Close());
  }
  EXPECT_EQ(box.RegText(RegRoot::CurrentUser), written);
  auto problems = reg.TakeProblems();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, RegistryProblem::Kind::WriteFailed);
}

TEST_F(RegistryTest, FilesWeMakeStayUtf8AndTextInNeitherEncodingIsLeftAlone) {
  {
    auto key = reg.OpenKey(RegRoot::CurrentUser, "K", true);
    key->WriteString("s", "ゲーム");
  }
  EXPECT_TRUE(IsValidUtf8(box.RegText(RegRoot::CurrentUser)));
  EXPECT_NE(box.RegText(RegRoot::CurrentUser).find("\"s\"=\"ゲーム\""), std::string::npos);

  const std::string broken = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"s\"=\"\x81\x20\"\n\"t\"=\"\xFF\"\n";
  box.WriteReg(RegRoot::CurrentUser, broken);
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "K", true), nullptr);
  EXPECT_EQ(box.RegText(RegRoot::CurrentUser), broken);
  auto problems = reg.TakeProblems();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, RegistryProblem::Kind::Unreadable);
  EXPECT_EQ(problems[0].root, RegRoot::CurrentUser);
  EXPECT_EQ(problems[0].line, 3);

  // Each problem names the root whose file it is about.
  box.WriteReg(RegRoot::LocalMachine, broken);
  EXPECT_EQ(reg.OpenKey(RegRoot::LocalMachine, "K", false), nullptr);
  problems = reg.TakeProblems();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].root, RegRoot::LocalMachine);
}

TEST(Text, CodePage932LengthsCountHalfWidthKatakanaAsOneByte) {
  EXPECT_EQ(Cp932Length("abc"), 3);
  EXPECT_EQ(Cp932Length("ｱｲｳﾞ"), 4);    // half-width katakana (U+FF61..U+FF9F)
  EXPECT_EQ(Cp932Length("アイウ"), 6);  // full-width
  EXPECT_EQ(Cp932Length("｡ﾟ"), 2);      // both ends of the half-width range
  EXPECT_EQ(Cp932Length("＋"), 2);      // just outside it
}

TEST(Text, Utf8ValidityAndCodePage932BothWays) {
  EXPECT_TRUE(IsValidUtf8("plain ゲーム 😀"));
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE3\x82", "\x80", "\xF4\x90\x80\x80"}) EXPECT_FALSE(IsValidUtf8(bad));
  EXPECT_EQ(Cp932ToUtf8(std::string(kGameSjis) + "\\" + kTableSjis + "\xB1").value(), "ゲーム\\表ｱ");
  EXPECT_EQ(Utf8ToCp932("C:\\表ｱ~").value(), std::string("C:\\") + kTableSjis + "\xB1~");
  EXPECT_FALSE(Utf8ToCp932("😀"));
  EXPECT_FALSE(Cp932ToUtf8("\x81"));
}

// Where glibc and Windows map code page 932 differently, both builds refuse:
// a character is written only when it reads back as itself, so a path never
// changes (and ¥ never becomes a separator) on its way through a file.
TEST(Text, CodePage932WritesOnlyWhatReadsBackAlikeOnBothSystems) {
  for (const char* oneWay : {"¢", "£", "¥", "¬", "—", "‖", "‾", "−", "〜", "\u0080", "\uF8F0", "\uF8F3"})
    EXPECT_FALSE(Utf8ToCp932(std::string("C:\\") + oneWay)) << oneWay;
  EXPECT_FALSE(Cp932ToUtf8("a\x80"));  // a lone 0x80 is no character of the game's
  // Their Windows forms go both ways; 0x80 as a trail byte is part of a character.
  EXPECT_EQ(Utf8ToCp932("～").value(), "\x81\x60");
  EXPECT_EQ(Utf8ToCp932("￥").value(), "\x81\x8F");
  EXPECT_EQ(Utf8ToCp932("―").value(), "\x81\x5C");
  EXPECT_EQ(Cp932ToUtf8("\x81\x60\x81\x80").value(), "～÷");
  EXPECT_EQ(Cp932ToUtf8("\x5C\x7E").value(), "\\~");
}

TEST_F(RegistryTest, TwoProcessesWritingTheSameFileKeepEachOthersValues) {
  constexpr int kWriters = 2, kValues = 150;
  EXPECT_TRUE(test::InParallelProcesses(kWriters, [&](int w) {
    RegFileRegistry own(box.regDir().path());  // a process of its own, with its own cache
    for (int i = 0; i < kValues; ++i) {
      auto key = own.OpenKey(RegRoot::CurrentUser, "Software\\Nivre\\VP-COUNTER", true);
      if (!key) return false;
      key->WriteInteger("w" + std::to_string(w) + "_" + std::to_string(i), i);
      if (!key->Close()) return false;
    }
    return true;
  }));
  auto key = reg.OpenKey(RegRoot::CurrentUser, "Software\\Nivre\\VP-COUNTER", false);
  ASSERT_NE(key, nullptr);
  int kept = 0;
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < kValues; ++i) kept += key->ValueExists("w" + std::to_string(w) + "_" + std::to_string(i));
  EXPECT_EQ(kept, kWriters * kValues);
}

TEST_F(RegistryTest, RootsLiveInSeparateFiles) {
  reg.OpenKey(RegRoot::LocalMachine, "SOFTWARE\\Q", true)->WriteString("install", "/x");
  EXPECT_EQ(reg.OpenKey(RegRoot::CurrentUser, "SOFTWARE\\Q", false), nullptr);
  EXPECT_NE(box.RegText(RegRoot::LocalMachine).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Q]"),
            std::string::npos);
}

}  // namespace
}  // namespace vp::platform
