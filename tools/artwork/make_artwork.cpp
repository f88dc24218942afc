// Draws the program's artwork into resources/ (or the folder given): chips, name plates, icon,
// backgrounds, logo and button glyphs. Run again after changing a look.
// Usage: vp-make-artwork RESOURCES_DIR, or vp-make-artwork --icons DIR for the icon theme files.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cmath>
#include <cstdio>

#include "character_painter.h"
#include "shell/characters.h"

using namespace vp::artwork;

namespace {

QImage NewImage(int w, int h, bool alpha = false) {
  QImage image(w, h, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  image.fill(alpha ? Qt::transparent : Qt::white);
  return image;
}

bool Save(const QImage& image, const QString& path) {
  bool ok = image.save(path, "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

QFont Font(int pixels, bool bold = true, const char* family = "IPAPGothic") {
  QFont f(family);
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

void Petal(QPainter& p, QPointF c, double r, double angle, QColor colour) {
  p.save();
  p.translate(c);
  p.rotate(angle);
  QPainterPath petal;
  petal.moveTo(0, -r);
  petal.quadTo(r * 0.8, -r * 0.2, 0, r);
  petal.quadTo(-r * 0.8, -r * 0.2, 0, -r);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPath(petal);
  p.restore();
}

QImage Chip(int character) {
  QImage image = NewImage(111, 111);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const Look& look = LookOf(character);
  QLinearGradient bg(0, 0, 0, 111);
  bg.setColorAt(0, look.theme.lighter(185));
  bg.setColorAt(1, look.theme.lighter(130));
  p.fillRect(image.rect(), bg);
  // Soft rays behind the portrait.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 60));
  for (int i = 0; i < 12; i += 2) {
    QPainterPath ray;
    ray.moveTo(55.5, 50);
    double a0 = i * M_PI / 6, a1 = (i + 1) * M_PI / 6;
    ray.lineTo(55.5 + 120 * std::cos(a0), 50 + 120 * std::sin(a0));
    ray.lineTo(55.5 + 120 * std::cos(a1), 50 + 120 * std::sin(a1));
    ray.closeSubpath();
    p.drawPath(ray);
  }
  PaintCharacter(p, QRectF(4, 6, 103, 105), character, Mood::Normal);
  // Frame in the character's colour.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(look.theme, 4));
  p.drawRoundedRect(QRectF(2, 2, 107, 107), 10, 10);
  p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
  p.drawRoundedRect(QRectF(5, 5, 101, 101), 8, 8);
  return image;
}

QImage NamePlate(int character) {
  QImage image = NewImage(127, 22);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const Look& look = LookOf(character);
  QLinearGradient bg(0, 0, 127, 0);
  bg.setColorAt(0, look.theme.darker(115));
  bg.setColorAt(1, look.theme.lighter(140));
  p.fillRect(image.rect(), bg);
  p.setPen(QPen(QColor(255, 255, 255, 180), 1));
  p.drawLine(0, 1, 127, 1);
  p.setPen(QPen(look.theme.darker(160), 1));
  p.drawLine(0, 21, 127, 21);
  Petal(p, QPointF(10, 11), 5, 30, QColor(255, 255, 255, 210));
  QFont f = Font(14);
  p.setFont(f);
  const QString name = QString::fromUtf8(vp::shell::Characters()[static_cast<std::size_t>(character)].fullName);
  QPainterPath text;
  text.addText(QPointF(20, 16), f, name);
  p.setPen(QPen(look.theme.darker(170), 2.5));
  p.setBrush(Qt::NoBrush);
  p.drawPath(text);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPath(text);
  return image;
}

// Drawn on a 32-unit grid, at any size in pixels.
QImage Icon(int size = 32) {
  QImage image = NewImage(size, size, true);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  QRadialGradient g(12, 10, 22);
  g.setColorAt(0, QColor(255, 190, 200));
  g.setColorAt(1, QColor(230, 70, 120));
  p.setBrush(g);
  p.setPen(QPen(QColor(160, 30, 80), 1.2));
  p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
  for (int i = 0; i < 5; ++i)
    Petal(p, QPointF(16 + 7 * std::cos(i * 2 * M_PI / 5 - M_PI / 2), 16 + 7 * std::sin(i * 2 * M_PI / 5 - M_PI / 2)), 6,
          i * 72, QColor(255, 255, 255, 235));
  p.setBrush(QColor(255, 210, 80));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(16, 16), 3.2, 3.2);
  return image;
}

void Sky(QPainter& p, const QRect& r, QColor top, QColor bottom, int petals, quint32 seed) {
  QLinearGradient g(0, r.top(), 0, r.bottom());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(r, g);
  QRandomGenerator rng(seed);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 7; ++i) {  // clouds
    double x = rng.bounded(r.width()), y = r.top() + rng.bounded(r.height() * 0.7);
    double s = 14 + rng.bounded(16);
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawEllipse(QPointF(x, y), s * 1.8, s * 0.7);
    p.drawEllipse(QPointF(x + s, y - s * 0.3), s, s * 0.6);
  }
  for (int i = 0; i < petals; ++i) {
    QColor c(255, 170 + static_cast<int>(rng.bounded(50)), 195 + static_cast<int>(rng.bounded(40)), 150 + static_cast<int>(rng.bounded(90)));
    Petal(p, QPointF(rng.bounded(r.width()), r.top() + rng.bounded(r.height())), 2.5 + rng.bounded(3.5),
          rng.bounded(360), c);
  }
}

QImage CounterBackground() {
  QImage image = NewImage(600, 135);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  Sky(p, image.rect(), QColor(150, 200, 245), QColor(255, 228, 236), 70, 7);
  // A low hill line and a frame.
  QPainterPath hill;
  hill.moveTo(0, 135);
  hill.cubicTo(150, 108, 420, 122, 600, 104);
  hill.lineTo(600, 135);
  hill.closeSubpath();
  p.setBrush(QColor(255, 255, 255, 110));
  p.setPen(Qt::NoPen);
  p.drawPath(hill);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(230, 110, 150), 3));
  p.drawRect(QRectF(1.5, 1.5, 597, 132));
  p.setPen(QPen(QColor(255, 255, 255, 200), 1));
  p.drawRect(QRectF(4.5, 4.5, 591, 126));
  return image;
}

QImage SettingsBackground() {
  QImage image = NewImage(292, 267);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  Sky(p, image.rect(), QColor(255, 232, 240), QColor(220, 236, 255), 45, 11);
  // Lace-like band along the bottom where the buttons sit.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 150));
  p.drawRect(QRectF(0, 230, 292, 37));
  for (int x = 0; x < 292; x += 12) p.drawEllipse(QPointF(x + 6, 230), 6, 4);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(230, 140, 170), 2));
  p.drawRect(QRectF(1, 1, 290, 265));
  return image;
}

QImage Logo() {
  QImage image = NewImage(73, 33);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(image.rect(), Qt::black);
  QLinearGradient g(0, 4, 0, 30);
  g.setColorAt(0, QColor(255, 200, 230));
  g.setColorAt(1, QColor(200, 90, 160));
  QFont f("DejaVu Serif");
  f.setPixelSize(21);
  f.setBold(true);
  f.setItalic(true);
  QPainterPath text;
  text.addText(QPointF(7, 24), f, "Nivre");
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawPath(text);
  p.setPen(QPen(QColor(200, 90, 160), 1));
  p.drawLine(QPointF(8, 28.5), QPointF(66, 28.5));
  return image;
}

QImage FolderGlyph() {
  QImage image = NewImage(16, 16, true);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(170, 120, 20), 1));
  p.setBrush(QColor(250, 205, 90));
  p.drawRoundedRect(QRectF(1.5, 3.5, 6, 3), 1, 1);
  p.setBrush(QColor(255, 220, 120));
  p.drawRoundedRect(QRectF(1.5, 5.5, 13, 8.5), 1.2, 1.2);
  return image;
}

QImage SearchGlyph() {
  QImage image = NewImage(16, 16, true);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 80, 160), 2));
  p.setBrush(QColor(200, 225, 255));
  p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
  p.setPen(QPen(QColor(40, 80, 160), 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(10, 10), QPointF(14, 14));
  return image;
}

}  // namespace

// The desktop's icon theme files: DIR/hicolor/NxN/apps/vpcounter.png.
bool WriteThemeIcons(const QString& dir) {
  bool ok = true;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = dir + QString("/hicolor/%1x%1/apps").arg(size);
    QDir().mkpath(folder);
    ok &= Save(Icon(size), folder + "/vpcounter.png");
  }
  return ok;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--icons"))
    return WriteThemeIcons(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources");
  QDir().mkpath(dir);
  bool ok = true;
  for (int c = 0; c < 6; ++c) {
    ok &= Save(Chip(c), dir + QString("/chip%1.png").arg(c));
    ok &= Save(NamePlate(c), dir + QString("/name%1.png").arg(c));
  }
  ok &= Save(Icon(), dir + "/icon.png");
  ok &= Save(CounterBackground(), dir + "/counter_background.png");
  ok &= Save(SettingsBackground(), dir + "/settings_background.png");
  ok &= Save(Logo(), dir + "/logo.png");
  ok &= Save(FolderGlyph(), dir + "/glyph_folder.png");
  ok &= Save(SearchGlyph(), dir + "/glyph_search.png");
  return ok ? 0 : 1;
}
