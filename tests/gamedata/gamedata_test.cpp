#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "gamedata/archive.h"
#include "gamedata/archive_layout.h"
#include "gamedata/run_folder.h"
#include "shell/picture_drawing.h"
#include "gamedata/game_folder.h"
#include "gamedata/sound_scheme.h"
#include "gamedata/voice_decoder.h"
#include "platform/files.h"
#include "platform/work_folder.h"
#include "state/notices.h"
#include "test_support.h"
#include "voice_synth.h"

namespace vp::gamedata {
namespace {

using test::ReadFile;
using test::WriteFile;

void Put32(std::string& s, std::size_t at, std::int32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<std::size_t>(i)] = static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i));
}

class GameData : public ::testing::Test {
 protected:
  test::Sandbox box;
  std::string game = box.work() / "game";

  void SetUp() override {
    platform::CreateFolders(game + "/HD");
    platform::CreateFolders(game + "/CD");
    SetDecoderPathForTesting(OGOG_LIBRARY);
  }
  void TearDown() override { SetDecoderPathForTesting(""); }

  // Picture archive with the given entries (number -> content).
  void Pictures(const std::map<int, std::string>& entries, int count) {
    WriteFile(game + "/HD/fa0000R.aif", BuildPictureArchive(entries, count));
  }
  void Voices(int file, const std::map<int, std::string>& entries) {
    WriteFile(game + "/" + VoiceArchiveName(file), BuildVoiceArchive(file, entries));
  }
  static std::string Ogg(int voice) {
    auto bytes = demo::EncodeOggVorbis(demo::SynthesizeVoice(0, voice), demo::kSampleRate);
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST(GameFolder, JoinAndFolderTest) {
  EXPECT_EQ(ResolveInGameFolder("/games/vp", "HD/fa0000R.aif"), "/games/vp/HD/fa0000R.aif");
  EXPECT_EQ(ResolveInGameFolder("/games/vp/", "HD/fa0000R.aif"), "/games/vp/HD/fa0000R.aif");
  EXPECT_EQ(ResolveInGameFolder("/games/表", "x"), "/games/表/x");
  EXPECT_EQ(ResolveInGameFolder("", "HD/fa0000R.aif"), "");
  EXPECT_EQ(VoiceArchiveName(3), "CD/BV0003");
  test::TempDir dir;
  EXPECT_FALSE(FolderTest(dir.path()).passes);
  platform::CreateFolders(dir / "VerbellePlus.exe");  // a folder of that name does not count
  EXPECT_FALSE(FolderTest(dir.path()).passes);
  test::TempDir other;
  WriteFile(other / "VerbellePlus.exe", "");
  auto result = FolderTest(other.path() + "/");
  EXPECT_TRUE(result.passes);
  EXPECT_EQ(result.folder, other.path());
  EXPECT_EQ(FolderTest("/").folder, "/");
}

TEST_F(GameData, DataCheckNeedsTheVoiceArchiveOnlyWithVoices) {
  state::Settings s;
  s.dirwave = game;
  EXPECT_FALSE(GameDataCheck(s));
  Pictures({}, 1);
  EXPECT_TRUE(GameDataCheck(s));
  s.wave = 1;
  EXPECT_FALSE(GameDataCheck(s));
  Voices(0, {});
  EXPECT_TRUE(GameDataCheck(s));
}

TEST_F(GameData, ExtractsPicturesByNumber) {
  std::map<int, std::string> entries = {{1, "first"}, {25, "twenty-five"}};
  Pictures(entries, 30);
  EXPECT_EQ(ExtractPicture(game, 25), "./019.png");
  EXPECT_EQ(ReadFile("019.png"), "twenty-five");
  EXPECT_EQ(ExtractPicture(game, 1), "./001.png");
  EXPECT_EQ(ReadFile("001.png"), "first");
  EXPECT_EQ(ExtractPicture(game, 0), "");
  // An empty entry, one past the index, and a size reaching past the end: empty files.
  EXPECT_EQ(ExtractPicture(game, 2), "./002.png");
  EXPECT_EQ(ReadFile("002.png"), "");
  EXPECT_EQ(ExtractPicture(game, 4096), "./1000.png");
  EXPECT_EQ(ReadFile("1000.png"), "");
  std::string archive = ReadFile(game + "/HD/fa0000R.aif");
  Put32(archive, 8, 0x7FFFFFFF);
  WriteFile(game + "/HD/fa0000R.aif", archive);
  ExtractPicture(game, 1);
  EXPECT_EQ(ReadFile("001.png"), "");
}

TEST_F(GameData, MissingArchiveRaises) {
  EXPECT_THROW(ExtractPicture(game, 1), GameDataError);
  EXPECT_THROW(ExtractVoice(game, 1), GameDataError);
  EXPECT_THROW(ExtractVoice(box.work() / "nowhere", 300), GameDataError);
}

// A full disk is the disk's fault, not the game's: it is raised as such,
// with its errno, so the player is not sent to fix the game folder.
TEST_F(GameData, AFullDiskIsReportedAsAFullDisk) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  Pictures({{1, std::string(4096, 'p')}}, 2);
  Voices(0, {{0, Ogg(1)}});
  const std::string full = box.work() / "full";
  platform::CreateFolders(full);
  if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "no tmpfs here";
  {
    const std::string filler = full + "/filler";
    FILE* f = std::fopen(filler.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {}
    std::fclose(f);
  }
  ASSERT_EQ(chdir(full.c_str()), 0);
  int error = 0;
  try {
    ExtractPicture(game, 1);
  } catch (const ExtractWriteError& e) {
    error = e.error();
  }
  EXPECT_EQ(error, ENOSPC);
  EXPECT_THROW(ExtractVoice(game, 1), ExtractWriteError);
  png::Bitmap background, left, right;
  background.SetSize(600, 135);
  left.SetSize(164, 120);
  right.SetSize(164, 120);
  const shell::PairDrawn drawn = shell::DrawPair(1, 1, game, background, {&left, 10, 8}, {&right, 428, 8}, nullptr, 0, 1);
  EXPECT_FALSE(drawn.left);
  EXPECT_EQ(drawn.trouble.writeError, ENOSPC);
  ASSERT_EQ(chdir(box.work().path().c_str()), 0);
  umount(full.c_str());
}

// No game folder: nothing in the working folder or at the root stands in for the game.
TEST_F(GameData, NoGameFolderHoldsNothing) {
  Pictures({{1, std::string(64, 'p')}}, 2);
  platform::CreateFolders("HD");
  WriteFile("HD/fa0000R.aif", ReadFile(game + "/HD/fa0000R.aif"));  // in the working folder
  state::Settings noFolder;
  noFolder.dirwave = "";
  noFolder.wave = 0;
  EXPECT_FALSE(GameDataCheck(noFolder));
  EXPECT_THROW(ExtractPicture("", 1), GameDataError);
  noFolder.dirwave = game;
  EXPECT_TRUE(GameDataCheck(noFolder));
}

TEST_F(GameData, ExtractsAndDecodesVoices) {
  Voices(0, {{0, Ogg(1)}, {255, Ogg(256)}});
  Voices(1, {{0, Ogg(257)}});
  Voices(3, {{215, Ogg(984)}});
  EXPECT_EQ(ExtractVoice(game, 984), "./03D8.wav");
  std::string wav = ReadFile("03D8.wav");
  ASSERT_GT(wav.size(), 44u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(wav[34], 16);  // bits per sample
  EXPECT_FALSE(platform::FileExists("03D8.ogg"));
  EXPECT_EQ(ExtractVoice(game, 1), "./0001.wav");
  EXPECT_EQ(ExtractVoice(game, 256), "./0100.wav");
  EXPECT_EQ(ExtractVoice(game, 257), "./0101.wav");
  for (const char* f : {"0001.wav", "0100.wav", "0101.wav"}) EXPECT_TRUE(platform::FileExists(f)) << f;
  // An empty entry: the name comes back, no file, nothing left over.
  EXPECT_EQ(ExtractVoice(game, 2), "./0002.wav");
  EXPECT_FALSE(platform::FileExists("0002.wav"));
  EXPECT_TRUE(platform::FindFiles(".", "*.ogg").empty());
  EXPECT_TRUE(platform::FindFiles(".", "*.part").empty());
}

TEST_F(GameData, WithoutTheDecoderNoWavIsWritten) {
  Voices(0, {{0, Ogg(1)}});
  SetDecoderPathForTesting(box.work() / "missing.so");
  EXPECT_EQ(LoadDecoder(), -1);
  EXPECT_EQ(DecodeOgg("a", "b"), -1);
  // Said as such, not as a voice the game lacks; nothing is left behind.
  try {
    ExtractVoice(game, 1);
    ADD_FAILURE() << "no error";
  } catch (const DecoderMissingError& e) {
    EXPECT_EQ(e.what(), kDecoderLibrary);
  }
  EXPECT_FALSE(platform::FileExists("0001.wav"));
  EXPECT_FALSE(platform::FileExists("0001.ogg"));
  EXPECT_NE(state::VoiceDecoderNotice(kDecoderLibrary).find("声なしで続けます"), std::string::npos);
}

TEST_F(GameData, DecoderRejectsBrokenOggWithoutLeavingAWav) {
  SetDecoderPathForTesting(OGOG_LIBRARY);
  ASSERT_EQ(LoadDecoder(), 0);
  WriteFile("bad.ogg", "OggS but not really");
  EXPECT_NE(DecodeOgg("bad.ogg", "bad.wav"), 0);
  EXPECT_NE(DecodeOgg("absent.ogg", "absent.wav"), 0);
  EXPECT_EQ(UnloadDecoder(), 0);
  EXPECT_FALSE(platform::FileExists("bad.wav"));
  EXPECT_FALSE(platform::FileExists("absent.wav"));
}

TEST_F(GameData, CleanUpDeletesOnlyTheProgramsOwnFiles) {
  for (const char* name : {"0001.wav", "03d8.WAV", "0002.ogg", "10000.wav", "019.png", "1000.PNG", "abc.png"})
    WriteFile(name, "");
  // Only what the list of extracted files names goes: the player's own files
  // under the same kind of names stay, and so does whatever the list names
  // that is not a bare name of ours.
  for (const char* name : {"2024.png", "CAFE.ogg", "BEEF.PNG", "12345678.png", "123.png", "0009.wav"})
    WriteFile(name, "mine");
  WriteFile("extracted-files.txt",
            "0001.wav\n03d8.WAV\n0002.ogg\n10000.wav\n019.png\n1000.PNG\nabc.png\nholiday.png\n../outside.png\n"
            "album.png\n0AAA.wav\n0BBB.png\n0FFF.wav\n0001.wav\n7777.png\n");
  // The user's files, folders and links under look-alike names stay.
  for (const char* name : {"holiday.png", "Song.WAV", "01.png", "001.wav", "0001.wav.txt", "x019.png", ".019.png"})
    WriteFile(name, "mine");
  WriteFile("keep.wav", "");
  WriteFile("0FFF.wav", "");
  chmod("0FFF.wav", 0444);  // read-only, as on Windows
  platform::CreateFolders("album.png");
  WriteFile("album.png/inner.png", "mine");
  platform::CreateFolders("0AAA.wav");
  WriteFile("outside.png", "mine");
  ASSERT_EQ(symlink("outside.png", "0BBB.png"), 0);

  DeleteExtractedFiles(ExtractedKind::Voices);
  for (const char* gone : {"0001.wav", "03d8.WAV", "0002.ogg", "10000.wav"}) EXPECT_FALSE(platform::FileExists(gone)) << gone;
  EXPECT_TRUE(platform::FileExists("019.png"));
  DeleteExtractedFiles(ExtractedKind::Pictures);
  for (const char* gone : {"019.png", "1000.PNG", "abc.png"}) EXPECT_FALSE(platform::FileExists(gone)) << gone;
  for (const char* kept : {"holiday.png", "Song.WAV", "01.png", "001.wav", "0001.wav.txt", "x019.png", ".019.png",
                           "keep.wav", "0FFF.wav", "album.png/inner.png", "outside.png"})
    EXPECT_TRUE(platform::FileExists(kept)) << kept;
  EXPECT_TRUE(platform::DirectoryExists("0AAA.wav"));
  EXPECT_TRUE(platform::FileExists("0BBB.png"));  // the link stays, and so does its target
  for (const char* mine : {"2024.png", "CAFE.ogg", "BEEF.PNG", "12345678.png", "123.png", "0009.wav"})
    EXPECT_TRUE(platform::FileExists(mine)) << mine;
  // The read-only one is still ours to remove later; the rest is forgotten.
  EXPECT_EQ(ReadFile("extracted-files.txt"), "0FFF.wav\n");
}

// Extraction lists what it writes, so the clean-up finds it.
TEST_F(GameData, WhatIsExtractedIsListedAndRemovedAfterwards) {
  WriteFile("2024.png", "mine");
  Pictures({{3, "three"}}, 4);
  const std::string picture = ExtractPicture(game, 3);
  ASSERT_TRUE(platform::FileExists(picture));
  EXPECT_NE(ReadFile("extracted-files.txt").find("003.png\n"), std::string::npos);
  DeleteExtractedFiles(ExtractedKind::Pictures);
  EXPECT_FALSE(platform::FileExists(picture));
  EXPECT_TRUE(platform::FileExists("2024.png"));
  EXPECT_FALSE(platform::FileExists("extracted-files.txt"));
}

// A preview beside a logon, or two logons: each extracts into a folder of its
// own, and removing one run's files never touches another's or the player's.
TEST_F(GameData, EachRunExtractsIntoAFolderOfItsOwn) {
  Pictures({{1, "one"}}, 1);
  Voices(0, {{0, Ogg(1)}});
  const std::string work = box.work().path();
  const std::string logon = MakeRunFolder(work), preview = MakeRunFolder(work);
  ASSERT_NE(logon, preview);
  ASSERT_EQ(logon.rfind(work + "/extracting-", 0), 0u) << logon;
  const std::string voice = ExtractVoice(game, 1, logon);
  EXPECT_EQ(voice, logon + "0001.wav");
  ASSERT_TRUE(platform::FileExists(voice));
  EXPECT_EQ(ExtractVoice(game, 1, preview), preview + "0001.wav");
  EXPECT_EQ(ExtractPicture(game, 1, preview), preview + "001.png");
  RemoveRunFolder(preview);
  EXPECT_FALSE(platform::DirectoryExists(preview));
  EXPECT_TRUE(platform::FileExists(voice));
  // A file the player put there keeps the folder, and itself.
  WriteFile(logon + "2024.png", "mine");
  RemoveRunFolder(logon);
  EXPECT_FALSE(platform::FileExists(voice));
  EXPECT_EQ(ReadFile(logon + "2024.png"), "mine");

  // A killed run's folder goes at the next run; a live run's, a link or a
  // file under such a name stay. 999999999 is beyond any pid.
  const std::string dead = work + "/extracting-999999999-abcdef";
  platform::CreateFolders(dead);
  WriteFile(dead + "/003.png", "x");
  WriteFile(dead + "/extracted-files.txt", "003.png\n");
  test::TempDir outside;
  WriteFile(outside / "003.png", "precious");
  WriteFile(outside / "extracted-files.txt", "003.png\n");
  ASSERT_EQ(symlink(outside.path().c_str(), (work + "/extracting-999999998-linked").c_str()), 0);
  const std::string live = MakeRunFolder(work);
  EXPECT_EQ(RemoveStaleRunFolders(work), 1);
  EXPECT_FALSE(platform::DirectoryExists(dead));
  EXPECT_TRUE(platform::DirectoryExists(live));
  EXPECT_EQ(ReadFile(outside / "003.png"), "precious");
  RemoveRunFolder(work + "/");  // the working folder itself is never removed
  EXPECT_TRUE(platform::DirectoryExists(work));
}

TEST_F(GameData, PlantedLinksAreReplacedNeverWrittenThrough) {
  test::TempDir outside;
  const std::string victim = outside / "victim.txt";
  WriteFile(victim, "precious");
  // Every name an extraction writes, and the decoder's old temporary name.
  for (const char* name : {"019.png", "0001.ogg", "0001.wav", "0001.wav.part"}) ASSERT_EQ(symlink(victim.c_str(), name), 0);
  Pictures({{25, "picture"}}, 25);
  Voices(0, {{0, Ogg(1)}});
  EXPECT_EQ(ExtractPicture(game, 25), "./019.png");
  ExtractVoice(game, 1);
  EXPECT_EQ(test::ReadFile(victim), "precious");
  EXPECT_TRUE(platform::IsPlainRegularFile("019.png"));
  EXPECT_TRUE(platform::IsPlainRegularFile("0001.wav"));
}

TEST_F(GameData, HostileArchivesAreBounded) {
  // A FIFO as archive must not hang the run; an oversized entry is not copied.
  const std::string archive = game + "/HD/fa0000R.aif";
  ASSERT_EQ(mkfifo(archive.c_str(), 0600), 0);
  EXPECT_THROW(ExtractPicture(game, 1), GameDataError);
  unlink(archive.c_str());

  std::string index(32, '\0');
  const std::int32_t offset = 32, size = kMaxEntryBytes + 1;
  std::memcpy(&index[4], &offset, 4);
  std::memcpy(&index[8], &size, 4);
  WriteFile(archive, index);
  ASSERT_EQ(truncate(archive.c_str(), 32 + size), 0);  // sparse: costs no disk
  EXPECT_EQ(ExtractPicture(game, 1), "./001.png");
  EXPECT_EQ(test::ReadFile("001.png"), "");
}

class SoundScheme : public GameData {
 protected:
  void Keys() {
    box.WriteReg(platform::RegRoot::CurrentUser,
                 "REGEDIT4\n\n[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\SystemStart\\.Current]\n"
                 "@=\"start.wav\"\n\n[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\SystemExit\\.Current]\n"
                 "@=\"exit.wav\"\n");
  }
  std::string Value(const char* key) {
    auto k = box.registry().OpenKey(platform::RegRoot::CurrentUser, key, false);
    return k ? k->ReadString("") : "(no key)";
  }
};

TEST_F(SoundScheme, ExitVoiceFollowsTheSeconds) {
  EXPECT_EQ(ChooseExitVoice(0, 0), 231);
  EXPECT_EQ(ChooseExitVoice(0, 4), 290);
  EXPECT_EQ(ChooseExitVoice(0, 8), 984);
  EXPECT_EQ(ChooseExitVoice(2, 37), 2611);
  EXPECT_EQ(ChooseExitVoice(4, 1), 6437);
  EXPECT_EQ(ChooseExitVoice(4, 2), 6437);
  EXPECT_EQ(ChooseExitVoice(4, 3), 6436);
}

TEST_F(SoundScheme, OnlyWithVoicesAndReplacementOn) {
  Keys();
  Voices(10, {{50, Ogg(2611)}});  // 2611 = file 10, entry 50
  state::Settings s;
  s.dirwave = game;
  s.char0 = 2;
  for (auto [wave, repl] : {std::pair{1, 0}, {0, 1}}) {
    s.wave = wave;
    s.repl = repl;
    ReplaceWindowsSounds(s, box.registry(), "/opt/vp/", 5);
    EXPECT_EQ(Value(kSystemStartKey), "start.wav");
    EXPECT_EQ(Value(kSystemExitKey), "exit.wav");
  }
  s.wave = s.repl = 1;
  // The exit sound names the voice where it was extracted: the working folder.
  const std::string work = box.work().path() + "/";
  ReplaceWindowsSounds(s, box.registry(), work, 5);
  EXPECT_EQ(Value(kSystemStartKey), "");
  EXPECT_EQ(Value(kSystemExitKey), work + "0A33.wav");
  EXPECT_TRUE(platform::FileExists(Value(kSystemExitKey)));
}

TEST_F(SoundScheme, MissingKeysAreNotCreatedAndMissingArchiveRaises) {
  state::Settings s;
  s.dirwave = game;
  s.char0 = 2;
  s.wave = s.repl = 1;
  ReplaceWindowsSounds(s, box.registry(), "/opt/vp/", 5);  // no keys: nothing extracted either
  EXPECT_EQ(Value(kSystemStartKey), "(no key)");
  EXPECT_EQ(Value(kSystemExitKey), "(no key)");
  Keys();
  EXPECT_THROW(ReplaceWindowsSounds(s, box.registry(), "/opt/vp/", 5), GameDataError);
  EXPECT_EQ(Value(kSystemStartKey), "");
}

}  // namespace
}  // namespace vp::gamedata
