#pragma once
#include <QString>
#include <functional>

class QWidget;

namespace vp::shell {

// The program's three message boxes: application-modal, with the caption of
// the window that shows them.
enum class MessageKind { Error, Exclamation, Question };

void ShowErrorBox(QWidget* owner, const QString& text);
// Counter mode's notices: to the desktop's notification service when there is
// one (it keeps them after the counter closed), else in a box beside the
// window, placed from its geometry as it is now (call it once the window is
// shown and framed), that never covers it and does not wait. Returns that
// box, a window of its own that the caller closes; null when the service took it.
QWidget* NotifyWithoutWaiting(QWidget* beside, const QString& text);
void ShowExclamation(QWidget* owner, const QString& text);
// Yes/No with an exclamation icon; only Yes confirms.
bool AskYesNo(QWidget* owner, const QString& text);

// Lets tests answer instead of a person: the handler gets the kind, caption and
// text and returns true for Yes. An empty handler restores the real boxes.
using MessageHandler = std::function<bool(MessageKind, const QString& caption, const QString& text)>;
void SetMessageHandlerForTesting(MessageHandler handler);

}  // namespace vp::shell
