#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/registry.h"

namespace vp::state {

// The 64-byte start-up history, shared on disk with the sibling counter.
struct StartHistory {
  std::int32_t firstTime = 0;  // C time value, 32-bit on disk
  std::uint32_t count = 1;     // recorded start-ups + 1
  std::int32_t lastTime = 0;   // 0 = none recorded
  std::uint32_t dayCount = 0;
  std::uint32_t dayMax = 0;
  std::array<std::uint8_t, 44> reserved{};
};

inline constexpr std::size_t kHistorySize = 64;

std::string EncodeHistory(const StartHistory& h);
StartHistory DecodeHistory(const std::string& bytes);  // bytes.size() >= 64

// The sibling counter's file when it integrates us, else "TALLYDAT" in the working folder.
std::string HistoryPath(platform::Registry& reg);

void LoadHistory(StartHistory& h, platform::Registry& reg);
// False when the file could not be written; the record stays updated either way.
bool SaveHistory(const StartHistory& h, platform::Registry& reg);
bool RecordStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm,
                   platform::Registry& reg);

// Counts one start-up without saving.
void CountStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm);

StartHistory& TheHistory();

// Derived values.
inline std::uint32_t RecordedStartups(const StartHistory& h) { return h.count - 1; }
inline bool NothingRecorded(const StartHistory& h) { return h.count <= 1; }
// Whole days since the first start-up, counting the first day; at least 1, so a
// first time in the future (a damaged file or a clock set back) cannot divide by zero.
std::int64_t ElapsedDays(const StartHistory& h, platform::TimeValue now);
double AveragePerDay(const StartHistory& h, platform::TimeValue now);

}  // namespace vp::state
