#include "settings/ui/version_window.h"

#include <QLabel>
#include <algorithm>
#include <QPainter>
#include <QPushButton>

#include "settings/ui/dialog_placement.h"
#include "shell/run_mode.h"
#include "shell/ui/data_form.h"
#include "shell/ui/decorative.h"
#include "shell/ui/qt_bitmap.h"

namespace vp::settings {

namespace {
// A black rounded panel, outline inside the bounds.
class BlackPanel : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::black);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.drawRoundedRect(r, r.height() / 4, r.height() / 4);
  }
};

QLabel* PanelText(QWidget* parent, const QString& text, int left, int top, int width, const QColor& colour) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, Qt::black);
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->move(left, top);
  label->adjustSize();
  // Rows 12 pixels apart as designed; the whole text stays readable.
  label->resize(std::max(width, label->width()), 12);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}
}  // namespace

TfrmVer::TfrmVer(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle(QStringLiteral("バージョン情報"));
  setFixedSize(253, 93);
  auto* panel = new BlackPanel(this);
  panel->setObjectName("shpVer");
  panel->setGeometry(4, 4, 245, 57);
  shell::MarkDecorative(panel);
  auto* logo = new QLabel(this);
  logo->setObjectName("imgNivre");
  logo->setPixmap(QPixmap::fromImage(shell::ToQImage(shell::TfrmData::Artwork("logo"))));
  logo->setGeometry(8, 12, 73, 33);
  shell::MarkDecorative(logo);
  PanelText(this, QStringLiteral("Version 1.00"), 124, 32, 0, QColor(0, 255, 255))->setObjectName("lblName");
  PanelText(this, QString::fromUtf8(kMakerNotice), 48, 44, 158, QColor(0, 255, 0))->setObjectName("lblCopy");
  PanelText(this, QString::fromUtf8(shell::kApplicationTitle), 84, 20, 146, Qt::white)->setObjectName("lblTitle");
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("btnOk");
  ok->setGeometry(88, 68, 80, 21);
  ok->setDefault(true);  // Enter closes it, whichever control has the focus
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);  // Esc rejects, which closes as well
  PlaceOver(this, owner);
}

}  // namespace vp::settings
