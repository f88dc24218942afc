#include "test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vp::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vptest.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

Sandbox::Sandbox() : registry_(regDir_.path()) {
  oldCwd_ = std::filesystem::current_path().string();
  std::filesystem::current_path(work_.path());
}

Sandbox::~Sandbox() { std::filesystem::current_path(oldCwd_); }

std::string Sandbox::RegText(platform::RegRoot root) const {
  return ReadFile(registry_.FileOf(root));
}

void Sandbox::WriteReg(platform::RegRoot root, const std::string& text) const {
  WriteFile(registry_.FileOf(root), text);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
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
