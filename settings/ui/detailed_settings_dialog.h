#pragma once
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <array>

#include "platform/registry.h"
#include "state/settings.h"

namespace vp::settings {

// The detailed settings dialog: every setting but the two characters. OK
// stores into the settings record in memory only.
class TfrmInit : public QDialog {
  Q_OBJECT
 public:
  // Edits settings in memory; only the main window's OK stores them.
  TfrmInit(QWidget* owner, state::Settings& settings, platform::Registry& registry = platform::TheRegistry());

 private:
  void FormCreate();
  void UpdateVoiceNames();
  void ShowGameFolder();  // marked when the folder is no longer there
  void UpdateEnabled();
  int CheckedRandMode() const;  // 1..3, 0 when none is checked
  void bbtDirClick();
  void bbtOkClick();

  QLineEdit* edtDir_ = nullptr;
  state::Settings& settings_;
  platform::Registry& reg_;
  QCheckBox* chkWave_ = nullptr;
  std::array<QCheckBox*, 6> chkWaveN_{};
  QCheckBox* chkRepl_ = nullptr;
  QCheckBox* chkName_ = nullptr;
  QCheckBox* chkRand_ = nullptr;
  std::array<QRadioButton*, 3> rbtRand_{};
  QCheckBox* chkForm_ = nullptr;
  QSpinBox* updTimer_ = nullptr;
  QSpinBox* updDelay_ = nullptr;
};

}  // namespace vp::settings
