#pragma once
#include <QString>
#include <functional>

class QWidget;

namespace vp::shell {

// The program's three message boxes: application-modal, with the caption of
// the window that shows them.
enum class MessageKind { Error, Exclamation, Question };

void ShowErrorBox(QWidget* owner, const QString& text);
// Counter mode's notices: to the desktop's notification service when one
// owns its name and gives the notice an id (it keeps them after the counter
// closed); else (no service, an error, no answer within kNoticeAnswerMs) in
// a box beside the window, placed from its geometry (call it once the window
// is shown and framed), that never covers it and does not wait. Nothing here
// blocks: outcome is called once, later, from the event loop, with the box
// (a window of its own that the caller closes) or null when the service took
// it; never if beside goes first, and then the notice reached nobody.
void DeliverNotice(QWidget* beside, const QString& text, std::function<void(QWidget* box)> outcome);
inline constexpr int kNoticeAnswerMs = 2000;
void ShowExclamation(QWidget* owner, const QString& text);
// Yes/No with an exclamation icon; only Yes confirms.
bool AskYesNo(QWidget* owner, const QString& text);

// Lets tests answer instead of a person: the handler gets the kind, caption and
// text and returns true for Yes. An empty handler restores the real boxes.
using MessageHandler = std::function<bool(MessageKind, const QString& caption, const QString& text)>;
void SetMessageHandlerForTesting(MessageHandler handler);

}  // namespace vp::shell
