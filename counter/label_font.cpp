#include "counter/label_font.h"

#include <QFontMetrics>
#include <QString>

namespace vp::counter {

QFont LabelFont(int points) {
  QFont font(QStringLiteral("MS UI Gothic"));
  font.setPixelSize((points * 96 + 36) / 72);  // 12 pt is 16 px
  font.setBold(true);
  return font;
}

TextExtent MeasureLabel(const std::string& text, int points) {
  const QFont font = LabelFont(points);
  QFontMetrics metrics(font);
  // The em height, as a Windows label's height is the font's: the glyphs fit
  // in it, while Qt's rounded ascent and descent add a pixel that would make
  // lines 16 px apart overlap.
  return {metrics.horizontalAdvance(QString::fromStdString(text)), font.pixelSize()};
}

}  // namespace vp::counter
