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
  // Owned (and destroyed) by the mode's main window, not by a Qt parent.
  TfrmData();
  ~TfrmData() override;

  const QIcon& imgIcon() const { return icon_; }
  // Decoded on first use: counter mode draws game pictures, not chips.
  const std::array<png::Bitmap, 6>& imlChip() const;  // 111 x 111
  const std::array<png::Bitmap, 6>& imlName() const;  // 127 x 22

  // Makes the embedded pictures available; call on the GUI thread before
  // another thread reads them.
  static void RegisterArtwork();
  // Other embedded pictures by name ("counter_background", "logo", ...).
  static png::Bitmap Artwork(const char* name);
  // An embedded glyph with its transparency, for buttons.
  static QIcon Glyph(const char* name);

 private:
  QIcon icon_;
  mutable std::array<png::Bitmap, 6> chips_;
  mutable std::array<png::Bitmap, 6> names_;
  mutable bool chipsLoaded_ = false;
  mutable bool namesLoaded_ = false;
};


}  // namespace vp::shell
