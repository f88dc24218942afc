#pragma once
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "settings/folder_browser.h"

namespace vp::settings {

// The game folder dialog: a drive list and a folder list (the open folder is
// the one that counts, not a highlighted row), the auto search, OK with the
// folder test. OK writes the folder into the settings record.
class TfrmDir : public QDialog {
  Q_OBJECT
 public:
  TfrmDir(QWidget* owner, platform::Registry& registry = platform::TheRegistry());

  const std::string& OpenFolder() const { return open_; }
  // Opens a folder as a double click on its row would.
  bool OpenFolderPath(const std::string& folder);

 private:
  void Refill();
  void dcbDirChange(int index);
  void bbtRegClick();
  void btnOkClick();
  void SelectDriveOf(const std::string& folder);

  platform::Registry& reg_;
  QComboBox* dcbDir_ = nullptr;
  QListWidget* dlbDir_ = nullptr;
  std::vector<Drive> drives_;
  std::map<std::string, std::string> lastOnDrive_;
  std::string open_;
  int drive_ = 0;
};

}  // namespace vp::settings
