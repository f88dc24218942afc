#include "shell/ui/message_box.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

#include "shell/center_over.h"
#include "shell/notice_banner.h"

namespace vp::shell {
namespace {

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

// A screen reader announces a dialog by its name and description: the
// message is the description, so it is read when the box appears.
void Announce(QMessageBox& box, const QString& text) {
  box.setAccessibleName(box.windowTitle().isEmpty() ? QStringLiteral("お知らせ") : box.windowTitle());
  box.setAccessibleDescription(text);
}

bool Show(QWidget* owner, MessageKind kind, const QString& text) {
  const QString caption = owner ? owner->window()->windowTitle() : QString();
  if (Handler()) return Handler()(kind, caption, text);
  QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Warning, caption, text,
                  kind == MessageKind::Question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
  box.setWindowModality(Qt::ApplicationModal);
  Announce(box, text);
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

namespace {

// The fallback: a box that does not wait, beside the window and never over
// it; a window of its own, so it may outlive the counter while it is read.
QWidget* ShowNoticeBox(QWidget* beside, const QString& caption, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, caption, text, QMessageBox::Ok, nullptr);
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setAttribute(Qt::WA_ShowWithoutActivating);
  box->setWindowModality(Qt::NonModal);
  Announce(*box, text);
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

// One notice on its way: owner of the name? what does the server read? then
// the notice itself, each step a call whose answer is awaited by the event
// loop, never by a blocking wait. Any error or the deadline ends in the box.
class NoticeDelivery : public QObject {
 public:
  NoticeDelivery(QWidget* beside, QString caption, QString text, std::function<void(QWidget*)> outcome)
      : QObject(beside), beside_(beside), caption_(std::move(caption)), text_(std::move(text)),
        outcome_(std::move(outcome)), bus_(QDBusConnection::sessionBus()) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { Fallback(); });
    deadline_.start(kNoticeAnswerMs);
    if (!bus_.isConnected()) {
      Fallback();
      return;
    }
    QDBusMessage ask = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "NameHasOwner");
    ask << QStringLiteral("org.freedesktop.Notifications");
    Then(ask, [this](const QDBusMessage& answer) {
      if (answer.arguments().isEmpty() || !answer.arguments().first().toBool()) return Fallback();
      // A server that cannot say what it reads gets plain text.
      Then(
          Call("GetCapabilities"),
          [this](const QDBusMessage& caps) {
            Notify(!caps.arguments().isEmpty() &&
                   caps.arguments().first().toStringList().contains(QStringLiteral("body-markup")));
          },
          [this] { Notify(false); });
    });
  }

 private:
  static QDBusMessage Call(const char* method) {
    return QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                          "org.freedesktop.Notifications", method);
  }
  void Then(const QDBusMessage& call, std::function<void(const QDBusMessage&)> next,
            std::function<void()> failed = {}) {
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kNoticeAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, next, failed] {
      watcher->deleteLater();
      if (done_) return;
      const QDBusMessage reply = watcher->reply();
      if (reply.type() != QDBusMessage::ReplyMessage) return failed ? failed() : Fallback();
      next(reply);
    });
  }
  void Notify(bool markup) {
    const NoticeBanner banner = SplitNoticeForBanner(text_.toStdString());
    QString body = QString::fromStdString(markup ? EscapeNoticeMarkup(banner.body) : banner.body);
    QDBusMessage notify = Call("Notify");
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vpcounter"));
    notify << caption_ << 0u << QStringLiteral("vpcounter") << QString::fromStdString(banner.summary) << body
           << QStringList() << hints << -1;
    Then(notify, [this](const QDBusMessage& reply) {
      // Told only when the server gave the notice an id.
      if (reply.arguments().isEmpty() || reply.arguments().first().toUInt() == 0) return Fallback();
      Finish(nullptr);
    });
  }
  void Fallback() {
    if (done_) return;
    Finish(ShowNoticeBox(beside_, caption_, text_));
  }
  void Finish(QWidget* box) {
    if (done_) return;
    done_ = true;
    deadline_.stop();
    if (outcome_) outcome_(box);
    deleteLater();
  }

  QWidget* beside_;
  QString caption_, text_;
  std::function<void(QWidget*)> outcome_;
  QDBusConnection bus_;
  QTimer deadline_;
  bool done_ = false;
};

}  // namespace

void DeliverNotice(QWidget* beside, const QString& text, std::function<void(QWidget* box)> outcome) {
  const QString caption = beside ? beside->window()->windowTitle() : QString();
  if (Handler()) {
    Handler()(MessageKind::Error, caption, text);
    if (outcome) outcome(nullptr);
    return;
  }
  new NoticeDelivery(beside, caption, text, std::move(outcome));
}

void ShowExclamation(QWidget* owner, const QString& text) { Show(owner, MessageKind::Exclamation, text); }
bool AskYesNo(QWidget* owner, const QString& text) { return Show(owner, MessageKind::Question, text); }
void SetMessageHandlerForTesting(MessageHandler handler) { Handler() = std::move(handler); }

}  // namespace vp::shell
