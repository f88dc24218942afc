#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAccessible>
#include <QCloseEvent>
#include <QWindow>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <sys/stat.h>
#include <memory>

#include "platform/executable.h"
#include "platform/desktop_entry.h"
#include "platform/files.h"
#include "settings/ui/main_window.h"
#include "settings/startup_shortcut.h"
#include "shell/ui/message_box.h"
#include "settings/statistics.h"
#include "state/history.h"
#include "state/settings.h"
#include "test_support.h"

namespace vp::settings {
namespace {

class MainWindow : public ::testing::Test {
 protected:
  test::Sandbox box;
  test::TempDir config, system;
  std::vector<QString> messages;
  bool answer = false;

  QTimer closer;
  int dialogsClosed = 0;

  void SetUp() override {
    // Modal dialogs opened by the window (the first-time set-up) are closed like Cancel.
    QObject::connect(&closer, &QTimer::timeout, [this] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        ++dialogsClosed;
        dialog->reject();
      }
    });
    closer.start(20);
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    setenv("XDG_CONFIG_DIRS", system.path().c_str(), 1);
    shell::SetMessageHandlerForTesting([this](shell::MessageKind, const QString& caption, const QString& text) {
      EXPECT_EQ(caption, QStringLiteral("ヴェルベル起動カウンター＋(プラス)の設定"));
      messages.push_back(text);
      return answer;
    });
  }
  void TearDown() override { shell::SetMessageHandlerForTesting({}); }

  // Settings saved before, as after an earlier settings-mode run.
  void SavedSettings(int char0 = 0, int char1 = 1) {
    state::Settings s;
    s.char0 = char0;
    s.char1 = char1;
    state::SaveSettings(s, box.registry());
  }
  std::unique_ptr<TfrmMain> Open() {
    auto w = std::make_unique<TfrmMain>(box.registry(), box.work().path() + "/");
    w->show();
    QTest::qWait(20);
    return w;
  }
  template <class T>
  T* Find(QObject* w, const char* name) {
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QString Text(QObject* w, const char* name) { return Find<QLabel>(w, name)->text(); }
  int StoredChar0() {
    auto key = box.registry().OpenKey(platform::RegRoot::CurrentUser, state::kSettingsKey, false);
    return key && key->ValueExists("char0") ? key->ReadInteger("char0") : -1;
  }
  void GameWithData() {
    const std::string game = box.work() / "game";
    platform::CreateFolders(game + "/HD");
    test::WriteFile(game + "/HD/fa0000R.aif", "");
    auto key = box.registry().OpenKey(platform::RegRoot::CurrentUser, state::kSettingsKey, true);
    key->WriteString("dirwave", game);
  }
};

TEST_F(MainWindow, StatisticsWithoutHistoryAndWithIt) {
  SavedSettings();
  auto w = Open();
  EXPECT_EQ(Text(w.get(), "lblInit"), "-");
  EXPECT_EQ(Text(w.get(), "lblTotal"), "0");
  EXPECT_EQ(Text(w.get(), "lblDayMax"), "-");
  w.reset();
  state::StartHistory h;
  h.firstTime = static_cast<std::int32_t>(test::LocalTimeValue(2006, 1, 5, 7, 3));
  h.lastTime = h.firstTime + 60;
  h.count = 3;
  h.dayMax = 2;
  test::WriteFile("TALLYDAT", state::EncodeHistory(h));
  w = Open();
  EXPECT_EQ(Text(w.get(), "lblInit"), "2006/01/05 07:03");
  EXPECT_EQ(Text(w.get(), "lblTotal"), "2");
  EXPECT_EQ(Text(w.get(), "lblDayMax"), "2");
  w->close();
  EXPECT_EQ(test::ReadFile("TALLYDAT"), state::EncodeHistory(h));  // never written
}

// What a screen reader needs: the lists labelled by a label of their own
// (at-spi reads a list's name from that, not from a name set in code), each
// statistics value tied to its caption, and the greyed menu items' hints shown.
TEST_F(MainWindow, ListsAndValuesAreTiedToTheirCaptionsAndMenuHintsShow) {
  SavedSettings();
  auto w = Open();
  auto labelOf = [](QWidget* control) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
    for (const auto& [other, relation] : a->relations(QAccessible::Label)) return other->text(QAccessible::Name);
    return QString();
  };
  EXPECT_EQ(labelOf(Find<QWidget>(w.get(), "cbxChar0")), QStringLiteral("左のキャラクター"));
  EXPECT_EQ(labelOf(Find<QWidget>(w.get(), "cbxChar1")), QStringLiteral("右のキャラクター"));
  EXPECT_EQ(labelOf(Find<QWidget>(w.get(), "lblTotal")), QStringLiteral("通算起動回数"));
  EXPECT_EQ(labelOf(Find<QWidget>(w.get(), "lblInit")), QStringLiteral("初回起動日時"));
  for (const char* item : {"mnuCalendar", "mnuPreview"})
    EXPECT_FALSE(Find<QAction>(w.get(), item)->toolTip().isEmpty()) << item;
  for (QMenu* menu : w->findChildren<QMenu*>()) {
    if (menu->title().startsWith(QStringLiteral("機能")) || menu->title().startsWith(QStringLiteral("ヘルプ"))) {
      EXPECT_TRUE(menu->toolTipsVisible()) << menu->title().toStdString();
    }
  }
}

// An unreadable history is shown as such, not as no history.
TEST_F(MainWindow, AnUnreadableHistoryIsNotShownAsZero) {
  SavedSettings();
  ASSERT_EQ(mkdir("TALLYDAT", 0700), 0);
  auto w = Open();
  QTest::qWait(50);
  EXPECT_EQ(Text(w.get(), "lblInit"), QString::fromUtf8(kUnreadableHistoryText));
  EXPECT_EQ(Text(w.get(), "lblTotal"), QString::fromUtf8(kUnknownValueText));
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(messages[0].contains(QStringLiteral("TALLYDAT")));
  rmdir("TALLYDAT");
}

// On a first run Escape asks, as the close box does, before closing
// without the start-up entry; No keeps the window.
TEST_F(MainWindow, OnAFirstRunEscapeAndTheCloseBoxBothAsk) {
  auto w = Open();
  QTest::qWait(80);
  messages.clear();
  answer = false;
  QApplication::setActiveWindow(w.get());
  QTest::keyClick(w.get(), Qt::Key_Escape);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_TRUE(w->isVisible());
  // The close box sends a spontaneous close event, which asks the same
  // question (closeEvent); the offscreen platform cannot send one.
  answer = true;
  QTest::keyClick(w.get(), Qt::Key_Escape);
  EXPECT_FALSE(w->isVisible());
}

TEST_F(MainWindow, EnterFromACharacterListPressesOkAndTheChipsHaveNames) {
  SavedSettings(2, 4);
  auto w = Open();
  auto* list = Find<QComboBox>(w.get(), "cbxChar0");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Return);
  // OK ran: without the game it says so and stays open.
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("ゲームのシステムファイルが見つかりません")));
  EXPECT_EQ(Find<QLabel>(w.get(), "imgChar0")->accessibleName(), QStringLiteral("左のキャラクター: 桐生 葵"));
  EXPECT_EQ(list->accessibleName(), QStringLiteral("左のキャラクター"));
}

TEST_F(MainWindow, ThePreviewShowsTheChoiceNotYetSavedAndCountsNothing) {
  SavedSettings(0, 1);
  state::StartHistory h;
  h.count = 8;
  h.firstTime = 1136412180;
  h.lastTime = 1136412180;
  test::WriteFile("TALLYDAT", state::EncodeHistory(h));
  const std::string before = test::ReadFile("TALLYDAT");
  auto w = Open();
  const std::string registryBefore = box.RegText(platform::RegRoot::CurrentUser);
  w->session().settings().char1 = 4;  // chosen, not saved
  w->mnuPreviewClick();
  counter::TfrmCount* window = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* c = qobject_cast<counter::TfrmCount*>(top)) window = c;
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->RunSettings().char1, 4);
  EXPECT_FALSE(window->Composition().labels.count.text.empty());
  window->close();
  QTest::qWait(20);
  EXPECT_EQ(test::ReadFile("TALLYDAT"), before);
  EXPECT_EQ(box.RegText(platform::RegRoot::CurrentUser), registryBefore);
}

TEST_F(MainWindow, StatisticsValuesNeverTouchTheirCaptions) {
  SavedSettings();
  auto w = Open();
  const std::pair<const char*, const char*> pairs[] = {{"lblSC1", "lblInit"},   {"lblSC2", "lblLast"},
                                                       {"lblSC3", "lblDiffDay"}, {"lblSC4", "lblTotal"},
                                                       {"lblSC5", "lblDayAve"},  {"lblSC6", "lblDayMax"}};
  for (const auto& [caption, value] : pairs) {
    auto* c = Find<QLabel>(w.get(), caption);
    auto* v = Find<QLabel>(w.get(), value);
    EXPECT_GE(v->x(), c->x() + c->sizeHint().width() + 2) << caption;
  }
}

TEST_F(MainWindow, ChoosingCharactersByListChipAndPopup) {
  SavedSettings(5, 1);
  auto w = Open();
  auto* left = Find<QLabel>(w.get(), "imgChar0");
  auto* right = Find<QLabel>(w.get(), "imgChar1");
  QTest::mouseClick(left, Qt::LeftButton, {}, QPoint(50, 50));
  EXPECT_EQ(w->session().settings().char0, 0);  // 5 wraps to 0
  QTest::mousePress(left, Qt::LeftButton, {}, QPoint(50, 50));
  QTest::mouseRelease(left, Qt::LeftButton, {}, QPoint(150, 50));  // released outside
  EXPECT_EQ(w->session().settings().char0, 0);
  QTest::mouseClick(right, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(w->session().settings().char1, 1);  // the right button never cycles
  auto* menu = Find<QMenu>(w.get(), "pumChar");
  ASSERT_EQ(menu->actions().size(), 6);
  EXPECT_TRUE(menu->actions()[1]->isChecked());
  menu->actions()[4]->trigger();
  EXPECT_EQ(w->session().settings().char1, 4);
  EXPECT_EQ(w->session().settings().char0, 0);
  auto* list = Find<QComboBox>(w.get(), "cbxChar0");
  EXPECT_EQ(list->itemText(2), QStringLiteral("桐生 葵"));
  list->setCurrentIndex(3);
  emit list->activated(3);
  EXPECT_EQ(w->session().settings().char0, 3);
  EXPECT_EQ(Find<QComboBox>(w.get(), "cbxChar1")->currentIndex(), 4);
}

TEST_F(MainWindow, FirstRunSavesAtOnceAndDisablesCancelOnce) {
  auto w = Open();
  QTest::qWait(100);
  EXPECT_EQ(dialogsClosed, 1);  // the detailed settings opened by themselves
  EXPECT_FALSE(Find<QPushButton>(w.get(), "btnCancel")->isEnabled());
  auto key = box.registry().OpenKey(platform::RegRoot::CurrentUser, state::kSettingsKey, false);
  ASSERT_NE(key, nullptr);
  for (const char* name : {"char0", "char1", "timer", "delay", "name", "rand", "wave", "repl", "form", "usewave", "dirwave"})
    EXPECT_TRUE(key->ValueExists(name)) << name;
  w->close();
  w = Open();
  QTest::qWait(100);
  EXPECT_EQ(dialogsClosed, 1);  // not again
  EXPECT_TRUE(Find<QPushButton>(w.get(), "btnCancel")->isEnabled());
}

TEST_F(MainWindow, OkNeedsTheGameDataAndCancelSavesNothing) {
  SavedSettings(0, 1);
  auto w = Open();
  Find<QLabel>(w.get(), "imgChar0");
  QTest::mouseClick(Find<QLabel>(w.get(), "imgChar0"), Qt::LeftButton, {}, QPoint(5, 5));
  Find<QPushButton>(w.get(), "btnOk")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("ゲームのシステムファイルが見つかりません。")));
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(StoredChar0(), 0);
  Find<QPushButton>(w.get(), "btnCancel")->click();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(StoredChar0(), 0);

  GameWithData();
  w = Open();
  QTest::mouseClick(Find<QLabel>(w.get(), "imgChar0"), Qt::LeftButton, {}, QPoint(5, 5));
  Find<QPushButton>(w.get(), "btnOk")->click();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(StoredChar0(), 1);
}

TEST_F(MainWindow, OkHasTheFirstFocus) {
  SavedSettings();
  auto w = Open();
  EXPECT_EQ(w->focusWidget(), Find<QPushButton>(w.get(), "btnOk"));
}

TEST_F(MainWindow, AFailedSaveIsToldAndKeepsTheWindowOpen) {
  SavedSettings(0, 1);
  GameWithData();
  auto w = Open();
  const std::string file = box.regDir() / "HKEY_CURRENT_USER.reg";
  chmod(file.c_str(), 0444);
  QTest::mouseClick(Find<QLabel>(w.get(), "imgChar0"), Qt::LeftButton, {}, QPoint(5, 5));
  Find<QPushButton>(w.get(), "btnOk")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("読み取り専用のため、設定を保存できませんでした。")));
  EXPECT_TRUE(w->isVisible());
  chmod(file.c_str(), 0644);
  Find<QPushButton>(w.get(), "btnOk")->click();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(StoredChar0(), 1);
}

TEST_F(MainWindow, ADamagedSettingsFileIsOneQuestionThatKeepsItOrSetsItAside) {
  // No: one question, then what that means; the file stays, nothing is
  // saved, no set-up opens over it, Cancel works and OK only closes.
  box.WriteReg(platform::RegRoot::CurrentUser, "not a registry file\n");
  {
    auto w = Open();
    QTest::qWait(50);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("HKEY_CURRENT_USER.reg")));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("（1 行目: レジストリのエクスポート形式ではありません）")));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("新しい設定で始めますか")));
    EXPECT_TRUE(messages[1].contains(QStringLiteral("保存されません")));
    EXPECT_TRUE(messages[1].contains(QStringLiteral("開き直し")));
    EXPECT_EQ(dialogsClosed, 0);
    EXPECT_TRUE(Find<QPushButton>(w.get(), "btnCancel")->isEnabled());
    messages.clear();
    Find<QPushButton>(w.get(), "btnOk")->click();
    EXPECT_TRUE(messages.empty()) << messages.size();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(box.RegText(platform::RegRoot::CurrentUser), "not a registry file\n");
  }
  // Yes (a new run, so the problem is news again): the file is kept under a
  // name of its own and the settings start afresh.
  messages.clear();
  answer = true;
  platform::RegFileRegistry again(box.regDir().path());
  auto w = std::make_unique<TfrmMain>(again, box.work().path() + "/");
  w->show();
  QTest::qWait(50);
  ASSERT_GE(messages.size(), 1u);
  const auto aside = platform::FindFiles(box.regDir().path(), "HKEY_CURRENT_USER.reg.damaged-*");
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(test::ReadFile(box.regDir() / aside[0]), "not a registry file\n");
  EXPECT_NE(box.RegText(platform::RegRoot::CurrentUser).find("\"char0\"=dword:"), std::string::npos);  // saved afresh
}

TEST_F(MainWindow, StartupMenuMarksFollowTheFolders) {
  SavedSettings();
  const std::string user = config / "autostart/" + std::string(kShortcutName);
  const std::string all = system / "autostart/" + std::string(kShortcutName);
  platform::CreateFolders(system / "autostart");
  test::WriteFile(all, platform::DesktopEntryText(settings::CounterStartupEntry(platform::ExecutablePath(), "/C")));
  // The user's entry was left by a copy that has moved since.
  platform::CreateFolders(config / "autostart");
  test::WriteFile(user, platform::DesktopEntryText(settings::CounterStartupEntry("/gone/vpcounter", "/C")));
  auto w = Open();
  auto* userItem = Find<QAction>(w.get(), "mnuStartupUser");
  auto* allItem = Find<QAction>(w.get(), "mnuStartupComm");
  EXPECT_FALSE(userItem->isChecked());
  EXPECT_TRUE(userItem->text().contains(QStringLiteral("別の場所")));
  EXPECT_TRUE(allItem->isChecked());
  EXPECT_FALSE(allItem->text().contains(QStringLiteral("別の場所")));
  answer = true;
  userItem->trigger();
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(messages.back().contains(QStringLiteral("「/gone/vpcounter」が登録されていて"))) << messages.back().toStdString();
  EXPECT_TRUE(userItem->isChecked());
  EXPECT_FALSE(userItem->text().contains(QStringLiteral("別の場所")));
  EXPECT_NE(test::ReadFile(user).find("TryExec=" + platform::ExecutablePath() + "\n"), std::string::npos);
  EXPECT_FALSE(allItem->isChecked());
  EXPECT_TRUE(platform::FileExists(user));
  EXPECT_FALSE(platform::FileExists(all));
  Find<QAction>(w.get(), "mnuStartupDel")->trigger();
  EXPECT_FALSE(userItem->isChecked());
  EXPECT_FALSE(platform::FileExists(user));
}

TEST_F(MainWindow, FirstRunOkOffersTheShortcutAndDecliningStillSaves) {
  GameWithData();
  {
    auto key = box.registry().OpenKey(platform::RegRoot::CurrentUser, state::kSettingsKey, true);
    ASSERT_FALSE(key->ValueExists("char0"));
  }
  auto w = Open();
  answer = false;
  Find<QPushButton>(w.get(), "btnOk")->click();
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(messages.back().startsWith(QStringLiteral("現ユーザーのスタートアップへ登録を行います。")));
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(StoredChar0(), 0);
  EXPECT_FALSE(platform::FileExists(config / "autostart/" + std::string(kShortcutName)));
}

}  // namespace
}  // namespace vp::settings
