// Registry files with many keys: reading a key and storing a change, side by
// side with the floor of any reader (reading the file and finding its lines).
// Usage: registry_bench [keys] [runs]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/reg_file.h"
#include "platform/registry.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

template <typename F>
double Median(int runs, F&& f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    times.push_back(Ms(Clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int keys = argc > 1 ? std::atoi(argv[1]) : 60000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  char folderTemplate[] = "/tmp/vp-registry-bench-XXXXXX";
  const std::string folder = mkdtemp(folderTemplate);
  std::string text = "REGEDIT4\n";
  for (int i = 0; i < keys; ++i)
    text += "\n[HKEY_CURRENT_USER\\Software\\Vendor" + std::to_string(i % 97) + "\\Key" + std::to_string(i) +
            "]\n\"value\"=dword:" + std::to_string(10000000 + i) + "\n\"text\"=\"some text " + std::to_string(i) + "\"\n";
  text += "\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n\"char0\"=dword:00000001\n";
  const std::string file = folder + "/HKEY_CURRENT_USER.reg";
  vp::platform::ReplaceFileAtomically(file, text);

  const double floor = Median(runs, [&] {
    auto content = vp::platform::ReadWholeFile(file);
    std::size_t lines = 0;
    for (const char* p = content->data(); (p = static_cast<const char*>(std::memchr(p, '\n', content->data() + content->size() - p)));
         ++p)
      ++lines;
    if (lines == 0) std::abort();
  });
  const double parse = Median(runs, [&] {
    auto parsed = vp::platform::RegFile::Parse(text, "HKEY_CURRENT_USER");
    if (!parsed || parsed->Serialize().size() != text.size()) std::abort();
  });
  vp::platform::RegFileRegistry reg(folder);
  const double open = Median(runs, [&] {
    auto key = reg.OpenKey(vp::platform::RegRoot::CurrentUser, "\\Software\\Nivre\\VP-COUNTER", false);
    if (!key || key->ReadInteger("char0") != 1) std::abort();
  });
  int n = 0;
  const double store = Median(runs, [&] {
    auto key = reg.OpenKey(vp::platform::RegRoot::CurrentUser, "\\Software\\Nivre\\VP-COUNTER", true);
    key->WriteInteger("timer", ++n);
    if (!key->Close()) std::abort();
  });

  std::printf("registry file: %d keys, %.1f MB, median of %d runs\n", keys, text.size() / 1e6, runs);
  std::printf("%-34s %10s %10s\n", "", "ms", "x floor");
  std::printf("%-34s %10.1f %10.2f\n", "floor: read file, find lines", floor, 1.0);
  std::printf("%-34s %10.1f %10.2f\n", "parse and write back in memory", parse, parse / floor);
  std::printf("%-34s %10.1f %10.2f\n", "open a key and read a value", open, open / floor);
  std::printf("%-34s %10.1f %10.2f\n", "store a change (merge, rewrite)", store, store / floor);
  vp::platform::RemoveFile(file);
  rmdir(folder.c_str());
  return 0;
}
