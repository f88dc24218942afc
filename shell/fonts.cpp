#include "shell/fonts.h"

#include <QFontDatabase>

namespace vp::shell {

void RegisterFontSubstitutions() {
  // Both Windows faces have proportional kana and Latin letters, as IPAPGothic has.
  QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
}

QString InstalledFamily(const QString& family) {
  if (QFontDatabase::hasFamily(family)) return family;
  const QString mapped = QFont::substitute(family);
  return mapped.isEmpty() ? family : mapped;
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
