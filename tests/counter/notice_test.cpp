#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <cerrno>

#include "counter/counter_run.h"
#include "counter/notice_memory.h"
#include "platform/text.h"
#include "state/notices.h"
#include "shell/center_over.h"
#include "test_support.h"

namespace vp::counter {
namespace {

TextExtent Measure(const std::string& text, int points) { return {platform::Cp932Length(text) * points * 2 / 3, 16}; }

TEST(Notices, EachCauseIsToldOnceUntilItGoesAwayAndComesBack) {
  test::Sandbox box;
  auto run = [&](std::vector<std::string> notices) {
    NoticeMemory memory(box.work().path() + "/");
    std::vector<std::string> told;
    for (const auto& n : notices)
      if (const std::string t = memory.Tell(n); !t.empty()) told.push_back(t);
    memory.Remember();
    return told;
  };
  EXPECT_EQ(run({"no game"}), std::vector<std::string>{"no game"});
  EXPECT_TRUE(run({"no game"}).empty());  // the next logon: said already
  EXPECT_EQ(run({"no game", "damaged history"}), std::vector<std::string>{"damaged history"});
  EXPECT_TRUE(run({"no game"}).empty());
  EXPECT_TRUE(run({}).empty());  // mended
  EXPECT_EQ(run({"no game"}), std::vector<std::string>{"no game"});  // broken again: told again
  // A preview remembers nothing and always tells.
  NoticeMemory preview("");
  EXPECT_EQ(preview.Tell("no game"), "no game");
  EXPECT_EQ(preview.Tell("no game"), "") << "told twice in one run";
}

// The memory lives beside the history, so the settings file's own troubles
// (damaged, read-only) cannot make their notice come back at every logon.
TEST(Notices, ADamagedOrReadOnlySettingsFileIsToldOnce) {
  for (const bool readOnly : {false, true}) {
    test::Sandbox box;
    box.WriteReg(platform::RegRoot::CurrentUser,
                 readOnly ? "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n\"timer\"=dword:00000001\n"
                          : "this is no registry export\n");
    const std::string file = box.regDir().path() + "/HKEY_CURRENT_USER.reg";
    const std::string before = test::ReadFile(file);
    if (readOnly) chmod(file.c_str(), 0444);
    auto logon = [&] {
      CounterRun run(box.registry(), RunSetup::At("/opt/vp/", box.work().path() + "/", true), Measure,
                     [] { return test::LocalTimeValue(2026, 12, 8, 9, 0); });
      run.Prepare();
      const std::string told = run.NoticeText();
      run.Finish(false);
      return told;
    };
    const std::string first = logon();
    EXPECT_NE(first.find("HKEY_CURRENT_USER.reg"), std::string::npos) << first;
    if (readOnly) {
      // Counter mode saved no setting: it says what it could not write.
      EXPECT_EQ(first.find("設定を保存できませんでした"), std::string::npos) << first;
      EXPECT_NE(first.find("起動履歴の場所"), std::string::npos) << first;
    } else {
      EXPECT_NE(first.find("設定画面を開くと"), std::string::npos) << first;  // the way out
    }
    EXPECT_EQ(logon(), "") << "told again at the next logon";
    EXPECT_EQ(test::ReadFile(file), before);
    chmod(file.c_str(), 0644);
  }
}

TEST(Notices, EveryTextThePlayerReadsIsJapanese) {
  using Kind = platform::RegistryProblem::Kind;
  const char* reasons[] = {"not a registry export", "bad value data", "bad key line", "value outside a key",
                           "bad value name", "missing '='", "key of another root", "some future reason"};
  auto ascii = [](const std::string& text) {
    // Paths and numbers aside, no run of English words.
    int letters = 0;
    for (char c : text) {
      letters = std::isalpha(static_cast<unsigned char>(c)) ? letters + 1 : 0;
      if (letters >= 5) return true;
    }
    return false;
  };
  for (const char* reason : reasons) {
    for (const Kind kind : {Kind::Unreadable, Kind::SkippedLine}) {
      const std::string text = state::RegistryNotice({kind, platform::RegRoot::CurrentUser, "/x/y.reg", 3, reason});
      EXPECT_FALSE(ascii(text)) << text;
      EXPECT_NE(text.find("3 行目"), std::string::npos) << text;
    }
  }
  for (const int error : {ENOSPC, EACCES, EIO, EROFS, 9999})
    EXPECT_FALSE(ascii(state::RegistryNotice({Kind::WriteFailed, platform::RegRoot::CurrentUser, "/x/y.reg", 0, "No space", error}))) << error;
  // A full disk is called so, with what to do.
  const std::string full = state::RegistryNotice({Kind::WriteFailed, platform::RegRoot::CurrentUser, "/x/y.reg", 0, "", ENOSPC});
  EXPECT_NE(full.find("ディスクの空きがありません"), std::string::npos) << full;
  EXPECT_NE(full.find("空きを増やして"), std::string::npos) << full;
  EXPECT_NE(state::ExtractWriteNotice("/w/", ENOSPC).find("空きを増やして"), std::string::npos);
}

TEST(Notices, TheBoxGoesBesideTheWindowNeverOverIt) {
  const shell::WindowRect screen{0, 0, 1920, 1040};
  const shell::WindowRect counter{660, 452, 606, 165};
  auto overlaps = [](const shell::WindowRect& a, const shell::WindowRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height && b.top < a.top + a.height;
  };
  shell::WindowRect box = shell::PlaceBeside(counter, 400, 150, screen);
  EXPECT_EQ(box.top, counter.top + counter.height + 8);  // under it
  EXPECT_FALSE(overlaps(box, counter));
  // Near the bottom: above it.
  const shell::WindowRect low{660, 860, 606, 165};
  box = shell::PlaceBeside(low, 400, 150, screen);
  EXPECT_EQ(box.top, 860 - 8 - 150);
  EXPECT_FALSE(overlaps(box, low));
  // Kept on the screen sideways.
  box = shell::PlaceBeside({1700, 100, 606, 165}, 400, 150, screen);
  EXPECT_EQ(box.left + box.width, 1920);
}

}  // namespace
}  // namespace vp::counter
