#include "shell/ui/message_box.h"

#include <QMessageBox>
#include <QWidget>

namespace vp::shell {
namespace {

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

bool Show(QWidget* owner, MessageKind kind, const QString& text) {
  const QString caption = owner ? owner->window()->windowTitle() : QString();
  if (Handler()) return Handler()(kind, caption, text);
  QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Warning, caption, text,
                  kind == MessageKind::Question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
  box.setWindowModality(Qt::ApplicationModal);
  if (kind == MessageKind::Question) box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

void ShowErrorBox(QWidget* owner, const QString& text) { Show(owner, MessageKind::Error, text); }

void ReportErrorWithoutWaiting(QWidget* owner, const QString& text) {
  const QString caption = owner ? owner->window()->windowTitle() : QString();
  if (Handler()) {
    Handler()(MessageKind::Error, caption, text);
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
}
void ShowExclamation(QWidget* owner, const QString& text) { Show(owner, MessageKind::Exclamation, text); }
bool AskYesNo(QWidget* owner, const QString& text) { return Show(owner, MessageKind::Question, text); }
void SetMessageHandlerForTesting(MessageHandler handler) { Handler() = std::move(handler); }

}  // namespace vp::shell
