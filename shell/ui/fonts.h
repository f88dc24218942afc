#pragma once
#include <QFont>

class QApplication;

// What the player reads: the window fonts and Qt's own texts in Japanese.
namespace vp::shell {

// The window fonts are 9 points at 96 dots per inch (12 pixels); the Windows
// families are mapped to the IPA fonts when they are not installed.
void RegisterFontSubstitutions();
QFont WindowFont();   // "MS UI Gothic"
QFont PGothicFont();  // "ＭＳ Ｐゴシック"
// The family itself when installed, else the one it is mapped to.
QString InstalledFamily(const QString& family);

// Qt's standard buttons and dialogs in Japanese (qtbase_ja.qm).
void LoadJapaneseTranslations(QApplication& app);

}  // namespace vp::shell
