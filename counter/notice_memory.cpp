#include "counter/notice_memory.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "platform/files.h"
#include "platform/work_folder.h"

namespace vp::counter {
namespace {
// A few dozen fingerprints at most; anything longer is not ours.
constexpr std::size_t kMostBytes = 4096;
}  // namespace

NoticeMemory::NoticeMemory(std::string folder)
    : file_(folder.empty() ? std::string() : platform::InWorkFolder(folder, kFileName)) {
  if (file_.empty()) return;
  // Only a regular file is read; anything else means everything is told again.
  if (const auto text = platform::ReadFileStart(file_, kMostBytes)) {
    std::istringstream list(*text);
    for (std::string fingerprint; list >> fingerprint;)
      if (fingerprint.size() == 16) previous_.insert(fingerprint);
  }
}

std::string NoticeMemory::Fingerprint(const std::string& text) {
  std::uint64_t hash = 1469598103934665603ull;  // FNV-1a: stable from run to run
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
  char out[17];
  std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(hash));
  return out;
}

std::string NoticeMemory::Tell(const std::string& text) {
  if (text.empty()) return {};
  const std::string fingerprint = Fingerprint(text);
  // Once per run too: a full disk fails the pictures and then every voice.
  if (!current_.insert(fingerprint).second) return {};
  return !file_.empty() && previous_.count(fingerprint) ? std::string() : text;
}

void NoticeMemory::Remember() {
  if (file_.empty() || current_ == previous_) return;
  std::string list;
  for (const std::string& fingerprint : current_) list += fingerprint + "\n";
  // Not worth a sync: a lost memory only means a notice is told once more.
  if (current_.empty()) platform::RemoveFile(file_);
  else platform::WriteFileReplacing(file_, list, false);
  previous_ = current_;
}

}  // namespace vp::counter
