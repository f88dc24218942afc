#pragma once
#include <QDialog>

namespace vp::settings {

// The version window: logo, title and version on a black rounded panel.
class TfrmVer : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmVer(QWidget* owner);
};

inline constexpr const char* kMakerNotice = "(C) 2026 Nivre";

}  // namespace vp::settings
