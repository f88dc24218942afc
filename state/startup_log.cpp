#include "state/startup_log.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "base/civil_date.h"
#include "platform/files.h"

namespace vp::state {
namespace {

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& out) {
  if (at + count > text.size()) return false;
  out = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    out = out * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

std::string StartupLogName(int year) { return "startups-" + std::to_string(year) + ".log"; }

std::string StartupTimeText(const LoggedStartup& s) {
  const int magnitude = s.utcOffset < 0 ? -s.utcOffset : s.utcOffset;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", s.year, s.month, s.day, s.hour,
                s.minute, s.second, s.utcOffset < 0 ? '-' : '+', magnitude / 3600, magnitude / 60 % 60);
  return text;
}

std::string FormatStartupLine(const platform::LocalTime& local) {
  const LoggedStartup s{.year = local.year, .month = local.month, .day = local.day, .hour = local.hour,
                        .minute = local.minute, .second = local.second, .utcOffset = local.utcOffset};
  return StartupTimeText(s) + "\n";
}

std::optional<LoggedStartup> ParseStartupLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  // YYYY-MM-DDTHH:MM:SS±HH:MM, or Z for UTC.
  LoggedStartup s;
  if (line.size() != 25 && line.size() != 20) return std::nullopt;
  if (line[4] != '-' || line[7] != '-' || line[10] != 'T' || line[13] != ':' || line[16] != ':') return std::nullopt;
  if (!Digits(line, 0, 4, s.year) || !Digits(line, 5, 2, s.month) || !Digits(line, 8, 2, s.day) ||
      !Digits(line, 11, 2, s.hour) || !Digits(line, 14, 2, s.minute) || !Digits(line, 17, 2, s.second))
    return std::nullopt;
  if (s.year < 1970 || s.month < 1 || s.month > 12 || s.day < 1 || s.day > DaysInMonth(s.year, s.month) ||
      s.hour > 23 || s.minute > 59 || s.second > 60)
    return std::nullopt;
  if (line.size() == 20) {
    if (line[19] != 'Z') return std::nullopt;
  } else {
    int hours = 0, minutes = 0;
    if ((line[19] != '+' && line[19] != '-') || line[22] != ':' || !Digits(line, 20, 2, hours) ||
        !Digits(line, 23, 2, minutes) || hours > 24 || minutes > 59)  // POSIX TZ allows up to 24 h
      return std::nullopt;
    s.utcOffset = (line[19] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
  }
  s.time = DayNumber(s.year, s.month, s.day) * 86400 +
           s.hour * 3600 + s.minute * 60 + s.second - s.utcOffset;
  return s;
}

platform::AppendStatus AppendStartup(const std::string& workFolder, const platform::LocalTime& local) {
  return platform::AppendToFile(platform::JoinPath(workFolder, StartupLogName(local.year)), FormatStartupLine(local),
                                kStartupLogYearBytes);
}

StartupLog ReadStartupLog(const std::string& workFolder, std::uint64_t readBytes) {
  StartupLog log;
  const std::string folder = workFolder.empty() ? std::string(".") : workFolder;
  std::vector<std::string> names;
  for (const std::string& name : platform::FindFiles(folder, "startups-*.log")) {
    int year = 0;
    if (name.size() == 17 && Digits(name, 9, 4, year) && name.compare(0, 9, "startups-") == 0) names.push_back(name);
  }
  // Newest first, so that what a cap leaves out is the distant past.
  std::sort(names.begin(), names.end(), std::greater<>());
  std::uint64_t budget = readBytes;
  for (const std::string& name : names) {
    // Only a regular file of ours, as the writer writes: not through a link.
    // A file many times a year's cap is not ours to read into memory.
    const std::string path = platform::JoinPath(workFolder, name);
    const bool ours = platform::IsPlainRegularFile(path);
    const std::uint64_t size = ours ? platform::InspectPath(path).size : 0;
    if (ours && size > budget && size <= 4 * kStartupLogYearBytes) {
      log.leftOutFiles.insert(log.leftOutFiles.begin(), name);
      budget = 0;  // older years would leave gaps in between
      continue;
    }
    const auto text = ours ? platform::ReadWholeFile(path, 4 * kStartupLogYearBytes) : std::optional<std::string>();
    if (!text) {
      log.unreadableFiles.push_back(name);
      continue;
    }
    budget -= std::min<std::uint64_t>(budget, text->size());
    std::string_view rest = *text;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      const std::string_view line = rest.substr(0, end);
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
      // A power cut can leave the end of the file as NUL bytes (allocated,
      // never written): nothing was lost there, and the next line starts after them.
      if (line.empty() || line == "\r" || line.find_first_not_of('\0') == std::string_view::npos) continue;
      if (auto s = ParseStartupLine(line)) log.startups.push_back(*s);
      else ++log.damagedLines;
    }
  }
  std::stable_sort(log.startups.begin(), log.startups.end(),
                   [](const LoggedStartup& a, const LoggedStartup& b) { return a.time < b.time; });
  return log;
}

void KeepPlausible(StartupLog& log, const StartHistory& history, platform::TimeValue now) {
  constexpr platform::TimeValue kMargin = 2 * 86400;  // clock changes, zones
  constexpr platform::TimeValue kEarliest = 946684800;  // 2000-01-01
  const platform::TimeValue latest = (history.lastTime != 0 ? static_cast<platform::TimeValue>(history.lastTime) : now) + kMargin;
  const auto before = log.startups.size();
  std::erase_if(log.startups, [&](const LoggedStartup& s) { return s.time < kEarliest || s.time > latest; });
  log.damagedLines += static_cast<int>(before - log.startups.size());
}

}  // namespace vp::state
