#include "settings/ui/profile_window.h"

#include <QFrame>

#include "settings/ui/character_menu.h"
#include "settings/ui/dialog_keys.h"
#include "settings/ui/dialog_placement.h"
#include "settings/ui/panel_widgets.h"
#include "settings/profile.h"
#include "shell/characters.h"
#include "shell/ui/data_form.h"
#include "shell/ui/fonts.h"
#include "shell/ui/qt_bitmap.h"
#include "state/settings.h"

namespace vp::settings {

namespace {
// Bold; captions yellow, values white.
QLabel* ProfileLabel(QWidget* panel, const char* text, int left, int top, bool value, const char* name) {
  QFont font = shell::PGothicFont();
  font.setBold(true);
  return PanelLabel(panel, text, left, top, value ? QColor(255, 255, 255) : QColor(255, 255, 0), font, name);
}

void SetText(QLabel* label, const std::string& text) {
  label->setText(QString::fromStdString(text));
  label->adjustSize();
}
}  // namespace

TfrmGirl::TfrmGirl(QWidget* owner, const shell::TfrmData& data, int nameMode)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      data_(data),
      nameMode_(nameMode) {
  setWindowTitle(QStringLiteral("女の子情報"));
  setFixedSize(398, 190);
  setFont(shell::PGothicFont());
  setAutoFillBackground(true);
  QPalette background = palette();
  background.setColor(QPalette::Window, QColor(255, 203, 205));
  setPalette(background);

  bbtChar0_ = new QPushButton(this);
  bbtChar0_->setObjectName("bbtChar0");
  bbtChar0_->setGeometry(262, 6, 131, 26);
  bbtChar0_->setIconSize(QSize(127, 22));
  bbtChar0_->setAccessibleDescription(QStringLiteral("押すと次のキャラクターのプロフィールを表示します"));
  connect(bbtChar0_, &QPushButton::clicked, this, [this] { Select((current_ + 1) % 6); });

  imgChar0_ = new ChipImage(this);
  imgChar0_->setObjectName("imgChar0");
  imgChar0_->setGeometry(272, 40, 111, 111);
  pumChar_ = new QMenu(this);
  pumChar_->setObjectName("pumChar");
  imgChar0_->UsePopup(pumChar_);
  imgChar0_->setFocusPolicy(Qt::NoFocus);
  imgChar0_->setAccessibleDescription(QStringLiteral("クリックで次のキャラクター、右クリックでキャラクターの一覧"));
  imgChar0_->onMouseDown = [this](Qt::MouseButton, QPoint) { BuildCharMenu(); };
  imgChar0_->onMouseUp = [this](Qt::MouseButton button, QPoint p) {
    if (button == Qt::LeftButton && p.x() >= 0 && p.y() >= 0 && p.x() < imgChar0_->width() && p.y() < imgChar0_->height())
      Select((current_ + 1) % 6);
  };

  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  close->setObjectName("btnClose");
  close->setGeometry(319, 160, 74, 26);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  QFrame* panel = ColouredPanel(this, "pnlGirl", QRect(8, 8, 249, 177), QFrame::Box, QColor(255, 128, 128));
  ProfileLabel(panel, "名前 :", 8, 8, false, "lblName0");
  ProfileLabel(panel, "誕生日 :", 8, 28, false, "lblBirth0");
  ProfileLabel(panel, "血液型 :", 8, 48, false, "lblBlood0");
  ProfileLabel(panel, "身長 :", 8, 68, false, "lblHeight0");
  ProfileLabel(panel, "体重 :", 8, 88, false, "llbWeight0");
  ProfileLabel(panel, "３サイズ :", 8, 111, false, "lblSize0");
  ProfileLabel(panel, "クラス :", 8, 131, false, "lblKumi0");
  lblName1_ = ProfileLabel(panel, "", 64, 8, true, "lblName1");
  lblBirth1_ = ProfileLabel(panel, "", 64, 28, true, "lblBirth1");
  lblBlood1_ = ProfileLabel(panel, "", 64, 48, true, "lblBlood1");
  lblHeight1_ = ProfileLabel(panel, "", 64, 68, true, "lblHeight1");
  lblWeight1_ = ProfileLabel(panel, "", 64, 88, true, "lblWeight1");
  lblSize1_ = ProfileLabel(panel, "", 64, 111, true, "lblSize1");
  lblKumi1_ = ProfileLabel(panel, "", 64, 131, true, "lblKumi1");
  lblClub1_ = ProfileLabel(panel, "", 64, 151, true, "lblClub1");
  // Each value is read with its caption.
  const std::pair<const char*, QLabel*> pairs[] = {{"lblName0", lblName1_},   {"lblBirth0", lblBirth1_},
                                                   {"lblBlood0", lblBlood1_}, {"lblHeight0", lblHeight1_},
                                                   {"llbWeight0", lblWeight1_}, {"lblSize0", lblSize1_},
                                                   {"lblKumi0", lblKumi1_}};
  for (const auto& [caption, value] : pairs)
    if (auto* label = panel->findChild<QLabel*>(QString::fromLatin1(caption))) label->setBuddy(value);
  setTabOrder(bbtChar0_, close);
  // The focus is marked from the start, not only after a key was pressed.
  setAttribute(Qt::WA_KeyboardFocusChange);
  EnterPressesFocusedButton(this);

  ShowPicture();
  ShowProfile();
  PlaceOver(this, owner);
}

void TfrmGirl::Select(int index) {
  current_ = index;
  ShowPicture();
  ShowProfile();
}

void TfrmGirl::ShowPicture() {
  if (current_ == shown_) return;
  const auto i = static_cast<std::size_t>(current_);
  bbtChar0_->setIcon(QIcon(QPixmap::fromImage(shell::ToQImage(data_.imlName()[i]))));
  const QString name = QString::fromStdString(shell::CharacterName(nameMode_, current_, nameMode_));
  bbtChar0_->setAccessibleName(name + QStringLiteral("（次のキャラクターへ）"));
  imgChar0_->setAccessibleName(name);
  png::Bitmap chip;
  chip.SetSize(111, 111);
  shell::DrawChip(data_.imlChip()[i], chip, false);
  imgChar0_->setPixmap(QPixmap::fromImage(shell::ToQImage(chip)));
  shown_ = current_;
  ++pictureDraws_;
}

void TfrmGirl::ShowProfile() {
  const shell::Character& c = shell::Characters()[static_cast<std::size_t>(current_)];
  SetText(lblName1_, c.fullName);
  SetText(lblBirth1_, BirthdayText(c.birthMonth, c.birthDay));
  SetText(lblBlood1_, c.bloodType);
  SetText(lblHeight1_, MeasureText(c.height, "cm"));
  SetText(lblWeight1_, MeasureText(c.weight, "kg"));
  SetText(lblSize1_, c.threeSizes);
  const ClassClubLines lines = ClassAndClub(c.className, c.club);
  SetText(lblKumi1_, lines.kumi);
  SetText(lblClub1_, lines.club);
}

void TfrmGirl::BuildCharMenu() {
  FillCharacterMenu(
      pumChar_, current_,
      [this](int n) { return QString::fromStdString(shell::CharacterName(nameMode_, n, nameMode_)); },
      [this](int n) { Select(n); });
}

}  // namespace vp::settings
