#pragma once
#include <string>

#include "platform/clock.h"
#include "state/history.h"

namespace vp::settings {

// The user's number conventions for "#,##0" and "#,##0.00".
struct NumberFormat {
  std::string thousands = ",";
  std::string decimal = ".";
};

struct StatisticsTexts {
  std::string init, last, diffDay, total, dayAve, dayMax;
};

// "2006/01/05 07:03" in local time; "-" for a time that cannot be broken down.
std::string DateTimeText(platform::TimeValue t);
// Whole numbers with digit grouping, and two rounded decimals.
std::string GroupedInteger(std::uint64_t n, const NumberFormat& f);
std::string GroupedDecimal2(double v, const NumberFormat& f);

// The statistics panel's texts from the history as loaded, at time `now`.
// A history that is there but could not be read says so: its count is
// unknown, not zero.
StatisticsTexts ComposeStatistics(const state::StartHistory& h, platform::TimeValue now, const NumberFormat& f,
                                  bool historyRead = true);
inline constexpr const char* kUnreadableHistoryText = "起動履歴を読めません";
inline constexpr const char* kUnknownValueText = "不明";

}  // namespace vp::settings
