#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>

#include "platform/session_bus.h"
#include "test_support.h"

namespace vp::platform {
namespace {

// A stopped bus daemon: connects succeed, nobody speaks.
int Listen(const std::string& path) {
  const int fd = test::ListenSilently(path);
  EXPECT_GE(fd, 0);
  return fd;
}

int ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}

TEST(SessionBus, ASilentSocketIsToldApartFromAnAnsweringOneWithinTheBound) {
  test::TempDir dir;
  const std::string mute = dir.path() + "/mute", live = dir.path() + "/live";
  const int muteFd = Listen(mute);
  const int liveFd = Listen(live);
  std::thread daemon([liveFd] {
    const int c = ::accept(liveFd, nullptr, nullptr);
    char buffer[128];
    std::string got;
    while (got.find("\r\n") == std::string::npos) {
      const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    // The handshake begins with a NUL byte and asks for EXTERNAL with our uid in hex.
    EXPECT_EQ(got[0], '\0');
    EXPECT_NE(got.find("AUTH EXTERNAL "), std::string::npos);
    const char ok[] = "OK 1234567890abcdef\r\n";
    ::send(c, ok, sizeof ok - 1, 0);
    ::close(c);
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CheckBusAddress("unix:path=" + live, 2000), BusAnswer::Answers);
  EXPECT_LT(ElapsedMs(start), 1000);
  daemon.join();

  start = std::chrono::steady_clock::now();
  EXPECT_EQ(CheckBusAddress("unix:path=" + mute, 300), BusAnswer::Silent);
  EXPECT_GE(ElapsedMs(start), 250);
  EXPECT_LT(ElapsedMs(start), 2000);
  EXPECT_EQ(CheckBusAddress("unix:path=" + dir.path() + "/none", 300), BusAnswer::NotThere);
  // Several entries (one that is not there is passed over), other keys
  // beside the path, and transports left untried.
  EXPECT_EQ(CheckBusAddress("unix:path=" + dir.path() + "/none;unix:guid=1,path=" + mute, 200), BusAnswer::Silent);
  EXPECT_EQ(CheckBusAddress("tcp:host=localhost,port=1", 200), BusAnswer::NotTried);
  EXPECT_EQ(CheckBusAddress("unix:tmpdir=/tmp", 200), BusAnswer::NotTried);
  ::close(muteFd);
  ::close(liveFd);
}

TEST(SessionBus, ASilentSessionBusIsTakenAwaySoNoConnectCanWait) {
  test::TempDir dir;
  const std::string mute = dir.path() + "/mu%74e";  // "%74" is a 't' once unescaped
  const int fd = Listen(dir.path() + "/mute");
  std::map<std::string, std::string> vars{{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + mute},
                                          {"AT_SPI_BUS_ADDRESS", "unix:path=/somewhere"}};
  ::setenv("AT_SPI_BUS_ADDRESS", "unix:path=/somewhere", 1);
  const Environment env = [&vars](const char* name) { return vars.count(name) ? vars[name] : std::string(); };
  EXPECT_EQ(AvoidSilentBuses(env, 200), BusAnswer::Silent);
  const std::string now = std::getenv("DBUS_SESSION_BUS_ADDRESS") ? std::getenv("DBUS_SESSION_BUS_ADDRESS") : "";
  EXPECT_EQ(now.rfind("unix:path=/dev/null/", 0), 0u) << now;
  EXPECT_EQ(std::getenv("AT_SPI_BUS_ADDRESS"), nullptr);
  // Unset, the session bus is $XDG_RUNTIME_DIR/bus.
  vars = {{"XDG_RUNTIME_DIR", dir.path()}};
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  EXPECT_EQ(AvoidSilentBuses(env, 200), BusAnswer::NotThere);
  EXPECT_EQ(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr);
  ::close(fd);
}

}  // namespace
}  // namespace vp::platform
