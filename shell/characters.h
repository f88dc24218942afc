#pragma once
#include <array>
#include <string>

#include "png/bitmap.h"

namespace vp::shell {

struct Character {
  const char* fullName;
  const char* nickname;
  int birthMonth;
  int birthDay;
  const char* bloodType;
  double height;  // cm
  double weight;  // kg
  const char* threeSizes;
  const char* className;
  const char* club;
  const char* ending1;  // after a noun
  const char* ending2;  // past tense, after a verbal noun
  png::ColorValue colour;
  int pictureNumber;  // her standard picture in the game's picture archive
};

using CharacterTable = std::array<Character, 6>;

const CharacterTable& Characters();

// Mode -1 follows the `name` setting; 0 gives the full name, anything else the nickname.
std::string CharacterName(int mode, int index, int nameSetting);

// Copies a 111 x 111 chip into target (24-bit) column by column from row 0,
// mirrored or not. Errors leave target as it was.
void DrawChip(const png::Bitmap& chip, png::Bitmap& target, bool mirrored);

}  // namespace vp::shell
