#include "shell/characters.h"

#include <algorithm>
#include <cstring>

namespace vp::shell {

const CharacterTable& Characters() {
  using png::PackRgb;
  static const CharacterTable table = {{
      {"水城 灯", "あかり", 8, 3, "O", 156.0, 45.0, "80-57-82", "2年B組", "陸上部",
       "だよ！", "したよ！", PackRgb(230, 100, 0), 1},
      {"北条 沙耶", "サーヤ", 11, 22, "A", 162.5, 48.0, "83-56-84", "2年A組", "クラス委員・図書委員",
       "です。", "しました。", PackRgb(30, 70, 180), 17},
      {"桐生 葵", "アオ", 5, 17, "B", 165.0, 52.0, "78-58-83", "2年C組", "剣道部",
       "だぜ！", "したぜ！", PackRgb(0, 125, 120), 33},
      {"日向 千草", "ちぐさ", 2, 29, "AB", 150.0, 41.25, "79-55-80", "1年A組", "園芸部",
       "ですぅ～", "しましたぁ～", PackRgb(60, 135, 40), 49},
      {"若葉 澪", "みおっち", 10, 10, "O", 148.5, 40.0, "74-53-76", "1年B組", "写真部",
       "っす！", "したっす！", PackRgb(220, 50, 120), 65},
      {"春野 紬", "つむぎ", 3, 3, "A", 158.0, 46.5, "84-56-85", "3年A組", "生徒会執行部・茶道部部長",
       "ですわ。", "しましたわ。", PackRgb(130, 60, 170), 81},
  }};
  return table;
}

std::string CharacterName(int mode, int index, int nameSetting) {
  if (index < 0 || index > 5) return {};
  if (mode == -1) mode = nameSetting;
  const Character& c = Characters()[static_cast<std::size_t>(index)];
  return mode == 0 ? c.fullName : c.nickname;
}

void DrawChip(const png::Bitmap& chip, png::Bitmap& target, bool mirrored) {
  if (chip.Empty() || target.Empty() || chip.BitCount() != 24 || target.BitCount() != 24) return;
  const int width = std::min(chip.Width(), target.Width());
  const int height = std::min(chip.Height(), target.Height());
  for (int i = 0; i < width; ++i) {
    const int column = mirrored ? target.Width() - 1 - i : i;
    if (column < 0 || column >= target.Width()) continue;
    for (int y = 0; y < height; ++y) std::memcpy(target.ScanLine(y) + 3 * column, chip.ScanLine(y) + 3 * i, 3);
  }
  target.Changed();
}

}  // namespace vp::shell
