#pragma once
#include <QColor>
#include <QRectF>

class QPainter;

namespace vp::artwork {

enum class Mood { Normal = 1, Smile = 2, Excited = 3, Shy = 4, Sleepy = 5, Festive = 6 };

// The look of one of the six characters, shared by the chips and the demo game's pictures.
struct Look {
  QColor theme;   // the character's colour
  QColor hair;
  QColor hairShade;
  QColor eyes;
  QColor accent;  // ribbon, pin or bow
  int style;      // 0 side ponytail, 1 long straight with glasses, 2 short, 3 wavy with flower, 4 twin tails, 5 hime cut with bow
};

const Look& LookOf(int character);

// Head and shoulders of the character, filling box (about 4:3 or square).
void PaintCharacter(QPainter& p, const QRectF& box, int character, Mood mood);

}  // namespace vp::artwork
