#pragma once
#include <QColor>
#include <QWidget>
#include <functional>

#include "settings/startup_calendar.h"

namespace vp::settings {

// The legend's shades, from no start-up to five or more, and the cells' edge.
extern const QColor kShadeColours[kShades];
extern const QColor kShadeEdge;

// A year as weeks (columns, Sunday on top) of day cells; sizes follow the font
// so that the grid grows with it and with the screen's scale. Arrow keys move
// a day focus; screen readers see a table of weekdays by weeks.
class YearGrid : public QWidget {
 public:
  explicit YearGrid(QWidget* parent);
  void Show(const CalendarYear& year, std::size_t focusDay);
  // Told when the day focus moves: the day's date and count.
  std::function<void(const QString&)> onDayFocused;
  QString FocusedDayText() const;

  // The table a screen reader walks: 7 rows (Sunday first), one column a week.
  int Weeks() const;
  int DayCount() const;
  int DayAt(int row, int column) const;  // -1 outside the year
  int RowOf(int day) const { return Offset(day) % 7; }
  int ColumnOf(int day) const { return Offset(day) / 7; }
  QString DayText(int day) const;
  QRect DayRect(int day) const { return CellOf(day); }
  int FocusedDay() const { return static_cast<int>(focus_); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  bool event(QEvent* e) override;

 private:
  int Step() const;
  int Left() const;
  int Top() const;
  int Offset(int day) const;
  QRect CellOf(int index) const;
  void FocusMoved();

  const CalendarYear* year_ = nullptr;
  std::size_t focus_ = 0;
};

}  // namespace vp::settings
