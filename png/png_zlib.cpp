#include "png/png_zlib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vp::png {
namespace {

constexpr std::uint32_t kInputBufferSize = 32768;

int Paeth(int a, int b, int c) {
  int pa = std::abs(b - c);
  int pb = std::abs(a - c);
  int pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

#if defined(__SSE2__)
// Paeth for 3- and 4-byte pixels, a whole pixel at a time in 16-bit lanes (the
// way libpng's SSE2 filters do it): the chain from pixel to pixel stays, the
// work inside a pixel is done at once.
// Up: 16 bytes at a time.
void UnfilterUp(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  std::int64_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prior + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_add_epi8(x, b));
  }
  for (; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
}

template <int Bpp>
__m128i LoadPixel(const std::uint8_t* p) {
  std::uint32_t v = 0;
  std::memcpy(&v, p, Bpp);
  return _mm_cvtsi32_si128(static_cast<int>(v));
}

template <int Bpp>
void StorePixel(std::uint8_t* p, __m128i v) {
  const std::uint32_t packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
  std::memcpy(p, &packed, Bpp);
}

// Sub and Average for 3- and 4-byte pixels: a pixel at a time, all its bytes at once.
template <int Bpp>
void UnfilterSubPixels(std::uint8_t* row, std::int64_t n) {
  __m128i a = _mm_setzero_si128();
  for (std::int64_t i = 0; i + Bpp <= n; i += Bpp) {
    a = _mm_add_epi8(LoadPixel<Bpp>(row + i), a);
    StorePixel<Bpp>(row + i, a);
  }
}

template <int Bpp>
void UnfilterAveragePixels(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = zero;  // the previous result in 16-bit lanes
  for (std::int64_t i = 0; i + Bpp <= n; i += Bpp) {
    const __m128i b = _mm_unpacklo_epi8(LoadPixel<Bpp>(prior + i), zero);
    const __m128i x = _mm_unpacklo_epi8(LoadPixel<Bpp>(row + i), zero);
    a = _mm_and_si128(_mm_add_epi16(x, _mm_srli_epi16(_mm_add_epi16(a, b), 1)), _mm_set1_epi16(0xFF));
    StorePixel<Bpp>(row + i, _mm_packus_epi16(a, a));
  }
}

template <int Bpp>
void UnpaethPixels(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  static_assert(Bpp == 3 || Bpp == 4);
  auto load = [](const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, Bpp);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128());
  };
  auto absolute = [](__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); };
  __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
  std::int64_t i = 0;
  for (; i + Bpp <= n; i += Bpp) {
    const __m128i b = load(prior + i);
    const __m128i x = load(row + i);
    const __m128i pa = absolute(_mm_sub_epi16(b, c));             // |p - a|
    const __m128i pb = absolute(_mm_sub_epi16(a, c));             // |p - b|
    const __m128i pc = absolute(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c)));
    // a when pa <= pb and pa <= pc; else b when pb <= pc; else c.
    const __m128i useA = _mm_andnot_si128(_mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc)),
                                          _mm_set1_epi16(-1));
    const __m128i useB = _mm_andnot_si128(_mm_cmpgt_epi16(pb, pc), _mm_set1_epi16(-1));
    const __m128i bc = _mm_or_si128(_mm_and_si128(useB, b), _mm_andnot_si128(useB, c));
    const __m128i predictor = _mm_or_si128(_mm_and_si128(useA, a), _mm_andnot_si128(useA, bc));
    const __m128i result = _mm_and_si128(_mm_add_epi16(x, predictor), _mm_set1_epi16(0xFF));
    const std::uint32_t packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(result, result)));
    std::memcpy(row + i, &packed, Bpp);
    a = result;
    c = b;
  }
}
#endif

template <int Bpp>
void UnfilterFixed(int type, std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
#if defined(__SSE2__)
  // Per image, not per pixel: the pixel size picks the code once for every row.
  if (type == 2) {
    UnfilterUp(row, prior, n);
    return;
  }
  // For 3-byte pixels the scalar loops, three byte chains side by side, are faster.
  if constexpr (Bpp == 4) {
    if (n % Bpp == 0 && type == 1) {
      UnfilterSubPixels<Bpp>(row, n);
      return;
    }
    if (n % Bpp == 0 && type == 3) {
      UnfilterAveragePixels<Bpp>(row, prior, n);
      return;
    }
  }
#endif
  switch (type) {
    case 1:
      for (std::int64_t i = Bpp; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - Bpp]);
      break;
    case 2:
      for (std::int64_t i = 0; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
      break;
    case 3: {
      std::int64_t i = 0;
      for (; i < Bpp && i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + (prior[i] >> 1));
      for (; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - Bpp] + prior[i]) >> 1));
      break;
    }
    case 4: {
#if defined(__SSE2__)
      if constexpr (Bpp == 3 || Bpp == 4) {
        if (n % Bpp == 0) {
          UnpaethPixels<Bpp>(row, prior, n);
          break;
        }
      }
#endif
      std::int64_t i = 0;
      for (; i < Bpp && i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
      for (; i < n; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + Paeth(row[i - Bpp], prior[i], prior[i - Bpp]));
      break;
    }
  }
}

}  // namespace

bool Unfilter(int type, std::uint8_t* row, const std::uint8_t* prior, std::int64_t n, int bpp) {
  if (type == 0) return true;
  if (type < 0 || type > 4) return false;
  switch (bpp) {
    case 1: UnfilterFixed<1>(type, row, prior, n); break;
    case 2: UnfilterFixed<2>(type, row, prior, n); break;
    case 3: UnfilterFixed<3>(type, row, prior, n); break;
    case 4: UnfilterFixed<4>(type, row, prior, n); break;
    case 6: UnfilterFixed<6>(type, row, prior, n); break;
    default: UnfilterFixed<8>(type, row, prior, n); break;
  }
  return true;
}

namespace {
template <int Bpp>
void FilterFixed(int type, std::uint8_t* out, const std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  const std::int64_t head = std::min<std::int64_t>(Bpp, n);
  switch (type) {
    case 1:
      std::memcpy(out, row, static_cast<std::size_t>(head));
      for (std::int64_t i = Bpp; i < n; ++i) out[i] = static_cast<std::uint8_t>(row[i] - row[i - Bpp]);
      break;
    case 2:
      for (std::int64_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(row[i] - prior[i]);
      break;
    case 3:
      for (std::int64_t i = 0; i < head; ++i) out[i] = static_cast<std::uint8_t>(row[i] - (prior[i] >> 1));
      for (std::int64_t i = Bpp; i < n; ++i) out[i] = static_cast<std::uint8_t>(row[i] - ((row[i - Bpp] + prior[i]) >> 1));
      break;
    case 4:
      for (std::int64_t i = 0; i < head; ++i) out[i] = static_cast<std::uint8_t>(row[i] - prior[i]);
      for (std::int64_t i = Bpp; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(row[i] - Paeth(row[i - Bpp], prior[i], prior[i - Bpp]));
      break;
    default: std::memcpy(out, row, static_cast<std::size_t>(n)); break;
  }
}
}  // namespace

void ApplyFilter(int type, std::uint8_t* out, const std::uint8_t* row, const std::uint8_t* prior,
                 std::int64_t n, int bpp) {
  switch (bpp) {
    case 1: FilterFixed<1>(type, out, row, prior, n); break;
    case 2: FilterFixed<2>(type, out, row, prior, n); break;
    case 3: FilterFixed<3>(type, out, row, prior, n); break;
    case 4: FilterFixed<4>(type, out, row, prior, n); break;
    case 6: FilterFixed<6>(type, out, row, prior, n); break;
    default: FilterFixed<8>(type, out, row, prior, n); break;
  }
}

std::int64_t TotalRows(std::int64_t h, bool interlaced) {
  if (!interlaced) return h;
  std::int64_t rows = 2 * ((h + 7) / 8) + (h + 3) / 4 + (h + 1) / 2;
  if (h >= 5) rows += (h + 3) / 8;
  if (h >= 3) rows += (h + 1) / 4;
  if (h >= 2) rows += h / 2;
  return rows;
}

std::vector<PassRows> ImagePasses(std::int64_t width, std::int64_t height, bool adam7, int bitsPerPixel) {
  std::vector<PassRows> passes;
  for (int p = 0; p < (adam7 ? 7 : 1); ++p) {
    const PassInfo pass = adam7 ? kAdam7[p] : PassInfo{0, 0, 1, 1};
    if (adam7 && PassSkipped(p, width, height)) continue;
    const std::int64_t w = PassExtent(width, pass.startX, pass.stepX);
    const std::int64_t h = PassExtent(height, pass.startY, pass.stepY);
    if (w > 0 && h > 0) passes.push_back({pass, w, h, (w * bitsPerPixel + 7) / 8 + 1});
  }
  return passes;
}

bool PassSkipped(int p, std::int64_t w, std::int64_t h) {
  switch (p) {
    case 1: return w < 5;
    case 2: return h < 5;
    case 3: return w < 3;
    case 4: return h < 3;
    case 5: return w < 2;
    case 6: return h < 2;
    default: return false;
  }
}

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

int png_read_line(TPngRowInfo& info) {
  int r = ZLIBDecode(info, info.current, info.rowLength);
  if (r < 0) return r;
  int bpp = (info.bitsPerPixel + 7) / 8;
  return Unfilter(info.current[0], info.current + 1, info.previous + 1, info.rowLength - 1, bpp) ? 0 : kBadRowFilter;
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

std::int64_t RowScore(const std::uint8_t* filtered, std::int64_t n, int bitsPerPixel, std::uint32_t* histogram,
                      bool& takeAtOnce) {
  std::memset(histogram, 0, 256 * sizeof(std::uint32_t));
  for (std::int64_t i = 0; i < n; ++i) ++histogram[filtered[i]];
  std::int64_t distinct = 0, t1 = 0, t2 = 0, t3 = 0;
  for (int v = 0; v < 256; ++v) {
    std::int64_t c = histogram[v];
    if (c == 0) continue;
    ++distinct;
    if (c > t1) {
      t3 = t2;
      t2 = t1;
      t1 = c;
    } else if (c > t2) {
      t3 = t2;
      t2 = c;
    } else if (c > t3) {
      t3 = c;
    }
  }
  takeAtOnce = distinct <= 8 || t1 * 100 >= 90 * n;
  if (takeAtOnce) return 0;
  double len = static_cast<double>(n);
  double spread = len / 1.5 / static_cast<double>(distinct);
  if (bitsPerPixel < 8) return static_cast<std::int64_t>(spread * 1500 + static_cast<double>(t1 + t2) / len * 1000);
  return static_cast<std::int64_t>(spread * 1000 + static_cast<double>(t1 + t2 + t3) / len * 1000);
}

int png_write_line(TPngRowInfo& info) {
  const std::int64_t n = info.rowLength - 1;
  const int bpp = (info.bitsPerPixel + 7) / 8;
  auto filterInto = [&](std::uint8_t* out, int type) {
    out[0] = static_cast<std::uint8_t>(type);
    if (type == 0) std::memcpy(out + 1, info.current, static_cast<std::size_t>(n));
    else ApplyFilter(type, out + 1, info.current, info.previous, n, bpp);
  };
  int type = 0;
  switch (info.filter) {
    case TPngFilterType::gpfSub: type = 1; break;
    case TPngFilterType::gpfUp: type = 2; break;
    case TPngFilterType::gpfAvg: type = 3; break;
    case TPngFilterType::gpfPaeth: type = 4; break;
    default: break;
  }
  if (info.filter != TPngFilterType::gpfJust) {
    filterInto(info.output, type);
  } else {
    filterInto(info.output, 0);
    bool atOnce = false;
    std::int64_t best = RowScore(info.output, info.rowLength, info.bitsPerPixel, info.histogram, atOnce);
    if (!atOnce && info.workingBits != 4) {
      if (info.workingBits == 1 || info.workingBits == 8) best *= 2;
      for (int candidate = 1; candidate <= 4; ++candidate) {
        filterInto(info.scratch, candidate);
        bool wins = false;
        std::int64_t score = RowScore(info.scratch, info.rowLength, info.bitsPerPixel, info.histogram, wins);
        if (wins || score > best) {
          std::swap(info.output, info.scratch);
          best = score;
        }
        if (wins) break;
      }
    }
  }
  return ZLIBEncode(info, info.output, info.rowLength);
}

}  // namespace vp::png
