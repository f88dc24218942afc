#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "png/bitmap.h"
#include "png/stream.h"

namespace vp::png {

inline constexpr std::int64_t kStreamBufferSize = 65536;

// Progress in whole percent, split into phases. Shared by readers and writers.
class ProgressState {
 public:
  virtual ~ProgressState() = default;
  virtual bool CallBackProc(int percent) = 0;

 protected:
  void Start();
  // mode 0: by stream position (mark = consumed now), 1: by item count.
  void OpenPhase(std::uint32_t mode, std::int64_t total, int percent, std::int64_t mark);
  void Report(std::int64_t value);
  void Finish() { stop_ = CallBackProc(100); }
  std::int64_t PhaseValue(std::int64_t n, std::int64_t consumed, bool clampCount) const;

  int base_ = 0, last_ = 0, span_ = 0, remaining_ = 0;
  std::int64_t total_ = 1;
  std::uint32_t mode_ = 0;
  std::int64_t mark_ = 0;
  bool stop_ = false;
};

// Buffered big- and little-endian reading with sticky end and stop flags.
class TCustomReadStream : public ProgressState {
 public:
  TCustomReadStream() = default;
  ~TCustomReadStream() override = default;
  TCustomReadStream(const TCustomReadStream&) = delete;
  TCustomReadStream& operator=(const TCustomReadStream&) = delete;

  bool CallBackProc(int) override { return false; }

  void SetLoadStream(Stream& stream, std::int64_t size);
  void FlushStream();
  void ReadBuf(std::int64_t keep);
  void ReadSkipByte(std::int64_t n);
  void ReadByte(void* dest, std::int64_t n);
  std::uint8_t Read1Byte();
  std::uint16_t ReadMWord();
  std::uint32_t ReadMDword();
  std::uint16_t ReadWord();
  std::uint32_t ReadDWord();

  void SetCallBackParam(std::uint32_t mode, std::int64_t total, int percent);
  void StartCallBack() { Start(); }
  void EndCallBack() { Finish(); }
  void DoCallBack(std::int64_t n);

  bool StopFlag() const { return stop_; }
  bool EndFlag() const { return end_; }
  bool HeaderFound() const { return headerFound_; }
  std::int64_t DataSize() const { return dataSize_; }
  std::int64_t Consumed() const { return consumed_; }

  bool skipHeader = false;

 protected:
  // Makes at least w bytes available at the cursor; false sets the end flag.
  bool Need(std::int64_t w);

  std::int64_t dataSize_ = 0;
  std::int64_t consumed_ = 0;
  const std::uint8_t* cursor_ = nullptr;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::int64_t buffered_ = 0;
  std::int64_t startOffset_ = 0;
  bool end_ = false;
  bool headerFound_ = false;
  Stream* source_ = nullptr;
};

// A reader that decodes into a target bitmap.
class TCustomGraphicReadStream : public TCustomReadStream {
 public:
  TCustomGraphicReadStream() { skipHeader = true; }
  bool CallBackProc(int percent) override;

  // Decodes `size` bytes of the stream (all that remain when size <= 0) into the
  // bitmap; without a bitmap only the header information is gathered.
  void LoadFromStream(Bitmap* bitmap, Stream& stream, std::int64_t size);

  std::string comment;
  std::int32_t width = 0, height = 0;
  int bitmapBitCount = 24;
  std::int32_t sourceBitDepth = 0;
  std::int32_t paletteEntries = 0;
  std::int32_t physUnit = 0, physX = 0, physY = 0;
  std::string progressMessage;

 protected:
  virtual void ReadStream() = 0;
  virtual void CreateDIB();
  std::uint8_t* CreateColorBuf();
  void FreeColorBuf() { colorTable_.reset(); }

  Bitmap* bitmap_ = nullptr;
  bool headerOnly_ = false;
  std::unique_ptr<std::uint8_t[]> colorTable_;  // 256 x blue, green, red, reserved
};

// Buffered writing with big- and little-endian helpers.
class TCustomWriteStream : public ProgressState {
 public:
  TCustomWriteStream() : buffer_(new std::uint8_t[kStreamBufferSize]) { cursor_ = buffer_.get(); }
  ~TCustomWriteStream() override = default;
  TCustomWriteStream(const TCustomWriteStream&) = delete;
  TCustomWriteStream& operator=(const TCustomWriteStream&) = delete;

  bool CallBackProc(int) override { return false; }

  void SetWriteStream(Stream& stream);
  void WriteBuf();
  void FlushStream();
  void WriteByte(const void* source, std::int64_t n);
  void Write1Byte(std::uint8_t v);
  void WriteWord(std::uint16_t v);
  void WriteMWord(std::uint16_t v);
  void WriteDWord(std::uint32_t v);
  void WriteMDWord(std::uint32_t v);

  void SetCallBackParam(std::uint32_t mode, std::int64_t total, int percent);
  void StartCallBack() { Start(); }
  void EndCallBack() { Finish(); }
  void DoCallBack(std::int64_t n);

  bool StopFlag() const { return stop_; }
  std::int64_t Buffered() const { return buffered_; }
  std::int64_t TotalWritten() const { return totalWritten_; }
  std::string progressMessage;

 protected:
  void Put(const void* p, std::int64_t n);

  std::int64_t buffered_ = 0;
  std::int64_t totalWritten_ = 0;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::uint8_t* cursor_;
  Stream* target_ = nullptr;
};

class TCustomGraphicWriteStream : public TCustomWriteStream {
 public:
  bool CallBackProc(int percent) override;
  void SaveToStream(const Bitmap& bitmap, Stream& stream);

 protected:
  virtual void WriteStream() = 0;
  const Bitmap* bitmap_ = nullptr;
};

int PixelBitCount(PixelFormat f);
PixelFormat BitsPixelFormat(int bits);

}  // namespace vp::png
