#include <gtest/gtest.h>

#include "counter/notice_memory.h"
#include "shell/center_over.h"
#include "test_support.h"

namespace vp::counter {
namespace {

TEST(Notices, EachCauseIsToldOnceUntilItGoesAwayAndComesBack) {
  test::Sandbox box;
  auto run = [&](std::vector<std::string> notices) {
    NoticeMemory memory(&box.registry());
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
  NoticeMemory preview(nullptr);
  EXPECT_EQ(preview.Tell("no game"), "no game");
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
