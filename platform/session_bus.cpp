#include "platform/session_bus.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>


namespace vp::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Where an address that no connect can reach points: it fails at once.
constexpr const char* kNoBus = "unix:path=/dev/null/vpcounter-no-answer";

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The value of key in one "transport:key=value,..." entry, %-escapes undone.
std::string Value(const std::string& entry, const std::string& key) {
  const std::size_t colon = entry.find(':');
  if (colon == std::string::npos) return {};
  std::size_t at = colon + 1;
  while (at < entry.size()) {
    const std::size_t comma = std::min(entry.find(',', at), entry.size());
    const std::string pair = entry.substr(at, comma - at);
    if (pair.compare(0, key.size() + 1, key + "=") == 0) {
      std::string out;
      const std::string raw = pair.substr(key.size() + 1);
      for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 2 < raw.size()) {
          out += static_cast<char>(std::strtol(raw.substr(i + 1, 2).c_str(), nullptr, 16));
          i += 2;
        } else {
          out += raw[i];
        }
      }
      return out;
    }
    at = comma + 1;
  }
  return {};
}

// Waits for fd to be ready for events, at most until deadline.
bool Ready(int fd, short events, Clock::time_point deadline) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int n = ::poll(&p, 1, MillisecondsLeft(deadline));
    if (n > 0) return (p.revents & events) != 0;
    if (n == 0 || errno != EINTR) return false;
  }
}

// One unix-socket entry: connects and asks for EXTERNAL authentication; any
// reply line (OK or REJECTED) means someone is there and speaking.
BusAnswer CheckUnixEntry(const std::string& entry, Clock::time_point deadline) {
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  socklen_t length = 0;
  const std::string path = Value(entry, "path"), abstract = Value(entry, "abstract");
  const std::string& name = path.empty() ? abstract : path;
  if (name.empty() || name.size() >= sizeof where.sun_path) return BusAnswer::NotTried;
  std::memcpy(where.sun_path + (path.empty() ? 1 : 0), name.data(), name.size());
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + (path.empty() ? 1 : 0));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return BusAnswer::NotTried;
  BusAnswer answer = BusAnswer::Silent;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&where), length) != 0 && errno != EINPROGRESS) {
    answer = BusAnswer::NotThere;
  } else if (Ready(fd, POLLOUT, deadline)) {
    char uid[32];
    std::snprintf(uid, sizeof uid, "%u", static_cast<unsigned>(::getuid()));
    std::string hello(1, '\0');
    hello += "AUTH EXTERNAL ";
    for (const char* c = uid; *c; ++c) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(*c));
      hello += hex;
    }
    hello += "\r\n";
    if (::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(hello.size())) {
      std::string reply;
      while (reply.find("\r\n") == std::string::npos && Ready(fd, POLLIN, deadline)) {
        char buffer[256];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(n));
      }
      if (reply.find("\r\n") != std::string::npos) answer = BusAnswer::Answers;
    }
  }
  ::close(fd);
  return answer;
}

}  // namespace

BusAnswer CheckBusAddress(const std::string& address, int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  BusAnswer seen = BusAnswer::NotThere;
  // Entries are tried in order, as a D-Bus client does.
  for (std::size_t at = 0; at <= address.size();) {
    const std::size_t end = std::min(address.find(';', at), address.size());
    const std::string entry = address.substr(at, end - at);
    at = end + 1;
    if (entry.empty()) continue;
    // Only unix sockets are tried; other transports are left as they are.
    if (entry.compare(0, 5, "unix:") != 0) return BusAnswer::NotTried;
    const BusAnswer answer = CheckUnixEntry(entry, deadline);
    if (answer == BusAnswer::Answers || answer == BusAnswer::NotTried) return answer;
    if (answer == BusAnswer::Silent) seen = BusAnswer::Silent;
  }
  return seen;
}

BusAnswer AvoidSilentBuses(const Environment& env, int timeoutMs) {
  std::string session = env("DBUS_SESSION_BUS_ADDRESS");
  if (session.empty() && !env("XDG_RUNTIME_DIR").empty()) {
    const std::string socket = env("XDG_RUNTIME_DIR") + "/bus";
    if (::access(socket.c_str(), F_OK) == 0) session = "unix:path=" + socket;
  }
  BusAnswer answer = session.empty() ? BusAnswer::NotThere : CheckBusAddress(session, timeoutMs);
  if (answer == BusAnswer::Silent) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", kNoBus, 1);
    ::unsetenv("AT_SPI_BUS_ADDRESS");  // found through the session bus, or stale with it
    return answer;
  }
  if (const std::string a11y = env("AT_SPI_BUS_ADDRESS"); !a11y.empty() &&
                                                          CheckBusAddress(a11y, timeoutMs) == BusAnswer::Silent)
    ::unsetenv("AT_SPI_BUS_ADDRESS");
  return answer;
}

}  // namespace vp::platform
