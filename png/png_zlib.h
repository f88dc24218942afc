#pragma once
#include <zlib.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace vp::png {

// zlib stream with its I/O buffer. On reading, `feed` refills the input (the
// IDAT feeder); on writing, `emitChunk` takes a full output buffer (an IDAT chunk).
// The stream ends itself when it goes: no path leaves zlib's state behind.
struct TZlibInfo {
  TZlibInfo() = default;
  TZlibInfo(const TZlibInfo&) = delete;
  TZlibInfo& operator=(const TZlibInfo&) = delete;
  ~TZlibInfo();
  z_stream z{};
  bool active = false;
  bool deflating = false;
  int zlibResult = 0;       // the last failing zlib result, for the error's detail
  bool feedFailed = false;  // the image data ran out or its IDAT run was broken
  std::unique_ptr<std::uint8_t[]> io;
  std::uint32_t ioSize = 0;
  std::function<int(TZlibInfo&)> feed;
  std::function<void(const std::uint8_t*, std::uint32_t)> emitChunk;
};

// Read side; 0 success, negative failure.
int ZLIBDecodeInit(TZlibInfo& info);
int ZLIBDecode(TZlibInfo& info, std::uint8_t* dest, std::int64_t n);
void ZLIBDecodeFlush(TZlibInfo& info);
void ZLIBDecodeFinish(TZlibInfo& info);

// Write side.
int ZLIBEncodeInit(TZlibInfo& info, int level, std::int64_t bufferSize, int strategy = Z_DEFAULT_STRATEGY);
int ZLIBEncode(TZlibInfo& info, const std::uint8_t* data, std::int64_t n);
int ZLIBEncodeFlush(TZlibInfo& info);
void ZLIBEncodeFinish(TZlibInfo& info);

}  // namespace vp::png
