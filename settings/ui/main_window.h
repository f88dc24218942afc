#pragma once
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <memory>

#include "platform/registry.h"
#include "settings/ui/chip_image.h"
#include "counter/ui/counter_window.h"
#include "settings/settings_session.h"
#include "settings/startup_shortcut.h"

namespace vp::shell {
class TfrmData;
}

namespace vp::settings {

// The window of settings mode: statistics, the two characters, the startup
// shortcut and the way to every other setting. Only OK saves.
class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  // publish: the working folder is usable, so its history path may be told to the sibling.
  // workFolder: the run's working folder, with a separator.
  TfrmMain(platform::Registry& registry, std::string workFolder, bool publish = true);
  ~TfrmMain() override;

  // The session the window shows; tests look at its settings.
  SettingsSession& session() { return session_; }
  // Shows the counter window as the next logon would, counting nothing.
  void mnuPreviewClick();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void CreateMenu();
  void FormCreate();
  void UpdateCharacters();
  void FillCharLists();
  void BuildCharMenu();
  void UpdateStatistics();
  void UpdateStartupMarks();
  void ChipMouseUp(int side, Qt::MouseButton button, QPoint position);
  void ListChanged(int side, int index);
  void mitCharClick(int index);
  void btnOkClick();
  void btnCancelClick();
  void mnuConfigClick();
  void FirstTimeSetup();
  // Escape and the close box: true to close without saving (asked on a first run).
  bool MayCloseWithoutOk();
  // Saves the settings; on failure tells the user why and returns false.
  bool SaveOrTell();

  platform::Registry& reg_;
  std::string workFolder_;  // before session_, which is made from it
  SettingsSession session_;
  std::unique_ptr<counter::TfrmCount> preview_;
  std::unique_ptr<shell::TfrmData> data_;
  QLabel* imgBack_ = nullptr;
  ChipImage* imgChar0_ = nullptr;
  ChipImage* imgChar1_ = nullptr;
  QComboBox* cbxChar0_ = nullptr;
  QComboBox* cbxChar1_ = nullptr;
  QFrame* pnlStat_ = nullptr;
  QLabel *lblInit_ = nullptr, *lblLast_ = nullptr, *lblDiffDay_ = nullptr, *lblTotal_ = nullptr,
         *lblDayAve_ = nullptr, *lblDayMax_ = nullptr;
  QPushButton* btnOk_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
  QMenu* pumChar_ = nullptr;
  QAction *mnuStartupUser_ = nullptr, *mnuStartupComm_ = nullptr;

  std::unique_ptr<StartupShortcuts> shortcuts_;
  int popupSide_ = 0;
  bool shownOnce_ = false;
  bool setupDone_ = false;
  bool closingByOk_ = false;
};

}  // namespace vp::settings
