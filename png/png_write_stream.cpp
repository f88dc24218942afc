#include "png/png_write_stream.h"

#include "base/utc_time.h"

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <ctime>

#include "png/png_error.h"

namespace vp::png {
namespace {

constexpr const char* kSoftware = "VPPNG ver 1.0";

int GreyLevel(int r, int g, int b) { return (r * 77 + g * 150 + b * 29) >> 8; }

void PutM32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

void PutM16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}


}  // namespace

TPNGTime PNGTime(int year, int month, int day, int hour, int minute, int second) {
  TPNGTime t;
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint8_t>(month);
  t.day = static_cast<std::uint8_t>(day);
  t.hour = static_cast<std::uint8_t>(hour);
  t.minute = static_cast<std::uint8_t>(minute);
  t.second = static_cast<std::uint8_t>(second);
  return t;
}

TPNGTime SystemPNGTime() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  BreakDownUtc(now, tm);
  return PNGTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

TPngWriteStream::TPngWriteStream() {
  row_.emitChunk = [this](const std::uint8_t* data, std::uint32_t n) { WriteChunk(ChunkType("IDAT"), data, n); };
}

TPngWriteStream::~TPngWriteStream() = default;  // the zlib stream ends itself

void TPngWriteStream::SetIDATSize(std::int32_t n) {
  if (n < 256 || n > 100000) throw EPngError(PngErrorCode::BadWriteBufferSize);
  idatSize_ = n;
}

void TPngWriteStream::WriteChunk(std::uint32_t type, const std::uint8_t* data, std::uint32_t length) {
  std::uint8_t head[8];
  PutM32(head, length);
  PutM32(head + 4, type);
  uLong crc = crc32(0L, head + 4, 4);
  if (length) crc = crc32(crc, data, length);
  WriteByte(head, 8);
  if (length) WriteByte(data, length);
  WriteMDWord(static_cast<std::uint32_t>(crc));
}

void TPngWriteStream::WriteStream() {
  greyOutput_ = alpha_ = paletteGrey_ = false;
  activeAlpha_ = nullptr;
  struct Release {  // the rows; the zlib stream ends with WriteImage's Finish or, at the latest, itself
    TPngWriteStream* self;
    ~Release() { self->FreeBufMem(); }
  } release{this};

  sourceBits_ = PixelBitCount(bitmap_->GetPixelFormat());
  workingBits_ = (sourceBits_ == 15 || sourceBits_ == 16) ? 24 : sourceBits_;
  if (alphaBitmap && alphaBitmap != bitmap_ && !alphaBitmap->Empty() && alphaBitmap->Width() == bitmap_->Width() &&
      alphaBitmap->Height() == bitmap_->Height() && alphaBitmap->BitCount() == 8) {
    activeAlpha_ = alphaBitmap;
  }
  paletteGrey_ = paletteAsGrey && sourceBits_ == 8 && activeAlpha_ && !grayscale;

  StartCallBack();
  SetCallBackParam(1, 10, 30);
  if (writeSignature) WriteByte(kPngSignature, 8);
  WriteIHDR();
  WritetIMe();
  WritetExt();
  WriteTextMes("Software", kSoftware);
  WritetpNg();
  WritegIFg();
  WritegAMA();
  WritecHRM();
  WritesBIT();
  WritePLTE();
  WritebKGD();
  WritetRNS();
  WritepHYs();
  DoCallBack(10);
  if (StopFlag()) return;
  WriteImage();
  if (StopFlag()) return;
  WriteChunk(ChunkType("IEND"), nullptr, 0);
  EndCallBack();
}

void TPngWriteStream::WriteIHDR() {
  greyOutput_ = grayscale || paletteGrey_;
  if (greyOutput_) {
    if (workingBits_ == 1 || workingBits_ == 4) {
      bitDepth_ = workingBits_;
      colourType_ = 0;
      pngBitsPerPixel_ = workingBits_;
    } else {
      if (workingBits_ > 8) workingBits_ = 8;
      bitDepth_ = 8;
      colourType_ = (activeAlpha_ || paletteGrey_) ? 4 : 0;
      pngBitsPerPixel_ = colourType_ == 4 ? 16 : 8;
    }
  } else if (workingBits_ <= 8) {
    bitDepth_ = workingBits_;
    colourType_ = 3;
    pngBitsPerPixel_ = workingBits_;
  } else {
    bitDepth_ = 8;
    colourType_ = activeAlpha_ ? 6 : 2;
    pngBitsPerPixel_ = activeAlpha_ ? 32 : 24;
  }
  alpha_ = colourType_ == 4 || colourType_ == 6;
  std::uint8_t data[13];
  PutM32(data, static_cast<std::uint32_t>(bitmap_->Width()));
  PutM32(data + 4, static_cast<std::uint32_t>(bitmap_->Height()));
  data[8] = static_cast<std::uint8_t>(bitDepth_);
  data[9] = static_cast<std::uint8_t>(colourType_);
  data[10] = 0;
  data[11] = 0;
  data[12] = interlace;
  WriteChunk(ChunkType("IHDR"), data, 13);
}

void TPngWriteStream::WritetIMe() {
  TPNGTime t;
  if (writeCurrentTime) t = SystemPNGTime();
  else if (timeRecord) t = *timeRecord;
  else return;
  if (t.year == 0 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour >= 24 || t.minute >= 60 ||
      t.second >= 61)
    return;
  std::uint8_t data[7];
  PutM16(data, t.year);
  data[2] = t.month;
  data[3] = t.day;
  data[4] = t.hour;
  data[5] = t.minute;
  data[6] = t.second;
  WriteChunk(ChunkType("tIME"), data, 7);
}

void TPngWriteStream::WritetExt() { WriteTextMes("Comment", comment); }

void TPngWriteStream::WriteTextMes(const std::string& keyword, const std::string& text) {
  if (text.empty() || keyword.size() >= 80) return;
  std::vector<std::uint8_t> data(keyword.begin(), keyword.end());
  data.push_back(0);
  data.insert(data.end(), text.begin(), text.end());
  WriteChunk(ChunkType("tEXt"), data.data(), static_cast<std::uint32_t>(data.size()));
}

void TPngWriteStream::WritetpNg() {
  std::uint8_t data[8];
  std::memcpy(data, kPrivateMagic, 4);
  data[4] = (!password.empty() && onEncode) ? 1 : 0;
  data[5] = paletteGrey_ ? 1 : 0;
  data[6] = data[7] = 0;
  WriteChunk(ChunkType("tpNg"), data, 8);
}

void TPngWriteStream::WritegIFg() {
  if (!gifRecord) return;
  if (gifRecord->disposal == 0 && gifRecord->userInput == 0 && gifRecord->delay[0] == 0 && gifRecord->delay[1] == 0)
    return;
  std::uint8_t data[4] = {gifRecord->disposal, gifRecord->userInput, gifRecord->delay[0], gifRecord->delay[1]};
  WriteChunk(ChunkType("gIFg"), data, 4);
}

void TPngWriteStream::WritegAMA() {
  double scaled = std::floor(gamma * 100000.0);
  if (!(scaled > 0) || scaled > 4294967295.0) return;
  std::uint8_t data[4];
  PutM32(data, static_cast<std::uint32_t>(scaled));
  WriteChunk(ChunkType("gAMA"), data, 4);
}

void TPngWriteStream::WritecHRM() {
  if (!chrmRecord || chrmRecord->whiteX == 0 || chrmRecord->whiteY == 0) return;
  const std::uint32_t v[8] = {chrmRecord->whiteX, chrmRecord->whiteY, chrmRecord->redX,   chrmRecord->redY,
                              chrmRecord->greenX, chrmRecord->greenY, chrmRecord->blueX, chrmRecord->blueY};
  std::uint8_t data[32];
  for (int i = 0; i < 8; ++i) PutM32(data + 4 * i, v[i]);
  WriteChunk(ChunkType("cHRM"), data, 32);
}

void TPngWriteStream::WritesBIT() {
  std::uint32_t bits = significantBits;
  const std::uint32_t alphaBits = alpha_ ? 0x08000000u : 0;
  if (sourceBits_ == 15) bits = 0x050505u | alphaBits;
  else if (sourceBits_ == 16) bits = 0x050605u | alphaBits;
  if (bits == 0 || greyOutput_) return;
  std::uint8_t data[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
  WriteChunk(ChunkType("sBIT"), data, alpha_ ? 4 : 3);
}

void TPngWriteStream::WritePLTE() {
  if (workingBits_ > 8 || (greyOutput_ && !paletteGrey_)) return;
  const auto& palette = bitmap_->Palette();
  if (palette.empty()) return;
  std::vector<std::uint8_t> data;
  for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
    data.push_back(static_cast<std::uint8_t>(RedOf(palette[i])));
    data.push_back(static_cast<std::uint8_t>(GreenOf(palette[i])));
    data.push_back(static_cast<std::uint8_t>(BlueOf(palette[i])));
  }
  WriteChunk(ChunkType("PLTE"), data.data(), static_cast<std::uint32_t>(data.size()));
}

int TPngWriteStream::GreyOfColour(ColorValue c) const {
  const auto& palette = bitmap_->Palette();
  if (IsPaletteIndex(c) && sourceBits_ <= 8) {
    std::size_t index = static_cast<std::size_t>(c & 0xFF);
    c = index < palette.size() ? palette[index] : 0;
  }
  int g = GreyLevel(RedOf(c), GreenOf(c), BlueOf(c));
  if (sourceBits_ == 1) return g >= 128 ? 1 : 0;
  if (sourceBits_ == 4) return g >> 4;
  return g;
}

int TPngWriteStream::NearestPaletteIndex(ColorValue c) const {
  if (IsPaletteIndex(c)) return c & 0xFF;
  const auto& palette = bitmap_->Palette();
  int best = -1, bestDistance = 1 << 30;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    int d = std::abs(RedOf(palette[i]) - RedOf(c)) + std::abs(GreenOf(palette[i]) - GreenOf(c)) +
            std::abs(BlueOf(palette[i]) - BlueOf(c));
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return best;
}

void TPngWriteStream::WritebKGD() {
  if (backgroundColor == kNoColor) return;
  std::uint8_t data[6];
  if (greyOutput_ && !paletteGrey_) {
    PutM16(data, static_cast<std::uint32_t>(GreyOfColour(backgroundColor)));
    WriteChunk(ChunkType("bKGD"), data, 2);
  } else if (sourceBits_ <= 8) {
    if (bitmap_->Palette().empty()) return;
    int index = NearestPaletteIndex(backgroundColor);
    if (colourType_ == 4) {
      PutM16(data, static_cast<std::uint32_t>(index));
      WriteChunk(ChunkType("bKGD"), data, 2);
    } else {
      data[0] = static_cast<std::uint8_t>(index);
      WriteChunk(ChunkType("bKGD"), data, 1);
    }
  } else {
    PutM16(data, RedOf(backgroundColor));
    PutM16(data + 2, GreenOf(backgroundColor));
    PutM16(data + 4, BlueOf(backgroundColor));
    WriteChunk(ChunkType("bKGD"), data, 6);
  }
}

void TPngWriteStream::WritetRNS() {
  if (transColor == kNoColor || alpha_) return;
  std::uint8_t data[256];
  if (greyOutput_) {
    PutM16(data, static_cast<std::uint32_t>(GreyOfColour(transColor)));
    WriteChunk(ChunkType("tRNS"), data, 2);
  } else if (sourceBits_ <= 8) {
    if (bitmap_->Palette().empty()) return;
    int index = NearestPaletteIndex(transColor);
    std::memset(data, 255, sizeof data);
    data[index] = 0;
    WriteChunk(ChunkType("tRNS"), data, static_cast<std::uint32_t>(index + 1));
  } else {
    PutM16(data, RedOf(transColor));
    PutM16(data + 2, GreenOf(transColor));
    PutM16(data + 4, BlueOf(transColor));
    WriteChunk(ChunkType("tRNS"), data, 6);
  }
}

void TPngWriteStream::WritepHYs() {
  if (physX <= 0 || physY <= 0) return;
  std::uint32_t x = static_cast<std::uint32_t>(physX), y = static_cast<std::uint32_t>(physY);
  std::uint8_t unit = 1;
  if (physUnit == TPngUnitSpecifier::gpuAspect) unit = 0;
  if (physUnit == TPngUnitSpecifier::gpuInch) {
    x = static_cast<std::uint32_t>(std::floor(physX * 100.0 / 254.0 * 100.0));
    y = static_cast<std::uint32_t>(std::floor(physY * 100.0 / 254.0 * 100.0));
  }
  std::uint8_t data[9];
  PutM32(data, x);
  PutM32(data + 4, y);
  data[8] = unit;
  WriteChunk(ChunkType("pHYs"), data, 9);
}

void TPngWriteStream::SetGrayScalePaletteIndex() {
  const auto& palette = bitmap_->Palette();
  const int entries = 1 << sourceBits_;
  std::memset(greyMap_, 0, sizeof greyMap_);
  if (palette.empty()) {
    for (int i = 0; i < entries; ++i) greyMap_[i] = static_cast<std::uint8_t>(i);
    return;
  }
  auto level = [&](int i, int shift) -> int {
    ColorValue c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
    return (RedOf(c) * 77 + GreenOf(c) * 150 + BlueOf(c) * 29) >> shift;
  };
  if (sourceBits_ == 1) {
    greyMap_[0] = level(1, 8) < level(0, 8) ? 255 : 0;
  } else {
    for (int i = 0; i < entries; ++i) greyMap_[i] = static_cast<std::uint8_t>(level(i, sourceBits_ == 4 ? 12 : 8));
  }
}

void TPngWriteStream::GetBufMem() {
  auto round32 = [](std::size_t n) { return (n + 31) & ~std::size_t{31}; };
  const std::size_t part = round32(Bitmap::LineSize(bitmap_->Width(), pngBitsPerPixel_) + 8);
  buffers_.assign(4 * part + 1024 + 32, 0);
  std::uint8_t* base = buffers_.data();
  base += (32 - reinterpret_cast<std::uintptr_t>(base) % 32) % 32;
  row_.current = base;
  row_.previous = base + part;
  row_.output = base + 2 * part;
  row_.scratch = base + 3 * part;
  row_.histogram = reinterpret_cast<std::uint32_t*>(base + 4 * part);
}

void TPngWriteStream::FreeBufMem() {
  buffers_.clear();
  buffers_.shrink_to_fit();
  row_.current = row_.previous = row_.output = row_.scratch = nullptr;
  row_.histogram = nullptr;
}

void TPngWriteStream::GetLinePixels(int y, const PassInfo& pass, std::int64_t passWidth) {
  const std::uint8_t* src = bitmap_->ScanLine(y);
  const std::uint8_t* alpha = alpha_ ? activeAlpha_->ScanLine(y) : nullptr;
  std::uint8_t* out = row_.current;
  const std::int64_t step = pass.stepX;
  std::int64_t x = pass.startX;
  auto emitColour = [&](int r, int g, int b, std::int64_t sx) {
    if (greyOutput_) {
      *out++ = static_cast<std::uint8_t>(GreyLevel(r, g, b));
    } else {
      *out++ = static_cast<std::uint8_t>(r);
      *out++ = static_cast<std::uint8_t>(g);
      *out++ = static_cast<std::uint8_t>(b);
    }
    if (alpha_) *out++ = static_cast<std::uint8_t>(255 - alpha[sx]);
  };
  switch (sourceBits_) {
    case 1: {
      const bool invert = greyOutput_ && greyMap_[0] == 255;
      std::memset(out, 0, static_cast<std::size_t>((passWidth + 7) / 8));
      for (std::int64_t k = 0; k < passWidth; ++k, x += step) OrPackedIndex(out, k, 1, PackedIndex(src, x, 1));
      if (invert)
        for (std::int64_t i = 0; i < (passWidth + 7) / 8; ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
      break;
    }
    case 4: {
      std::memset(out, 0, static_cast<std::size_t>((passWidth + 1) / 2));
      for (std::int64_t k = 0; k < passWidth; ++k, x += step) {
        unsigned v = PackedIndex(src, x, 4);
        if (greyOutput_) v = greyMap_[v] & 15;
        OrPackedIndex(out, k, 4, v);
      }
      break;
    }
    case 8:
      for (std::int64_t k = 0; k < passWidth; ++k, x += step) {
        std::uint8_t v = src[x];
        *out++ = (greyOutput_ && !paletteGrey_) ? greyMap_[v] : v;
        if (alpha_) *out++ = static_cast<std::uint8_t>(255 - alpha[x]);
      }
      break;
    case 15:
    case 16:
      for (std::int64_t k = 0; k < passWidth; ++k, x += step) {
        unsigned w = src[2 * x] | (src[2 * x + 1] << 8);
        unsigned r, g, b;
        if (sourceBits_ == 15) {
          r = (w >> 10) & 31;
          g = (w >> 5) & 31;
          b = w & 31;
          g = (g << 3) + (g >> 2);
        } else {
          r = (w >> 11) & 31;
          g = (w >> 5) & 63;
          b = w & 31;
          g = (g << 2) + (g >> 4);
        }
        emitColour(static_cast<int>((r << 3) + (r >> 2)), static_cast<int>(g), static_cast<int>((b << 3) + (b >> 2)), x);
      }
      break;
    case 24:
      if (!greyOutput_ && !alpha_ && step == 1) {
        for (std::int64_t k = 0; k < passWidth; ++k, src += 3, out += 3) {
          out[0] = src[2];
          out[1] = src[1];
          out[2] = src[0];
        }
        break;
      }
      for (std::int64_t k = 0; k < passWidth; ++k, x += step)
        emitColour(src[3 * x + 2], src[3 * x + 1], src[3 * x], x);
      break;
    default:  // 32
      for (std::int64_t k = 0; k < passWidth; ++k, x += step)
        emitColour(src[4 * x + 2], src[4 * x + 1], src[4 * x], x);
      break;
  }
}

void TPngWriteStream::WriteImage() {
  GetBufMem();
  if (greyOutput_ && !paletteGrey_ && sourceBits_ <= 8) SetGrayScalePaletteIndex();
  // Filtered rows hold small differences: deflate's filtered strategy (as
  // libpng uses) packs them 5 to 10 % tighter than the default one.
  const bool filteredRows = filterType != TPngFilterType::gpfNone && colourType_ != 3 && pngBitsPerPixel_ >= 8;
  if (ZLIBEncodeInit(row_, compressionLevel, idatSize_, filteredRows ? Z_FILTERED : Z_DEFAULT_STRATEGY) < 0)
    throw EPngError(PngErrorCode::WriteFailed);
  struct Finish {
    TPngWriteStream* self;
    ~Finish() {
      ZLIBEncodeFinish(self->row_);
      self->FreeBufMem();
    }
  };
  const std::int64_t width = bitmap_->Width(), height = bitmap_->Height();
  const bool adam7 = interlace == 1;
  row_.bitsPerPixel = pngBitsPerPixel_;
  row_.filter = filterType;
  row_.workingBits = workingBits_;
  SetCallBackParam(1, TotalRows(height, adam7), 0);
  const bool withHandler = !password.empty() && static_cast<bool>(onEncode);
  std::int64_t rowCounter = 1;
  {
    Finish finish{this};
    for (const PassRows& rows : ImagePasses(width, height, adam7, pngBitsPerPixel_)) {
      if (StopFlag()) break;
      const PassInfo& pass = rows.pass;
      const std::int64_t passWidth = rows.width, passHeight = rows.height;
      row_.rowLength = rows.rowLength;
      std::memset(row_.previous, 0, static_cast<std::size_t>(row_.rowLength));
      for (std::int64_t i = 0; i < passHeight; ++i, ++rowCounter) {
        GetLinePixels(static_cast<int>(pass.startY + i * pass.stepY), pass, passWidth);
        if (withHandler) onEncode(this, row_.current, row_.rowLength - 1, rowCounter - 1, password);
        if (png_write_line(row_) < 0) throw EPngError(PngErrorCode::WriteFailed);
        std::swap(row_.current, row_.previous);
        if (rowCounter % 4 == 2 || height < 4) DoCallBack(rowCounter);
        if (StopFlag()) break;
      }
    }
    // The flush emits the last IDAT chunks, also after a stop; a row that
    // failed needs no flush.
    if (ZLIBEncodeFlush(row_) < 0) throw EPngError(PngErrorCode::WriteFailed);
  }
}

}  // namespace vp::png
