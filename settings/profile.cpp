#include "settings/profile.h"

#include <cmath>
#include <cstdio>

#include "platform/text.h"

namespace vp::settings {

const char* ZodiacSign(int month, int day) {
  static const struct {
    int upTo;
    const char* sign;
  } kSigns[] = {{120, "山羊座"}, {219, "水瓶座"}, {320, "魚座"},   {420, "牡羊座"},  {521, "牡牛座"},
                {621, "双子座"}, {723, "蟹座"},   {823, "獅子座"}, {923, "乙女座"}, {1023, "天秤座"},
                {1122, "さそり座"}, {1222, "射手座"}};
  const int key = month * 100 + day;
  for (const auto& s : kSigns)
    if (s.upTo >= key) return s.sign;
  return "山羊座";
}

std::string BirthdayText(int month, int day) {
  return std::to_string(month) + "月 " + std::to_string(day) + "日 (" + ZodiacSign(month, day) + ")";
}

std::string MeasureText(double value, const char* unit) {
  char text[64];
  if (value == std::floor(value) && std::fabs(value) < 1e15) std::snprintf(text, sizeof text, "%.0f", value);
  else std::snprintf(text, sizeof text, "%.6g", value);
  return std::string(text) + unit;
}

ClassClubLines ClassAndClub(const std::string& className, const std::string& club) {
  if (platform::Cp932Length(className) + platform::Cp932Length(club) <= 28) return {className + club, ""};
  return {className, club};
}

}  // namespace vp::settings
