#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QMessageBox>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <memory>

#include "platform/files.h"
#include "settings/settings_session.h"
#include "settings/ui/detailed_settings_dialog.h"
#include "settings/ui/folder_dialog.h"
#include "settings/ui/profile_window.h"
#include "settings/ui/startup_calendar_window.h"
#include "settings/ui/version_window.h"
#include "shell/ui/data_form.h"
#include "shell/ui/message_box.h"
#include "state/history.h"
#include "state/settings.h"
#include "test_support.h"

namespace vp::settings {
namespace {

class Dialogs : public ::testing::Test {
 protected:
  test::Sandbox box;
  QWidget owner;
  std::unique_ptr<shell::TfrmData> data;
  std::vector<QString> messages;
  bool answer = false;
  state::Settings settings;

  void SetUp() override {
    data = std::make_unique<shell::TfrmData>();
    owner.setGeometry(100, 100, 292, 267);
    shell::SetMessageHandlerForTesting([this](shell::MessageKind, const QString&, const QString& text) {
      messages.push_back(text);
      return answer;
    });
  }
  void TearDown() override { shell::SetMessageHandlerForTesting({}); }

  template <class T>
  T* Find(QObject* w, const char* name) {
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  void Click(QObject* w, const char* name) { Find<QAbstractButton>(w, name)->click(); }
};

TEST(Translations, StandardButtonsAreJapanese) {
  QMessageBox box(QMessageBox::Warning, "t", "x", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい"))) << box.button(QMessageBox::Yes)->text().toStdString();
  EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
  EXPECT_TRUE(box.button(QMessageBox::Cancel)->text().startsWith(QStringLiteral("キャンセル")));
}

// A screen reader reads a box's message when it appears, not only its title.
TEST(ErrorBox, AnnouncesItsMessage) {
  QWidget owner;
  owner.setWindowTitle(QStringLiteral("設定"));
  QString described, named;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
      described = a->text(QAccessible::Description);
      named = a->text(QAccessible::Name);
      box->accept();
    }
  });
  shell::ShowErrorBox(&owner, QStringLiteral("設定を保存できませんでした。\nディスクの空きを増やして下さい。"));
  EXPECT_EQ(described, QStringLiteral("設定を保存できませんでした。\nディスクの空きを増やして下さい。"));
  EXPECT_EQ(named, QStringLiteral("設定"));
}

TEST_F(Dialogs, DetailedSettingsShowAndStoreTheRecord) {
  auto& s = settings;
  s.usewave = "101111";
  s.wave = 1;
  s.rand = 3;
  s.dirwave = "/games/vp";
  {
    TfrmInit dialog(&owner, settings, box.registry());
    EXPECT_EQ(Find<QLineEdit>(&dialog, "edtDir")->text(), QStringLiteral("/games/vp"));
    EXPECT_FALSE(Find<QCheckBox>(&dialog, "chkWave1")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(&dialog, "chkWave2")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(&dialog, "rbtRand3")->isChecked());
    EXPECT_EQ(Find<QSpinBox>(&dialog, "updTimer")->value(), 5);
    // Voices off: the boxes are disabled but keep their marks.
    Find<QCheckBox>(&dialog, "chkWave")->click();
    EXPECT_FALSE(Find<QCheckBox>(&dialog, "chkWave0")->isEnabled());
    EXPECT_FALSE(Find<QCheckBox>(&dialog, "chkRepl")->isEnabled());
    Click(&dialog, "bbtOk");
  }
  EXPECT_EQ(s.wave, 0);
  EXPECT_EQ(s.usewave, "101111");
  EXPECT_EQ(s.rand, 3);
}

TEST_F(Dialogs, NicknamesAtOnceAndCancelStoresNothing) {
  auto& s = settings;
  TfrmInit dialog(&owner, settings, box.registry());
  EXPECT_EQ(Find<QCheckBox>(&dialog, "chkWave2")->text(), QStringLiteral("桐生 葵"));
  Find<QCheckBox>(&dialog, "chkName")->click();
  EXPECT_EQ(Find<QCheckBox>(&dialog, "chkWave2")->text(), QStringLiteral("アオ"));
  EXPECT_FALSE(Find<QRadioButton>(&dialog, "rbtRand1")->isEnabled());
  EXPECT_TRUE(Find<QRadioButton>(&dialog, "rbtRand1")->isChecked());  // rand 0: the first by default
  Click(&dialog, "bbtCancel");
  EXPECT_EQ(s.name, 0);
}

TEST_F(Dialogs, VoicesWithoutAGameFolderAsk) {
  auto& s = settings;
  TfrmInit dialog(&owner, settings, box.registry());
  dialog.show();
  Find<QCheckBox>(&dialog, "chkWave")->click();
  Click(&dialog, "bbtOk");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("音声を再生させる場合は")));
  EXPECT_EQ(s.wave, 0);  // No: nothing stored, the dialog stays
  EXPECT_TRUE(dialog.isVisible());
  answer = true;
  Click(&dialog, "bbtOk");
  EXPECT_EQ(s.wave, 1);
}

TEST_F(Dialogs, SpinBoxesNeverLeaveTheirRanges) {
  TfrmInit dialog(&owner, settings, box.registry());
  auto* timer = Find<QSpinBox>(&dialog, "updTimer");
  auto* delay = Find<QSpinBox>(&dialog, "updDelay");
  timer->setValue(0);
  delay->setValue(12);
  EXPECT_EQ(timer->value(), 1);
  EXPECT_EQ(delay->value(), 9);
  timer->selectAll();
  QTest::keyClicks(timer, "0");
  QTest::keyClick(timer, Qt::Key_Tab);
  EXPECT_GE(timer->value(), 1);
}

TEST_F(Dialogs, GameFolderDialogTakesTheOpenFolderNotTheHighlightedRow) {
  const std::string game = box.work() / "game";
  platform::CreateFolders(game + "/sub");
  test::WriteFile(game + "/VerbellePlus.exe", "");
  settings.dirwave = game;
  {
    TfrmDir dialog(&owner, settings, box.registry());
    EXPECT_EQ(dialog.OpenFolder(), game);
    auto* list = Find<QListWidget>(&dialog, "dlbDir");
    list->setCurrentRow(list->count() - 1);  // highlight "sub" without opening it
    Click(&dialog, "btnOk");
    EXPECT_TRUE(messages.empty());  // the folder holds the game: no question
  }
  EXPECT_EQ(settings.dirwave, game);

  // A folder without the executable: asked, and No keeps the dialog open.
  {
    TfrmDir dialog(&owner, settings, box.registry());
    dialog.show();
    ASSERT_TRUE(dialog.OpenFolderPath(game + "/sub"));
    Click(&dialog, "btnOk");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(settings.dirwave, game);
  }
}

TEST_F(Dialogs, AutoSearchThenCancelLeavesTheFolder) {
  const std::string game = box.work() / "found";
  platform::CreateFolders(game);
  test::WriteFile(game + "/VerbellePlus.exe", "");
  settings.dirwave = box.work().path();
  TfrmDir dialog(&owner, settings, box.registry());
  Click(&dialog, "bbtReg");  // no install key yet
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("ヴェルベル・プラスの自動検索に失敗しました。")));
  box.WriteReg(platform::RegRoot::LocalMachine,
               "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QOTA_CORP\\VerbellePlus]\n\"install\"=\"" + game + "\"\n");
  Click(&dialog, "bbtReg");
  EXPECT_EQ(dialog.OpenFolder(), game);
  Click(&dialog, "btnCancel");
  EXPECT_EQ(settings.dirwave, box.work().path());
}

TEST_F(Dialogs, ProfileWindowStepsAndRedrawsOnlyOnChange) {
  TfrmGirl dialog(&owner, *data, settings.name);
  EXPECT_EQ(dialog.Current(), 0);
  EXPECT_EQ(Find<QLabel>(&dialog, "lblName1")->text(), QStringLiteral("水城 灯"));
  EXPECT_EQ(dialog.PictureDraws(), 1);
  for (int i = 0; i < 6; ++i) Click(&dialog, "bbtChar0");
  EXPECT_EQ(dialog.Current(), 0);
  EXPECT_EQ(dialog.PictureDraws(), 7);
  auto* chip = Find<QLabel>(&dialog, "imgChar0");
  QTest::mouseClick(chip, Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_EQ(dialog.Current(), 0);
  auto* menu = Find<QMenu>(&dialog, "pumChar");
  ASSERT_EQ(menu->actions().size(), 6);
  EXPECT_TRUE(menu->actions()[0]->isChecked());
  menu->actions()[0]->trigger();  // the same character: nothing redrawn
  EXPECT_EQ(dialog.PictureDraws(), 7);
  menu->actions()[3]->trigger();
  EXPECT_EQ(Find<QLabel>(&dialog, "lblHeight1")->text(), QStringLiteral("150cm"));
  EXPECT_EQ(Find<QLabel>(&dialog, "lblWeight1")->text(), QStringLiteral("41.25kg"));
  EXPECT_EQ(Find<QLabel>(&dialog, "lblBirth1")->text(), QStringLiteral("2月 29日 (魚座)"));
  QTest::mouseClick(chip, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(dialog.Current(), 4);
  QTest::mousePress(chip, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(chip, Qt::LeftButton, {}, QPoint(200, 5));
  EXPECT_EQ(dialog.Current(), 4);
  Click(&dialog, "bbtChar0");  // 春野 紬: class and club on two lines
  EXPECT_EQ(Find<QLabel>(&dialog, "lblKumi1")->text(), QStringLiteral("3年A組"));
  EXPECT_FALSE(Find<QLabel>(&dialog, "lblClub1")->text().isEmpty());
}

TEST_F(Dialogs, VersionWindowClosesWithOkAndEsc) {
  TfrmVer dialog(&owner);
  dialog.show();
  EXPECT_EQ(Find<QLabel>(&dialog, "lblName")->text(), QStringLiteral("Version 1.00"));
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  dialog.show();
  Click(&dialog, "btnOk");
  EXPECT_FALSE(dialog.isVisible());
  // OK is the default button: Enter closes it.
  dialog.show();
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
}

// Every control a screen reader can land on says what it is, in Japanese.
void ExpectEveryControlNamed(QWidget* window) {
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (w->focusPolicy() == Qt::NoFocus && !qobject_cast<QLabel*>(w)) continue;
    if (qobject_cast<QAbstractSpinBox*>(w->parentWidget())) continue;  // the box itself is named
    if (qobject_cast<QAbstractSpinBox*>(w) && w->accessibleName().isEmpty())
      ADD_FAILURE() << "spin box without a name: " << w->objectName().toStdString();
    auto* label = qobject_cast<QLabel*>(w);
    if (label && !label->pixmap().isNull() && label->accessibleName().isEmpty())
      ADD_FAILURE() << "picture without a name: " << w->objectName().toStdString();
    if (label) continue;
    QString name = w->accessibleName();
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && name.isEmpty()) name = button->text();
    if (name.isEmpty() && (qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w) ||
                           qobject_cast<QListWidget*>(w) || qobject_cast<QLineEdit*>(w)))
      ADD_FAILURE() << "control without a name: " << w->metaObject()->className() << " " << w->objectName().toStdString();
  }
}

TEST_F(Dialogs, ControlsHaveNamesTheFocusStartsOnTheFirstAndIsMarked) {
  TfrmInit init(&owner, settings, box.registry());
  init.show();
  QApplication::setActiveWindow(&init);
  EXPECT_EQ(init.focusWidget(), Find<QWidget>(&init, "bbtDir"));
  ExpectEveryControlNamed(&init);
  TfrmDir folder(&owner, settings, box.registry());
  ExpectEveryControlNamed(&folder);
  EXPECT_TRUE(folder.testAttribute(Qt::WA_KeyboardFocusChange));
  TfrmGirl girl(&owner, *data, settings.name);
  ExpectEveryControlNamed(&girl);
  EXPECT_TRUE(girl.testAttribute(Qt::WA_KeyboardFocusChange));
  EXPECT_FALSE(Find<QWidget>(&girl, "bbtChar0")->accessibleName().isEmpty());
}

// Enter on a focused button presses that button; the default takes Enter
// only while no button has the focus.
TEST_F(Dialogs, EnterPressesTheFocusedButtonInEveryDialog) {
  auto enterOn = [](QDialog& dialog, QWidget* target) {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    target->setFocus(Qt::TabFocusReason);
    QTest::keyClick(target, Qt::Key_Return);
  };
  {
    TfrmInit init(&owner, settings, box.registry());
    Find<QSpinBox>(&init, "updTimer")->setValue(3);
    enterOn(init, Find<QPushButton>(&init, "bbtCancel"));
    EXPECT_EQ(init.result(), QDialog::Rejected);
    EXPECT_NE(settings.timer, 3) << "Enter on Cancel applied the edits";
  }
  {
    TfrmInit init(&owner, settings, box.registry());
    Find<QSpinBox>(&init, "updTimer")->setValue(3);
    enterOn(init, Find<QCheckBox>(&init, "chkName"));  // no button focused: the default, OK
    EXPECT_EQ(init.result(), QDialog::Accepted);
    EXPECT_EQ(settings.timer, 3);
  }
  {
    TfrmDir folder(&owner, settings, box.registry());
    enterOn(folder, Find<QPushButton>(&folder, "btnCancel"));
    EXPECT_FALSE(folder.isVisible());
    EXPECT_EQ(folder.result(), QDialog::Rejected);
  }
  {
    TfrmGirl girl(&owner, *data, settings.name);
    const QString before = Find<QLabel>(&girl, "lblName1")->text();
    enterOn(girl, Find<QPushButton>(&girl, "bbtChar0"));
    EXPECT_NE(Find<QLabel>(&girl, "lblName1")->text(), before) << "Enter on the name button did nothing";
    enterOn(girl, Find<QPushButton>(&girl, "btnClose"));
    EXPECT_FALSE(girl.isVisible());
  }
}

// The three choices are read left, right, then the line below: arrows follow that.
TEST_F(Dialogs, ArrowsInTheRandomGroupFollowTheButtonsOnScreen) {
  settings.rand = 1;
  TfrmInit init(&owner, settings, box.registry());
  init.show();
  QApplication::setActiveWindow(&init);
  QRadioButton* r[3] = {Find<QRadioButton>(&init, "rbtRand1"), Find<QRadioButton>(&init, "rbtRand2"),
                        Find<QRadioButton>(&init, "rbtRand3")};
  r[0]->setFocus(Qt::TabFocusReason);
  QTest::keyClick(r[0], Qt::Key_Down);
  EXPECT_TRUE(r[1]->hasFocus());
  EXPECT_TRUE(r[1]->isChecked());
  QTest::keyClick(r[1], Qt::Key_Down);
  EXPECT_TRUE(r[2]->hasFocus());
  QTest::keyClick(r[2], Qt::Key_Up);
  EXPECT_TRUE(r[1]->hasFocus());
  QTest::keyClick(r[1], Qt::Key_Left);
  EXPECT_TRUE(r[0]->hasFocus());
  EXPECT_TRUE(r[0]->isChecked());
  EXPECT_TRUE(init.testAttribute(Qt::WA_KeyboardFocusChange));  // the first focus is marked
}

// The days of the calendar are reached by keyboard, each read as its date and count.
TEST_F(Dialogs, TheCalendarsDaysAreReachedByKeyboard) {
  SettingsSession session(box.registry(), "/opt/vp/", box.work().path() + "/", false,
                          [] { return test::LocalTimeValue(2026, 12, 8, 12, 0); });
  test::WriteFile(box.work() / "startups-2026.log", "2026-12-08T09:00:00+09:00\n2026-12-08T10:00:00+09:00\n");
  session.Load();
  TfrmCalendar calendar(&owner, session);
  calendar.show();
  QApplication::setActiveWindow(&calendar);
  auto* grid = Find<QWidget>(&calendar, "grdYear");
  EXPECT_EQ(grid->focusPolicy(), Qt::StrongFocus);
  grid->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(grid->accessibleDescription().startsWith(QStringLiteral("2026/12/08（火）: 2 回")))
      << grid->accessibleDescription().toStdString();
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_TRUE(grid->accessibleDescription().startsWith(QStringLiteral("2026/12/09（水）: 0 回")));
  QTest::keyClick(grid, Qt::Key_Left);
  EXPECT_TRUE(grid->accessibleDescription().startsWith(QStringLiteral("2026/12/02")));
  EXPECT_TRUE(Find<QLabel>(&calendar, "lblDay")->text().contains(QStringLiteral("2026/12/02")));
  QTest::keyClick(grid, Qt::Key_End);
  EXPECT_TRUE(grid->accessibleDescription().startsWith(QStringLiteral("2026/12/31")));

  // A screen reader walks it as a table: weekdays down, weeks across.
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->role(), QAccessible::Table);
  QAccessibleTableInterface* cells = table->tableInterface();
  ASSERT_NE(cells, nullptr);
  EXPECT_EQ(cells->rowCount(), 7);
  EXPECT_EQ(cells->columnCount(), 53);  // 2026 begins on a Thursday
  EXPECT_EQ(cells->cellAt(0, 0), nullptr);  // the Sunday before 1 January
  QAccessibleInterface* first = cells->cellAt(4, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->text(QAccessible::Name).startsWith(QStringLiteral("2026/01/01"))) << first->text(QAccessible::Name).toStdString();
  EXPECT_EQ(table->childCount(), 365);
  QAccessibleInterface* focused = table->focusChild();
  ASSERT_NE(focused, nullptr);
  EXPECT_TRUE(focused->text(QAccessible::Name).startsWith(QStringLiteral("2026/12/31")));
  EXPECT_TRUE(focused->state().focused);
  EXPECT_EQ(focused->tableCellInterface()->rowIndex(), 4);
  EXPECT_EQ(table->indexOfChild(focused), 364);
  // The legend's swatches only decorate: hidden, where their texts are read.
  int swatches = 0;
  for (QLabel* label : calendar.findChildren<QLabel*>()) {
    if (label->pixmap().isNull()) continue;
    ++swatches;
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(label)->state().invisible);
  }
  EXPECT_EQ(swatches, 5);
  // Another year: the cells read the new year, and 2024 has 366 days.
  calendar.ShowYear(2024);
  EXPECT_EQ(table->childCount(), 366);
  EXPECT_TRUE(cells->cellAt(1, 0)->text(QAccessible::Name).startsWith(QStringLiteral("2024/01/01")));
}

}  // namespace
}  // namespace vp::settings

namespace vp::settings {
namespace {

// Every visible control of the window inside it and apart from the others.
std::string Overlaps(QWidget& window) {
  std::vector<QWidget*> parts;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisible() || w->parentWidget() != &window) continue;
    if (qobject_cast<QMenu*>(w)) continue;
    parts.push_back(w);
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!window.rect().contains(parts[i]->geometry())) return parts[i]->objectName().toStdString() + " outside";
    for (std::size_t j = i + 1; j < parts.size(); ++j)
      if (parts[i]->geometry().intersects(parts[j]->geometry()))
        return (parts[i]->objectName() + " / " + parts[j]->objectName()).toStdString();
  }
  return "";
}

TEST_F(Dialogs, TheStartupCalendarShowsTheYearItsTextsAndFitsAtEveryFontSize) {
  const std::string work = box.work().path() + "/";
  test::WriteFile(work + "startups-2025.log", "2025-12-31T08:00:00+09:00\n");
  test::WriteFile(work + "startups-2026.log",
                  "2026-01-01T08:00:00+09:00\nbroken\n2026-01-02T21:00:00+09:00\n2026-01-02T22:00:00+09:00\n");
  state::StartHistory history;
  history.count = 30;
  history.firstTime = 1700000000;  // 2023: older than the log
  history.lastTime = 1767300000;
  test::WriteFile(work + "TALLYDAT", state::EncodeHistory(history));
  SettingsSession session(box.registry(), work, work, false, [] { return platform::TimeValue{1767400000}; });
  session.Load();
  for (int scale : {1, 2}) {
    QFont font = QApplication::font();
    font.setPixelSize(12 * scale);
    TfrmCalendar calendar(nullptr, session);
    calendar.setFont(font);
    for (QWidget* w : calendar.findChildren<QWidget*>()) w->setFont(font);
    calendar.show();
    QApplication::processEvents();
    EXPECT_EQ(calendar.ShownYear(), 2026);
    EXPECT_EQ(Overlaps(calendar), "") << "at " << scale * 100 << " %";
    auto* total = calendar.findChild<QLabel*>("lblTotal");
    EXPECT_EQ(total->text(), QStringLiteral("2026年の起動: 3 回（起動した日: 2 日）"));
    EXPECT_EQ(calendar.findChild<QLabel*>("lblRun")->text(),
              QStringLiteral("最長連続: 3 日（2025/12/31〜2026/01/02）"));
    EXPECT_TRUE(calendar.findChild<QLabel*>("lblNote")->isVisible());
    EXPECT_TRUE(calendar.findChild<QLabel*>("lblProblems")->text().contains(QStringLiteral("1 行")));
    auto* years = calendar.findChild<QComboBox*>("cbxYear");
    ASSERT_EQ(years->count(), 3);  // the history's first year, the log's years
    years->setCurrentIndex(years->findData(2025));
    EXPECT_EQ(calendar.ShownYear(), 2025);
    EXPECT_EQ(total->text(), QStringLiteral("2025年の起動: 1 回（起動した日: 1 日）"));
    EXPECT_EQ(Overlaps(calendar), "") << "at " << scale * 100 << " %, 2025";
  }
}

}  // namespace
}  // namespace vp::settings
