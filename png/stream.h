#pragma once
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/error.h"

namespace vp::png {

// Raised by ReadBuffer / WriteBuffer when a stream cannot deliver or take every byte.
class EStreamError : public vp::Error {
 public:
  using vp::Error::Error;
};

class Stream {
 public:
  virtual ~Stream() = default;
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  virtual std::int64_t Position() const = 0;
  virtual void SetPosition(std::int64_t position) = 0;
  virtual std::int64_t Size() const = 0;

  // Read-exactly and write-all.
  void ReadBuffer(void* buffer, std::size_t count);
  void WriteBuffer(const void* buffer, std::size_t count);
  void Seek(std::int64_t offset) { SetPosition(Position() + offset); }
};

// Bytes in memory; readers use Memory() to read them in place.
class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  // A read-only view of bytes owned by the caller.
  MemoryStream(const void* data, std::size_t size);

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Position() const override { return static_cast<std::int64_t>(position_); }
  void SetPosition(std::int64_t position) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(size_); }

  const std::uint8_t* Memory() const { return view_ ? view_ : owned_.data(); }
  std::vector<std::uint8_t> Bytes() const { return {Memory(), Memory() + size_}; }
  bool LoadFromFile(const std::string& path);

 private:
  std::vector<std::uint8_t> owned_;
  const std::uint8_t* view_ = nullptr;
  std::size_t size_ = 0;
  std::size_t position_ = 0;
};

class FileStream : public Stream {
 public:
  enum class Mode { Read, Create };
  // Raises EStreamError when the file cannot be opened.
  FileStream(const std::string& path, Mode mode);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Position() const override;
  void SetPosition(std::int64_t position) override;
  std::int64_t Size() const override;
  // Pushes buffered bytes to the file; raises EStreamError when that fails.
  void Flush();

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace vp::png
