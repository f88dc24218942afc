#pragma once
#include <string>

namespace vp::settings {

// The sign for a birthday; Capricorn at both ends of the year.
const char* ZodiacSign(int month, int day);
// "5月 3日 (牡牛座)".
std::string BirthdayText(int month, int day);
// 150 -> "150cm", 150.5 -> "150.5cm", 45.25 -> "45.25kg": up to six significant digits.
std::string MeasureText(double value, const char* unit);

// Class and club share one line when their code page 932 lengths add up to 28
// bytes or less; otherwise the club goes on its own line.
struct ClassClubLines {
  std::string kumi;
  std::string club;
};
ClassClubLines ClassAndClub(const std::string& className, const std::string& club);

}  // namespace vp::settings
