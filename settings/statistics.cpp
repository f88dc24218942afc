#include "settings/statistics.h"

#include <cmath>
#include <cstdio>

namespace vp::settings {

std::string DateTimeText(platform::TimeValue t) {
  platform::LocalTime lt;
  if (!platform::BreakDownLocal(t, lt) || lt.year < 0 || lt.year > 9999) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", lt.year, lt.month, lt.day, lt.hour, lt.minute);
  return text;
}

std::string GroupedInteger(std::uint64_t n, const NumberFormat& f) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += f.thousands;
    out += digits[i];
  }
  return out;
}

std::string GroupedDecimal2(double v, const NumberFormat& f) {
  const bool negative = v < 0;
  const std::uint64_t hundredths = static_cast<std::uint64_t>(std::llround(std::fabs(v) * 100));
  char cents[4];
  std::snprintf(cents, sizeof cents, "%02u", static_cast<unsigned>(hundredths % 100));
  return (negative ? "-" : "") + GroupedInteger(hundredths / 100, f) + f.decimal + cents;
}

StatisticsTexts ComposeStatistics(const state::StartHistory& h, platform::TimeValue now, const NumberFormat& f,
                                  bool historyRead) {
  StatisticsTexts s;
  if (!historyRead) {
    s.init = kUnreadableHistoryText;
    s.last = s.diffDay = s.total = s.dayAve = s.dayMax = kUnknownValueText;
    return s;
  }
  if (h.count == 1) {
    s.init = s.last = s.diffDay = s.dayAve = s.dayMax = "-";
    s.total = "0";
    return s;
  }
  s.init = DateTimeText(h.firstTime);
  s.last = DateTimeText(h.lastTime);
  // Shown as it is, even 0 or less when the clock stands before the first start-up.
  const std::int64_t days = state::DaysSinceFirst(h, now);
  s.diffDay = days >= 0 ? GroupedInteger(static_cast<std::uint64_t>(days), f) : "-" + GroupedInteger(static_cast<std::uint64_t>(-days), f);
  s.total = GroupedInteger(state::RecordedStartups(h), f);
  s.dayAve = GroupedDecimal2(state::AveragePerDay(h, now), f);
  s.dayMax = GroupedInteger(h.dayMax, f);
  return s;
}

}  // namespace vp::settings
