#include "shell/ui/snapshot.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace vp::shell {

void SnapshotWhenShown(QWidget* window) {
  const QByteArray file = qgetenv("VPCOUNTER_SNAPSHOT");
  if (file.isEmpty()) return;
  // After the first paint, so every child shows.
  QTimer::singleShot(50, window, [window, file] {
    if (!window->grab().save(QString::fromLocal8Bit(file), "PNG"))
      std::fprintf(stderr, "vpcounter: cannot write snapshot %s\n", file.constData());
  });
}

}  // namespace vp::shell
