#pragma once
#include <QIcon>
#include <QObject>

namespace vp::shell {

// The per-run holder of the embedded artwork, owned by the mode's main window.
class TfrmData : public QObject {
  Q_OBJECT
 public:
  explicit TfrmData(QObject* owner);
  ~TfrmData() override;
  const QIcon& imgIcon() const { return icon_; }

 private:
  QIcon icon_;
};

// The process-wide reference to the data form of this run.
extern TfrmData* frmData;

}  // namespace vp::shell
