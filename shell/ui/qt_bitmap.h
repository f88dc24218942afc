#pragma once
#include <QImage>

#include "png/bitmap.h"

namespace vp::shell {

// Our bitmaps and Qt's images meet only at the window layer.
QImage ToQImage(const png::Bitmap& bitmap);
png::Bitmap FromQImage(const QImage& image);  // 24-bit
// A PNG decoded by our codec from bytes (a Qt resource); empty when unreadable.
png::Bitmap DecodePng(const QByteArray& bytes);
// The same with its transparency, for glyphs and icons; null when unreadable.
QImage DecodePngWithAlpha(const QByteArray& bytes);

}  // namespace vp::shell
