// Process start to counter window visible, on the demo game with voices off,
// side by side with a bare Qt program that shows one window with one label.
// On the display it is given, else on a private Xvfb and offscreen.
// Usage: startup_bench BUILD_DIR [runs]
#include <signal.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

// Milliseconds from fork to the "shown" line on the child's standard error.
double TimeToShown(const std::vector<std::string>& argv, const std::string& cwd) {
  int pipeFd[2];
  if (pipe(pipeFd) != 0) return -1;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFd[1], 2);
    close(pipeFd[0]);
    if (chdir(cwd.c_str()) != 0) _exit(127);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(pipeFd[1]);
  std::string seen;
  char buffer[256];
  double ms = -1;
  ssize_t n;
  while ((n = read(pipeFd[0], buffer, sizeof buffer)) > 0) {
    seen.append(buffer, static_cast<std::size_t>(n));
    if (seen.find("vpcounter: shown") != std::string::npos) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      break;
    }
  }
  kill(pid, SIGTERM);
  close(pipeFd[0]);
  waitpid(pid, nullptr, 0);
  return ms;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A private Xvfb for a machine without a display; its pid and display name,
// or pid -1 when there is no Xvfb to start.
std::pair<pid_t, std::string> StartXvfb() {
  int fds[2];
  if (pipe(fds) != 0) return {-1, ""};
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, 2);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (pid < 0 || number.empty()) {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    return {-1, ""};
  }
  return {pid, ":" + number};
}

// Both programs, run by turns so that each pair sees one state of a shared
// machine; the medians and the median of the pairs' ratios.
void Measure(const char* where, const std::string& build, const std::string& work, int runs) {
  std::vector<double> ours, bare;
  for (int i = 0; i < runs; ++i) {
    ours.push_back(TimeToShown({build + "/vpcounter", "/C"}, work));
    bare.push_back(TimeToShown({build + "/bare_window"}, work));
  }
  if (std::find(ours.begin(), ours.end(), -1.0) != ours.end() || std::find(bare.begin(), bare.end(), -1.0) != bare.end()) {
    std::fprintf(stderr, "startup_bench: a run never showed its window (%s)\n", where);
    std::exit(1);
  }
  const double o = Median(ours), b = Median(bare);
  // The ratio of the medians mixes states minutes apart.
  std::vector<double> pairs;
  for (int i = 0; i < runs; ++i) pairs.push_back(ours[static_cast<std::size_t>(i)] / bare[static_cast<std::size_t>(i)]);
  std::printf("start-up to window visible, %s (median of %d runs, demo game, voices off)\n", where, runs);
  std::printf("  vpcounter /C      %7.1f ms\n  bare Qt window    %7.1f ms\n  ratio             %7.2f\n", o, b, o / b);
  std::printf("  ratio, paired     %7.2f\n", Median(pairs));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: startup_bench BUILD_DIR [runs]\n");
    return 2;
  }
  char resolved[4096];
  if (realpath(argv[1], resolved) == nullptr) {
    std::fprintf(stderr, "startup_bench: no folder %s\n", argv[1]);
    return 2;
  }
  const std::string build = resolved;  // the runs change their working folder
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
  char dirTemplate[] = "/tmp/vpstartup.XXXXXX";
  const std::string dir = mkdtemp(dirTemplate);
  const std::string game = dir + "/game", reg = dir + "/reg", work = dir + "/work";
  const std::string setup = "mkdir -p '" + work + "' && '" + build + "/vp-demo-game' '" + game + "' --registry '" + reg +
                            "' >/dev/null";
  if (std::system(setup.c_str()) != 0) {
    std::fprintf(stderr, "startup_bench: cannot write the demo game\n");
    return 1;
  }
  setenv("VPCOUNTER_REGISTRY_DIR", reg.c_str(), 1);
  setenv("VPCOUNTER_WORK_DIR", work.c_str(), 1);
  setenv("VPCOUNTER_TRACE_SHOWN", "1", 1);
  if (!getenv("XDG_RUNTIME_DIR")) setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);

  if (getenv("DISPLAY") || getenv("WAYLAND_DISPLAY")) {
    Measure("on this display", build, work, runs);
  } else {
    // A player's logon always has a display server, whose answers Qt waits
    // for; drawing in memory is the other extreme, all processor.
    if (const auto [xvfb, display] = StartXvfb(); xvfb > 0) {
      setenv("DISPLAY", display.c_str(), 1);
      Measure("on Xvfb", build, work, runs);
      unsetenv("DISPLAY");
      kill(xvfb, SIGTERM);
      waitpid(xvfb, nullptr, 0);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Measure("offscreen", build, work, runs);
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
