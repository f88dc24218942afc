#include "png/png_read_stream.h"

#include <algorithm>
#include <cstring>

#include "png/png_convert.h"
#include "png/png_error.h"
#include "png/png_filter.h"

namespace vp::png {
namespace {

constexpr std::uint32_t kIHDR = ChunkType("IHDR"), kPLTE = ChunkType("PLTE"), kIDAT = ChunkType("IDAT"),
                        kIEND = ChunkType("IEND"), kbKGD = ChunkType("bKGD"), kcHRM = ChunkType("cHRM"),
                        kgAMA = ChunkType("gAMA"), kgIFg = ChunkType("gIFg"), kpHYs = ChunkType("pHYs"),
                        ksBIT = ChunkType("sBIT"), ktEXt = ChunkType("tEXt"), ktIME = ChunkType("tIME"),
                        ktRNS = ChunkType("tRNS"), ktpNg = ChunkType("tpNg");

constexpr std::uint32_t kPaletteTableColor = 0x1FFFFFF;
constexpr std::uint64_t kMaxDeflateRatio = 1032;  // deflate never expands data more than this
// Rows inflate a strip at a time: zlib's fast path then runs to the strip's
// end instead of stopping short of every row's, and the strip is still in the
// cache when it is unfiltered and converted. Small images are one strip.
constexpr std::int64_t kStripBytes = 256 << 10;


}  // namespace

TPngReadStream::TPngReadStream() {
  std::memset(alphaTable, 255, sizeof alphaTable);
  zlib_.feed = [this](TZlibInfo& info) { return FeedIDAT(info); };
}

TPngReadStream::~TPngReadStream() = default;  // the zlib stream ends itself

// ---- chunk-bounded reading ----

// The length rules keep every handler inside its chunk; a field past the end
// is an error all the same, never a zero read from the next chunk's bytes.
void TPngReadStream::NeedInChunk(std::int64_t n) const {
  if (remaining_ < n) throw EPngError(PngErrorCode::ChunkFieldPastEnd, 0, ChunkName(chunkType_));
}

std::uint8_t TPngReadStream::Chunk1() {
  NeedInChunk(1);
  remaining_ -= 1;
  return Read1Byte();
}

std::uint16_t TPngReadStream::ChunkM2() {
  NeedInChunk(2);
  remaining_ -= 2;
  return ReadMWord();
}

std::uint32_t TPngReadStream::ChunkM4() {
  NeedInChunk(4);
  remaining_ -= 4;
  return ReadMDword();
}

bool TPngReadStream::ChunkBytes(void* dest, std::int64_t n) {
  if (n <= 0 || remaining_ < n) return false;
  remaining_ -= n;
  ReadByte(dest, n);
  return !EndFlag() && !StopFlag();
}

// ---- loading ----

void TPngReadStream::ReadStream() {
  StartCallBack();
  SetCallBackParam(0, 0, 30);
  activeAlpha_ = nullptr;
  hasAlpha = grey = paletteFromGrey = paletteAlpha = false;
  interlace = 0;
  colourClass = -1;
  password.clear();
  backgroundColor = transColor = kNoColor;
  significantBits = 0;
  gamma = 0;
  sourceBitDepth = 0;
  chunks = 0;
  seen_.clear();
  std::memset(alphaTable, 255, sizeof alphaTable);
  if (timeTarget) *timeTarget = TPNGTime{};
  if (gifTarget) *gifTarget = TPNGGIFExtension{};
  if (chrmTarget) *chrmTarget = TPNGChromaticities{};

  if (checkSignature) {
    std::uint8_t signature[8] = {};
    ReadByte(signature, 8);
    if (std::memcmp(signature, kPngSignature, 8) != 0) throw EPngError(PngErrorCode::NotPng);
  }
  ReadChunk();  // the image data's zlib stream and rows are released by ReadImage on every path

  if (bitmap_ && !EndFlag() && !StopFlag() && !hasAlpha && transColor != kNoColor) {
    bitmap_->SetTransparentColor(transColor);
  }
  // Non-interlaced rows got their alpha as they were decoded.
  if (paletteAlpha && activeAlpha_) {
    if (interlace == 1) ConvertPAlpha(0, height);
    hasAlpha = true;
  }
  EndCallBack();
}

namespace {

// The table of the chunks the decoder reads (see ChunkRule).
constexpr ChunkRule kChunkRules[] = {
    {kIHDR, 13, 13, false, true, true, true},   {kPLTE, 0, -1, false, true, false, true},
    {kIDAT, 0, -1, true, false, false, true},   {kIEND, 0, 0, false, false, false, true},
    {kgAMA, 4, 4, false, true, true, false},    {kcHRM, 32, 32, false, true, true, false},
    {kgIFg, 4, 4, false, true, true, false},    {ksBIT, 0, -1, false, true, true, false},
    {kpHYs, 9, 9, false, true, false, false},   {kbKGD, 0, -1, false, false, false, false},
    {ktRNS, 0, -1, false, true, false, false},  {ktEXt, 1, -1, true, false, false, false},
    {ktIME, 7, 7, false, false, false, false},  {ktpNg, 8, 8, false, true, false, false},
};

const ChunkRule* RuleOf(std::uint32_t type) {
  for (const ChunkRule& rule : kChunkRules)
    if (rule.type == type) return &rule;
  return nullptr;
}

}  // namespace

TPngReadStream::ChunkHeader TPngReadStream::ReadChunkHeader() {
  ChunkHeader header;
  header.length = ReadMDword();
  header.type = ReadMDword();
  return header;
}

bool TPngReadStream::LengthFits(const ChunkRule& rule, std::int64_t length) const {
  std::int64_t low = rule.minLength, high = rule.maxLength;
  const int samples = colourClass == 2 ? 3 : 1;  // bKGD and tRNS hold one sample per channel
  switch (rule.type) {
    case ksBIT: low = high = hasAlpha ? 4 : 3; break;
    case kbKGD: low = high = colourClass == 3 ? 1 : 2 * samples; break;
    case ktRNS:
      if (colourClass == 3) low = 0, high = 256;
      else low = high = 2 * samples;
      break;
    default: break;
  }
  return length >= low && (high < 0 || length <= high);
}

void TPngReadStream::ReadChunk() {
  while (!EndFlag() && !StopFlag() && !(chunks & pcIEND)) {
    const ChunkHeader header = ReadChunkHeader();
    remaining_ = header.length;
    chunkType_ = header.type;
    if (EndFlag() || StopFlag()) break;
    const bool ihdr = chunks & pcIHDR, idat = chunks & pcIDAT, plte = chunks & pcPLTE;
    const ChunkRule* rule = RuleOf(chunkType_);
    bool take = rule != nullptr;
    if (take && chunkType_ == kIHDR && ihdr) throw EPngError(PngErrorCode::TwoHeaders);
    if (take && !LengthFits(*rule, remaining_)) {
      if (rule->critical) throw EPngError(PngErrorCode::BadCriticalChunk, 0, ChunkName(chunkType_));
      take = false;
    }
    if (take && rule->type != kIHDR) {
      const bool needsHeader = rule->beforeImageData || rule->beforePalette;
      take = !(needsHeader && !ihdr) && !(rule->beforeImageData && idat) && !(rule->beforePalette && plte) &&
             (rule->mayRepeat || seen_.insert(chunkType_).second);
    }
    if (take) {
      switch (chunkType_) {
        case kIHDR: ReadHeader(); break;
        case kPLTE:
          if (colourClass != 0 || (hasAlpha && bitDepth_ == 8 && paletteFromGrey)) ReadPalette();
          break;
        case kIDAT: ReadImage(); break;
        case kIEND: chunks |= pcIEND; break;
        case kgAMA: ReadGamma(); break;
        case kcHRM:
          if (chrmTarget) ReadChrm();
          break;
        case kgIFg:
          if (gifTarget) ReadGIFExt();
          break;
        case ksBIT:
          if (colourClass == 2 || colourClass == 3) ReadsBIT();
          break;
        case kpHYs: ReadAspectData(); break;
        case kbKGD:
          if (colourClass >= 0) ReadBGColor();
          break;
        case ktRNS:
          if (!hasAlpha) ReadTransColor();
          break;
        case ktEXt: ReadText(); break;
        case ktIME:
          if (timeTarget) ReadTime();
          break;
        case ktpNg: ReadPrivateData(); break;
        default: break;
      }
    }
    if (remaining_ > 0) ReadSkipByte(remaining_);  // what a handler left of its chunk
    remaining_ = 0;
    ReadSkipByte(4);  // the CRC is not verified
  }
}

void TPngReadStream::ReadHeader() {
  width = static_cast<std::int32_t>(ChunkM4());
  height = static_cast<std::int32_t>(ChunkM4());
  // A caller's pixel limit holds from the header on, whatever follows it.
  if (std::uint64_t{static_cast<std::uint32_t>(width)} * static_cast<std::uint32_t>(height) > maxPixels)
    throw EPngError(PngErrorCode::BadImageSize);
  bitDepth_ = Chunk1();
  sourceBitDepth = static_cast<std::int32_t>(bitDepth_);
  int colourType = Chunk1() & 7;
  if (colourType == 1 || colourType == 5 || colourType == 7) throw EPngError(PngErrorCode::BadColourType);
  if (colourType & 4) hasAlpha = true;
  colourClass = colourType & 3;
  grey = colourClass == 0;
  if (Chunk1() >= 2) throw EPngError(PngErrorCode::BadCompression);
  if (Chunk1() >= 2) throw EPngError(PngErrorCode::BadFilterMethod);
  interlace = Chunk1();
  if (interlace >= 2) throw EPngError(PngErrorCode::BadInterlace);
  chunks |= pcIHDR;
  DoCallBack(0);
}

void TPngReadStream::ReadPalette() {
  std::int64_t n = std::min<std::int64_t>(remaining_ / 3, 256);
  std::uint8_t* table = CreateColorBuf();
  for (std::int64_t i = 0; i < n; ++i) {
    std::uint8_t r = Chunk1(), g = Chunk1(), b = Chunk1();
    table[4 * i] = b;
    table[4 * i + 1] = g;
    table[4 * i + 2] = r;
    table[4 * i + 3] = 0;
  }
  paletteEntries = static_cast<std::int32_t>(n);
  chunks |= pcPLTE;
  DoCallBack(0);
}

void TPngReadStream::ReadGamma() {
  gamma = ChunkM4() / 100000.0;
  DoCallBack(0);
}

void TPngReadStream::ReadChrm() {
  std::uint32_t v[8];
  for (auto& x : v) x = ChunkM4();
  *chrmTarget = TPNGChromaticities{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
  DoCallBack(0);
}

void TPngReadStream::ReadGIFExt() {
  gifTarget->disposal = Chunk1();
  gifTarget->userInput = Chunk1();
  gifTarget->delay[0] = Chunk1();
  gifTarget->delay[1] = Chunk1();
  DoCallBack(0);
}

void TPngReadStream::ReadsBIT() {
  std::uint32_t r = Chunk1(), g = Chunk1(), b = Chunk1();
  significantBits = (significantBits & 0xFF000000u) | r | (g << 8) | (b << 16);
  if (hasAlpha) significantBits = (significantBits & 0x00FFFFFFu) | (std::uint32_t{Chunk1()} << 24);
  DoCallBack(0);
}

void TPngReadStream::ReadAspectData() {
  physX = static_cast<std::int32_t>(ChunkM4());
  physY = static_cast<std::int32_t>(ChunkM4());
  physUnit = Chunk1();
  DoCallBack(0);
}

std::uint16_t TPngReadStream::ReadSample16() { return ChunkM2(); }

void TPngReadStream::ReadBGColor() {
  if (colourClass == 0) {
    std::uint16_t s = ReadSample16();
    int g = bitDepth_ <= 8 ? (s & 0xFF) : (s >> 8);
    backgroundColor = paletteFromGrey ? PaletteIndex(g) : PackRgb(g, g, g);
  } else if (colourClass == 2) {
    std::uint16_t r = ReadSample16(), g = ReadSample16(), b = ReadSample16();
    if (bitDepth_ == 16) backgroundColor = PackRgb(r >> 8, g >> 8, b >> 8);
    else backgroundColor = PackRgb(r & 0xFF, g & 0xFF, b & 0xFF);
  } else {
    backgroundColor = PaletteIndex(Chunk1());
  }
  DoCallBack(0);
}

void TPngReadStream::ReadTransColor() {
  if (colourClass == 0) {
    std::uint16_t s = ReadSample16();
    int g = bitDepth_ <= 8 ? (s & 0xFF) : (s >> 8);
    // Below 8 bits the sample is a level of the grey ramp the bitmap gets.
    if (bitDepth_ == 1 || bitDepth_ == 2 || bitDepth_ == 4) g = (g & ((1 << bitDepth_) - 1)) * (255 / ((1 << bitDepth_) - 1));
    transColor = PackRgb(g, g, g);
  } else if (colourClass == 2) {
    std::uint16_t r = ReadSample16(), g = ReadSample16(), b = ReadSample16();
    if (bitDepth_ == 16) transColor = PackRgb(r >> 8, g >> 8, b >> 8);
    else transColor = PackRgb(r & 0xFF, g & 0xFF, b & 0xFF);
  } else {
    std::int64_t n = std::min<std::int64_t>(remaining_, paletteEntries);
    if (n > 0 && ChunkBytes(alphaTable, n)) transColor = kPaletteTableColor;
  }
  DoCallBack(0);
}

void TPngReadStream::ReadText() {
  // Never allocate more than the data can hold.
  if (remaining_ > DataSize() - Consumed()) {
    ReadSkipByte(remaining_);
    remaining_ = 0;
    return;
  }
  std::string text(static_cast<std::size_t>(remaining_), '\0');
  if (!ChunkBytes(text.data(), static_cast<std::int64_t>(text.size()))) return;
  auto zero = text.find('\0');
  if (zero == std::string::npos || text.compare(0, zero, "Comment") != 0 || zero != 7) return;
  if (zero + 1 >= text.size()) return;
  if (!comment.empty()) comment += "\r\n";
  comment.append(text, zero + 1, std::string::npos);
  comment += "\r\n";
}

void TPngReadStream::ReadTime() {
  timeTarget->year = ChunkM2();
  timeTarget->month = Chunk1();
  timeTarget->day = Chunk1();
  timeTarget->hour = Chunk1();
  timeTarget->minute = Chunk1();
  timeTarget->second = Chunk1();
}

void TPngReadStream::ReadPrivateData() {
  chunks |= pcTPNG;
  char magic[4] = {};
  bool got = ChunkBytes(magic, 4);
  if (got && remaining_ > 0 && std::memcmp(magic, kPrivateMagic, 4) == 0) {
    if (Chunk1() != 0) {
      password = presetPassword;
      if (onPassword) onPassword(this, password);
    }
    if (Chunk1() == 1 && restorePaletteFromGrey) paletteFromGrey = true;
  }
}

// ---- image data ----

void TPngReadStream::CheckImageFormat() {
  const int d = static_cast<int>(bitDepth_);
  const bool sbit555 = (significantBits & 0xFFFFFF) == 0x050505;
  const bool sbit565 = (significantBits & 0xFFFFFF) == 0x050605;
  converter_ = ConvertNone;
  if (colourClass == 0) {
    if (hasAlpha && d < 8) throw EPngError(PngErrorCode::GreyAlphaBelow8);
    switch (d) {
      case 1:
      case 4: bitmapBitCount = d; pngBitsPerPixel = d; break;
      case 2: bitmapBitCount = 4; pngBitsPerPixel = 2; converter_ = Change2to4; break;
      case 8:
        bitmapBitCount = 8;
        pngBitsPerPixel = hasAlpha ? 16 : 8;
        if (hasAlpha) converter_ = ChangeGray8A;
        break;
      case 16:
        bitmapBitCount = 8;
        pngBitsPerPixel = hasAlpha ? 32 : 16;
        converter_ = hasAlpha ? ChangeGray16A : ChangeGray16;
        break;
      default: throw EPngError(PngErrorCode::BadGreyDepth);
    }
  } else if (colourClass == 2) {
    if (d != 8 && d != 16) throw EPngError(PngErrorCode::BadDepth);
    sourceBitDepth = 3 * d;
    if (d == 8 && restore16Bit && (sbit555 || sbit565)) {
      bitmapBitCount = 16;
      pngBitsPerPixel = hasAlpha ? 32 : 24;
      converter_ = hasAlpha ? RGBAtoBGRA16 : RGBtoBGR16;
      sourceBitDepth = sbit555 ? 15 : 16;
    } else if (d == 8) {
      bitmapBitCount = 24;
      pngBitsPerPixel = hasAlpha ? 32 : 24;
      converter_ = hasAlpha ? FastRGBAtoBGRA32() : FastRGBtoBGR24();
    } else {
      bitmapBitCount = 24;
      pngBitsPerPixel = hasAlpha ? 64 : 48;
      converter_ = hasAlpha ? RGBAtoBGRA64 : RGBtoBGR48;
    }
  } else {
    switch (d) {
      case 1:
      case 4:
      case 8: bitmapBitCount = d; pngBitsPerPixel = d; break;
      case 2: bitmapBitCount = 4; pngBitsPerPixel = 2; converter_ = Change2to4; break;
      default: throw EPngError(PngErrorCode::BadDepth);
    }
  }
}

void TPngReadStream::CheckImageSize() {
  const std::uint64_t w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) throw EPngError(PngErrorCode::BadImageSize);
  const std::uint64_t line = (w * static_cast<std::uint64_t>(bitmapBitCount) + 31) / 32 * 4;
  const std::uint64_t alphaLine = (w + 3) / 4 * 4;
  const std::uint64_t limit = maxImageBytes;
  if (line > limit / h || alphaLine > limit / h || line * h + ((hasAlpha || transColor != kNoColor) ? alphaLine * h : 0) > limit)
    throw EPngError(PngErrorCode::BadImageSize);
  // Compressed data that cannot hold the image would fail at some row anyway;
  // fail before the bitmap is allocated instead.
  const std::uint64_t rawRow = (w * static_cast<std::uint64_t>(pngBitsPerPixel) + 7) / 8 + 1;
  const std::uint64_t available = static_cast<std::uint64_t>(std::max<std::int64_t>(DataSize() - Consumed(), 0));
  if (rawRow * h / 2 > available * kMaxDeflateRatio + 65536) throw EPngError(PngErrorCode::TooLittleData);
}

void TPngReadStream::CreateDIB() {
  if (headerOnly_) return;
  if (grey && !paletteFromGrey && bitmapBitCount <= 8) {
    std::uint8_t* table = CreateColorBuf();
    int entries = sourceBitDepth == 1 ? 2 : sourceBitDepth == 2 ? 4 : sourceBitDepth == 4 ? 16 : 256;
    int step = 255 / (entries - 1);
    for (int i = 0; i < entries; ++i) {
      std::uint8_t v = static_cast<std::uint8_t>(i * step);
      table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = v;
      table[4 * i + 3] = 0;
    }
    paletteEntries = entries;
  }
  if (transColor == static_cast<ColorValue>(kPaletteTableColor)) {
    int zeros = 0, zeroAt = -1;
    bool binary = true;
    for (int i = 0; i < 256; ++i) {
      if (alphaTable[i] == 0) {
        ++zeros;
        zeroAt = i;
      } else if (alphaTable[i] != 255) {
        binary = false;
      }
    }
    if (binary && zeros == 1) {
      transColor = PaletteIndex(zeroAt);
    } else {
      transColor = kNoColor;
      paletteAlpha = true;
      std::uint8_t transparency[256];
      for (int i = 0; i < 256; ++i) transparency[i] = static_cast<std::uint8_t>(255 - alphaTable[i]);
      transparency_ = IndexLookup(transparency);
    }
  }
  TCustomGraphicReadStream::CreateDIB();
  if ((hasAlpha || paletteAlpha) && alphaTarget && alphaTarget != bitmap_) {
    alphaTarget->Clear();
    alphaTarget->SetTransparent(false);
    alphaTarget->SetPixelFormat(PixelFormat::pf8bit);
    alphaTarget->SetSize(width, height);
    std::vector<ColorValue> ramp(256);
    for (int i = 0; i < 256; ++i) ramp[i] = PackRgb(i, i, i);
    alphaTarget->SetPalette(std::move(ramp));
    activeAlpha_ = alphaTarget;
  }
}

void TPngReadStream::ConvertPAlpha(int fromRow, int toRow) {
  const int bits = bitmap_->BitCount();
  if (bits > 8) return;
  const int w = width;
  for (int y = fromRow; y < toRow; ++y) {
    const std::uint8_t* src = bitmap_->ScanLine(y);
    std::uint8_t* dst = activeAlpha_->ScanLine(y);
    if (bits == 8) {
      transparency_(src, dst, w);
    } else {
      for (int x = 0; x < w; ++x) dst[x] = transparency_[PackedIndex(src, x, bits)];
    }
  }
}

void TPngReadStream::GetBufMem() {
  const std::size_t pngRow = Bitmap::LineSize(width, pngBitsPerPixel) + 4;
  const std::size_t bmpRow = Bitmap::LineSize(width, bitmapBitCount) + 4;
  const std::size_t alphaRow = Bitmap::LineSize(width, 8);
  buffers_.assign(pngRow + bmpRow + alphaRow, 0);
  deciphered_ = buffers_.data();
  converted_ = deciphered_ + pngRow;
  alphaRow_ = converted_ + bmpRow;
}

void TPngReadStream::FreeBufMem() {
  buffers_.clear();
  buffers_.shrink_to_fit();
  deciphered_ = converted_ = alphaRow_ = nullptr;
}

int TPngReadStream::FeedIDAT(TZlibInfo& info) {
  while (remaining_ == 0) {
    ReadSkipByte(4);
    const ChunkHeader next = ReadChunkHeader();
    remaining_ = next.length;
    if (EndFlag() || StopFlag() || next.type != kIDAT) {
      remaining_ = 0;
      return -1;
    }
  }
  std::int64_t n = std::min<std::int64_t>(remaining_, info.ioSize);
  if (!buffer_ && Consumed() + n <= DataSize()) {
    // Data read in place: zlib takes it straight from memory, no copy.
    info.z.next_in = const_cast<Bytef*>(cursor_);
    ReadSkipByte(n);
  } else {
    ReadByte(info.io.get(), n);
    info.z.next_in = info.io.get();
  }
  remaining_ -= n;
  if (EndFlag() || StopFlag()) return -1;
  info.z.avail_in = static_cast<uInt>(n);
  return 0;
}

void TPngReadStream::ReadImage() {
  if (chunks & pcIDAT) return;  // later IDAT chunks are skipped by the loop
  CheckImageFormat();
  // Without a palette every index would decode to black, silently.
  if (colourClass == 3 && (!(chunks & pcPLTE) || paletteEntries == 0)) throw EPngError(PngErrorCode::MissingPalette);
  if (headerOnly_) {
    chunks |= pcIDAT;
    return;
  }
  CheckImageSize();
  if (ZLIBDecodeInit(zlib_) < 0) throw EPngError(PngErrorCode::ZlibStart, zlib_.zlibResult);
  struct Finish {
    TPngReadStream* self;
    ~Finish() {
      ZLIBDecodeFlush(self->zlib_);
      ZLIBDecodeFinish(self->zlib_);
      self->FreeBufMem();
      self->SetCallBackParam(0, 0, 0);
      self->chunks |= pcIDAT;
    }
  } finish{this};
  CreateDIB();
  GetBufMem();
  DecodeRows();
}

void TPngReadStream::PlaceInterlaced(const std::uint8_t* c, const std::uint8_t* a, int y, const PassInfo& pass,
                                     std::int64_t passWidth) {
  std::uint8_t* dst = bitmap_->ScanLine(y);
  std::int64_t x = pass.startX;
  switch (bitmapBitCount) {
    case 1:  // packed bits: set or clear one bit
      for (std::int64_t k = 0; k < passWidth; ++k, x += pass.stepX) {
        const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
        if (PackedIndex(c, k, 1)) dst[x >> 3] |= mask;
        else dst[x >> 3] &= static_cast<std::uint8_t>(~mask);
      }
      break;
    case 4:  // packed nibbles
      for (std::int64_t k = 0; k < passWidth; ++k, x += pass.stepX) {
        const unsigned v = PackedIndex(c, k, 4);
        std::uint8_t& d = dst[x >> 1];
        d = (x & 1) ? static_cast<std::uint8_t>((d & 0xF0) | v) : static_cast<std::uint8_t>((d & 0x0F) | (v << 4));
      }
      break;
    case 8:
      for (std::int64_t k = 0; k < passWidth; ++k, x += pass.stepX) dst[x] = c[k];
      break;
    case 16:
      for (std::int64_t k = 0; k < passWidth; ++k, x += pass.stepX) std::memcpy(dst + 2 * x, c + 2 * k, 2);
      break;
    default:  // 24-bit BGR
      for (std::int64_t k = 0; k < passWidth; ++k, x += pass.stepX) std::memcpy(dst + 3 * x, c + 3 * k, 3);
      break;
  }
  if (activeAlpha_) {
    std::uint8_t* ad = activeAlpha_->ScanLine(y);
    x = pass.startX;
    for (std::int64_t k = 0; k < passWidth; ++k, x += pass.stepX) ad[x] = a[k];
  }
}

void TPngReadStream::ThrowRowError() {
  if (zlib_.feedFailed) throw EPngError(PngErrorCode::ImageDataBroken);
  throw EPngError(PngErrorCode::RowData, zlib_.zlibResult, zlib_.z.msg ? zlib_.z.msg : "");
}

void TPngReadStream::PlaceRow(const std::uint8_t* src, const PassRows& rows, std::int64_t passRow) {
  const bool adam7 = interlace == 1;
  const PassInfo& pass = rows.pass;
  const int y = static_cast<int>(pass.startY + passRow * pass.stepY);
  std::uint8_t* alpha = activeAlpha_ && !adam7 ? activeAlpha_->ScanLine(y) : alphaRow_;
  std::uint8_t* out = adam7 ? converted_ : bitmap_->ScanLine(y);
  if (converter_ == ConvertNone) {
    std::memcpy(out, src, static_cast<std::size_t>(rows.rowLength - 1));
  } else {
    converter_(src, out, alpha, rows.width);
  }
  if (adam7) PlaceInterlaced(converted_, alphaRow_, y, pass, rows.width);
  else if (paletteAlpha && activeAlpha_) ConvertPAlpha(y, y + 1);
}

bool TPngReadStream::DecodePass(const PassRows& rows, std::vector<std::uint8_t>& strip, std::int64_t& rowCounter) {
  const std::int64_t n = rows.rowLength;
  const std::int64_t perStrip = std::clamp<std::int64_t>(kStripBytes / n, 1, rows.height);
  strip.resize(static_cast<std::size_t>((perStrip + 1) * n));
  std::uint8_t* const above = strip.data();  // the row above the strip: zero at a pass's start
  std::uint8_t* const first = above + n;
  std::memset(above, 0, static_cast<std::size_t>(n));
  const bool withHandler = !password.empty() && static_cast<bool>(onDecode);
  for (std::int64_t top = 0; top < rows.height; top += perStrip) {
    const std::int64_t count = std::min(perStrip, rows.height - top);
    const int result = ZLIBDecode(zlib_, first, count * n);
    // On a failure the rows that did arrive whole are still placed, as a row
    // by row decoder would have placed them before it failed.
    const std::int64_t whole = result < 0 ? (zlib_.z.next_out - first) / n : count;
    // The strip's rows are undone first, so two filtered rows can run side by
    // side; the rows before one with an unknown filter are still placed.
    const std::int64_t undone = unfilters_.Rows(first, n, whole);
    for (std::int64_t i = 0; i < undone; ++i, ++rowCounter) {
      std::uint8_t* row = first + i * n;
      const std::uint8_t* src = row + 1;
      if (withHandler) {  // the cipher works on a copy: the next row unfilters against this one as stored
        std::memcpy(deciphered_, row, static_cast<std::size_t>(n));
        onDecode(this, deciphered_ + 1, n - 1, rowCounter - 1, password);
        src = deciphered_ + 1;
      }
      PlaceRow(src, rows, top + i);
      if (rowCounter % 4 == 2 || height < 4) DoCallBack(rowCounter);
      if (StopFlag()) return false;
    }
    if (undone < whole) throw EPngError(PngErrorCode::RowFilter);
    if (result < 0) ThrowRowError();
    std::memcpy(above, first + (count - 1) * n, static_cast<std::size_t>(n));
  }
  return !(StopFlag() || EndFlag());
}

void TPngReadStream::DecodeRows() {
  const bool adam7 = interlace == 1;
  SetCallBackParam(1, TotalRows(height, adam7), 98);
  std::vector<std::uint8_t> strip;
  std::int64_t rowCounter = 1;
  unfilters_ = ChooseUnfilters((pngBitsPerPixel + 7) / 8);
  for (const PassRows& rows : ImagePasses(width, height, adam7, pngBitsPerPixel))
    if (!DecodePass(rows, strip, rowCounter)) break;
}

}  // namespace vp::png
