#include "png/png_zlib.h"

#include <new>

namespace vp::png {
namespace {
constexpr std::uint32_t kInputBufferSize = 32768;
}  // namespace

TZlibInfo::~TZlibInfo() { ZLIBDecodeFinish(*this); }

// ---- read side ----

int ZLIBDecodeInit(TZlibInfo& info) {
  ZLIBDecodeFinish(info);
  info.io.reset(new (std::nothrow) std::uint8_t[kInputBufferSize]);
  if (!info.io) return -1;
  info.ioSize = kInputBufferSize;
  info.z = z_stream{};
  info.zlibResult = 0;
  info.feedFailed = false;
  if (const int r = inflateInit2(&info.z, 15); r != Z_OK) {
    info.zlibResult = r;
    info.io.reset();
    return -1;
  }
#if ZLIB_VERNUM >= 0x1290
  // Chunk CRCs are not verified either; computing a checksum nobody checks on
  // every byte would cost a tenth of the decode.
  inflateValidate(&info.z, 0);
#endif
  info.active = true;
  info.deflating = false;
  return 0;
}

int ZLIBDecode(TZlibInfo& info, std::uint8_t* dest, std::int64_t n) {
  info.z.next_out = dest;
  info.z.avail_out = static_cast<uInt>(n);
  while (info.z.avail_out > 0) {
    if (info.z.avail_in == 0) {
      int fed = info.feed(info);
      if (fed < 0) {
        info.feedFailed = true;
        return fed;
      }
    }
    int r = inflate(&info.z, Z_NO_FLUSH);
    if (r < 0 || r == Z_NEED_DICT) {
      info.zlibResult = r;
      return r < 0 ? r : -1;
    }
    // The stream ended before the row was complete: never wait for more output.
    if (r == Z_STREAM_END && info.z.avail_out > 0) {
      info.zlibResult = Z_STREAM_END;
      return -1;
    }
  }
  return 0;
}

void ZLIBDecodeFlush(TZlibInfo& info) {
  if (info.active) inflateReset(&info.z);
  info.z.avail_in = 0;
}

void ZLIBDecodeFinish(TZlibInfo& info) {
  if (info.active) {
    if (info.deflating) deflateEnd(&info.z);
    else inflateEnd(&info.z);
  }
  info.active = false;
  info.io.reset();
  info.ioSize = 0;
}

// ---- write side ----

int ZLIBEncodeInit(TZlibInfo& info, int level, std::int64_t bufferSize, int strategy) {
  ZLIBEncodeFinish(info);
  if (level < 0 || level > 9) level = -1;
  if (bufferSize <= 0 || bufferSize > 262143) bufferSize = 32768;
  info.io.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bufferSize)]);
  if (!info.io) return -1;
  info.ioSize = static_cast<std::uint32_t>(bufferSize);
  info.z = z_stream{};
  if (deflateInit2(&info.z, level, Z_DEFLATED, 15, 8, strategy) != Z_OK) {
    info.io.reset();
    return -1;
  }
  info.active = true;
  info.deflating = true;
  info.z.next_out = info.io.get();
  info.z.avail_out = info.ioSize;
  return 0;
}

namespace {
void EmitFull(TZlibInfo& info) {
  info.emitChunk(info.io.get(), info.ioSize);
  info.z.next_out = info.io.get();
  info.z.avail_out = info.ioSize;
}
}  // namespace

int ZLIBEncode(TZlibInfo& info, const std::uint8_t* data, std::int64_t n) {
  info.z.next_in = const_cast<Bytef*>(data);
  info.z.avail_in = static_cast<uInt>(n);
  while (info.z.avail_in > 0) {
    int r = deflate(&info.z, Z_NO_FLUSH);
    if (r < 0) return r;
    if (info.z.avail_out == 0) EmitFull(info);
  }
  return 0;
}

int ZLIBEncodeFlush(TZlibInfo& info) {
  if (!info.active) return 0;
  info.z.avail_in = 0;
  for (;;) {
    int r = deflate(&info.z, Z_FINISH);
    if (r < 0 && r != Z_BUF_ERROR) return -1;
    if (info.z.avail_out == 0) EmitFull(info);
    if (r == Z_STREAM_END) break;
  }
  std::uint32_t pending = info.ioSize - info.z.avail_out;
  if (pending > 0) info.emitChunk(info.io.get(), pending);
  info.z.next_out = info.io.get();
  info.z.avail_out = info.ioSize;
  deflateReset(&info.z);
  return 0;
}

void ZLIBEncodeFinish(TZlibInfo& info) { ZLIBDecodeFinish(info); }

}  // namespace vp::png
