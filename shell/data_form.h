#pragma once
#include <QIcon>
#include <QObject>
#include <array>

#include "png/bitmap.h"

namespace vp::shell {

// The per-run holder of the embedded artwork, owned by the mode's main window.
class TfrmData : public QObject {
  Q_OBJECT
 public:
  explicit TfrmData(QObject* owner);
  ~TfrmData() override;

  const QIcon& imgIcon() const { return icon_; }
  const std::array<png::Bitmap, 6>& imlChip() const { return chips_; }  // 111 x 111
  const std::array<png::Bitmap, 6>& imlName() const { return names_; }  // 127 x 22

  // Other embedded pictures by name ("counter_background", "logo", ...).
  static png::Bitmap Artwork(const char* name);

 private:
  QIcon icon_;
  std::array<png::Bitmap, 6> chips_;
  std::array<png::Bitmap, 6> names_;
};

// The process-wide reference to the data form of this run.
extern TfrmData* frmData;

}  // namespace vp::shell
