#include "shell/error_display.h"

#include <QMessageBox>
#include <QWidget>

#include "shell/run_mode.h"

namespace vp::shell {

void ShowError(QWidget* owner, const QString& text, bool blocking) {
  const QString caption = owner ? owner->windowTitle() : QString::fromUtf8(kApplicationTitle);
  auto* box = new QMessageBox(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
  box->setAttribute(Qt::WA_DeleteOnClose);
  if (blocking) {
    box->setWindowModality(Qt::ApplicationModal);
    box->exec();
  } else {
    box->setWindowModality(Qt::NonModal);
    box->show();
  }
}

}  // namespace vp::shell
