#include "settings/ui/detailed_settings_dialog.h"

#include <QButtonGroup>
#include <algorithm>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "settings/detailed_settings.h"
#include "settings/ui/dialog_keys.h"
#include "settings/ui/dialog_placement.h"
#include "settings/ui/folder_dialog.h"
#include "shell/characters.h"
#include "shell/ui/data_form.h"
#include "shell/ui/fonts.h"
#include "shell/ui/message_box.h"
#include "shell/ui/qt_bitmap.h"
#include "state/settings.h"
#include "state/settings_notices.h"

namespace vp::settings {

namespace {
void Bevel(QWidget* parent, int l, int t, int w, int h) {
  auto* f = new QFrame(parent);
  f->setGeometry(l, t, w, h);
  f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

QCheckBox* Check(QWidget* parent, const QString& text, int l, int t, int w, int h, const char* name) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(QString::fromLatin1(name));
  // The design sizes are Windows' metrics: never cut a caption short.
  c->setGeometry(l, t, std::max(w, c->sizeHint().width()), std::max(h + 4, c->sizeHint().height()));
  return c;
}

QSpinBox* Spin(QWidget* parent, int l, int t, int low, int high, const char* name) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(QString::fromLatin1(name));
  s->setGeometry(l, t, 32, 20);
  s->setRange(low, high);  // typing cannot leave the range
  s->setWrapping(false);
  return s;
}
}  // namespace

TfrmInit::TfrmInit(QWidget* owner, state::Settings& settings, platform::Registry& registry)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      settings_(settings),
      reg_(registry) {
  setWindowTitle(QStringLiteral("詳細設定"));
  setFixedSize(320, 397);
  Bevel(this, 4, 4, 313, 45);
  edtDir_ = new QLineEdit(this);
  edtDir_->setObjectName("edtDir");
  edtDir_->setGeometry(12, 24, 273, 20);
  edtDir_->setReadOnly(true);
  edtDir_->setFocusPolicy(Qt::ClickFocus);
  QPalette face = edtDir_->palette();
  face.setColor(QPalette::Base, face.color(QPalette::Button));
  edtDir_->setPalette(face);
  auto* lblDir = new QLabel(QStringLiteral("ゲームフォルダの指定(&F)"), this);
  lblDir->move(12, 8);
  lblDir->setBuddy(edtDir_);
  auto* bbtDir = new QPushButton(this);
  bbtDir->setObjectName("bbtDir");
  bbtDir->setGeometry(286, 21, 24, 24);
  bbtDir->setIcon(shell::TfrmData::Glyph("glyph_folder"));
  bbtDir->setToolTip(QStringLiteral("ゲームフォルダの指定"));
  bbtDir->setAccessibleName(QStringLiteral("ゲームフォルダを選ぶ"));
  bbtDir->setAccessibleDescription(QStringLiteral("ゲームフォルダの指定ダイアログを開きます"));
  edtDir_->setAccessibleName(QStringLiteral("ゲームフォルダ"));

  Bevel(this, 4, 56, 313, 121);
  chkWave_ = Check(this, QStringLiteral("音声を再生する(&W)"), 12, 64, 117, 13, "chkWave");
  auto* gbxWave = new QGroupBox(QStringLiteral("再生する音声の選択"), this);
  gbxWave->setGeometry(12, 84, 297, 61);
  const QPoint voiceAt[6] = {{8, 20}, {104, 20}, {200, 20}, {8, 40}, {104, 40}, {200, 40}};
  for (int i = 0; i < 6; ++i) {
    const std::string name = "chkWave" + std::to_string(i);
    chkWaveN_[static_cast<std::size_t>(i)] = Check(gbxWave, QString(), voiceAt[i].x(), voiceAt[i].y(), 93, 13, name.c_str());
  }
  chkRepl_ = Check(this, QStringLiteral("Windowsのサウンドを置換する(&S)"), 12, 156, 189, 13, "chkRepl");
  chkRepl_->setToolTip(QStringLiteral("Windows のサウンド設定を置き換える機能です。Linux のデスクトップは\n"
                                      "Windows の終了音を鳴らさないため、ここでは変更できません（設定値はそのまま残ります）。"));

  Bevel(this, 4, 184, 313, 137);
  chkName_ = Check(this, QStringLiteral("キャラクターの名前は呼び名で表示する(&N)"), 12, 192, 241, 13, "chkName");
  chkRand_ = Check(this, QStringLiteral("カウンターのキャラクターはランダムで決定する(&R)"), 12, 212, 277, 13, "chkRand");
  auto* gbxRand = new QGroupBox(QStringLiteral("ランダムの決定方法"), this);
  gbxRand->setGeometry(12, 236, 297, 53);
  const char* randTexts[3] = {"左右両方ともランダム", "右側キャラのみランダム", "選択した二人のどちらか"};
  const QRect randAt[3] = {{8, 16, 133, 17}, {148, 16, 145, 17}, {8, 32, 145, 17}};
  auto* group = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    auto* r = new QRadioButton(QString::fromUtf8(randTexts[i]), gbxRand);
    r->setObjectName(QString("rbtRand%1").arg(i + 1));
    r->setGeometry(randAt[i].x(), randAt[i].y(), std::max(randAt[i].width(), r->sizeHint().width()),
                   std::max(randAt[i].height(), r->sizeHint().height()));
    group->addButton(r);
    rbtRand_[static_cast<std::size_t>(i)] = r;
  }
  chkForm_ = Check(this, QStringLiteral("カウンターの可視境界線は表示しない(&L)"), 12, 300, 225, 13, "chkForm");

  Bevel(this, 4, 328, 313, 29);
  const QFont pgothic = shell::PGothicFont();
  updTimer_ = Spin(this, 100, 332, 1, 9, "updTimer");
  updDelay_ = Spin(this, 252, 332, 0, 9, "updDelay");
  updTimer_->setAccessibleName(QStringLiteral("表示時間（秒）"));
  updTimer_->setAccessibleDescription(QStringLiteral("起動カウンターを表示しておく秒数（1～9）"));
  updDelay_->setAccessibleName(QStringLiteral("遅延時間（秒）"));
  updDelay_->setAccessibleDescription(QStringLiteral("ログオンから表示までの秒数（0～9）"));
  auto* lblTimer = new QLabel(QStringLiteral("表示時間[秒](&T)"), this);
  lblTimer->setFont(pgothic);
  lblTimer->move(12, 336);
  lblTimer->setBuddy(updTimer_);
  auto* lblDelay = new QLabel(QStringLiteral("遅延時間[秒](&D)"), this);
  lblDelay->setFont(pgothic);
  lblDelay->move(164, 336);
  lblDelay->setBuddy(updDelay_);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("bbtOk");
  ok->setGeometry(160, 367, 75, 25);
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
  cancel->setObjectName("bbtCancel");
  cancel->setGeometry(240, 367, 75, 25);

  setTabOrder(bbtDir, chkWave_);
  setTabOrder(chkWave_, gbxWave);
  setTabOrder(gbxWave, chkRepl_);
  setTabOrder(chkRepl_, chkName_);
  setTabOrder(chkName_, chkRand_);
  setTabOrder(chkRand_, gbxRand);
  setTabOrder(gbxRand, chkForm_);
  setTabOrder(chkForm_, updTimer_);
  setTabOrder(updTimer_, updDelay_);
  setTabOrder(updDelay_, ok);
  setTabOrder(ok, cancel);
  bbtDir->setFocus();  // the first control of the tab order, not OK
  // The focus is marked from the start, not only after a key was pressed.
  setAttribute(Qt::WA_KeyboardFocusChange);
  EnterPressesFocusedButton(this);
  ArrowsFollowOrder({rbtRand_[0], rbtRand_[1], rbtRand_[2]});

  connect(chkWave_, &QCheckBox::clicked, this, &TfrmInit::UpdateEnabled);
  connect(chkRand_, &QCheckBox::clicked, this, &TfrmInit::UpdateEnabled);
  connect(chkName_, &QCheckBox::clicked, this, &TfrmInit::UpdateVoiceNames);
  connect(bbtDir, &QPushButton::clicked, this, &TfrmInit::bbtDirClick);
  connect(ok, &QPushButton::clicked, this, &TfrmInit::bbtOkClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  FormCreate();
  PlaceOver(this, owner);
}

void TfrmInit::FormCreate() {
  const state::Settings& s = settings_;
  const DetailedSettings d = DetailedFromSettings(s);
  ShowGameFolder();
  chkWave_->setChecked(d.wave);
  for (std::size_t i = 0; i < 6; ++i) chkWaveN_[i]->setChecked(d.voices[i]);
  chkRepl_->setChecked(d.repl);
  chkName_->setChecked(d.name);
  chkRand_->setChecked(d.rand);
  for (int i = 0; i < 3; ++i) rbtRand_[static_cast<std::size_t>(i)]->setChecked(d.randMode == i + 1);
  chkForm_->setChecked(d.form);
  updTimer_->setValue(d.timer);
  updDelay_->setValue(d.delay);
  UpdateVoiceNames();
  UpdateEnabled();
}

void TfrmInit::ShowGameFolder() {
  edtDir_->setText(QString::fromStdString(settings_.dirwave));
  const QString hint = QString::fromStdString(MissingGameFolderHint(settings_.dirwave));
  QPalette palette = edtDir_->palette();
  palette.setColor(QPalette::Text, hint.isEmpty() ? edtDir_->style()->standardPalette().color(QPalette::Text)
                                                  : QColor(200, 0, 0));
  edtDir_->setPalette(palette);
  edtDir_->setToolTip(hint);
  edtDir_->setAccessibleDescription(hint);
}

void TfrmInit::UpdateVoiceNames() {
  for (int i = 0; i < 6; ++i)
    chkWaveN_[static_cast<std::size_t>(i)]->setText(
        QString::fromStdString(shell::CharacterName(chkName_->isChecked() ? 1 : 0, i, 0)));
}

void TfrmInit::UpdateEnabled() {
  for (QCheckBox* c : chkWaveN_) c->setEnabled(chkWave_->isChecked());
  // Nothing on a Linux desktop plays the Windows exit sound: the box shows
  // the stored value and keeps it, but cannot be changed here.
  chkRepl_->setEnabled(false);
  for (QRadioButton* r : rbtRand_) r->setEnabled(chkRand_->isChecked());
  DetailedSettings d;
  d.randMode = CheckedRandMode();
  DefaultRandMode(d);
  rbtRand_[static_cast<std::size_t>(d.randMode - 1)]->setChecked(true);
}

int TfrmInit::CheckedRandMode() const {
  for (int i = 0; i < 3; ++i)
    if (rbtRand_[static_cast<std::size_t>(i)]->isChecked()) return i + 1;
  return 0;
}

void TfrmInit::bbtDirClick() {
  TfrmDir dialog(this, settings_, reg_);
  dialog.exec();
  ShowGameFolder();
}

void TfrmInit::bbtOkClick() {
  state::Settings& s = settings_;
  DetailedSettings d;
  d.wave = chkWave_->isChecked();
  for (std::size_t i = 0; i < 6; ++i) d.voices[i] = chkWaveN_[i]->isChecked();
  d.repl = chkRepl_->isChecked();
  d.name = chkName_->isChecked();
  d.rand = chkRand_->isChecked();
  d.randMode = CheckedRandMode();
  d.form = chkForm_->isChecked();
  d.timer = updTimer_->value();
  d.delay = updDelay_->value();
  if (NeedsFolderQuestion(d, s) &&
      !shell::AskYesNo(this, QString::fromStdString(state::VoicesNeedTheGameFolderQuestion())))
    return;
  StoreDetailed(d, s);
  accept();
}

}  // namespace vp::settings
