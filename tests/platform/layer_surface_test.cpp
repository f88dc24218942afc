#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/layer_surface.h"
#include "test_support.h"

namespace vp::platform {
namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { had_ ? (void)::setenv(name_, old_.c_str(), 1) : (void)::unsetenv(name_); }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(LayerSurface, NoCompositorOrOneThatNeverAnswersMeansAPlainWindowWithinTheBound) {
  test::TempDir dir;
  {
    ScopedEnv display("WAYLAND_DISPLAY", dir.path() + "/nobody-here");
    EXPECT_EQ(LayerSurface::Open("vpcounter", 600, 135, 300), nullptr);
  }
  // A compositor that accepts the connection and says nothing, as a hung one does.
  const std::string path = dir.path() + "/silent";
  const int fd = test::ListenSilently(path);
  ASSERT_GE(fd, 0);
  ScopedEnv display("WAYLAND_DISPLAY", path);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(LayerSurface::Open("vpcounter", 600, 135, 300), nullptr);
  const auto waited =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(waited, 250);
  EXPECT_LT(waited, 2000);
  ::close(fd);
}

TEST(LayerSurface, AbsurdSizesAreRefusedBeforeAnyConnection) {
  EXPECT_EQ(LayerSurface::Open("vpcounter", 0, 135, 300), nullptr);
  EXPECT_EQ(LayerSurface::Open("vpcounter", 600, -1, 300), nullptr);
  EXPECT_EQ(LayerSurface::Open("vpcounter", 1 << 20, 135, 300), nullptr);
}

}  // namespace
}  // namespace vp::platform
