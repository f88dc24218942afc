// libFuzzer target: any 64 bytes as the start-up history, with any clock,
// through everything that reads it: decoding, the statistics panel, the
// greeting and its remark, and the count. The record must write back byte
// for byte, and the counters must never wrap.
#include <cstdint>
#include <cstring>
#include <string>

#include "counter/greeting.h"
#include "settings/statistics.h"
#include "state/history.h"
#include "state/settings.h"

using namespace vp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < state::kHistorySize + 9) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), state::kHistorySize);
  std::int64_t now = 0;
  std::memcpy(&now, data + state::kHistorySize, sizeof now);
  now %= std::int64_t{1} << 33;  // 1970 to 2242, both ways: clocks set far back or ahead
  const std::uint8_t choice = data[state::kHistorySize + 8];

  state::StartHistory h = state::DecodeHistory(bytes);
  if (state::EncodeHistory(h) != bytes) __builtin_trap();
  platform::LocalTime nowTm;
  if (!platform::BreakDownLocal(now, nowTm)) return 0;

  (void)settings::ComposeStatistics(h, now, settings::NumberFormat{});
  state::Settings s;
  s.char0 = choice % 6;
  s.char1 = (choice / 6) % 6;
  s.rand = choice & 0x40 ? 1 : 0;
  s.name = choice & 0x80 ? 1 : 0;
  const counter::GreetingComposer composer([](const std::string& text, int pointSize) {
    return counter::TextExtent{static_cast<int>(text.size()) * pointSize, pointSize * 2};
  });
  composer.ChooseCharacters(s, nowTm);
  (void)composer.Compose(s, h, now);

  const std::uint32_t before = h.count;
  state::CountStartup(h, now, nowTm);
  if (h.count < before || h.dayCount == 0 || h.dayMax < h.dayCount) __builtin_trap();
  return 0;
}
