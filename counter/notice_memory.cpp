#include "counter/notice_memory.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "state/settings.h"

namespace vp::counter {
namespace {
constexpr const char* kValue = "notices";
}

NoticeMemory::NoticeMemory(platform::Registry* reg) : reg_(reg) {
  if (!reg_) return;
  auto key = reg_->OpenKey(platform::RegRoot::CurrentUser, state::kSettingsKey, false);
  try {
    if (key && key->ValueExists(kValue)) {
      std::istringstream list(key->ReadString(kValue));
      for (std::string fingerprint; list >> fingerprint;) previous_.insert(fingerprint);
    }
  } catch (const platform::RegistryError&) {
    // Not ours to complain about: everything is told again.
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
  current_.insert(fingerprint);
  return reg_ && previous_.count(fingerprint) ? std::string() : text;
}

void NoticeMemory::Remember() {
  if (!reg_ || current_ == previous_) return;
  std::string list;
  for (const std::string& fingerprint : current_) list += (list.empty() ? "" : " ") + fingerprint;
  if (auto key = reg_->OpenKey(platform::RegRoot::CurrentUser, state::kSettingsKey, !current_.empty())) {
    key->WriteString(kValue, list);
    key->Close();
  }
  previous_ = current_;
}

}  // namespace vp::counter
