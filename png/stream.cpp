#include "png/stream.h"

#include "base/utf8_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vp::png {

void Stream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void Stream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

MemoryStream::MemoryStream(const void* data, std::size_t size)
    : view_(static_cast<const std::uint8_t*>(data)), size_(size) {}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
  std::size_t n = position_ < size_ ? std::min(count, size_ - position_) : 0;
  if (n) std::memcpy(buffer, Memory() + position_, n);
  position_ += n;
  return n;
}

std::size_t MemoryStream::Write(const void* buffer, std::size_t count) {
  if (view_) return 0;  // a view is read-only
  if (position_ + count > owned_.size()) owned_.resize(position_ + count);
  if (count) std::memcpy(owned_.data() + position_, buffer, count);
  position_ += count;
  size_ = std::max(size_, position_);
  return count;
}

void MemoryStream::SetPosition(std::int64_t position) {
  position_ = static_cast<std::size_t>(std::max<std::int64_t>(position, 0));
}

bool MemoryStream::LoadFromFile(const std::string& path) {
  // Regular files only (a FIFO would never end), and none beyond the codec's 1 GiB.
  std::error_code error;
  const std::filesystem::path file = Utf8Path(path);
  if (!std::filesystem::is_regular_file(file, error)) return false;
  const auto size = std::filesystem::file_size(file, error);
  if (error || size > (std::uintmax_t{1} << 30)) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::vector<std::uint8_t> content(static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(content.data()), static_cast<std::streamsize>(content.size())) ||
      in.peek() != std::char_traits<char>::eof())
    return false;
  view_ = nullptr;
  owned_ = std::move(content);
  size_ = owned_.size();
  position_ = 0;
  return true;
}

FileStream::FileStream(const std::string& path, Mode mode) {
  std::error_code error;
  if (mode == Mode::Read && !std::filesystem::is_regular_file(Utf8Path(path), error))
    throw EStreamError("Cannot open file \"" + path + "\"");
  file_ = OpenUtf8File(path, mode == Mode::Read ? "rb" : "wb");
  if (!file_) {
    throw EStreamError((mode == Mode::Read ? "Cannot open file \"" : "Cannot create file \"") + path + "\"");
  }
}

FileStream::~FileStream() {
  if (file_) std::fclose(file_);
}

std::size_t FileStream::Read(void* buffer, std::size_t count) { return std::fread(buffer, 1, count, file_); }

std::size_t FileStream::Write(const void* buffer, std::size_t count) {
  return std::fwrite(buffer, 1, count, file_);
}

std::int64_t FileStream::Position() const { return ftello(file_); }

void FileStream::SetPosition(std::int64_t position) { fseeko(file_, position, SEEK_SET); }

void FileStream::Flush() {
  if (std::fflush(file_) != 0) throw EStreamError("Stream write error");
}

std::int64_t FileStream::Size() const {
  off_t here = ftello(file_);
  fseeko(file_, 0, SEEK_END);
  off_t size = ftello(file_);
  fseeko(file_, here, SEEK_SET);
  return size;
}

}  // namespace vp::png
