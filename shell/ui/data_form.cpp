#include "shell/ui/data_form.h"

#include <QResource>
#include <QPixmap>

#include "shell/ui/qt_bitmap.h"

static void InitArtwork() { Q_INIT_RESOURCE(resources); }

namespace vp::shell {

namespace {
// QResource, not QFile: the counting thread reads artwork before the
// application exists, and a QObject made there would claim it for Qt's
// main thread.
QByteArray ResourceBytes(const QString& name) {
  const QResource resource(":/art/" + name + ".png");
  return resource.isValid() ? resource.uncompressedData() : QByteArray();
}
}  // namespace

void TfrmData::RegisterArtwork() { InitArtwork(); }

png::Bitmap TfrmData::Artwork(const char* name) {
  InitArtwork();
  return DecodePng(ResourceBytes(QString::fromLatin1(name)));
}

QIcon TfrmData::Glyph(const char* name) {
  InitArtwork();
  return QIcon(QPixmap::fromImage(DecodePngWithAlpha(ResourceBytes(QString::fromLatin1(name)))));
}

TfrmData::TfrmData() {
  InitArtwork();
  // Our codec, not Qt's reader, which would load every image format plugin first.
  icon_ = QIcon(QPixmap::fromImage(DecodePngWithAlpha(ResourceBytes("icon"))));
}

const std::array<png::Bitmap, 6>& TfrmData::imlChip() const {
  if (!chipsLoaded_) {
    for (int i = 0; i < 6; ++i) chips_[static_cast<std::size_t>(i)] = DecodePng(ResourceBytes(QString("chip%1").arg(i)));
    chipsLoaded_ = true;
  }
  return chips_;
}

const std::array<png::Bitmap, 6>& TfrmData::imlName() const {
  if (!namesLoaded_) {
    for (int i = 0; i < 6; ++i) names_[static_cast<std::size_t>(i)] = DecodePng(ResourceBytes(QString("name%1").arg(i)));
    namesLoaded_ = true;
  }
  return names_;
}

TfrmData::~TfrmData() = default;

}  // namespace vp::shell
