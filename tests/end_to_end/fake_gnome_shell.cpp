// A stand-in for GNOME Shell on a private session bus: it takes
// org.gnome.Shell and says its Activities overview is open for the first
// ARG milliseconds (a GNOME logon starts there), closed afterwards.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <cstdio>

class Shell : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell")
  Q_PROPERTY(bool OverviewActive READ OverviewActive)

 public:
  qint64 openMs = 0;
  QElapsedTimer since;
  bool OverviewActive() const { return since.elapsed() < openMs; }
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Shell shell;
  shell.openMs = argc > 1 ? QByteArray(argv[1]).toLongLong() : 0;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject("/org/gnome/Shell", &shell, QDBusConnection::ExportAllProperties) ||
      !bus.registerService("org.gnome.Shell")) {
    std::fprintf(stderr, "cannot take org.gnome.Shell\n");
    return 1;
  }
  shell.since.start();
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

#include "fake_gnome_shell.moc"
