#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>

namespace vp::counter {

// The greeting's voices, spoken one after another: each starts 500 ms after
// the previous one ended, at most six, and all of them, pauses included,
// end within kVoiceSequenceLimit of the first one's start. A state machine
// driven by the window's events (shown, voice ended, pause over, failure)
// and a clock in milliseconds, so that its timing is tested without a display.
class VoiceSequence {
 public:
  using Clock = std::function<std::int64_t()>;  // milliseconds, any origin
  static constexpr int kMostVoices = 6;
  static constexpr std::chrono::milliseconds kPause{500};

  // What the window does next.
  struct Step {
    enum class Kind { Play, Wait, Over } kind = Kind::Over;
    int voice = 0;                         // Play: the voice to play; Wait: the one to prepare (0: none)
    std::chrono::milliseconds longest{0};  // Play: how long it may play
  };

  // voices: the greeting's voice numbers, 0 ending the list; none when the
  // voices are off.
  VoiceSequence(std::array<int, kMostVoices> voices, Clock clock);

  Step Start();                    // the window is shown
  Step Ended(bool successful);     // the player's end notice for the current voice
  Step PauseOver();                // the pause timer fired
  Step Failed();                   // a voice could not be prepared or played

  // What is left of the pause: the window prepares the next voice during the
  // pause and starts its timer for the rest, so that the voice starts 500 ms
  // after the previous one ended, not 500 ms plus its preparation.
  std::chrono::milliseconds PauseLeft() const;

  bool over() const { return over_; }
  int started() const { return started_; }  // voices started so far

 private:
  Step Play(int index);
  Step End();

  std::array<int, kMostVoices> voices_;
  Clock clock_;
  std::int64_t firstStart_ = -1;
  std::int64_t pauseEnds_ = 0;
  int started_ = 0;
  bool over_ = false;
};

// How long the next voice may play, started `sinceFirst` after the first;
// zero: the sequence is over.
inline constexpr std::chrono::milliseconds kVoiceSequenceLimit{30000};
std::chrono::milliseconds VoiceTimeLeft(std::chrono::milliseconds sinceFirst);

}  // namespace vp::counter
