#include "settings/main_window.h"

#include <QApplication>
#include <QScreen>
#include <QShortcut>

#include "platform/executable.h"
#include "platform/registry.h"
#include "shell/data_form.h"
#include "shell/error_display.h"
#include "state/history.h"
#include "state/settings.h"

namespace vp::settings {

namespace {
constexpr int kClientWidth = 292;
constexpr int kClientHeight = 267;
}  // namespace

TfrmMain::TfrmMain()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("ヴェルベル起動カウンター＋(プラス)の設定"));
  setFixedSize(kClientWidth, kClientHeight);
  btnOk_ = new QPushButton(QStringLiteral("OK"), this);
  btnOk_->setGeometry(128, 236, 75, 25);
  btnOk_->setDefault(true);
  connect(btnOk_, &QPushButton::clicked, this, &TfrmMain::btnOkClick);
  btnCancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
  btnCancel_->setGeometry(208, 236, 75, 25);
  connect(btnCancel_, &QPushButton::clicked, this, &TfrmMain::btnCancelClick);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, btnCancel_, &QPushButton::click);
  FormCreate();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TfrmMain::~TfrmMain() {
  delete data_;
  data_ = nullptr;
}

void TfrmMain::FormCreate() {
  data_ = new shell::TfrmData(this);
  QApplication::setWindowIcon(data_->imgIcon());
  setWindowIcon(data_->imgIcon());
  auto& reg = platform::TheRegistry();
  auto load = state::LoadSettings(state::TheSettings(), reg, platform::ExecutableFolder());
  if (state::IsFirstRun(reg)) btnCancel_->setEnabled(false);
  state::LoadHistory(state::TheHistory(), reg);
  if (!load.errors.empty()) {
    // Shown once the window is up, so the box has an owner on screen.
    QString text = QString::fromStdString(load.errors.front());
    QMetaObject::invokeMethod(this, [this, text] { shell::ShowError(this, text, true); },
                              Qt::QueuedConnection);
  }
}

void TfrmMain::btnOkClick() {
  state::SaveSettings(state::TheSettings(), platform::TheRegistry());
  close();
}

void TfrmMain::btnCancelClick() { close(); }

}  // namespace vp::settings
