#include <gtest/gtest.h>
#if defined(_WIN32)
#include <windows.h>
#include <mmsystem.h>
#endif

#include <chrono>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/media_player.h"
#include "test_support.h"

namespace vp::platform {
namespace {

// A stand-in for the GUI thread: posted tasks run when the test pumps them.
class TaskQueue {
 public:
  MediaPlayer::Poster Poster() {
    return [this](std::function<void()> task) {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks_.push_back(std::move(task));
    };
  }
  // Runs tasks until `done` or the time is up.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      std::deque<std::function<void()>> ready;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        ready.swap(tasks_);
      }
      for (auto& t : ready) t();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
};

// A square tone of the given length, 16-bit mono PCM.
std::string ToneWav(int milliseconds) {
  const int rate = 22050, samples = rate * milliseconds / 1000;
  std::string w = "RIFF....WAVEfmt ";
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) w.push_back(static_cast<char>(v >> (8 * i)));
  };
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(rate, 4);
  put(rate * 2, 4);
  put(2, 2);
  put(16, 2);
  w += "data";
  put(static_cast<std::uint32_t>(samples * 2), 4);
  for (int i = 0; i < samples; ++i) put(static_cast<std::uint16_t>(static_cast<std::int16_t>(8000 * ((i / 25) % 2 ? 1 : -1))), 2);
  std::uint32_t riff = static_cast<std::uint32_t>(w.size() - 8);
  for (int i = 0; i < 4; ++i) w[4 + static_cast<std::size_t>(i)] = static_cast<char>(riff >> (8 * i));
  return w;
}

class MediaPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(_WIN32)
    // The MCI plays on the system's device; Wine without a sound server has none.
    if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "no sound device";
#else
    test::SetEnvironment("SDL_AUDIODRIVER", "dummy");
    if (!std::getenv("VPCOUNTER_AUDIO_MODULE")) test::SetEnvironment("VPCOUNTER_AUDIO_MODULE", AUDIO_MODULE);
#endif
  }
  test::TempDir dir;
  TaskQueue gui;
};

TEST_F(MediaPlayerTest, PlaysToTheEndAtRealSpeed) {
  test::WriteFile(dir / "tone.wav", ToneWav(300));
  auto player = CreateMediaPlayer(gui.Poster());
  ASSERT_TRUE(player->Open(dir / "tone.wav"));
  std::vector<MediaNotice> notices;
  const auto start = std::chrono::steady_clock::now();
  player->Play([&](MediaNotice n) { notices.push_back(n); });
  ASSERT_TRUE(gui.PumpUntil([&] { return !notices.empty(); }, std::chrono::seconds(5)));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(notices, std::vector<MediaNotice>{MediaNotice::Successful});
  EXPECT_GE(took, std::chrono::milliseconds(280));
  player->Close();
}

TEST_F(MediaPlayerTest, ALengthLimitCutsALongFileShort) {
  test::WriteFile(dir / "long.wav", ToneWav(20000));
  auto player = CreateMediaPlayer(gui.Poster());
  player->LimitLength(std::chrono::milliseconds(200));
  ASSERT_TRUE(player->Open(dir / "long.wav"));
  std::vector<MediaNotice> notices;
  player->Play([&](MediaNotice n) { notices.push_back(n); });
  // Far less than the file's 20 s: the end comes from the limit.
  ASSERT_TRUE(gui.PumpUntil([&] { return !notices.empty(); }, std::chrono::seconds(10)));
  EXPECT_EQ(notices, std::vector<MediaNotice>{MediaNotice::Successful});
  player->Close();
}

TEST_F(MediaPlayerTest, ClosingEarlyAbortsAndAnUnreadableFileFails) {
  test::WriteFile(dir / "tone.wav", ToneWav(2000));
  auto player = CreateMediaPlayer(gui.Poster());
  ASSERT_TRUE(player->Open(dir / "tone.wav"));
  std::vector<MediaNotice> notices;
  player->Play([&](MediaNotice n) { notices.push_back(n); });
  player->Close();
  gui.PumpUntil([&] { return !notices.empty(); }, std::chrono::milliseconds(500));
  EXPECT_EQ(notices, std::vector<MediaNotice>{MediaNotice::Aborted});

  test::WriteFile(dir / "bad.wav", "not a wave");
  EXPECT_FALSE(player->Open(dir / "bad.wav"));
  notices.clear();
  player->Play([&](MediaNotice n) { notices.push_back(n); });
  ASSERT_TRUE(gui.PumpUntil([&] { return !notices.empty(); }, std::chrono::seconds(2)));
  EXPECT_EQ(notices, std::vector<MediaNotice>{MediaNotice::Failure});
}

// Without a device or a readable file, nothing opens and playing fails, once.
TEST(MediaPlayer, AFileThatCannotBePlayedFailsWithOneNotice) {
  test::TempDir dir;
  TaskQueue gui;
  auto player = CreateMediaPlayer(gui.Poster());
  test::WriteFile(dir / "bad.wav", "not a wave");
  EXPECT_FALSE(player->Open(dir / "bad.wav"));
  EXPECT_FALSE(player->Open(dir / "missing.wav"));
  std::vector<MediaNotice> notices;
  player->Play([&](MediaNotice n) { notices.push_back(n); });
  gui.PumpUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(notices, std::vector<MediaNotice>{MediaNotice::Failure});
  player->Close();
}

TEST_F(MediaPlayerTest, NoNoticeReachesAPlayerThatIsGone) {
  test::WriteFile(dir / "tone.wav", ToneWav(100));
  bool called = false;
  {
    auto player = CreateMediaPlayer(gui.Poster());
    ASSERT_TRUE(player->Open(dir / "tone.wav"));
    player->Play([&](MediaNotice) { called = true; });
  }
  gui.PumpUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace vp::platform
