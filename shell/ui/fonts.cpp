#include "shell/ui/fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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

void LoadJapaneseTranslations(QApplication& app) {
  // Qt's own texts (はい, いいえ, キャンセル on standard buttons), from qt6-translations-l10n.
  auto* translator = new QTranslator(&app);
  if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}

}  // namespace vp::shell
