#include "settings/ui/folder_dialog.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <filesystem>


#include "gamedata/game_folder.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "settings/ui/dialog_keys.h"
#include "settings/ui/dialog_placement.h"
#include "settings/ui/folder_tree_look.h"
#include "shell/ui/data_form.h"
#include "shell/ui/fonts.h"
#include "shell/ui/message_box.h"
#include "shell/ui/qt_bitmap.h"
#include "state/settings.h"
#include "state/settings_notices.h"

namespace vp::settings {

namespace {
// The nearest folder that exists, so the dialog opens even when the stored one is gone.
std::string ExistingFolder(std::string folder) {
  while (!folder.empty() && !platform::DirectoryExists(folder)) {
    const auto slash = folder.rfind('/');
    folder = slash == std::string::npos || slash == 0 ? "/" : folder.substr(0, slash);
  }
  return folder.empty() ? std::filesystem::current_path().string() : folder;
}
}  // namespace

TfrmDir::TfrmDir(QWidget* owner, state::Settings& settings, platform::Registry& registry)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      settings_(settings),
      reg_(registry) {
  setWindowTitle(QStringLiteral("ゲームフォルダの指定"));
  setFixedSize(240, 208);
  setFont(shell::PGothicFont());
  auto* bevel = new QFrame(this);
  bevel->setGeometry(4, 4, 233, 169);
  bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);

  dcbDir_ = new QComboBox(this);
  dcbDir_->setObjectName("dcbDir");
  dcbDir_->setGeometry(8, 22, 121, 18);
  dcbDir_->setToolTip(QStringLiteral("ゲームがインストールされているドライブ"));
  auto* lblDrive = new QLabel(QStringLiteral("ドライブ(&V)"), this);
  lblDrive->move(8, 6);
  lblDrive->setBuddy(dcbDir_);
  auto* bbtReg = new QPushButton(QStringLiteral("自動検索(&R)"), this);
  bbtReg->setObjectName("bbtReg");
  bbtReg->setGeometry(136, 16, 95, 25);
  bbtReg->setToolTip(QStringLiteral("レジストリから取得"));
  bbtReg->setIcon(shell::TfrmData::Glyph("glyph_search"));
  dlbDir_ = new QListWidget(this);
  dlbDir_->setObjectName("dlbDir");
  dlbDir_->setGeometry(8, 60, 225, 109);
  dlbDir_->setItemDelegate(new FolderTreeDelegate(dlbDir_));
  dlbDir_->setIconSize(QSize(16, 16));
  dlbDir_->setToolTip(QStringLiteral("ゲームがインストールされているフォルダ"));
  auto* lblDir = new QLabel(QStringLiteral("フォルダ(&D)"), this);
  lblDir->move(8, 44);  // the labels keep clear of the underlined key below them
  lblDir->setBuddy(dlbDir_);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("btnOk");
  ok->setGeometry(80, 180, 75, 25);
  auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
  cancel->setObjectName("btnCancel");
  cancel->setGeometry(160, 180, 75, 25);
  setTabOrder(dcbDir_, dlbDir_);
  setTabOrder(dlbDir_, ok);
  setTabOrder(ok, cancel);
  setTabOrder(cancel, bbtReg);
  dcbDir_->setAccessibleName(QStringLiteral("ドライブ"));
  dlbDir_->setAccessibleName(QStringLiteral("フォルダ"));
  dlbDir_->setAccessibleDescription(QStringLiteral("ダブルクリックか Enter でフォルダを開きます。OK で開いているフォルダを選びます"));
  bbtReg->setAccessibleDescription(QStringLiteral("インストール情報からゲームフォルダを探します"));
  // The focus is marked from the start, not only after a key was pressed.
  setAttribute(Qt::WA_KeyboardFocusChange);
  EnterPressesFocusedButton(this);

  connect(dlbDir_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    OpenFolderPath(item->data(Qt::UserRole).toString().toStdString());
  });
  connect(dcbDir_, &QComboBox::activated, this, &TfrmDir::dcbDirChange);
  connect(bbtReg, &QPushButton::clicked, this, &TfrmDir::bbtRegClick);
  connect(ok, &QPushButton::clicked, this, &TfrmDir::btnOkClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  drives_ = SystemDrives();
  for (const Drive& d : drives_) dcbDir_->addItem(QString::fromStdString(d.label));
  OpenFolderPath(ExistingFolder(settings_.dirwave));
  PlaceOver(this, owner);
}

bool TfrmDir::OpenFolderPath(const std::string& folder) {
  const std::string f = WithoutTrailingSeparator(folder);
  if (!platform::DirectoryExists(f)) return false;
  open_ = f;
  SelectDriveOf(f);
  lastOnDrive_[drives_[static_cast<std::size_t>(drive_)].path] = f;
  Refill();
  return true;
}

void TfrmDir::SelectDriveOf(const std::string& folder) {
  const int d = DriveOf(folder, drives_);
  drive_ = d < 0 ? 0 : d;
  dcbDir_->setCurrentIndex(drive_);
}

void TfrmDir::Refill() {
  dlbDir_->clear();
  const QIcon openIcon = OpenFolderIcon();
  const QIcon closedIcon = ClosedFolderIcon();
  for (const FolderRow& row : FolderRows(drives_[static_cast<std::size_t>(drive_)].path, open_)) {
    auto* item = new QListWidgetItem(row.open ? openIcon : closedIcon, QString::fromStdString(row.name), dlbDir_);
    item->setData(Qt::UserRole, QString::fromStdString(row.path));
    item->setData(Qt::UserRole + 1, row.depth);
    if (row.path == open_) dlbDir_->setCurrentItem(item);
  }
}

void TfrmDir::dcbDirChange(int index) {
  const int previous = drive_;
  if (index < 0 || index >= static_cast<int>(drives_.size())) return;
  const std::string& path = drives_[static_cast<std::size_t>(index)].path;
  const auto last = lastOnDrive_.find(path);
  const std::string target = last != lastOnDrive_.end() ? last->second : path;
  // A drive that cannot be read (a medium that is gone): back to the previous one.
  if (!platform::DirectoryExists(target) || !platform::FolderReadable(target)) {
    dcbDir_->setCurrentIndex(previous);
    return;
  }
  open_ = target;
  drive_ = index;
  Refill();
}

void TfrmDir::bbtRegClick() {
  const state::GameSearch found = state::FindGameFolder(reg_);
  if (!found.found || !OpenFolderPath(found.folder)) {
    shell::ShowExclamation(this, QString::fromStdString(state::GameSearchFailedText()));
  }
}

void TfrmDir::btnOkClick() {
  const gamedata::FolderTestResult test = gamedata::FolderTest(open_);
  if (!test.passes &&
      !shell::AskYesNo(this, QString::fromStdString(state::NotTheGameFolderQuestion())))
    return;
  settings_.dirwave = test.folder;
  accept();
}

}  // namespace vp::settings
