#include "platform/files.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <random>

#include "base/ascii.h"
#include "platform/executable.h"

namespace vp::platform {
namespace {

constexpr std::string_view kTempPrefix = ".vptmp-";
// A live process id may since belong to another program, so what it left goes
// once old; FAT keeps local times, which read back up to a day off.
constexpr std::int64_t kStaleSeconds = 26 * 3600;

}  // namespace

std::string NewTemporaryName(const std::string& folder) {
  static std::atomic<unsigned> sequence{0};
  static thread_local std::mt19937 random{std::random_device{}()};
  char name[64];
  std::snprintf(name, sizeof name, "%.*s%ld-%u-%08x", static_cast<int>(kTempPrefix.size()), kTempPrefix.data(),
                ProcessId(), sequence++, static_cast<unsigned>(random()));
  return JoinPath(folder, name);
}

bool IsTemporaryFileName(std::string_view name) { return name.substr(0, kTempPrefix.size()) == kTempPrefix; }

long TemporaryFileOwner(std::string_view name) {
  if (!IsTemporaryFileName(name)) return 0;
  const std::string_view rest = name.substr(kTempPrefix.size());
  long pid = 0;
  auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
  return ec == std::errc() && pid > 0 ? pid : 0;
}

bool LeftByGoneRun(long pid, std::int64_t mtime) {
  if (pid == ProcessId()) return false;  // this run's own, in use
  if (pid > 0 && !ProcessRunning(pid)) return true;
  const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  return now - mtime > kStaleSeconds;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative matcher with one backtrack point: linear in practice, never exponential.
  std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace vp::platform
