#include "counter/ui/overview_watch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include "counter/counter_timing.h"

namespace vp::counter {

OverviewWatch::OverviewWatch(QObject* parent, std::function<void(std::int64_t)> whenClear)
    : QObject(parent), whenClear_(std::move(whenClear)) {
  held_.start();
  // Each call has its own deadline; this one only guards against a call
  // that is never finished at all.
  lastResort_.setSingleShot(true);
  connect(&lastResort_, &QTimer::timeout, this, [this] { Clear(); });
  lastResort_.start(static_cast<int>(kLongestOverviewHoldMs) + kOverviewAnswerMs);
  Ask();
}

void OverviewWatch::Ask() {
  if (done_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return Clear();
  QDBusMessage get = QDBusMessage::createMethodCall("org.gnome.Shell", "/org/gnome/Shell",
                                                    "org.freedesktop.DBus.Properties", "Get");
  get << QStringLiteral("org.gnome.Shell") << QStringLiteral("OverviewActive");
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(get, kOverviewAnswerMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
    watcher->deleteLater();
    const QDBusMessage reply = watcher->reply();
    const bool answered = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
    const bool active = answered && reply.arguments().first().value<QDBusVariant>().variant().toBool();
    if (HoldForOverview(answered, active, held_.elapsed())) QTimer::singleShot(kOverviewPollMs, this, [this] { Ask(); });
    else Clear();
  });
}

void OverviewWatch::Clear() {
  if (done_) return;
  done_ = true;
  lastResort_.stop();
  if (whenClear_) whenClear_(held_.elapsed());
}

}  // namespace vp::counter
