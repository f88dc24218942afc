#include "counter/voice_sequence.h"

#include <algorithm>

namespace vp::counter {

std::chrono::milliseconds VoiceTimeLeft(std::chrono::milliseconds sinceFirst) {
  return std::clamp(kVoiceSequenceLimit - sinceFirst, std::chrono::milliseconds(0), kVoiceSequenceLimit);
}

VoiceSequence::VoiceSequence(std::array<int, kMostVoices> voices, Clock clock)
    : voices_(voices), clock_(std::move(clock)) {}

VoiceSequence::Step VoiceSequence::End() {
  over_ = true;
  return {};
}

VoiceSequence::Step VoiceSequence::Play(int index) {
  if (over_ || index >= kMostVoices || voices_[static_cast<std::size_t>(index)] == 0) return End();
  const std::int64_t now = clock_();
  if (firstStart_ < 0) firstStart_ = now;
  const auto left = VoiceTimeLeft(std::chrono::milliseconds(now - firstStart_));
  if (left.count() == 0) return End();
  ++started_;
  Step step;
  step.kind = Step::Kind::Play;
  step.voice = voices_[static_cast<std::size_t>(index)];
  step.longest = left;
  return step;
}

VoiceSequence::Step VoiceSequence::Start() { return Play(0); }

VoiceSequence::Step VoiceSequence::Ended(bool successful) {
  // No device or an unplayable file must not keep the window open.
  if (over_ || !successful) return End();
  Step step;
  step.kind = Step::Kind::Wait;
  step.voice = started_ < kMostVoices ? voices_[static_cast<std::size_t>(started_)] : 0;
  pauseEnds_ = clock_() + kPause.count();
  return step;
}

VoiceSequence::Step VoiceSequence::PauseOver() { return Play(started_); }

VoiceSequence::Step VoiceSequence::Failed() { return End(); }

std::chrono::milliseconds VoiceSequence::PauseLeft() const {
  return std::chrono::milliseconds(std::max<std::int64_t>(0, pauseEnds_ - clock_()));
}

}  // namespace vp::counter
