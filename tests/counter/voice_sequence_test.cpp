#include <gtest/gtest.h>

#include <chrono>

#include "counter/counter_timing.h"
#include "counter/voice_sequence.h"

namespace vp::counter {
namespace {

using std::chrono::milliseconds;
using Kind = VoiceSequence::Step::Kind;

class Voices : public ::testing::Test {
 protected:
  std::int64_t now = 1000;  // the fake clock, in milliseconds
  VoiceSequence Make(std::array<int, 6> voices) {
    return VoiceSequence(voices, [this] { return now; });
  }
};

TEST_F(Voices, EachStartsHalfASecondAfterThePreviousEndedEvenWhenPreparingTookTime) {
  VoiceSequence seq = Make({11, 22, 0, 0, 0, 0});
  auto step = seq.Start();
  ASSERT_EQ(step.kind, Kind::Play);
  EXPECT_EQ(step.voice, 11);
  EXPECT_EQ(step.longest, milliseconds(30000));
  now += 2000;  // the voice played 2 s
  step = seq.Ended(true);
  ASSERT_EQ(step.kind, Kind::Wait);
  EXPECT_EQ(step.voice, 22);  // prepared during the pause
  now += 120;                 // preparing it took 120 ms
  EXPECT_EQ(seq.PauseLeft(), milliseconds(380));
  now += 380;
  step = seq.PauseOver();
  ASSERT_EQ(step.kind, Kind::Play);
  EXPECT_EQ(step.voice, 22);
  EXPECT_EQ(step.longest, milliseconds(30000 - 2500));
  now += 1000;
  step = seq.Ended(true);
  ASSERT_EQ(step.kind, Kind::Wait);
  EXPECT_EQ(step.voice, 0);  // nothing to prepare: the list ends
  EXPECT_FALSE(seq.over());  // over only once the pause is over
  now += 600;
  EXPECT_EQ(seq.PauseLeft(), milliseconds(0));  // late timers wait no more
  EXPECT_EQ(seq.PauseOver().kind, Kind::Over);
  EXPECT_TRUE(seq.over());
  EXPECT_EQ(seq.started(), 2);
}

TEST_F(Voices, SixAtMostAndNoneWhenOff) {
  VoiceSequence six = Make({1, 2, 3, 4, 5, 6});
  auto step = six.Start();
  for (int n = 1; n < 6; ++n) {
    ASSERT_EQ(step.kind, Kind::Play);
    EXPECT_EQ(step.voice, n);
    six.Ended(true);
    step = six.PauseOver();
  }
  ASSERT_EQ(step.voice, 6);
  EXPECT_EQ(six.Ended(true).voice, 0);  // no seventh voice to prepare
  EXPECT_EQ(six.PauseOver().kind, Kind::Over);
  EXPECT_EQ(six.started(), 6);

  VoiceSequence none = Make({});
  EXPECT_EQ(none.Start().kind, Kind::Over);
  EXPECT_TRUE(none.over());
}

TEST_F(Voices, AFailureEndsTheSequenceAndLaterNoticesChangeNothing) {
  VoiceSequence failed = Make({1, 2, 3, 0, 0, 0});
  failed.Start();
  EXPECT_EQ(failed.Ended(false).kind, Kind::Over);  // no device, unplayable file
  EXPECT_TRUE(failed.over());
  EXPECT_EQ(failed.Ended(true).kind, Kind::Over);
  EXPECT_EQ(failed.PauseOver().kind, Kind::Over);

  VoiceSequence unprepared = Make({1, 2, 0, 0, 0, 0});
  unprepared.Start();
  unprepared.Ended(true);
  unprepared.PauseOver();
  EXPECT_EQ(unprepared.Failed().kind, Kind::Over);  // the second could not be extracted
  EXPECT_TRUE(unprepared.over());
}

TEST_F(Voices, AllOfThemEndWithin30SecondsOfTheFirstStart) {
  // Voices of 20 s each: the second may play what is left, the third none.
  VoiceSequence seq = Make({1, 2, 3, 0, 0, 0});
  EXPECT_EQ(seq.Start().longest, milliseconds(30000));
  now += 20000;
  seq.Ended(true);
  now += 500;
  auto step = seq.PauseOver();
  ASSERT_EQ(step.kind, Kind::Play);
  EXPECT_EQ(step.longest, milliseconds(9500));
  now += 9500;  // cut at the bound
  seq.Ended(true);
  now += 500;
  EXPECT_EQ(seq.PauseOver().kind, Kind::Over);
  EXPECT_EQ(VoiceTimeLeft(milliseconds(61000)), milliseconds(0));
}

TEST(CounterTiming, ClosesOnlyAfterVoicesAndTheWholeDisplayTime) {
  EXPECT_FALSE(DueToClose(false, 100, 20000, 5));  // voices still playing
  EXPECT_FALSE(DueToClose(true, 950, 1000, 1));    // shown 50 ms, not a second
  EXPECT_FALSE(DueToClose(true, 950, 1949, 1));
  EXPECT_TRUE(DueToClose(true, 950, 1950, 1));
  EXPECT_TRUE(DueToClose(true, 100, 5100, 5));
}

// The display time starts when the greeting can be seen.
TEST(CounterTiming, TheDisplayTimeCountsFromTheFirstExposeOrTheUnveiling) {
  DisplayTime notShown;
  EXPECT_FALSE(notShown.DueToClose(true, 60000, 1));  // a delayed greeting before its show request

  DisplayTime late;
  late.Requested(1000);
  late.Exposed(2500);
  EXPECT_FALSE(late.DueToClose(true, 3499, 1));
  EXPECT_TRUE(late.DueToClose(true, 3500, 1));

  DisplayTime never;  // no expose: the wait for it is bounded
  never.Requested(1000);
  never.Exposed(9000);
  EXPECT_TRUE(never.DueToClose(true, 5000, 1));

  DisplayTime veiled;  // transparent until in place
  veiled.Requested(1000);
  veiled.Exposed(1100);
  veiled.Unveiled(1800);
  EXPECT_FALSE(veiled.DueToClose(true, 2799, 1));
  EXPECT_TRUE(veiled.DueToClose(true, 2800, 1));
  veiled.Unveiled(1200);  // never back in time
  EXPECT_FALSE(veiled.DueToClose(true, 2799, 1));
}

TEST(CounterTiming, OnlyGnomesOverviewHoldsTheGreetingAndNeverForLong) {
  for (const char* gnome : {"GNOME", "ubuntu:GNOME", "GNOME-Classic:GNOME", "GNOME:Unity"})
    EXPECT_TRUE(MayHoldForOverview(gnome)) << gnome;
  for (const char* other : {"", "KDE", "XFCE", "GNOME-Flashback", "X-GNOME", ":", "Budgie:GNOMEX"})
    EXPECT_FALSE(MayHoldForOverview(other)) << other;
  EXPECT_TRUE(HoldForOverview(true, true, 0));
  EXPECT_TRUE(HoldForOverview(true, true, kLongestOverviewHoldMs - 1));
  EXPECT_FALSE(HoldForOverview(true, true, kLongestOverviewHoldMs));
  EXPECT_FALSE(HoldForOverview(true, false, 0));
  EXPECT_FALSE(HoldForOverview(false, true, 0));  // no answer is no overview
}

}  // namespace
}  // namespace vp::counter
