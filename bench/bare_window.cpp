// The peer of the start-up benchmark: a bare Qt program that shows one window
// with one Japanese label in the counter's font, reports that it is up and ends.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QStringLiteral("通算で 2 回目の起動です。"));
  label.resize(600, 135);
  // Its text measured before it shows, as the counter window's labels are:
  // a window is not up until its text can be drawn.
  label.setFont(QFont(QStringLiteral("IPAPGothic"), 12, QFont::Bold));
  label.sizeHint();
  label.show();
  std::fprintf(stderr, "vpcounter: shown\n");
  QTimer::singleShot(0, &app, &QApplication::quit);
  return QApplication::exec();
}
