#include "counter/ui/label_font.h"

#include <QFontMetrics>
#include <QString>

#include "shell/ui/fonts.h"
#include <map>
#include <utility>

namespace vp::counter {

QFont LabelFont(int points) {
  // The installed face itself: asking for a missing family by name costs a
  // fallback search on every new size.
  static const QString family = shell::InstalledFamily(QStringLiteral("MS UI Gothic"));
  QFont font(family);
  font.setPixelSize((points * 96 + 36) / 72);  // 12 pt is 16 px
  font.setBold(true);
  return font;
}

TextExtent MeasureLabel(const std::string& text, int points) {
  // One metrics object per size: resolving the font each time is most of the cost.
  static std::map<int, std::pair<QFont, QFontMetrics>> cache;
  auto it = cache.find(points);
  if (it == cache.end()) {
    const QFont made = LabelFont(points);
    it = cache.emplace(points, std::make_pair(made, QFontMetrics(made))).first;
  }
  const QFont& font = it->second.first;
  const QFontMetrics& metrics = it->second.second;
  // The em height, as a Windows label's height is the font's: the glyphs fit
  // in it, while Qt's rounded ascent and descent add a pixel that would make
  // lines 16 px apart overlap.
  return {metrics.horizontalAdvance(QString::fromStdString(text)), font.pixelSize()};
}

void LoadLabelFont() { MeasureLabel("0", Label{}.pointSize); }

}  // namespace vp::counter
