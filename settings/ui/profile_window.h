#pragma once
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "settings/ui/chip_image.h"

namespace vp::shell {
class TfrmData;
}

namespace vp::settings {

// The character profile window: one character at a time, stepped through by
// the name-plate button, a click on the chip or its popup menu.
class TfrmGirl : public QDialog {
  Q_OBJECT
 public:
  // Chips and name plates come from the owner's data form.
  // nameMode: the name setting, which decides how the list names the characters.
  TfrmGirl(QWidget* owner, const shell::TfrmData& data, int nameMode);

  int Current() const { return current_; }
  // How often chip and name plate were drawn (they are only when the character changes).
  int PictureDraws() const { return pictureDraws_; }

 private:
  void ShowPicture();
  void ShowProfile();
  void BuildCharMenu();
  void Select(int index);

  QPushButton* bbtChar0_ = nullptr;
  ChipImage* imgChar0_ = nullptr;
  QMenu* pumChar_ = nullptr;
  QLabel *lblName1_ = nullptr, *lblBirth1_ = nullptr, *lblBlood1_ = nullptr, *lblHeight1_ = nullptr,
         *lblWeight1_ = nullptr, *lblSize1_ = nullptr, *lblKumi1_ = nullptr, *lblClub1_ = nullptr;
  const shell::TfrmData& data_;
  int nameMode_ = 0;
  int current_ = 0;
  int shown_ = -1;
  int pictureDraws_ = 0;
};

}  // namespace vp::settings
