#include "png/png_filter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vp::png {
namespace {

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

}  // namespace vp::png
