#include "test_support.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "base/utf8_file.h"

namespace vp::test {

using vp::Utf8Of;
using vp::Utf8Path;

TempDir::TempDir() {
  path_ = platform::MakeUniqueFolder(Utf8Of(std::filesystem::temp_directory_path() / "vptest."));
  if (path_.empty()) throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(Utf8Path(path_), std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(Utf8Path(path_), ec);
}

Sandbox::Sandbox() : registry_(regDir_.path()) {
  oldCwd_ = Utf8Of(std::filesystem::current_path());
  std::filesystem::current_path(Utf8Path(work_.path()));
}

Sandbox::~Sandbox() { std::filesystem::current_path(Utf8Path(oldCwd_)); }

std::string Sandbox::RegText(platform::RegRoot root) const {
  return ReadFile(registry_.FileOf(root));
}

void Sandbox::WriteReg(platform::RegRoot root, const std::string& text) const {
  WriteFile(registry_.FileOf(root), text);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
  out << content;
}

std::string RegString(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(Utf8Path(path), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

platform::TimeValue LocalTimeValue(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return static_cast<platform::TimeValue>(mktime(&tm));
}

platform::LocalTime Breakdown(platform::TimeValue t) {
  platform::LocalTime lt;
  platform::BreakDownLocal(t, lt);
  return lt;
}

}  // namespace vp::test
