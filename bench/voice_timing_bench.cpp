// Voice timing of counter mode on the demo game: the pause from the end of one
// voice to the start of the next (goal 500 ms), how late each end is heard
// against the file's length, and the run's length against audio + 500 ms per
// voice. Plays on SDL's dummy driver, which runs at real speed.
// Usage: voice_timing_bench BUILD_DIR [runs]
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Event {
  int step;
  std::string what;
  long long ms;
  std::string file;
};

std::string Run(const std::string& exe, const std::string& cwd, double& wallMs) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 2);
    close(fds[0]);
    if (chdir(cwd.c_str()) != 0) _exit(127);
    execl(exe.c_str(), exe.c_str(), "/C", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return out;
}

// Playing time of a PCM WAV file in milliseconds (data size / byte rate).
double WavMs(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  auto u32 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 3])) << 24;
  };
  if (bytes.size() < 44) return 0;
  const unsigned rate = u32(28);
  for (std::size_t at = 12; at + 8 <= bytes.size(); at += 8 + u32(at + 4))
    if (bytes.compare(at, 4, "data") == 0) return rate ? 1000.0 * u32(at + 4) / rate : 0;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s BUILD_DIR [runs]\n", argv[0]);
    return 2;
  }
  char resolved[4096];
  if (!realpath(argv[1], resolved)) return 2;
  const std::string build = resolved;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  char folderTemplate[] = "/tmp/vp-voice-bench-XXXXXX";
  const std::string root = mkdtemp(folderTemplate);
  const std::string game = root + "/game", reg = root + "/reg", work = root + "/work";
  if (std::system(("mkdir -p " + work + " && " + build + "/vp-demo-game " + game + " --registry " + reg + " >/dev/null").c_str()) != 0)
    return 1;
  std::ofstream(reg + "/HKEY_CURRENT_USER.reg")
      << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n\"wave\"=dword:00000001\n\"timer\"=dword:00000001\n";
  setenv("VPCOUNTER_REGISTRY_DIR", reg.c_str(), 1);
  setenv("VPCOUNTER_WORK_DIR", work.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("VPCOUNTER_TRACE_VOICES", "1", 1);
  setenv("VPCOUNTER_TRACE_SHOWN", "1", 1);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);

  std::printf("%4s %6s %9s %-28s %-22s %9s %9s %10s\n", "run", "voices", "audio ms", "pauses ms (goal 500)",
              "end late ms", "over ms", "goal ms", "over-goal");
  for (int r = 0; r < runs; ++r) {
    double wall = 0;
    std::istringstream lines(Run(build + "/vpcounter", work, wall));
    std::vector<Event> events;
    long long shown = -1;
    for (std::string line; std::getline(lines, line);) {
      std::istringstream words(line);
      std::string prefix, kind;
      words >> prefix >> kind;
      if (kind == "shown") words >> shown;
      if (kind != "voice") continue;
      Event e;
      words >> e.step >> e.what >> e.ms;
      std::getline(words, e.file);
      if (!e.file.empty() && e.file.front() == ' ') e.file.erase(0, 1);
      events.push_back(e);
    }
    double audio = 0;
    int voices = 0;
    std::string pauses, late;
    long long lastEnd = -1, lastStart = -1, over = -1;
    double lastLength = 0;
    for (const Event& e : events) {
      if (e.what == "start") {
        ++voices;
        lastLength = WavMs(work + "/" + e.file);
        audio += lastLength;
        if (lastEnd >= 0) pauses += std::to_string(e.ms - lastEnd) + " ";
        lastStart = e.ms;
      } else if (e.what == "end") {
        lastEnd = e.ms;
        late += std::to_string(static_cast<long long>(e.ms - lastStart - lastLength)) + " ";
      } else if (e.what == "over") {
        over = e.ms;
      }
    }
    const double goal = audio + 500.0 * voices;
    const long long fromShown = over >= 0 && shown >= 0 ? over - shown : -1;
    std::printf("%4d %6d %9.0f %-28s %-22s %9lld %9.0f %10.0f\n", r + 1, voices, audio, pauses.c_str(), late.c_str(),
                fromShown, goal, fromShown - goal);
  }
  std::printf("over ms: from the window shown to the end of the voice sequence; the window then closes at the\n"
              "next 100 ms check once `timer` whole seconds have passed.\n");
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return 0;
}
