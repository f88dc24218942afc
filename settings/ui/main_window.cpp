#include "settings/ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QDesktopServices>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

#include "gamedata/game_folder.h"
#include "platform/clock.h"
#include "platform/executable.h"
#include "platform/registry.h"
#include "platform/work_folder.h"
#include "settings/ui/character_menu.h"
#include "settings/ui/detailed_settings_dialog.h"
#include "settings/help_files.h"
#include "settings/ui/panel_widgets.h"
#include "settings/ui/profile_window.h"
#include "settings/ui/startup_calendar_window.h"
#include "settings/statistics.h"
#include "settings/ui/version_window.h"
#include "shell/characters.h"
#include "shell/run_mode.h"
#include "shell/ui/data_form.h"
#include "shell/ui/decorative.h"
#include "shell/ui/message_box.h"
#include "shell/ui/qt_bitmap.h"
#include "shell/ui/snapshot.h"
#include "state/history.h"
#include "state/notices.h"
#include "state/settings.h"
#include "state/settings_notices.h"

namespace vp::settings {

namespace {
constexpr int kClientWidth = 292;
constexpr int kClientHeight = 267;

// Captions white, values bold yellow.
QLabel* StatLabel(QWidget* panel, const char* text, int left, int top, bool value, const char* name) {
  QFont font = panel->font();
  font.setBold(value);
  return PanelLabel(panel, text, left, top, value ? QColor(255, 255, 0) : QColor(255, 255, 255), font, name);
}

QString Name(int index, int nameMode) {
  return QString::fromStdString(shell::CharacterName(-1, index, nameMode));
}
}  // namespace

TfrmMain::TfrmMain(platform::Registry& registry, std::string workFolder, bool publish)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      reg_(registry),
      workFolder_(std::move(workFolder)),
      session_(registry, platform::ExecutableFolder(), workFolder_, publish) {
  setWindowTitle(QString::fromStdString(shell::kSettingsCaption));
  shortcuts_ = std::make_unique<StartupShortcuts>(
      [this](const std::string& text) { return shell::AskYesNo(this, QString::fromStdString(text)); },
      [this](const std::string& text) { shell::ShowExclamation(this, QString::fromStdString(text)); },
      platform::ExecutablePath(), workFolder_);
  CreateControls();
  CreateMenu();
  FormCreate();
  setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TfrmMain::~TfrmMain() {
  data_.reset();  // the data form goes with the window
}

void TfrmMain::CreateControls() {
  auto* client = new QWidget(this);
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);
  imgBack_ = new QLabel(client);
  imgBack_->setGeometry(0, 0, kClientWidth, kClientHeight);
  shell::MarkDecorative(imgBack_);
  imgBack_->setPixmap(QPixmap::fromImage(shell::ToQImage(shell::TfrmData::Artwork("settings_background"))));

  imgChar0_ = new ChipImage(client);
  imgChar0_->setObjectName("imgChar0");
  imgChar0_->setGeometry(20, 12, 111, 111);
  imgChar1_ = new ChipImage(client);
  imgChar1_->setObjectName("imgChar1");
  imgChar1_->setGeometry(160, 12, 111, 111);
  pumChar_ = new QMenu(this);
  pumChar_->setObjectName("pumChar");
  for (int side = 0; side < 2; ++side) {
    ChipImage* chip = side == 0 ? imgChar0_ : imgChar1_;
    chip->UsePopup(pumChar_);
    chip->onMouseDown = [this, side](Qt::MouseButton, QPoint) {
      popupSide_ = side;
      BuildCharMenu();
    };
    chip->onMouseUp = [this, side](Qt::MouseButton button, QPoint p) { ChipMouseUp(side, button, p); };
  }

  cbxChar0_ = new QComboBox(client);
  cbxChar0_->setObjectName("cbxChar0");
  cbxChar0_->setGeometry(24, 128, 105, 20);
  cbxChar1_ = new QComboBox(client);
  cbxChar1_->setObjectName("cbxChar1");
  cbxChar1_->setGeometry(164, 128, 105, 20);
  connect(cbxChar0_, &QComboBox::activated, this, [this](int i) { ListChanged(0, i); });
  connect(cbxChar1_, &QComboBox::activated, this, [this](int i) { ListChanged(1, i); });

  pnlStat_ = ColouredPanel(client, "pnlStat", QRect(4, 156, 284, 76), QFrame::Panel, QColor(255, 127, 127));
  QLabel* captions[] = {StatLabel(pnlStat_, "初回起動日時", 8, 8, false, "lblSC1"),
                        StatLabel(pnlStat_, "前回起動日時", 8, 24, false, "lblSC2"),
                        StatLabel(pnlStat_, "通算経過日数", 8, 40, false, "lblSC3"),
                        StatLabel(pnlStat_, "通算起動回数", 152, 40, false, "lblSC4"),
                        StatLabel(pnlStat_, "1日の平均起動回数", 8, 56, false, "lblSC5"),
                        StatLabel(pnlStat_, "1日の最大起動回数", 152, 56, false, "lblSC6")};
  lblInit_ = StatLabel(pnlStat_, "9999/99/99 99:99", 88, 8, true, "lblInit");
  lblLast_ = StatLabel(pnlStat_, "9999/99/99 99:99", 88, 24, true, "lblLast");
  lblDiffDay_ = StatLabel(pnlStat_, "999,999", 88, 40, true, "lblDiffDay");
  lblTotal_ = StatLabel(pnlStat_, "999,999", 232, 40, true, "lblTotal");
  lblDayAve_ = StatLabel(pnlStat_, "99.99", 112, 56, true, "lblDayAve");
  lblDayMax_ = StatLabel(pnlStat_, "999", 256, 56, true, "lblDayMax");
  // A value never touches its caption, whatever the font's widths: at least
  // a few pixels after it, else where it was designed.
  QLabel* values[] = {lblInit_, lblLast_, lblDiffDay_, lblTotal_, lblDayAve_, lblDayMax_};
  for (int i = 0; i < 6; ++i) {
    QLabel* value = values[i];
    const int clear = captions[i]->x() + captions[i]->sizeHint().width() + 4;
    if (value->x() < clear) value->move(clear, value->y());
  }

  btnOk_ = new QPushButton(QStringLiteral("OK"), client);
  btnOk_->setObjectName("btnOk");
  btnOk_->setGeometry(128, 236, 75, 25);
  btnOk_->setDefault(true);
  btnOk_->setAutoDefault(true);
  connect(btnOk_, &QPushButton::clicked, this, &TfrmMain::btnOkClick);
  btnCancel_ = new QPushButton(QStringLiteral("キャンセル"), client);
  btnCancel_->setObjectName("btnCancel");
  btnCancel_->setGeometry(208, 236, 75, 25);
  btnCancel_->setAutoDefault(true);  // Enter on a focused Cancel presses Cancel
  connect(btnCancel_, &QPushButton::clicked, this, &TfrmMain::btnCancelClick);
  // Escape and the close box agree: both close without saving, and on a
  // first run both first ask (closeEvent).
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    if (MayCloseWithoutOk()) {
      closingByOk_ = true;  // asked already
      close();
    }
  });
  setTabOrder(btnOk_, btnCancel_);
  setTabOrder(btnCancel_, cbxChar0_);
  setTabOrder(cbxChar0_, cbxChar1_);
  // A screen reader names a list by the label tied to it, not by a name set in code.
  TieCaption(client, cbxChar0_, QStringLiteral("左のキャラクター"));
  TieCaption(client, cbxChar1_, QStringLiteral("右のキャラクター"));
  for (int i = 0; i < 6; ++i) captions[i]->setBuddy(values[i]);
  for (QWidget* chip : {static_cast<QWidget*>(imgChar0_), static_cast<QWidget*>(imgChar1_)})
    chip->setAccessibleDescription(QStringLiteral("クリックで次のキャラクター、右クリックでキャラクターの一覧"));
  btnOk_->setFocus();  // the first focus, as its tab order 0 says
}

void TfrmMain::CreateMenu() {
  QMenu* func = menuBar()->addMenu(QStringLiteral("機能(&F)"));
  // The window has no status bar: a hint shows as the item's tooltip, so a
  // greyed item explains itself.
  func->setToolTipsVisible(true);
  QAction* config = func->addAction(QStringLiteral("詳細設定(&C)..."));
  config->setObjectName("mnuConfig");
  connect(config, &QAction::triggered, this, &TfrmMain::mnuConfigClick);
  QAction* girl = func->addAction(QStringLiteral("女の子情報(&D)..."));
  girl->setObjectName("mnuGirl");
  connect(girl, &QAction::triggered, this, [this] {
    TfrmGirl dialog(this, *data_, session_.settings().name);
    dialog.exec();
  });
  QAction* calendar = func->addAction(QStringLiteral("起動カレンダー(&K)..."));
  calendar->setObjectName("mnuCalendar");
  calendar->setStatusTip(QStringLiteral("いつ起動したかを日ごと・時間帯ごとに表示します"));
  calendar->setToolTip(calendar->statusTip());
  connect(calendar, &QAction::triggered, this, [this] {
    TfrmCalendar dialog(this, session_);
    dialog.exec();
  });
  QAction* preview = func->addAction(QStringLiteral("ログオン時の表示を確かめる(&P)"));
  preview->setObjectName("mnuPreview");
  preview->setStatusTip(QStringLiteral("今の設定で起動カウンターを表示します（起動回数は数えません）"));
  preview->setToolTip(preview->statusTip());
  connect(preview, &QAction::triggered, this, &TfrmMain::mnuPreviewClick);
  QMenu* startup = func->addMenu(QStringLiteral("スタートアップ登録(&S)"));
  mnuStartupUser_ = startup->addAction(QString());
  mnuStartupUser_->setObjectName("mnuStartupUser");
  mnuStartupComm_ = startup->addAction(QString());
  mnuStartupComm_->setObjectName("mnuStartupComm");
  for (QAction* a : {mnuStartupUser_, mnuStartupComm_}) a->setCheckable(true);
  // The marks show what is on disk when the menu opens, whoever changed it.
  connect(func, &QMenu::aboutToShow, this, [this] {
    shortcuts_->Refresh();
    UpdateStartupMarks();
  });
  connect(mnuStartupUser_, &QAction::triggered, this, [this] {
    shortcuts_->RegisterStartup(0, 1);
    UpdateStartupMarks();
  });
  connect(mnuStartupComm_, &QAction::triggered, this, [this] {
    shortcuts_->RegisterStartup(1, 0);
    UpdateStartupMarks();
  });
  QAction* remove = func->addAction(QStringLiteral("スタートアップ抹消(&D)"));
  remove->setObjectName("mnuStartupDel");
  connect(remove, &QAction::triggered, this, [this] {
    shortcuts_->Remove();
    UpdateStartupMarks();
  });
  QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  help->setToolTipsVisible(true);
  QAction* readme = help->addAction(QStringLiteral("READMEの表示(&R)"));
  readme->setObjectName("mnuReadme");
  connect(readme, &QAction::triggered, this, [this] {
    const std::string manual = ManualPath(platform::ExecutableFolder());
    if (manual.empty()) {
      shell::ShowErrorBox(this, QString::fromStdString(state::ManualMissingText()));
    } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(manual)))) {
      shell::ShowErrorBox(this, QString::fromStdString(state::NoManualViewerText(manual)));
    }
  });
  QAction* web = help->addAction(QStringLiteral("NIVREのホームページ(&W)"));
  web->setObjectName("mnuWeb");
  if (HomePageUrl().empty()) {
    web->setEnabled(false);
    web->setToolTip(QStringLiteral("この版には作者のホームページのアドレスが含まれていません。"));
    web->setStatusTip(web->toolTip());
  }
  connect(web, &QAction::triggered, this, [this] {
    const std::string url = HomePageUrl();
    if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(url))))
      shell::ShowErrorBox(this, QStringLiteral("ホームページを開けませんでした。\n") + QString::fromStdString(url));
  });
  QAction* about = help->addAction(QStringLiteral("バージョン情報(&A)..."));
  about->setObjectName("mnuAbout");
  connect(about, &QAction::triggered, this, [this] {
    TfrmVer dialog(this);
    dialog.exec();
  });
}

void TfrmMain::FormCreate() {
  shortcuts_->Locate();
  UpdateStartupMarks();
  data_ = std::make_unique<shell::TfrmData>();
  QApplication::setWindowIcon(data_->imgIcon());
  setWindowIcon(data_->imgIcon());
  session_.Load();
  btnCancel_->setEnabled(session_.CancelOffered());
  UpdateCharacters();
  FillCharLists();
  UpdateStatistics();
}

bool TfrmMain::SaveOrTell() {
  std::string why;
  if (session_.Save(&why)) return true;
  shell::ShowErrorBox(this, QString::fromStdString(why));
  return false;
}

void TfrmMain::UpdateStartupMarks() {
  const QString captions[2] = {QStringLiteral("現ユーザーのみ利用(&U)"), QStringLiteral("全てのユーザー利用(&A)")};
  QAction* items[2] = {mnuStartupUser_, mnuStartupComm_};
  for (int i = 0; i < 2; ++i) {
    const settings::StartupScope& scope = shortcuts_->Scope(i);
    items[i]->setEnabled(scope.available);
    items[i]->setChecked(scope.marked());
    // An entry left by a moved copy is no registration of this one: said in the item itself.
    items[i]->setText(scope.checked && scope.startsOther ? captions[i] + QStringLiteral("（別の場所を起動・要再登録）")
                                                          : captions[i]);
  }
}

void TfrmMain::UpdateCharacters() {
  const auto& s = session_.settings();
  const auto& chips = data_->imlChip();
  for (int side = 0; side < 2; ++side) {
    png::Bitmap target;
    target.SetSize(111, 111);
    shell::DrawChip(chips[static_cast<std::size_t>(side == 0 ? s.char0 : s.char1)], target, false);
    (side == 0 ? imgChar0_ : imgChar1_)->setPixmap(QPixmap::fromImage(shell::ToQImage(target)));
  }
  cbxChar0_->setCurrentIndex(s.char0);
  cbxChar1_->setCurrentIndex(s.char1);
  imgChar0_->setAccessibleName(QStringLiteral("左のキャラクター: ") + Name(s.char0, s.name));
  imgChar1_->setAccessibleName(QStringLiteral("右のキャラクター: ") + Name(s.char1, s.name));
}

void TfrmMain::FillCharLists() {
  const auto& s = session_.settings();
  for (QComboBox* list : {cbxChar0_, cbxChar1_}) {
    list->clear();
    for (int i = 0; i < 6; ++i) list->addItem(Name(i, s.name));
  }
  cbxChar0_->setCurrentIndex(s.char0);
  cbxChar1_->setCurrentIndex(s.char1);
}

void TfrmMain::BuildCharMenu() {
  const auto& s = session_.settings();
  FillCharacterMenu(pumChar_, popupSide_ == 0 ? s.char0 : s.char1, [this](int n) { return Name(n, session_.settings().name); },
                    [this](int n) { mitCharClick(n); });
}

void TfrmMain::mitCharClick(int index) {
  session_.ChooseCharacter(popupSide_, index);
  UpdateCharacters();
}

void TfrmMain::ListChanged(int side, int index) {
  if (session_.ChooseCharacter(side, index)) UpdateCharacters();
}

void TfrmMain::ChipMouseUp(int side, Qt::MouseButton button, QPoint p) {
  ChipImage* chip = side == 0 ? imgChar0_ : imgChar1_;
  if (button != Qt::LeftButton || p.x() < 0 || p.y() < 0 || p.x() >= chip->width() || p.y() >= chip->height()) return;
  session_.NextCharacter(side);
  UpdateCharacters();
}

void TfrmMain::UpdateStatistics() {
  const QLocale locale = QLocale::system();
  NumberFormat format;
  format.thousands = locale.groupSeparator().toStdString();
  format.decimal = locale.decimalPoint().toStdString();
  const StatisticsTexts t = session_.Statistics(format);
  const std::pair<QLabel*, const std::string*> labels[] = {{lblInit_, &t.init},     {lblLast_, &t.last},
                                                           {lblDiffDay_, &t.diffDay}, {lblTotal_, &t.total},
                                                           {lblDayAve_, &t.dayAve}, {lblDayMax_, &t.dayMax}};
  for (const auto& [label, text] : labels) {
    label->setText(QString::fromStdString(*text));
    label->adjustSize();
  }
}

void TfrmMain::mnuPreviewClick() {
  // The settings as they are now, saved or not: what the next logon would show.
  auto setup = counter::RunSetup::At(platform::ExecutableFolder(), workFolder_, false);
  setup.preview = true;
  setup.settings = session_.settings();
  preview_ = std::make_unique<counter::TfrmCount>(reg_, std::move(setup));
  connect(preview_.get(), &counter::TfrmCount::Closed, this,
          [this] { QMetaObject::invokeMethod(this, [this] { preview_.reset(); }, Qt::QueuedConnection); });
  preview_->Start();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  // A closed list passes Enter on: it presses OK, as in a dialog.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) btnOk_->click();
  else QMainWindow::keyPressEvent(event);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (isVisible()) FirstTimeSetup();
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  // A fixed-size window may get its size before it is visible: run the set-up
  // once the window is up.
  QMetaObject::invokeMethod(this, &TfrmMain::FirstTimeSetup, Qt::QueuedConnection);
  shell::SnapshotWhenShown(this);
}

void TfrmMain::FirstTimeSetup() {
  // Once the window is up, one box at a time: a damaged settings file's
  // question, what else went wrong while loading, then the first set-up.
  if (setupDone_) return;
  setupDone_ = true;
  if (session_.damaged()) {
    const auto answer = session_.AnswerDamaged(shell::AskYesNo(this, QString::fromStdString(session_.DamagedQuestion())));
    if (!answer.error.empty()) shell::ShowErrorBox(this, QString::fromStdString(answer.error));
    btnCancel_->setEnabled(session_.CancelOffered());
    if (!answer.kept.empty()) shell::ShowExclamation(this, QString::fromStdString(answer.kept));
    if (answer.setAside) {
      UpdateCharacters();
      FillCharLists();
      UpdateStatistics();
    }
  }
  if (const std::string& text = session_.loadNotices(); !text.empty())
    shell::ShowErrorBox(this, QString::fromStdString(text));
  // First settings-mode run for this user: save at once, then the detailed settings.
  if (!session_.TakeFirstSetup()) return;
  SaveOrTell();
  mnuConfigClick();
  UpdateCharacters();
}

bool TfrmMain::MayCloseWithoutOk() {
  // A first run closed without OK registers no start-up entry: say so first.
  return session_.CancelOffered() || shell::AskYesNo(this, QString::fromStdString(FirstRunCloseQuestion()));
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // Only the player's close box asks; a logout or the program itself never waits.
  if (event->spontaneous() && !closingByOk_ && !MayCloseWithoutOk()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TfrmMain::mnuConfigClick() {
  {
    TfrmInit dialog(this, session_.settings(), reg_);
    dialog.exec();
  }
  // The name setting may have changed.
  UpdateCharacters();
  FillCharLists();
}

void TfrmMain::btnOkClick() {
  const auto result = session_.Confirm(*shortcuts_);
  if (!result.error.empty()) shell::ShowErrorBox(this, QString::fromStdString(result.error));
  if (!result.close) return;
  closingByOk_ = true;
  close();
}

void TfrmMain::btnCancelClick() { close(); }

}  // namespace vp::settings
