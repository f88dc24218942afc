#include "shell/ui/message_box.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

#include "shell/center_over.h"

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

// Where a box's frame of this size goes: beside the counter's frame, never
// over it, wholly in the screen's work area.
QPoint BoxPlace(QWidget* beside, QSize frameSize) {
  const QRect frame = beside->frameGeometry();
  QRect area = frame;
  if (QScreen* screen = beside->screen()) area = screen->availableGeometry();
  const WindowRect place = PlaceBeside({frame.x(), frame.y(), frame.width(), frame.height()}, frameSize.width(),
                                       frameSize.height(), {area.x(), area.y(), area.width(), area.height()});
  return {place.left, place.top};
}

// Long enough for a window manager to frame a new window; looked at again
// while it has not, a few times.
constexpr int kBoxFrameSettleMs = 200, kBoxFrameTries = 8;

// Once the box is framed, its own frame goes where BoxPlace says (its first
// place assumed the counter's frame for it).
void PlaceFramedBox(QPointer<QWidget> box, QPointer<QWidget> counter, int triesLeft) {
  if (!box || !counter) return;
  const QRect framed = box->frameGeometry();
  if (framed.size() == box->size()) {
    if (triesLeft > 0)
      QTimer::singleShot(kBoxFrameSettleMs / 2, box, [box, counter, triesLeft] { PlaceFramedBox(box, counter, triesLeft - 1); });
    return;
  }
  const QPoint place = BoxPlace(counter, framed.size());
  if (place != framed.topLeft()) box->move(place + (box->pos() - framed.topLeft()));
}

}  // namespace

void ShowErrorBox(QWidget* owner, const QString& text) { Show(owner, MessageKind::Error, text); }

QWidget* NotifyWithoutWaiting(QWidget* beside, const QString& text) {
  const QString caption = beside ? beside->window()->windowTitle() : QString();
  if (Handler()) {
    Handler()(MessageKind::Error, caption, text);
    return nullptr;
  }
  // The desktop's notification service keeps the notice in its list after
  // the counter has closed. Asking whether there is one waits at most 300 ms.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage ask = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "NameHasOwner");
    ask << QStringLiteral("org.freedesktop.Notifications");
    const QDBusMessage answer = bus.call(ask, QDBus::Block, 300);
    if (answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty() &&
        answer.arguments().first().toBool()) {
      QDBusMessage notify = QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                                           "org.freedesktop.Notifications", "Notify");
      QVariantMap hints;
      hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vpcounter"));
      notify << caption << 0u << QStringLiteral("vpcounter") << caption << text << QStringList() << hints << -1;
      bus.asyncCall(notify);  // no waiting for the reply: the run goes on
      return nullptr;
    }
  }
  // Otherwise a box that does not wait, beside the window and never over it.
  // A window of its own, so it may outlive the counter while it is read.
  auto* box = new QMessageBox(QMessageBox::Warning, caption, text, QMessageBox::Ok, nullptr);
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setAttribute(Qt::WA_ShowWithoutActivating);
  box->setWindowModality(Qt::NonModal);
  box->adjustSize();
  if (beside) {
    // Before it is shown the box has no frame yet and a move places its
    // inner area: assume the counter's frame for it, then correct once the
    // window manager has framed it.
    const QRect outer = beside->frameGeometry(), inner = beside->geometry();
    const QMargins margins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                           outer.bottom() - inner.bottom());
    const QSize frameSize = box->sizeHint().grownBy(margins);
    const QPoint place = BoxPlace(beside, frameSize);
    box->move(place + QPoint(margins.left(), margins.top()));
    QTimer::singleShot(kBoxFrameSettleMs, box, [box, beside] { PlaceFramedBox(box, beside, kBoxFrameTries); });
  }
  box->show();
  return box;
}

void ShowExclamation(QWidget* owner, const QString& text) { Show(owner, MessageKind::Exclamation, text); }
bool AskYesNo(QWidget* owner, const QString& text) { return Show(owner, MessageKind::Question, text); }
void SetMessageHandlerForTesting(MessageHandler handler) { Handler() = std::move(handler); }

}  // namespace vp::shell
