#include "shell/ui/qt_bitmap.h"

#include <QtGlobal>

#include "png/png_decode.h"
#include "png/rgba.h"

namespace vp::shell {

QImage ToQImage(const png::Bitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  if (bitmap.BitCount() == 24) {  // the common case, straight from the rows
    for (int y = 0; y < bitmap.Height(); ++y) {
      const std::uint8_t* in = bitmap.ScanLine(y);
      QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < bitmap.Width(); ++x, in += 3) row[x] = qRgb(in[2], in[1], in[0]);
    }
    return image;
  }
  for (int y = 0; y < bitmap.Height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      png::ColorValue c = bitmap.Pixel(x, y);
      row[x] = qRgb(png::RedOf(c), png::GreenOf(c), png::BlueOf(c));
    }
  }
  return image;
}

png::Bitmap FromQImage(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  png::Bitmap bitmap;
  bitmap.SetPixelFormat(png::PixelFormat::pf24bit);
  bitmap.SetSize(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    std::uint8_t* out = bitmap.ScanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      out[3 * x] = static_cast<std::uint8_t>(qBlue(row[x]));
      out[3 * x + 1] = static_cast<std::uint8_t>(qGreen(row[x]));
      out[3 * x + 2] = static_cast<std::uint8_t>(qRed(row[x]));
    }
  }
  return bitmap;
}

png::Bitmap DecodePng(const QByteArray& bytes) {
  png::DecodedPng decoded = png::DecodePng(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  if (!decoded.ok()) {
    // The artwork is built into the program: one that does not decode is a
    // broken build, said where a developer looks; the window goes on without it.
    qWarning("vpcounter: an embedded picture does not decode: %s", decoded.message.c_str());
    return {};
  }
  decoded.image.SetPixelFormat(png::PixelFormat::pf24bit);
  return std::move(decoded.image);
}

QImage DecodePngWithAlpha(const QByteArray& bytes) {
  const png::DecodedPng decoded = png::DecodePng(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  if (!decoded.ok()) {
    qWarning("vpcounter: an embedded picture does not decode: %s", decoded.message.c_str());
    return {};
  }
  const png::Bitmap& image = decoded.image;
  const std::vector<std::uint8_t> rgba = png::ToRgba(image, decoded.alpha.Empty() ? nullptr : &decoded.alpha);
  if (rgba.size() != static_cast<std::size_t>(image.Width()) * image.Height() * 4) return {};
  return QImage(rgba.data(), image.Width(), image.Height(), image.Width() * 4, QImage::Format_RGBA8888).copy();
}

}  // namespace vp::shell
