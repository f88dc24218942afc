#include "settings/ui/startup_calendar_window.h"

#include <QAccessible>
#include <QDir>
#include <QKeyEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>

#include "platform/files.h"
#include "settings/ui/dialog_keys.h"
#include "settings/ui/year_grid.h"
#include "state/notices.h"
#include "shell/ui/decorative.h"
#include "shell/ui/fonts.h"
#include "shell/ui/message_box.h"

namespace vp::settings {

namespace {

const char* const kShadeTexts[kShades] = {"0 回", "1 回", "2 回", "3〜4 回", "5 回以上"};

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// Start-ups by hour of day, one bar an hour, the hours 0, 6, 12 and 18 named.
class HourBars : public QWidget {
 public:
  explicit HourBars(QWidget* parent) : QWidget(parent) {
    setObjectName("barHours");
    setAccessibleName(QStringLiteral("時間帯別の起動回数"));
  }
  void Show(const CalendarYear& year) {
    hours_ = year.perHour;
    update();
  }
  QSize sizeHint() const override {
    const QFontMetrics fm(font());
    return {24 * (fm.horizontalAdvance(QStringLiteral("00")) + 4), fm.height() * 5};
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QFontMetrics fm(font());
    const int most = *std::max_element(hours_.begin(), hours_.end());
    const int labels = fm.height() + 2, top = fm.height() + 2;
    const int barArea = height() - labels - top;
    const double slot = width() / 24.0;
    for (int h = 0; h < 24; ++h) {
      const int x = static_cast<int>(h * slot);
      const int w = std::max(2, static_cast<int>(slot) - 3);
      const int barHeight = most > 0 ? barArea * hours_[static_cast<std::size_t>(h)] / most : 0;
      p.fillRect(x + 1, top + barArea - barHeight, w, barHeight, kShadeColours[3]);
      p.fillRect(x + 1, top + barArea, w, 1, palette().color(QPalette::Mid));
      if (hours_[static_cast<std::size_t>(h)] == most && most > 0)
        p.drawText(QRect(x - 10, top + barArea - barHeight - fm.height(), w + 20, fm.height()), Qt::AlignCenter,
                   QString::number(most));
      if (h % 6 == 0)
        p.drawText(QRect(x, height() - labels, static_cast<int>(slot * 3), labels), Qt::AlignLeft | Qt::AlignBottom,
                   QString::number(h) + QStringLiteral("時"));
    }
  }

 private:
  std::array<int, 24> hours_{};
};

TfrmCalendar::TfrmCalendar(QWidget* owner, const SettingsSession& session)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), session_(session) {
  setWindowTitle(QStringLiteral("起動カレンダー"));
  setFont(shell::PGothicFont());
  log_ = session_.StartupLog();
  platform::LocalTime today;
  platform::BreakDownLocal(session_.Now(), today);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* yearLabel = new QLabel(QStringLiteral("表示する年(&Y):"), this);
  cbxYear_ = new QComboBox(this);
  cbxYear_->setObjectName("cbxYear");
  yearLabel->setBuddy(cbxYear_);
  for (int year : CalendarYears(log_.startups, session_.history(), today.year))
    cbxYear_->addItem(QString::number(year) + QStringLiteral("年"), year);
  top->addWidget(yearLabel);
  top->addWidget(cbxYear_);
  top->addStretch();
  layout->addLayout(top);

  grid_ = new YearGrid(this);
  layout->addWidget(grid_);
  lblDay_ = new QLabel(this);
  lblDay_->setObjectName("lblDay");
  layout->addWidget(lblDay_);
  grid_->onDayFocused = [this](const QString& text) {
    lblDay_->setText(QStringLiteral("選んだ日: ") + text + QStringLiteral("（矢印キーで移動）"));
  };
  auto* legend = new QHBoxLayout;
  legend->addStretch();
  for (int shade = 0; shade < kShades; ++shade) {
    auto* swatch = new QLabel(this);
    const int side = fontMetrics().height() * 3 / 4;
    QPixmap box(side, side);
    box.fill(kShadeColours[shade]);
    QPainter edge(&box);
    edge.setPen(kShadeEdge);
    edge.drawRect(0, 0, side - 1, side - 1);
    edge.end();
    swatch->setPixmap(box);
    shell::MarkDecorative(swatch);
    legend->addWidget(swatch);
    legend->addWidget(new QLabel(QString::fromUtf8(kShadeTexts[shade]), this));
    legend->addSpacing(6);
  }
  layout->addLayout(legend);

  lblTotal_ = new QLabel(this);
  lblRun_ = new QLabel(this);
  lblBusiest_ = new QLabel(this);
  for (QLabel* label : {lblTotal_, lblRun_, lblBusiest_}) layout->addWidget(label);
  lblTotal_->setObjectName("lblTotal");
  lblRun_->setObjectName("lblRun");
  lblBusiest_->setObjectName("lblBusiest");

  layout->addWidget(new QLabel(QStringLiteral("時間帯別の起動回数"), this));
  hours_ = new HourBars(this);
  layout->addWidget(hours_);

  lblNote_ = new QLabel(this);
  lblNote_->setObjectName("lblNote");
  lblProblems_ = new QLabel(this);
  lblProblems_->setObjectName("lblProblems");
  for (QLabel* label : {lblNote_, lblProblems_}) {
    label->setWordWrap(true);
    layout->addWidget(label);
  }

  auto* buttons = new QHBoxLayout;
  btnExport_ = new QPushButton(QStringLiteral("CSVに書き出す(&E)..."), this);
  btnExport_->setObjectName("btnExport");
  btnExport_->setEnabled(!log_.startups.empty());
  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  close->setObjectName("btnClose");
  close->setDefault(true);
  lblExported_ = new QLabel(this);
  lblExported_->setObjectName("lblExported");
  lblExported_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  buttons->addWidget(btnExport_);
  buttons->addWidget(lblExported_);
  buttons->addStretch();
  buttons->addWidget(close);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  EnterPressesFocusedButton(this);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnExport_, &QPushButton::clicked, this, &TfrmCalendar::ExportCsv);
  connect(cbxYear_, &QComboBox::currentIndexChanged, this,
          [this](int index) { ShowYear(cbxYear_->itemData(index).toInt()); });
  cbxYear_->setCurrentIndex(cbxYear_->findData(today.year));
  ShowYear(today.year);
}

void TfrmCalendar::ShowYear(int year) {
  shown_ = BuildCalendarYear(log_.startups, year);
  shown_.unvouched = UnvouchedDays(log_.startups, session_.history());
  const CalendarTexts texts = DescribeCalendar(shown_, log_, session_.history());
  // The day focus starts on today in this year, else on 1 January.
  platform::LocalTime today;
  platform::BreakDownLocal(session_.Now(), today);
  const std::int64_t todayIndex = DayNumber(today.year, today.month, today.day) - shown_.firstDay;
  grid_->Show(shown_, todayIndex >= 0 && today.year == year ? static_cast<std::size_t>(todayIndex) : 0);
  hours_->Show(shown_);
  lblTotal_->setText(Text(texts.total));
  lblRun_->setText(Text(texts.longestRun));
  lblBusiest_->setText(Text(texts.busiestDay));
  lblNote_->setText(Text(texts.note));
  lblNote_->setVisible(!texts.note.empty());
  lblProblems_->setText(Text(texts.problems));
  lblProblems_->setVisible(!texts.problems.empty());
  const int index = cbxYear_->findData(year);
  if (index >= 0 && index != cbxYear_->currentIndex()) cbxYear_->setCurrentIndex(index);
}

void TfrmCalendar::ExportCsv() {
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("起動の記録をCSVに書き出す"),
                                                    QDir::home().filePath(QStringLiteral("startups.csv")),
                                                    QStringLiteral("CSV (*.csv)"));
  if (path.isEmpty()) return;
  const platform::WriteResult written = platform::WriteFileReplacing(path.toStdString(), StartupLogCsv(log_.startups));
  if (!written) {
    shell::ShowErrorBox(this, Text(state::CsvExportNotice(path.toStdString(), written.error)));
    lblExported_->clear();
    return;
  }
  lblExported_->setText(QStringLiteral("書き出しました: ") + path);
}

}  // namespace vp::settings
