#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <memory>

#include "counter/ui/counter_window.h"
#include "shell/ui/data_form.h"
#include "platform/files.h"
#include "state/history.h"
#include "test_support.h"

namespace vp::counter {
namespace {

class CounterWindow : public ::testing::Test {
 protected:
  test::Sandbox box;

  void Settings(const std::string& values) {
    box.WriteReg(platform::RegRoot::CurrentUser,
                 "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n" + values);
  }
};

TEST(Artwork, EveryEmbeddedPictureDecodes) {
  // A broken embedded picture would only be warned about: the build must not ship one.
  for (const char* name : {"counter_background", "settings_background", "logo"}) {
    const png::Bitmap picture = shell::TfrmData::Artwork(name);
    EXPECT_GT(picture.Width(), 0) << name;
  }
  for (const char* name : {"glyph_folder", "glyph_search"}) EXPECT_FALSE(shell::TfrmData::Glyph(name).isNull()) << name;
  shell::TfrmData data;
  EXPECT_FALSE(data.imgIcon().isNull());
  for (const auto* set : {&data.imlChip(), &data.imlName()})
    for (const png::Bitmap& picture : *set) EXPECT_GT(picture.Width(), 0);
}

TEST_F(CounterWindow, ShowsAtOnceCountsAndClosesAfterTheDisplayTime) {
  Settings("\"timer\"=dword:00000002\n");
  TfrmCount window(box.registry(), box.work().path() + "/");
  QSignalSpy closed(&window, &TfrmCount::Closed);
  // Counted during creation, before it is shown.
  ASSERT_EQ(test::ReadFile("TALLYDAT").size(), 64u);
  EXPECT_EQ(state::DecodeHistory(test::ReadFile("TALLYDAT")).count, 2u);
  const auto start = std::chrono::steady_clock::now();
  window.Start();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.VoicesOver());  // voices off
  EXPECT_EQ(window.Composition().labels.count.text, "初めて");
  EXPECT_TRUE(closed.wait(5000));
  // At least the two seconds the setting says, then the next 100 ms check.
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(2000));
  EXPECT_LT(took, std::chrono::milliseconds(2600));
}

// A screen reader hears the counter as a notification named by the whole
// greeting; the notice box goes beside the window once it is shown, never
// over it, and outlives the greeting while it is read, within a bound.
TEST_F(CounterWindow, IsANotificationToScreenReadersAndItsNoticeBoxStaysClear) {
  Settings("\"timer\"=dword:00000001\n\"dirwave\"=\"" + box.work().path() + "/nogame\"\n\"wave\"=dword:00000001\n");
  TfrmCount window(box.registry(), box.work().path() + "/");
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&window);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->role(), QAccessible::Notification);
  const QString spoken = a->text(QAccessible::Name);
  EXPECT_TRUE(spoken.contains(QString::fromStdString(window.Composition().labels.count.text))) << spoken.toStdString();
  EXPECT_TRUE(spoken.contains(QString::fromStdString(window.Composition().labels.char0A.text)));
  QSignalSpy closed(&window, &TfrmCount::Closed);
  const auto start = std::chrono::steady_clock::now();
  window.Start();
  EXPECT_EQ(window.NoticeBox(), nullptr) << "placed before the window was up";
  QTest::qWait(600);
  QWidget* noticeBox = window.NoticeBox();
  ASSERT_NE(noticeBox, nullptr);
  EXPECT_FALSE(noticeBox->frameGeometry().intersects(window.frameGeometry()));
  EXPECT_TRUE(closed.wait(25000));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(NoticeReadingMs(0)));  // longer than the 1 s greeting
  EXPECT_LT(took, std::chrono::milliseconds(21000));
}

TEST_F(CounterWindow, ShowsWithoutTakingTheFocusAndEscClosesIt) {
  Settings("\"timer\"=dword:00000009\n");
  TfrmCount window(box.registry(), box.work().path() + "/");
  EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
  QSignalSpy closed(&window, &TfrmCount::Closed);
  window.Start();
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_EQ(closed.count(), 1);
}

TEST_F(CounterWindow, DelayKeepsItHiddenAndFormRemovesTheBorder) {
  Settings("\"timer\"=dword:00000001\n\"delay\"=dword:00000001\n\"form\"=dword:00000001\n");
  TfrmCount window(box.registry(), box.work().path() + "/");
  QSignalSpy closed(&window, &TfrmCount::Closed);
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(window.size(), QSize(600, 135));
  window.Start();
  EXPECT_FALSE(window.isVisible());
  QTest::qWait(500);
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(closed.isEmpty());
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, 2000));
  EXPECT_TRUE(closed.wait(3000));
}

TEST_F(CounterWindow, WithoutTheGameTheTextsAreStillComplete) {
  Settings("\"timer\"=dword:00000001\n\"wave\"=dword:00000001\n\"dirwave\"=\"/nowhere\"\n");
  state::StartHistory h;
  h.count = 100;
  test::WriteFile("TALLYDAT", state::EncodeHistory(h));
  TfrmCount window(box.registry(), box.work().path() + "/");
  window.Start();
  EXPECT_EQ(window.Composition().labels.char1A.text, "ちょうど");
  EXPECT_EQ(window.Composition().labels.count.text, "100");
  EXPECT_TRUE(window.VoicesOver());  // the voice archive is missing: the sequence ends
  EXPECT_TRUE(platform::FindFiles(".", "*.png").empty());
}

}  // namespace
}  // namespace vp::counter
