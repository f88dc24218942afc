#include "state/history.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <optional>
#include <thread>

#include "platform/work_folder.h"
#include "state/settings.h"
#include "state/startup_log.h"

namespace vp::state {
namespace {

constexpr int kShortReadRetries = 50;  // up to 1 s: a slow writer at a busy logon
constexpr std::chrono::milliseconds kShortReadPause(20);

void Put32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t Get32(const std::string& in, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
  return v;
}

std::uint32_t SaturatingIncrement(std::uint32_t v) {
  return v == std::numeric_limits<std::uint32_t>::max() ? v : v + 1;
}

// Keeps the damaged file under a name of its own; the original name stays
// until the new history replaces it, so a crash in between loses nothing.
HistorySave KeepDamaged(const std::string& path, platform::TimeValue now) {
  HistorySave result;
  result.keptAs = KeepDamagedFileAside(path, now, &result.error);
  if (result.keptAs.empty()) result.problem = HistorySaveProblem::CannotKeepDamaged;
  return result;
}

}  // namespace

std::string EncodeHistory(const StartHistory& h) {
  std::string out(kHistorySize, '\0');
  Put32(out, 0, h.firstTime);
  Put32(out, 4, h.count);
  Put32(out, 8, h.lastTime);
  Put32(out, 12, h.dayCount);
  Put32(out, 16, h.dayMax);
  for (std::size_t i = 0; i < h.reserved.size(); ++i) out[20 + i] = static_cast<char>(h.reserved[i]);
  return out;
}

StartHistory DecodeHistory(const std::string& bytes) {
  StartHistory h;
  h.firstTime = Get32(bytes, 0);
  h.count = Get32(bytes, 4);
  h.lastTime = Get32(bytes, 8);
  h.dayCount = Get32(bytes, 12);
  h.dayMax = Get32(bytes, 16);
  for (std::size_t i = 0; i < h.reserved.size(); ++i) h.reserved[i] = static_cast<std::uint8_t>(bytes[20 + i]);
  return h;
}

HistoryLocation LocateHistory(platform::Registry& reg, const std::string& workFolder) {
  std::optional<std::string> siblingFile;
  if (SiblingIntegrates(reg, &siblingFile) && siblingFile) return {*siblingFile, true};
  return {OwnHistoryPath(workFolder), false};
}

std::string HistoryPath(platform::Registry& reg) { return LocateHistory(reg).path; }

std::string DamagedHistoryName(const std::string& path, platform::TimeValue now) {
  platform::LocalTime t;
  platform::BreakDownLocal(now, t);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, ".damaged-%04d%02d%02d-%02d%02d", t.year, t.month, t.day, t.hour, t.minute);
  return path + stamp;
}

std::string KeepDamagedFileAside(const std::string& path, platform::TimeValue now, int* error) {
  const std::string base = DamagedHistoryName(path, now);
  std::string aside = base;
  for (int n = 2; platform::NameTaken(aside); ++n) {
    if (n == 100) {
      *error = EEXIST;
      return {};
    }
    aside = base + "-" + std::to_string(n);
  }
  *error = platform::KeepUnderName(path, aside);
  return *error == 0 ? aside : std::string();
}

namespace {

// What the first bytes of a history file say; bytes is null when it could not be read.
HistoryLoad Interpret(StartHistory& h, const HistoryLocation& where, platform::FileKind kind, std::uint64_t size,
                      const std::string* bytes, platform::TimeValue now) {
  HistoryLoad result;
  result.where = where;
  result.size = size;
  h = StartHistory{};
  h.firstTime = static_cast<std::uint32_t>(now);
  if (!bytes) {
    result.state = kind == platform::FileKind::Missing      ? HistoryFileState::Missing
                   : kind == platform::FileKind::NotRegular ? HistoryFileState::NotAFile
                                                            : HistoryFileState::Unreadable;
    return result;
  }
  result.state = result.size == kHistorySize ? HistoryFileState::Valid : HistoryFileState::WrongSize;
  // A longer file of ours still holds a history in its first 64 bytes; the
  // sibling's file of another size is not a history at all.
  if (bytes->size() >= kHistorySize && !(where.sibling && result.state == HistoryFileState::WrongSize))
    h = DecodeHistory(*bytes);
  return result;
}

}  // namespace

HistoryLoad LoadHistory(StartHistory& h, const HistoryLocation& where, platform::TimeValue now) {
  platform::FileKind kind = platform::FileKind::Missing;
  std::uint64_t size = 0;
  // Only the first 64 bytes count, so a huge file is not read whole.
  const auto bytes = platform::ReadFileStart(where.path, kHistorySize, &size, &kind);
  return Interpret(h, where, kind, size, bytes ? &*bytes : nullptr, now);
}

bool HistoryUnreadable(const HistoryLoad& load) {
  switch (load.state) {
    case HistoryFileState::Unreadable:
    case HistoryFileState::NotAFile: return true;
    case HistoryFileState::WrongSize: return load.where.sibling;
    case HistoryFileState::Missing:
    case HistoryFileState::Valid: return false;
  }
  return false;
}


HistorySave SaveHistory(const StartHistory& h, const HistoryLocation& where, platform::TimeValue now) {
  HistorySave result;
  result.path = where.path;
  if (const platform::PathInfo existing = platform::InspectPath(where.path); existing.exists) {
    if (!existing.regular) {
      result.problem = HistorySaveProblem::NotAFile;
      return result;
    }
    if (existing.size != kHistorySize) {
      if (where.sibling) {
        result.problem = HistorySaveProblem::NotAHistory;
        return result;
      }
      if (!existing.writable) {
        result.problem = HistorySaveProblem::ReadOnly;
        return result;
      }
      HistorySave kept = KeepDamaged(where.path, now);
      if (!kept) {
        kept.path = where.path;
        return kept;
      }
      result.keptAs = kept.keptAs;
    }
  }
  const platform::WriteResult written = platform::WriteFileReplacing(where.path, EncodeHistory(h));
  switch (written.status) {
    case platform::WriteStatus::Ok: break;
    case platform::WriteStatus::ReadOnly: result.problem = HistorySaveProblem::ReadOnly; break;
    case platform::WriteStatus::NotRegular: result.problem = HistorySaveProblem::NotAFile; break;
    case platform::WriteStatus::Failed: result.problem = HistorySaveProblem::WriteFailed; break;
  }
  result.error = written.error;
  return result;
}

void CountStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm) {
  h.count = SaturatingIncrement(h.count);
  platform::LocalTime last;
  // A time that cannot be broken down (damaged file) counts as another day.
  bool sameDay = h.lastTime != 0 && platform::BreakDownLocal(h.lastTime, last) &&
                 last.year == nowTm.year && last.month == nowTm.month && last.day == nowTm.day;
  h.dayCount = sameDay ? SaturatingIncrement(h.dayCount) : 1;
  if (h.dayCount > h.dayMax) h.dayMax = h.dayCount;
  h.lastTime = static_cast<std::uint32_t>(now);
}

HistorySave RecordStartup(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm,
                          const HistoryLocation& where) {
  CountStartup(h, now, nowTm);
  return SaveHistory(h, where, now);
}


HistoryCounting::HistoryCounting(const HistoryLocation& where, std::chrono::milliseconds wait)
    : where_(where), lock_(where.path, platform::PathLock::On::Folder, wait) {}

HistoryCounting::Contents HistoryCounting::Read() const {
  Contents c;
  auto bytes = platform::ReadFileStart(where_.path, kHistorySize, &c.size, &c.kind);
  if (bytes) {
    c.kind = platform::FileKind::Regular;
    c.start = std::move(*bytes);
    // Truncated between the size and the read: as short as what was read.
    if (c.start.size() < kHistorySize && c.size > c.start.size()) c.size = c.start.size();
  } else {
    c.size = 0;
  }
  return c;
}

HistoryLoad HistoryCounting::Load(StartHistory& h, platform::TimeValue now) {
  // A writer that truncates and then writes leaves a short file for a moment.
  contents_ = Read();
  for (int retry = 0; retry < kShortReadRetries && contents_.kind == platform::FileKind::Regular &&
                      contents_.size < kHistorySize;
       ++retry) {
    std::this_thread::sleep_for(kShortReadPause);
    contents_ = Read();
  }
  // The record is what was read: saving compares the file with these very bytes.
  loaded_ = Interpret(h, where_, contents_.kind, contents_.size,
                      contents_.kind == platform::FileKind::Regular ? &contents_.start : nullptr, now);
  return loaded_;
}

HistorySave HistoryCounting::Record(StartHistory& h, platform::TimeValue now, const platform::LocalTime& nowTm) {
  if (loaded_.state == HistoryFileState::Unreadable) return Skip(HistorySaveProblem::NotRead);
  // Another writer changed the file since it was loaded: count on what it wrote.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const Contents onDisk = Read();
    if (onDisk == contents_) break;
    contents_ = onDisk;
    StartHistory fresh;
    loaded_ = Interpret(fresh, where_, contents_.kind, contents_.size,
                        contents_.kind == platform::FileKind::Regular ? &contents_.start : nullptr, now);
    if (loaded_.state == HistoryFileState::Unreadable) return Skip(HistorySaveProblem::NotRead);
    if (loaded_.state == HistoryFileState::Valid) h = fresh;
  }
  HistorySave saved = RecordStartup(h, now, nowTm, where_);
  // The log follows the count; whatever becomes of it, the count stands.
  if (saved && logFolder_) logged_ = AppendStartup(*logFolder_, nowTm);
  lock_.Release();
  return saved;
}

HistorySave HistoryCounting::Skip(HistorySaveProblem why) {
  lock_.Release();
  HistorySave skipped;
  skipped.problem = why;
  skipped.path = where_.path;
  return skipped;
}

std::int64_t DaysSinceFirst(const StartHistory& h, platform::TimeValue now) {
  return (now - static_cast<platform::TimeValue>(h.firstTime)) / 86400 + 1;
}

std::int64_t ElapsedDays(const StartHistory& h, platform::TimeValue now) {
  const std::int64_t days = DaysSinceFirst(h, now);
  return days < 1 ? 1 : days;
}

double AveragePerDay(const StartHistory& h, platform::TimeValue now) {
  return static_cast<double>(RecordedStartups(h)) / static_cast<double>(ElapsedDays(h, now));
}

}  // namespace vp::state
