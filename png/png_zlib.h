#pragma once
#include <zlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vp::png {

enum class TPngFilterType { gpfJust, gpfNone, gpfSub, gpfUp, gpfAvg, gpfPaeth };

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

// Row context shared by the decoder and the encoder.
struct TPngRowInfo : TZlibInfo {
  std::int64_t rowLength = 0;  // with the filter byte
  std::uint8_t* current = nullptr;
  std::uint8_t* previous = nullptr;
  int bitsPerPixel = 8;
  // Encoder only.
  TPngFilterType filter = TPngFilterType::gpfNone;
  int workingBits = 24;
  std::uint8_t* output = nullptr;
  std::uint8_t* scratch = nullptr;
  std::uint32_t* histogram = nullptr;
};

// png_read_line's result for a row whose filter type is unknown.
inline constexpr int kBadRowFilter = -1000;

// Read side; 0 success, negative failure.
int ZLIBDecodeInit(TZlibInfo& info);
int ZLIBDecode(TZlibInfo& info, std::uint8_t* dest, std::int64_t n);
void ZLIBDecodeFlush(TZlibInfo& info);
void ZLIBDecodeFinish(TZlibInfo& info);
// Decompresses one row (filter byte first) into info.current and removes the filter.
int png_read_line(TPngRowInfo& info);

// Write side.
int ZLIBEncodeInit(TZlibInfo& info, int level, std::int64_t bufferSize, int strategy = Z_DEFAULT_STRATEGY);
int ZLIBEncode(TZlibInfo& info, const std::uint8_t* data, std::int64_t n);
int ZLIBEncodeFlush(TZlibInfo& info);
void ZLIBEncodeFinish(TZlibInfo& info);
// Filters info.current (raw row without filter byte) into info.output and compresses it.
int png_write_line(TPngRowInfo& info);

// Removing and applying one PNG filter over `length` bytes with bpp bytes per pixel.
bool Unfilter(int type, std::uint8_t* row, const std::uint8_t* prior, std::int64_t length, int bpp);
void ApplyFilter(int type, std::uint8_t* out, const std::uint8_t* row, const std::uint8_t* prior,
                 std::int64_t length, int bpp);

// The adaptive filter's row score; `takeAtOnce` tells that the row wins outright.
std::int64_t RowScore(const std::uint8_t* filtered, std::int64_t n, int bitsPerPixel, std::uint32_t* histogram,
                      bool& takeAtOnce);

// Adam7 pass geometry.
struct PassInfo {
  int startX, startY, stepX, stepY;
};
inline constexpr PassInfo kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
// Rows of all passes as counted for progress (conditions on the height only).
std::int64_t TotalRows(std::int64_t height, bool interlaced);
// Columns or rows of a pass: (size - start) / step, rounded up; 0 when none.
inline std::int64_t PassExtent(std::int64_t size, int start, int step) {
  return size > start ? (size - start + step - 1) / step : 0;
}
// Whether pass p (0-based) is skipped for this size.
bool PassSkipped(int p, std::int64_t width, std::int64_t height);

// The passes that hold pixels, in order: the one whole image, or Adam7's seven;
// with their size and the bytes of one filtered row (filter byte included).
struct PassRows {
  PassInfo pass;
  std::int64_t width, height, rowLength;
};
std::vector<PassRows> ImagePasses(std::int64_t width, std::int64_t height, bool adam7, int bitsPerPixel);

}  // namespace vp::png
