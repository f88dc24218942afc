#pragma once
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "settings/settings_session.h"
#include "settings/startup_calendar.h"

namespace vp::settings {

class YearGrid;
class HourBars;

// The start-up calendar: a year of days coloured by their start-ups, the
// start-ups by hour, the longest run, the busiest day, a year selector and
// export of the log for a spreadsheet. All it shows comes from
// settings/startup_calendar.h; the log is read when the window opens.
class TfrmCalendar : public QDialog {
  Q_OBJECT
 public:
  TfrmCalendar(QWidget* owner, const SettingsSession& session);
  void ShowYear(int year);
  int ShownYear() const { return shown_.year; }

 private:
  void ExportCsv();

  const SettingsSession& session_;
  state::StartupLog log_;
  CalendarYear shown_;
  QComboBox* cbxYear_ = nullptr;
  YearGrid* grid_ = nullptr;
  HourBars* hours_ = nullptr;
  QLabel *lblTotal_ = nullptr, *lblRun_ = nullptr, *lblBusiest_ = nullptr, *lblNote_ = nullptr,
         *lblProblems_ = nullptr, *lblDay_ = nullptr, *lblExported_ = nullptr;
  QPushButton* btnExport_ = nullptr;
};

}  // namespace vp::settings
