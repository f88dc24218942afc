// A stand-in for the desktop's notification service on a private session
// bus: it takes org.freedesktop.Notifications and prints each notice it is
// sent, one line each ("notify SUMMARY|BODY"), for the end-to-end test.
// As a broken one: --silent never answers a notice, --error refuses it;
// --markup says it reads bodies as markup.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>

class Notifications : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  QString mode;

 public slots:
  QStringList GetCapabilities() {
    QStringList caps{QStringLiteral("body")};
    if (mode == "--markup") caps << QStringLiteral("body-markup");
    return caps;
  }
  uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
              const QStringList& actions, const QVariantMap& hints, int timeout) {
    Q_UNUSED(app) Q_UNUSED(replaces) Q_UNUSED(icon) Q_UNUSED(actions) Q_UNUSED(hints) Q_UNUSED(timeout)
    QString flat = body;
    flat.replace('\n', ' ');
    std::printf("notify %s|%s\n", summary.toUtf8().constData(), flat.toUtf8().constData());
    std::fflush(stdout);
    if (mode == "--silent") {
      setDelayedReply(true);  // and never sent
      return 0;
    }
    if (mode == "--error") {
      sendErrorReply(QDBusError::Failed, QStringLiteral("refused"));
      return 0;
    }
    return ++last_;
  }

 private:
  uint last_ = 0;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Notifications service;
  if (argc > 1) service.mode = QString::fromLocal8Bit(argv[1]);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots) ||
      !bus.registerService("org.freedesktop.Notifications")) {
    std::fprintf(stderr, "cannot take org.freedesktop.Notifications\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

#include "fake_notifications.moc"
