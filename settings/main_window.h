#pragma once
#include <QPushButton>
#include <QWidget>

namespace vp::shell {
class TfrmData;
}

namespace vp::settings {

// The window of settings mode.
class TfrmMain : public QWidget {
  Q_OBJECT
 public:
  TfrmMain();
  ~TfrmMain() override;

 private:
  void FormCreate();
  void btnOkClick();
  void btnCancelClick();

  shell::TfrmData* data_ = nullptr;
  QPushButton* btnOk_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
};

}  // namespace vp::settings
