#pragma once
#include <cstdint>
#include <vector>

namespace vp::demo {

inline constexpr int kSampleRate = 22050;

// A short speech-like clip (syllables of a sung vowel at the character's pitch),
// different for every voice number: mono samples in -1..1.
std::vector<float> SynthesizeVoice(int character, int voice);

// The samples as an Ogg Vorbis file; empty on failure.
std::vector<std::uint8_t> EncodeOggVorbis(const std::vector<float>& samples, int sampleRate);

}  // namespace vp::demo
