#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/termination.h"
#include "test_support.h"

namespace vp::platform {
namespace {

// A logout reaches every listener, off the thread that may be stuck.
TEST(Termination, TheSessionsEndReachesEveryListenerOnTheWatchsThread) {
  StartTerminationWatch();
  std::atomic<int> first{0}, second{0};
  std::atomic<bool> offMain{false};
  const auto main = std::this_thread::get_id();
  OnTermination([&] {
    offMain = std::this_thread::get_id() != main;
    ++first;
  });
  OnTermination([&] { ++second; });
  ASSERT_TRUE(test::EndTheSession());
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((first == 0 || second == 0) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
  EXPECT_TRUE(offMain);
}

}  // namespace
}  // namespace vp::platform
