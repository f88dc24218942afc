#pragma once
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "state/settings.h"
#include "settings/folder_browser.h"

namespace vp::settings {

// The game folder dialog: a drive list and a folder list (the open folder is
// the one that counts, not a highlighted row), the auto search, OK with the
// folder test. OK writes the folder into the settings record.
class TfrmDir : public QDialog {
  Q_OBJECT
 public:
  // OK writes the folder into settings.dirwave (in memory).
  TfrmDir(QWidget* owner, state::Settings& settings, platform::Registry& registry = platform::TheRegistry());

  const std::string& OpenFolder() const { return open_; }
  // Opens a folder as a double click on its row would.
  bool OpenFolderPath(const std::string& folder);

 private:
  void Refill();
  void dcbDirChange(int index);
  void bbtRegClick();
  void btnOkClick();
  void SelectDriveOf(const std::string& folder);

  state::Settings& settings_;
  platform::Registry& reg_;
  QComboBox* dcbDir_ = nullptr;
  QListWidget* dlbDir_ = nullptr;
  std::vector<Drive> drives_;
  std::map<std::string, std::string> lastOnDrive_;
  std::string open_;
  int drive_ = 0;
};

}  // namespace vp::settings
