#pragma once
#include <QFont>

namespace vp::shell {

// The window fonts, 9 points at 96 dots per inch (12 pixels). The Windows
// families are mapped to the IPA fonts when they are not installed.
void RegisterFontSubstitutions();
QFont WindowFont();   // "MS UI Gothic"
// The family itself when installed, else the one it is mapped to.
QString InstalledFamily(const QString& family);
QFont PGothicFont();  // "ＭＳ Ｐゴシック"

}  // namespace vp::shell
