#include "settings/ui/year_grid.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace vp::settings {

const QColor kShadeColours[kShades] = {QColor(235, 237, 240), QColor(255, 214, 224), QColor(255, 159, 184),
                                       QColor(240, 100, 140), QColor(200, 40, 90)};
const QColor kShadeEdge(170, 170, 170);

namespace {

const char* const kWeekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};

QString Text(const std::string& s) { return QString::fromStdString(s); }

class GridAccessible;

// One day of the table; it reads its date and count from the grid each time,
// so a change of year never leaves a stale text behind.
class DayCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  DayCellAccessible(GridAccessible* table, int day) : table_(table), day_(day) {}
  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::Cell; }
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType t) override {
    return t == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
  }
  bool isSelected() const override;
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override;
  int rowIndex() const override;
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override;

 private:
  GridAccessible* table_;
  int day_;
};

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit GridAccessible(YearGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}
  ~GridAccessible() override {
    for (QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
  }
  YearGrid* grid() const { return static_cast<YearGrid*>(widget()); }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  int childCount() const override { return grid()->DayCount(); }
  QAccessibleInterface* child(int index) const override {
    return index >= 0 && index < grid()->DayCount() ? Cell(index) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (auto it = cells_.cbegin(); it != cells_.cend(); ++it)
      if (QAccessible::accessibleInterface(it.value()) == child) return it.key() < grid()->DayCount() ? it.key() : -1;
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint local = grid()->mapFromGlobal(QPoint(x, y));
    for (int day = 0; day < grid()->DayCount(); ++day)
      if (grid()->DayRect(day).contains(local)) return Cell(day);
    return nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    return grid()->hasFocus() && grid()->DayCount() > 0 ? Cell(grid()->FocusedDay()) : nullptr;
  }

  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    const int day = grid()->DayAt(row, column);
    return day >= 0 ? Cell(day) : nullptr;
  }
  int selectedCellCount() const override { return grid()->DayCount() > 0 ? 1 : 0; }
  QList<QAccessibleInterface*> selectedCells() const override {
    if (grid()->DayCount() == 0) return {};
    return {Cell(grid()->FocusedDay())};
  }
  QString columnDescription(int column) const override { return QString::number(column + 1) + QStringLiteral("週目"); }
  int columnCount() const override { return grid()->Weeks(); }
  QString rowDescription(int row) const override {
    return row >= 0 && row < 7 ? QString::fromUtf8(kWeekdays[row]) + QStringLiteral("曜日") : QString();
  }
  int rowCount() const override { return 7; }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return 0; }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override { return {}; }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int) const override { return false; }
  bool selectRow(int) override { return false; }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override {}

  QAccessibleInterface* Cell(int day) const {
    auto it = cells_.find(day);
    if (it != cells_.end()) return QAccessible::accessibleInterface(it.value());
    auto* cell = new DayCellAccessible(const_cast<GridAccessible*>(this), day);
    cells_.insert(day, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }

 private:
  mutable QHash<int, QAccessible::Id> cells_;
};

bool DayCellAccessible::isValid() const { return table_->isValid() && day_ < table_->grid()->DayCount(); }
QAccessibleInterface* DayCellAccessible::parent() const { return table_; }
QAccessibleInterface* DayCellAccessible::table() const { return table_; }
QString DayCellAccessible::text(QAccessible::Text t) const {
  return t == QAccessible::Name && isValid() ? table_->grid()->DayText(day_) : QString();
}
QRect DayCellAccessible::rect() const {
  if (!isValid()) return {};
  const QRect local = table_->grid()->DayRect(day_);
  return QRect(table_->grid()->mapToGlobal(local.topLeft()), local.size());
}
QAccessible::State DayCellAccessible::state() const {
  QAccessible::State s;
  s.focusable = true;
  s.selectable = true;
  s.focused = isValid() && table_->grid()->hasFocus() && table_->grid()->FocusedDay() == day_;
  s.selected = isSelected();
  return s;
}
bool DayCellAccessible::isSelected() const { return isValid() && table_->grid()->FocusedDay() == day_; }
int DayCellAccessible::columnIndex() const { return table_->grid()->ColumnOf(day_); }
int DayCellAccessible::rowIndex() const { return table_->grid()->RowOf(day_); }

QAccessibleInterface* GridFactory(const QString&, QObject* object) {
  if (auto* grid = dynamic_cast<YearGrid*>(object)) return new GridAccessible(grid);
  return nullptr;
}

}  // namespace

YearGrid::YearGrid(QWidget* parent) : QWidget(parent) {
  static const bool accessible = (QAccessible::installFactory(GridFactory), true);
  (void)accessible;
  setObjectName("grdYear");
  setAccessibleName(QStringLiteral("日ごとの起動回数"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

void YearGrid::Show(const CalendarYear& year, std::size_t focusDay) {
  year_ = &year;
  focus_ = std::min(focusDay, year.perDay.empty() ? 0 : year.perDay.size() - 1);
  updateGeometry();
  update();
  QAccessibleTableModelChangeEvent reset(this, QAccessibleTableModelChangeEvent::ModelReset);
  QAccessible::updateAccessibility(&reset);
  FocusMoved();
}

QString YearGrid::FocusedDayText() const { return DayText(static_cast<int>(focus_)); }

int YearGrid::DayCount() const { return year_ ? static_cast<int>(year_->perDay.size()) : 0; }
int YearGrid::Weeks() const { return DayCount() == 0 ? 0 : ColumnOf(DayCount() - 1) + 1; }
int YearGrid::DayAt(int row, int column) const {
  if (!year_ || row < 0 || row >= 7 || column < 0) return -1;
  const int day = column * 7 + row - Offset(0);
  return day >= 0 && day < DayCount() ? day : -1;
}
QString YearGrid::DayText(int day) const {
  return day >= 0 && day < DayCount() ? Text(DayCountText(*year_, static_cast<std::size_t>(day))) : QString();
}

QSize YearGrid::sizeHint() const { return {Left() + 54 * Step(), Top() + 7 * Step()}; }

void YearGrid::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QFontMetrics fm(font());
  for (int row : {1, 3, 5})
    p.drawText(QRect(0, Top() + row * Step(), Left() - 4, Step()), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromUtf8(kWeekdays[row]));
  if (!year_) return;
  int lastMonth = 0;
  for (std::size_t i = 0; i < year_->perDay.size(); ++i) {
    const QRect cell = CellOf(static_cast<int>(i));
    const CivilDate date = DateOf(year_->firstDay + static_cast<std::int64_t>(i));
    if (date.month != lastMonth) {
      lastMonth = date.month;
      p.setPen(palette().color(QPalette::WindowText));
      p.drawText(QPoint(cell.left(), fm.ascent()), QString::number(date.month) + QStringLiteral("月"));
    }
    // A thin edge keeps the palest shade apart from the window's grey.
    p.setPen(QPen(kShadeEdge, 1));
    p.setBrush(kShadeColours[ShadeOf(year_->perDay[i])]);
    p.drawRoundedRect(QRectF(cell).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    if (year_->Unvouched(i)) {
      // Hatched: the count may be short, the log missed start-ups that day.
      p.setBrush(QBrush(palette().color(QPalette::WindowText), Qt::BDiagPattern));
      p.drawRoundedRect(QRectF(cell).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    }
    if (i == focus_ && hasFocus()) {
      p.setPen(QPen(palette().color(QPalette::Highlight), 2));
      p.setBrush(Qt::NoBrush);
      p.drawRect(cell.adjusted(-1, -1, 1, 1));
    }
  }
}

void YearGrid::keyPressEvent(QKeyEvent* e) {
  if (!year_ || year_->perDay.empty()) return QWidget::keyPressEvent(e);
  const std::int64_t last = static_cast<std::int64_t>(year_->perDay.size()) - 1;
  std::int64_t to = static_cast<std::int64_t>(focus_);
  switch (e->key()) {
    case Qt::Key_Up: to -= 1; break;  // a column is a week, Sunday on top
    case Qt::Key_Down: to += 1; break;
    case Qt::Key_Left: to -= 7; break;
    case Qt::Key_Right: to += 7; break;
    case Qt::Key_Home: to = 0; break;
    case Qt::Key_End: to = last; break;
    default: return QWidget::keyPressEvent(e);
  }
  focus_ = static_cast<std::size_t>(std::clamp<std::int64_t>(to, 0, last));
  update();
  FocusMoved();
}

void YearGrid::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  update();
  FocusMoved();
}

void YearGrid::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  update();
}

bool YearGrid::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip && year_) {
    auto* help = static_cast<QHelpEvent*>(e);
    for (int i = 0; i < DayCount(); ++i) {
      if (!CellOf(i).contains(help->pos())) continue;
      QToolTip::showText(help->globalPos(), DayText(i));
      return true;
    }
    QToolTip::hideText();
    return true;
  }
  return QWidget::event(e);
}

int YearGrid::Step() const { return QFontMetrics(font()).height() * 3 / 4 + 2; }
int YearGrid::Left() const { return QFontMetrics(font()).horizontalAdvance(QStringLiteral("水")) + 6; }
int YearGrid::Top() const { return QFontMetrics(font()).height() + 2; }
// The first week starts on the Sunday before 1 January.
int YearGrid::Offset(int day) const { return (year_ ? DateOf(year_->firstDay).weekday : 0) + day; }
QRect YearGrid::CellOf(int index) const {
  const int offset = Offset(index);
  return {Left() + (offset / 7) * Step(), Top() + (offset % 7) * Step(), Step() - 2, Step() - 2};
}

void YearGrid::FocusMoved() {
  const QString text = FocusedDayText();
  // The focused day is also the grid's description, for readers that do not walk tables.
  setAccessibleDescription(text);
  if (hasFocus() && DayCount() > 0) {
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
    if (auto* cells = table ? table->tableInterface() : nullptr) {
      if (QAccessibleInterface* cell = cells->cellAt(RowOf(FocusedDay()), ColumnOf(FocusedDay()))) {
        QAccessibleEvent focus(cell, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
      }
    }
  }
  if (onDayFocused) onDayFocused(text);
}

}  // namespace vp::settings
