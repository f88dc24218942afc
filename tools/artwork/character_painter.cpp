#include "character_painter.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace vp::artwork {

const Look& LookOf(int character) {
  static const Look looks[6] = {
      {QColor(240, 120, 30), QColor(196, 98, 40), QColor(150, 66, 26), QColor(200, 110, 20), QColor(255, 170, 40), 0},
      {QColor(50, 90, 190), QColor(40, 44, 78), QColor(22, 24, 48), QColor(60, 90, 170), QColor(90, 130, 220), 1},
      {QColor(0, 140, 130), QColor(40, 62, 66), QColor(20, 36, 40), QColor(0, 130, 120), QColor(0, 170, 160), 2},
      {QColor(90, 160, 60), QColor(178, 196, 120), QColor(130, 150, 80), QColor(90, 150, 60), QColor(255, 200, 220), 3},
      {QColor(230, 70, 140), QColor(250, 150, 190), QColor(214, 100, 150), QColor(210, 60, 120), QColor(255, 255, 255), 4},
      {QColor(140, 70, 180), QColor(92, 56, 120), QColor(60, 34, 84), QColor(150, 80, 190), QColor(200, 40, 70), 5},
  };
  return looks[character < 0 || character > 5 ? 0 : character];
}

namespace {

void Eye(QPainter& p, QPointF c, double s, const Look& look, Mood mood, bool left) {
  p.save();
  if (mood == Mood::Sleepy || mood == Mood::Smile) {
    // Closed, curved eyes.
    QPainterPath arc;
    double dir = mood == Mood::Sleepy ? 1 : -1;
    arc.moveTo(c.x() - s * 0.9, c.y());
    arc.quadTo(c.x(), c.y() + dir * s * 0.7, c.x() + s * 0.9, c.y());
    p.setPen(QPen(QColor(60, 40, 40), s * 0.28, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.restore();
    return;
  }
  double h = mood == Mood::Excited ? 1.35 : 1.2;
  QRectF white(c.x() - s * 0.75, c.y() - s * h, s * 1.5, s * 2 * h);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(white);
  QRadialGradient iris(c + QPointF(0, s * 0.2), s * 1.1);
  iris.setColorAt(0, look.eyes.lighter(150));
  iris.setColorAt(1, look.eyes.darker(160));
  p.setBrush(iris);
  p.drawEllipse(QRectF(c.x() - s * 0.62, c.y() - s * (h - 0.25), s * 1.24, s * 2 * (h - 0.2)));
  p.setBrush(QColor(30, 20, 30));
  p.drawEllipse(QRectF(c.x() - s * 0.3, c.y() - s * 0.25, s * 0.6, s * 0.8));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(c.x() + (left ? -0.45 : 0.05) * s, c.y() - s * 0.7, s * 0.45, s * 0.45));
  // Upper lash line, following the eye's curve.
  p.setPen(QPen(QColor(50, 30, 30), s * 0.32, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(c.x() - s * 0.95, c.y() - s * (h + 0.1), s * 1.9, s * 2 * h), 25 * 16, 130 * 16);
  p.restore();
}

void Flower(QPainter& p, QPointF c, double r, QColor colour) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  for (int i = 0; i < 5; ++i) {
    double a = i * 2 * M_PI / 5;
    p.drawEllipse(QPointF(c.x() + std::cos(a) * r, c.y() + std::sin(a) * r), r * 0.75, r * 0.75);
  }
  p.setBrush(QColor(255, 220, 80));
  p.drawEllipse(c, r * 0.55, r * 0.55);
  p.restore();
}

void Bow(QPainter& p, QPointF c, double s, QColor colour) {
  p.save();
  p.setPen(QPen(colour.darker(140), s * 0.08));
  p.setBrush(colour);
  QPainterPath left, right;
  left.moveTo(c);
  left.lineTo(c + QPointF(-s, -s * 0.6));
  left.lineTo(c + QPointF(-s, s * 0.6));
  left.closeSubpath();
  right.moveTo(c);
  right.lineTo(c + QPointF(s, -s * 0.6));
  right.lineTo(c + QPointF(s, s * 0.6));
  right.closeSubpath();
  p.drawPath(left);
  p.drawPath(right);
  p.drawEllipse(c, s * 0.25, s * 0.25);
  p.restore();
}

}  // namespace

void PaintCharacter(QPainter& p, const QRectF& box, int character, Mood mood) {
  const Look& look = LookOf(character);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double u = std::min(box.width(), box.height() * 1.1) / 10.0;  // one unit
  const QPointF head(box.center().x(), box.top() + box.height() * 0.45);
  const double hr = u * 3.2;  // head radius
  const QColor skin(255, 228, 210);
  const QColor skinShade(240, 196, 178);

  // Hair behind the head.
  p.setPen(Qt::NoPen);
  p.setBrush(look.hairShade);
  switch (look.style) {
    case 1:
    case 5:
      p.drawRoundedRect(QRectF(head.x() - hr * 1.12, head.y() - hr * 0.6, hr * 2.24, hr * 2.6), hr * 0.5, hr * 0.5);
      break;
    case 3: {
      QPainterPath wave;
      wave.moveTo(head.x() - hr * 1.15, head.y() - hr * 0.3);
      for (int i = 0; i <= 6; ++i)
        wave.lineTo(head.x() - hr * 1.15 + i * hr * 0.383, head.y() + hr * 1.9 + ((i % 2) ? hr * 0.25 : 0));
      wave.lineTo(head.x() + hr * 1.15, head.y() - hr * 0.3);
      wave.closeSubpath();
      p.drawPath(wave);
      break;
    }
    case 4:
      p.drawEllipse(QRectF(head.x() - hr * 2.0, head.y() - hr * 0.4, hr * 0.9, hr * 2.2));
      p.drawEllipse(QRectF(head.x() + hr * 1.1, head.y() - hr * 0.4, hr * 0.9, hr * 2.2));
      break;
    case 0:
      p.drawEllipse(QRectF(head.x() + hr * 0.7, head.y() - hr * 0.9, hr * 0.9, hr * 1.9));
      break;
    default: break;
  }

  // Shoulders in a school uniform with the character's colour as the tie.
  QPainterPath body;
  body.moveTo(head.x() - hr * 1.9, box.bottom() + 1);
  body.cubicTo(head.x() - hr * 1.8, head.y() + hr * 1.25, head.x() - hr * 0.8, head.y() + hr * 1.05, head.x(), head.y() + hr * 1.05);
  body.cubicTo(head.x() + hr * 0.8, head.y() + hr * 1.05, head.x() + hr * 1.8, head.y() + hr * 1.25, head.x() + hr * 1.9, box.bottom() + 1);
  body.closeSubpath();
  p.setBrush(QColor(58, 62, 96));
  p.drawPath(body);
  QPainterPath collar;
  collar.moveTo(head.x() - hr * 0.75, head.y() + hr * 1.08);
  collar.lineTo(head.x(), head.y() + hr * 1.8);
  collar.lineTo(head.x() + hr * 0.75, head.y() + hr * 1.08);
  collar.closeSubpath();
  p.setBrush(Qt::white);
  p.drawPath(collar);
  p.setBrush(look.theme);
  p.drawEllipse(QPointF(head.x(), head.y() + hr * 1.45), hr * 0.22, hr * 0.16);
  // Neck and face.
  p.setBrush(skinShade);
  p.drawRect(QRectF(head.x() - hr * 0.28, head.y() + hr * 0.6, hr * 0.56, hr * 0.5));
  p.setBrush(skin);
  QPainterPath face;
  face.moveTo(head.x() - hr * 0.95, head.y() - hr * 0.2);
  face.cubicTo(head.x() - hr * 0.95, head.y() + hr * 0.6, head.x() - hr * 0.3, head.y() + hr * 0.95, head.x(), head.y() + hr * 0.98);
  face.cubicTo(head.x() + hr * 0.3, head.y() + hr * 0.95, head.x() + hr * 0.95, head.y() + hr * 0.6, head.x() + hr * 0.95, head.y() - hr * 0.2);
  face.arcTo(QRectF(head.x() - hr * 0.95, head.y() - hr * 1.1, hr * 1.9, hr * 1.8), 0, 180);
  p.drawPath(face);

  // Fringe and crown.
  QLinearGradient hairGrad(head.x(), head.y() - hr, head.x(), head.y());
  hairGrad.setColorAt(0, look.hair.lighter(118));
  hairGrad.setColorAt(1, look.hair);
  p.setBrush(hairGrad);
  QPainterPath crown;
  crown.moveTo(head.x() - hr * 1.05, head.y() + (look.style == 2 ? hr * 0.1 : hr * 0.35));
  crown.arcTo(QRectF(head.x() - hr * 1.05, head.y() - hr * 1.2, hr * 2.1, hr * 2.0), 180, -180);
  crown.lineTo(head.x() + hr * 1.05, head.y() + (look.style == 2 ? hr * 0.1 : hr * 0.35));
  // Jagged fringe along the forehead.
  const int tips = look.style == 5 ? 1 : 5;
  for (int i = 0; i <= tips * 2; ++i) {
    double x = head.x() + hr * 0.95 - i * (hr * 1.9 / (tips * 2));
    double y = head.y() - hr * ((i % 2) ? 0.05 : 0.35);
    if (look.style == 5) y = head.y() - hr * 0.12;  // straight hime fringe
    crown.lineTo(x, y);
  }
  crown.closeSubpath();
  p.drawPath(crown);
  // Shine on the hair.
  p.setPen(QPen(look.hair.lighter(150), hr * 0.08, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(head.x() - hr * 0.7, head.y() - hr * 0.95, hr * 1.4, hr * 0.8), 30 * 16, 120 * 16);
  p.setPen(Qt::NoPen);

  // Style details.
  switch (look.style) {
    case 0:  // ribbon on the ponytail
      Bow(p, QPointF(head.x() + hr * 0.95, head.y() - hr * 0.8), hr * 0.35, look.accent);
      break;
    case 3:
      Flower(p, QPointF(head.x() - hr * 0.7, head.y() - hr * 0.75), hr * 0.17, look.accent);
      break;
    case 4:
      p.setBrush(look.accent);
      p.drawEllipse(QPointF(head.x() - hr * 1.0, head.y() - hr * 0.55), hr * 0.16, hr * 0.16);
      p.drawEllipse(QPointF(head.x() + hr * 1.0, head.y() - hr * 0.55), hr * 0.16, hr * 0.16);
      break;
    case 5:
      Bow(p, QPointF(head.x(), head.y() - hr * 1.05), hr * 0.45, look.accent);
      break;
    default: break;
  }

  // Eyes, cheeks, mouth.
  const double es = hr * 0.19;
  Eye(p, QPointF(head.x() - hr * 0.42, head.y() + hr * 0.2), es, look, mood, true);
  Eye(p, QPointF(head.x() + hr * 0.42, head.y() + hr * 0.2), es, look, mood, false);
  if (look.style == 1) {  // glasses
    p.setPen(QPen(QColor(70, 70, 90), hr * 0.06));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(head.x() - hr * 0.72, head.y() - hr * 0.05, hr * 0.58, hr * 0.48), hr * 0.12, hr * 0.12);
    p.drawRoundedRect(QRectF(head.x() + hr * 0.14, head.y() - hr * 0.05, hr * 0.58, hr * 0.48), hr * 0.12, hr * 0.12);
    p.drawLine(QPointF(head.x() - hr * 0.14, head.y() + hr * 0.12), QPointF(head.x() + hr * 0.14, head.y() + hr * 0.12));
    p.setPen(Qt::NoPen);
  }
  QColor blush(255, 140, 150, mood == Mood::Shy || mood == Mood::Festive ? 170 : 90);
  p.setBrush(blush);
  p.drawEllipse(QPointF(head.x() - hr * 0.6, head.y() + hr * 0.55), hr * 0.17, hr * 0.09);
  p.drawEllipse(QPointF(head.x() + hr * 0.6, head.y() + hr * 0.55), hr * 0.17, hr * 0.09);
  p.setPen(QPen(QColor(150, 60, 60), hr * 0.06, Qt::SolidLine, Qt::RoundCap));
  if (mood == Mood::Excited || mood == Mood::Festive) {
    p.setBrush(QColor(220, 90, 100));
    QPainterPath mouth;
    mouth.moveTo(head.x() - hr * 0.16, head.y() + hr * 0.62);
    mouth.quadTo(head.x(), head.y() + hr * 0.88, head.x() + hr * 0.16, head.y() + hr * 0.62);
    mouth.closeSubpath();
    p.drawPath(mouth);
  } else if (mood == Mood::Sleepy) {
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(head.x(), head.y() + hr * 0.7), hr * 0.06, hr * 0.05);
  } else {
    p.setBrush(Qt::NoBrush);
    double curve = mood == Mood::Shy ? 0.02 : 0.1;
    QPainterPath mouth;
    mouth.moveTo(head.x() - hr * 0.12, head.y() + hr * 0.65);
    mouth.quadTo(head.x(), head.y() + hr * (0.65 + curve), head.x() + hr * 0.12, head.y() + hr * 0.65);
    p.drawPath(mouth);
  }
  p.setPen(Qt::NoPen);
  if (mood == Mood::Sleepy) {
    QFont f("IPAGothic");
    f.setPixelSize(static_cast<int>(hr * 0.45));
    f.setBold(true);
    p.setFont(f);
    p.setPen(look.theme.darker(120));
    p.drawText(QPointF(head.x() + hr * 0.9, head.y() - hr * 0.7), "z");
    p.drawText(QPointF(head.x() + hr * 1.2, head.y() - hr * 1.0), "Z");
  }
  if (mood == Mood::Festive) {
    p.setBrush(QColor(255, 230, 90));
    for (int i = 0; i < 4; ++i) {
      QPointF c(head.x() + (i % 2 ? 1 : -1) * hr * (1.3 + 0.1 * i), head.y() - hr * (0.9 - 0.45 * i));
      QPainterPath star;
      for (int k = 0; k < 8; ++k) {
        double a = k * M_PI / 4;
        double r = (k % 2) ? hr * 0.05 : hr * 0.16;
        QPointF pt(c.x() + std::cos(a) * r, c.y() + std::sin(a) * r);
        if (k == 0) star.moveTo(pt);
        else star.lineTo(pt);
      }
      star.closeSubpath();
      p.drawPath(star);
    }
  }
  p.restore();
}

}  // namespace vp::artwork
