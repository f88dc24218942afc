#include "state/history.h"

#include <optional>

#include "platform/files.h"
#include "state/settings.h"

namespace vp::state {
namespace {

void Put32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t Get32(const std::string& in, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
  return v;
}

}  // namespace

StartHistory& TheHistory() {
  static StartHistory history;
  return history;
}

std::string EncodeHistory(const StartHistory& h) {
  std::string out(kHistorySize, '\0');
  Put32(out, 0, static_cast<std::uint32_t>(h.firstTime));
  Put32(out, 4, h.count);
  Put32(out, 8, static_cast<std::uint32_t>(h.lastTime));
  Put32(out, 12, h.dayCount);
  Put32(out, 16, h.dayMax);
  for (std::size_t i = 0; i < h.reserved.size(); ++i) out[20 + i] = static_cast<char>(h.reserved[i]);
  return out;
}

StartHistory DecodeHistory(const std::string& bytes) {
  StartHistory h;
  h.firstTime = static_cast<std::int32_t>(Get32(bytes, 0));
  h.count = Get32(bytes, 4);
  h.lastTime = static_cast<std::int32_t>(Get32(bytes, 8));
  h.dayCount = Get32(bytes, 12);
  h.dayMax = Get32(bytes, 16);
  for (std::size_t i = 0; i < h.reserved.size(); ++i) h.reserved[i] = static_cast<std::uint8_t>(bytes[20 + i]);
  return h;
}

std::string HistoryPath(platform::Registry& reg) {
  std::optional<std::string> siblingFile;
  if (SiblingIntegrates(reg, &siblingFile) && siblingFile) return *siblingFile;
  return kDefaultHistoryName;
}

void LoadHistory(StartHistory& h, platform::Registry& reg) {
  h = StartHistory{};
  h.firstTime = static_cast<std::int32_t>(platform::CurrentTime());
  // Only the first 64 bytes count, so a huge file is not read whole.
  if (auto bytes = platform::ReadFileStart(HistoryPath(reg), kHistorySize);
      bytes && bytes->size() >= kHistorySize) {
    h = DecodeHistory(*bytes);
  }
}

bool SaveHistory(const StartHistory& h, platform::Registry& reg) {
  return platform::ReplaceFileAtomically(HistoryPath(reg), EncodeHistory(h));
}

void CountStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm) {
  ++h.count;
  platform::LocalTime last;
  // A time that cannot be broken down (damaged file) counts as another day.
  bool sameDay = h.lastTime != 0 && platform::BreakDownLocal(h.lastTime, last) &&
                 last.year == nowTm.year && last.month == nowTm.month && last.day == nowTm.day;
  h.dayCount = sameDay ? h.dayCount + 1 : 1;
  if (h.dayCount > h.dayMax) h.dayMax = h.dayCount;
  h.lastTime = static_cast<std::int32_t>(now);
}

bool RecordStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm,
                   platform::Registry& reg) {
  CountStartup(h, now, nowTm);
  return SaveHistory(h, reg);
}

std::int64_t ElapsedDays(const StartHistory& h, platform::TimeValue now) {
  std::int64_t days = (now - static_cast<platform::TimeValue>(h.firstTime)) / 86400 + 1;
  return days < 1 ? 1 : days;
}

double AveragePerDay(const StartHistory& h, platform::TimeValue now) {
  return static_cast<double>(RecordedStartups(h)) / static_cast<double>(ElapsedDays(h, now));
}

}  // namespace vp::state
