#include "shell/fonts.h"

namespace vp::shell {

void RegisterFontSubstitutions() {
  QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
}

QFont WindowFont() {
  QFont font(QStringLiteral("MS UI Gothic"));
  font.setPixelSize(12);
  return font;
}

QFont PGothicFont() {
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(12);
  return font;
}

}  // namespace vp::shell
