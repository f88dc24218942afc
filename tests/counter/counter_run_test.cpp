#include <gtest/gtest.h>
#include <sys/stat.h>

#include "counter/counter_run.h"
#include "gamedata/archive_layout.h"
#include "gamedata/game_folder.h"
#include "gamedata/sound_scheme.h"
#include "gamedata/voice_decoder.h"
#include "platform/files.h"
#include "platform/text.h"
#include "state/history.h"
#include "test_support.h"
#include "voice_synth.h"

namespace vp::counter {
namespace {

TextExtent Measure(const std::string& text, int points) { return {platform::Cp932Length(text) * points * 2 / 3, 16}; }

class Run : public ::testing::Test {
 protected:
  test::Sandbox box;
  const platform::TimeValue now = test::LocalTimeValue(2026, 12, 8, 9, 0);

  void SetUp() override {
    state::StartHistory h;
    h.count = 42;
    h.firstTime = static_cast<std::uint32_t>(now - 86400 * 30);
    h.lastTime = static_cast<std::uint32_t>(now - 3600);
    test::WriteFile("TALLYDAT", state::EncodeHistory(h));
    box.WriteReg(platform::RegRoot::CurrentUser,
                 "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n\"char0\"=dword:00000001\n"
                 "\"wave\"=dword:00000001\n\"repl\"=dword:00000001\n\"dirwave\"=\"" + box.work().path() + "/nogame\"\n\n"
                 "[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\SystemExit\\.Current]\n@=\"old.wav\"\n");
  }
  CounterRun Make(RunSetup setup) {
    return CounterRun(box.registry(), std::move(setup), Measure, [this] { return now; });
  }
};

// The voice prepared during the pause is the one played after it, taken
// once; any other voice is prepared when it is due.
TEST_F(Run, TheVoicePreparedDuringThePauseIsTheOnePlayed) {
  gamedata::SetDecoderPathForTesting(OGOG_LIBRARY);
  const std::string game = box.work() / "game";
  auto ogg = [](int voice) {
    const auto bytes = demo::EncodeOggVorbis(demo::SynthesizeVoice(0, voice), demo::kSampleRate);
    return std::string(bytes.begin(), bytes.end());
  };
  const std::string archive = game + "/" + gamedata::VoiceArchiveName(0);
  platform::CreateFolders(archive.substr(0, archive.rfind('/')));
  test::WriteFile(archive, gamedata::BuildVoiceArchive(0, {{0, ogg(1)}, {1, ogg(2)}}));
  RunSetup setup = RunSetup::At("/opt/vp/", box.work().path() + "/", true);
  state::Settings settings;
  settings.dirwave = game + "/";
  settings.wave = 1;
  setup.settings = settings;
  CounterRun run = Make(std::move(setup));
  run.Count();
  EXPECT_EQ(run.PrepareAhead(2), "");
  const std::string two = test::ReadFile(run.TakeVoice(2).wav);
  const std::string voices = test::ReadFile(archive);
  platform::RemoveFile(archive);
  EXPECT_NE(run.PrepareAhead(1), "");  // nothing prepared, and said
  EXPECT_TRUE(run.TakeVoice(1).wav.empty());

  test::WriteFile(archive, voices);
  EXPECT_EQ(run.PrepareAhead(2), "");
  platform::RemoveFile(archive);
  const CounterRun::PreparedVoice played = run.TakeVoice(2);
  EXPECT_GT(two.size(), 44u);
  EXPECT_EQ(test::ReadFile(played.wav), two);
  EXPECT_TRUE(run.TakeVoice(2).wav.empty());  // taken once: now it is prepared anew, and fails
  run.Finish(false);
  gamedata::SetDecoderPathForTesting("");
}

TEST_F(Run, ALogonCountsOnceAndGreetsWithTheHistoryAsItWasBefore) {
  CounterRun run = Make(RunSetup::At("/opt/vp/", box.work().path() + "/", true));
  run.Prepare();
  EXPECT_EQ(run.historyBefore().count, 42u);
  EXPECT_EQ(run.historyAfter().count, 43u);
  EXPECT_EQ(state::DecodeHistory(test::ReadFile("TALLYDAT")).count, 43u);
  EXPECT_EQ(run.startTime(), now);
  EXPECT_EQ(run.composition().labels.count.text, "42");  // the greeting reads the count before this logon
  // The game is missing: told in the player's words, once.
  const std::string told = run.NoticeText();
  EXPECT_NE(told.find("詳細設定"), std::string::npos) << told;
  EXPECT_EQ(told.find("nogame"), std::string::npos) << told;
  run.Finish(false);
  CounterRun next = Make(RunSetup::At("/opt/vp/", box.work().path() + "/", true));
  next.Prepare();
  EXPECT_EQ(next.NoticeText().find("詳細設定"), std::string::npos);
  EXPECT_EQ(next.historyAfter().count, 44u);
  // Each counted logon is in the log too, in local time with its offset.
  EXPECT_EQ(test::ReadFile(box.work().path() + "/startups-2026.log"),
            "2026-12-08T09:00:00+09:00\n2026-12-08T09:00:00+09:00\n");
}

// Counted before the window: Count() saves the start-up at once; Prepare()
// does not count again. A notice that reached nobody is told next time.
TEST_F(Run, TheCountComesFirstAndAnUndeliveredNoticeIsToldAgain) {
  CounterRun run = Make(RunSetup::At("/opt/vp/", box.work().path() + "/", true));
  run.Count();
  EXPECT_TRUE(run.counted());
  EXPECT_EQ(state::DecodeHistory(test::ReadFile("TALLYDAT")).count, 43u);
  run.Prepare();
  EXPECT_EQ(state::DecodeHistory(test::ReadFile("TALLYDAT")).count, 43u);
  EXPECT_NE(run.NoticeText().find("詳細設定"), std::string::npos);
  run.NoticesNotDelivered();
  run.Finish(true);
  CounterRun next = Make(RunSetup::At("/opt/vp/", box.work().path() + "/", true));
  next.Prepare();
  EXPECT_NE(next.NoticeText().find("詳細設定"), std::string::npos);
  next.Finish(false);
  CounterRun third = Make(RunSetup::At("/opt/vp/", box.work().path() + "/", true));
  third.Prepare();
  EXPECT_EQ(third.NoticeText().find("詳細設定"), std::string::npos);
}

TEST_F(Run, APreviewChangesNothingAndAScratchFolderCountsNothing) {
  // A logon's voice, being spoken while the player opens the preview.
  CounterRun logon = Make(RunSetup::At("/opt/vp/", box.work().path() + "/", true));
  logon.Count();
  const std::string voice = logon.extractionFolder() + "0001.wav";
  test::WriteFile(voice, "RIFF");
  test::WriteFile(logon.extractionFolder() + "extracted-files.txt", "0001.wav\n");
  const std::string history = test::ReadFile("TALLYDAT");
  const std::string registry = box.RegText(platform::RegRoot::CurrentUser);
  RunSetup preview = RunSetup::At("/opt/vp/", box.work().path() + "/", true);
  preview.preview = true;
  state::Settings unsaved;
  unsaved.char1 = 5;
  preview.settings = unsaved;
  CounterRun shown = Make(preview);
  shown.Prepare();
  EXPECT_NE(shown.extractionFolder(), logon.extractionFolder());
  shown.Finish(false);
  EXPECT_TRUE(platform::FileExists(voice));
  EXPECT_FALSE(platform::DirectoryExists(shown.extractionFolder()));
  logon.Finish(false);
  EXPECT_FALSE(platform::DirectoryExists(logon.extractionFolder()));
  EXPECT_EQ(shown.settings().char1, 5);
  EXPECT_EQ(shown.historyAfter().count, 43u);
  EXPECT_EQ(test::ReadFile("TALLYDAT"), history);
  EXPECT_EQ(box.RegText(platform::RegRoot::CurrentUser), registry);  // no sound, no published path, no memory

  CounterRun scratch = Make(RunSetup::At("/opt/vp/", box.work().path() + "/", false));
  scratch.Prepare();
  EXPECT_EQ(test::ReadFile("TALLYDAT"), history);
  // Only the logon logged.
  EXPECT_EQ(test::ReadFile(box.work().path() + "/startups-2026.log"), "2026-12-08T09:00:00+09:00\n");
  EXPECT_NE(scratch.NoticeText().find("作業フォルダを使えないため"), std::string::npos);
}

// Without a working folder of its own a run still counts a sibling's
// history that integrates it: that file is the sibling's, not ours.
TEST_F(Run, AScratchFolderStillCountsAnIntegratingSiblingsHistory) {
  const std::string ours = test::ReadFile("TALLYDAT");
  const std::string sibling = box.work().path() + "/sibling-TALLYDAT";
  state::StartHistory h;
  h.count = 10;
  h.firstTime = static_cast<std::uint32_t>(now - 86400);
  h.lastTime = static_cast<std::uint32_t>(now - 3600);
  test::WriteFile(sibling, state::EncodeHistory(h));
  box.WriteReg(platform::RegRoot::CurrentUser,
               box.RegText(platform::RegRoot::CurrentUser) + "\n[HKEY_CURRENT_USER\\Software\\Nivre\\TALLYDAT]\n"
               "\"integrate\"=dword:00000001\n\"tallydatfile\"=\"" + sibling + "\"\n");
  CounterRun scratch = Make(RunSetup::At("/opt/vp/", box.work().path() + "/", false));
  scratch.Count();
  EXPECT_EQ(state::DecodeHistory(test::ReadFile(sibling)).count, 11u);
  EXPECT_EQ(test::ReadFile("TALLYDAT"), ours);
}

// A history that is there but cannot be read counts nothing and keeps the
// file; the greeting never calls it a first start-up, and the notice comes
// at every logon, since every logon is lost until it is mended.
TEST_F(Run, AnUnreadableHistoryIsNeverAFirstStartAndIsToldAtEveryLogon) {
  platform::RemoveFile("TALLYDAT");
  ASSERT_EQ(mkdir("TALLYDAT", 0700), 0);  // not a file: unreadable whoever runs the test
  for (int logon = 0; logon < 3; ++logon) {
    CounterRun run = Make(RunSetup::At("/opt/vp/", box.work().path() + "/", true));
    run.Prepare();
    EXPECT_FALSE(run.historyRead());
    const CounterLabels& l = run.composition().labels;
    const std::string countLine = l.char1A.text + l.count.text + l.char1B.text;
    EXPECT_EQ(countLine.find("初めて"), std::string::npos) << countLine;
    EXPECT_NE(countLine.find("読めない"), std::string::npos) << countLine;
    const std::string told = run.NoticeText();
    EXPECT_NE(told.find("TALLYDAT"), std::string::npos) << "logon " << logon << ": " << told;
    EXPECT_NE(told.find("移して下さい"), std::string::npos) << told;  // what to do
    run.Finish(false);
  }
  EXPECT_TRUE(platform::FindFiles(box.work().path(), "startups-*.log").empty());
}

}  // namespace
}  // namespace vp::counter
