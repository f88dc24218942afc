#include "png/byte_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vp::png {

// ---- progress ----

void ProgressState::Start() {
  base_ = last_ = span_ = 0;
  remaining_ = 99;
  stop_ = false;
  stop_ = CallBackProc(0);
}

void ProgressState::OpenPhase(std::uint32_t mode, std::int64_t total, int percent, std::int64_t mark) {
  base_ += span_;
  last_ = base_;
  remaining_ -= span_;
  mode_ = mode;
  total_ = total == 0 ? 1 : total;
  mark_ = mark;
  span_ = (percent >= 1 && percent <= 99) ? percent * remaining_ / 100 : remaining_;
}

void ProgressState::Report(std::int64_t value) {
  if (base_ + value > last_) {
    last_ = static_cast<int>(base_ + value);
    stop_ = CallBackProc(last_);
  }
}

std::int64_t ProgressState::PhaseValue(std::int64_t n, std::int64_t consumed, bool clampCount) const {
  if (mode_ == 0) return span_ * (consumed - mark_) / total_;
  if (clampCount && n >= total_) return span_;
  return n * span_ / total_;
}

// ---- reader ----

void TCustomReadStream::SetLoadStream(Stream& stream, std::int64_t size) {
  source_ = &stream;
  startOffset_ = stream.Position();
  dataSize_ = size > 0 ? size : stream.Size() - startOffset_;
  consumed_ = 0;
  stop_ = end_ = false;
  headerFound_ = false;
  buffered_ = 0;
  cursor_ = nullptr;
  if (dataSize_ <= 0) {
    end_ = true;
    return;
  }
  if (auto* memory = dynamic_cast<MemoryStream*>(&stream)) {
    // Read in place; never past the bytes the stream really holds.
    dataSize_ = std::min(dataSize_, memory->Size() - startOffset_);
    if (dataSize_ <= 0) {
      end_ = true;
      return;
    }
    cursor_ = memory->Memory() + startOffset_;
    buffered_ = dataSize_;
  } else {
    if (!buffer_) buffer_.reset(new std::uint8_t[kStreamBufferSize]);
    cursor_ = buffer_.get();
    ReadBuf(0);
  }
  if (skipHeader && dataSize_ > 128 && cursor_[0] == 0 && cursor_[74] == 0) {
    headerFound_ = true;
    cursor_ += 128;
    consumed_ = 128;
    buffered_ -= 128;
  }
}

void TCustomReadStream::FlushStream() {
  buffer_.reset();
  cursor_ = nullptr;
  buffered_ = 0;
  if (source_) source_->SetPosition(startOffset_ + consumed_);
}

void TCustomReadStream::ReadBuf(std::int64_t keep) {
  std::int64_t room = kStreamBufferSize - keep;
  std::int64_t unread = dataSize_ - consumed_ - keep;
  std::int64_t n = std::max<std::int64_t>(0, std::min(room, unread));
  source_->ReadBuffer(buffer_.get() + keep, static_cast<std::size_t>(n));
  buffered_ = keep + n;
  cursor_ = buffer_.get();
}

bool TCustomReadStream::Need(std::int64_t w) {
  if (stop_ || end_) return false;
  if (consumed_ + w > dataSize_) {
    end_ = true;
    return false;
  }
  if (buffered_ < w) {
    std::memmove(buffer_.get(), cursor_, static_cast<std::size_t>(buffered_));
    ReadBuf(buffered_);
  }
  return true;
}

void TCustomReadStream::ReadSkipByte(std::int64_t n) {
  if (stop_ || end_) return;
  if (consumed_ + n > dataSize_) {
    end_ = true;
    return;
  }
  if (n <= 0) {
    stop_ = true;
    return;
  }
  if (buffered_ < n) {
    consumed_ += n;
    source_->Seek(n - buffered_);
    buffered_ = 0;
    cursor_ = buffer_.get();
  } else {
    cursor_ += n;
    consumed_ += n;
    buffered_ -= n;
  }
}

void TCustomReadStream::ReadByte(void* dest, std::int64_t n) {
  if (stop_ || end_) return;
  if (n <= 0) {
    stop_ = true;
    return;
  }
  if (consumed_ + n > dataSize_) {
    end_ = true;
    return;
  }
  auto* out = static_cast<std::uint8_t*>(dest);
  if (buffered_ < n) {
    std::memcpy(out, cursor_, static_cast<std::size_t>(buffered_));
    out += buffered_;
    n -= buffered_;
    consumed_ += buffered_;
    buffered_ = 0;
    if (n > kStreamBufferSize - 1) {
      std::int64_t direct = n - kStreamBufferSize;
      source_->ReadBuffer(out, static_cast<std::size_t>(direct));
      out += direct;
      n -= direct;
      consumed_ += direct;
    }
    ReadBuf(0);
  }
  std::memcpy(out, cursor_, static_cast<std::size_t>(n));
  cursor_ += n;
  consumed_ += n;
  buffered_ -= n;
}

std::uint8_t TCustomReadStream::Read1Byte() {
  if (!Need(1)) return 0;
  std::uint8_t v = cursor_[0];
  ++cursor_;
  ++consumed_;
  --buffered_;
  return v;
}

std::uint16_t TCustomReadStream::ReadMWord() {
  if (!Need(2)) return 0;
  std::uint16_t v = static_cast<std::uint16_t>((cursor_[0] << 8) | cursor_[1]);
  cursor_ += 2;
  consumed_ += 2;
  buffered_ -= 2;
  return v;
}

std::uint32_t TCustomReadStream::ReadMDword() {
  if (!Need(4)) return 0;
  std::uint32_t v = (std::uint32_t{cursor_[0]} << 24) | (std::uint32_t{cursor_[1]} << 16) |
                    (std::uint32_t{cursor_[2]} << 8) | cursor_[3];
  cursor_ += 4;
  consumed_ += 4;
  buffered_ -= 4;
  return v;
}

std::uint16_t TCustomReadStream::ReadWord() {
  if (!Need(2)) return 0;
  std::uint16_t v = static_cast<std::uint16_t>(cursor_[0] | (cursor_[1] << 8));
  cursor_ += 2;
  consumed_ += 2;
  buffered_ -= 2;
  return v;
}

std::uint32_t TCustomReadStream::ReadDWord() {
  if (!Need(4)) return 0;
  std::uint32_t v = cursor_[0] | (std::uint32_t{cursor_[1]} << 8) | (std::uint32_t{cursor_[2]} << 16) |
                    (std::uint32_t{cursor_[3]} << 24);
  cursor_ += 4;
  consumed_ += 4;
  buffered_ -= 4;
  return v;
}

void TCustomReadStream::SetCallBackParam(std::uint32_t mode, std::int64_t total, int percent) {
  OpenPhase(mode, mode == 1 ? total : dataSize_, percent, consumed_);
}

void TCustomReadStream::DoCallBack(std::int64_t n) { Report(PhaseValue(n, consumed_, true)); }

// ---- graphic reader ----

namespace {
ProgressStage StageOf(int& percent) {
  if (percent == 0) return ProgressStage::psStarting;
  if (percent >= 1 && percent <= 99) return ProgressStage::psRunning;
  percent = 100;
  return ProgressStage::psEnding;
}
}  // namespace

bool TCustomGraphicReadStream::CallBackProc(int percent) {
  if (bitmap_ && bitmap_->OnProgress) {
    ProgressStage stage = StageOf(percent);
    bitmap_->OnProgress(*bitmap_, stage, percent, false, Rect{}, progressMessage);
  }
  return false;
}

std::uint8_t* TCustomGraphicReadStream::CreateColorBuf() {
  if (!colorTable_) {
    colorTable_.reset(new std::uint8_t[1024]);
    std::memset(colorTable_.get(), 0, 1024);
  }
  return colorTable_.get();
}

void TCustomGraphicReadStream::LoadFromStream(Bitmap* bitmap, Stream& stream, std::int64_t size) {
  bitmap_ = bitmap;
  headerOnly_ = bitmap == nullptr;
  NotifyEvent savedChange;
  if (bitmap) savedChange = std::exchange(bitmap->OnChange, nullptr);
  struct Restore {
    TCustomGraphicReadStream* self;
    NotifyEvent* saved;
    ~Restore() {
      self->FlushStream();
      self->FreeColorBuf();
      if (self->bitmap_) self->bitmap_->OnChange = std::move(*saved);
    }
  } restore{this, &savedChange};
  SetLoadStream(stream, size);
  comment.clear();
  paletteEntries = 0;
  physUnit = physX = physY = 0;
  ReadStream();
}

void TCustomGraphicReadStream::CreateDIB() {
  if (headerOnly_) return;
  bitmap_->Clear();
  bitmap_->SetTransparent(false);
  bitmap_->SetPixelFormat(BitsPixelFormat(bitmapBitCount));
  bitmap_->SetSize(width, height);
  if (colorTable_) {
    std::vector<ColorValue> entries;
    const std::uint8_t* t = colorTable_.get();
    for (int i = 0; i < paletteEntries && i < 256; ++i) entries.push_back(PackRgb(t[4 * i + 2], t[4 * i + 1], t[4 * i]));
    bitmap_->SetPalette(std::move(entries));
  }
}

// ---- writer ----

void TCustomWriteStream::SetWriteStream(Stream& stream) {
  target_ = &stream;
  buffered_ = 0;
  totalWritten_ = 0;
  cursor_ = buffer_.get();
  stop_ = false;
}

void TCustomWriteStream::WriteBuf() {
  target_->WriteBuffer(buffer_.get(), static_cast<std::size_t>(buffered_));
  totalWritten_ += buffered_;
  buffered_ = 0;
  cursor_ = buffer_.get();
}

void TCustomWriteStream::FlushStream() {
  if (buffered_ > 0) WriteBuf();
}

void TCustomWriteStream::Put(const void* p, std::int64_t n) {
  if (buffered_ + n > kStreamBufferSize - 1) WriteBuf();
  std::memcpy(cursor_, p, static_cast<std::size_t>(n));
  cursor_ += n;
  buffered_ += n;
}

void TCustomWriteStream::WriteByte(const void* source, std::int64_t n) {
  if (stop_) return;
  if (n <= 0) {
    stop_ = true;
    return;
  }
  if (n < 65520) {
    Put(source, n);
    return;
  }
  if (buffered_ > 0) WriteBuf();
  target_->WriteBuffer(source, static_cast<std::size_t>(n));
  totalWritten_ += n;
}

void TCustomWriteStream::Write1Byte(std::uint8_t v) { Put(&v, 1); }

void TCustomWriteStream::WriteWord(std::uint16_t v) {
  std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
  Put(b, 2);
}

void TCustomWriteStream::WriteMWord(std::uint16_t v) {
  std::uint8_t b[2] = {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
  Put(b, 2);
}

void TCustomWriteStream::WriteDWord(std::uint32_t v) {
  std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                       static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  Put(b, 4);
}

void TCustomWriteStream::WriteMDWord(std::uint32_t v) {
  std::uint8_t b[4] = {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                       static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
  Put(b, 4);
}

void TCustomWriteStream::SetCallBackParam(std::uint32_t, std::int64_t total, int percent) {
  OpenPhase(1, total, percent, 0);
}

void TCustomWriteStream::DoCallBack(std::int64_t n) { Report(PhaseValue(n, 0, false)); }

bool TCustomGraphicWriteStream::CallBackProc(int percent) {
  if (bitmap_ && bitmap_->OnProgress) {
    ProgressStage stage = StageOf(percent);
    bitmap_->OnProgress(*bitmap_, stage, percent, false, Rect{}, progressMessage);
  }
  return false;
}

void TCustomGraphicWriteStream::SaveToStream(const Bitmap& bitmap, Stream& stream) {
  SetWriteStream(stream);
  bitmap_ = &bitmap;
  WriteStream();
  FlushStream();
}

// ---- pixel formats ----

int PixelBitCount(PixelFormat f) { return Bitmap::BitsOf(f); }

PixelFormat BitsPixelFormat(int bits) {
  switch (bits) {
    case 1: return PixelFormat::pf1bit;
    case 4: return PixelFormat::pf4bit;
    case 8: return PixelFormat::pf8bit;
    case 15: return PixelFormat::pf15bit;
    case 16: return PixelFormat::pf16bit;
    case 32: return PixelFormat::pf32bit;
    default: return PixelFormat::pf24bit;
  }
}

}  // namespace vp::png
