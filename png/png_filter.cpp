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

// Scalar unfilters for any pixel size; the SIMD ones below take over for the
// pixel sizes and filters where they pay.
template <int Bpp>
void SubScalar(std::uint8_t* row, const std::uint8_t*, std::int64_t n) {
  for (std::int64_t i = Bpp; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - Bpp]);
}

void UpScalar(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  for (std::int64_t i = 0; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
}

template <int Bpp>
void AverageScalar(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  std::int64_t i = 0;
  for (; i < Bpp && i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + (prior[i] >> 1));
  for (; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - Bpp] + prior[i]) >> 1));
}

template <int Bpp>
void PaethScalar(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  std::int64_t i = 0;
  for (; i < Bpp && i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
  for (; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + Paeth(row[i - Bpp], prior[i], prior[i - Bpp]));
}

template <int Bpp>
UnfilterSet ScalarSet() {
  return {SubScalar<Bpp>, UpScalar, AverageScalar<Bpp>, PaethScalar<Bpp>};
}

#if defined(__SSE2__)
void UpWide(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  std::int64_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prior + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_add_epi8(x, b));
  }
  for (; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
}

// One pixel into the low 16-bit lanes. Three-byte pixels are put together in
// registers: a 4-byte copy through memory would stall on store forwarding.
template <int Bpp>
inline __m128i LoadWide(const std::uint8_t* p) {
  std::uint32_t v;
  if constexpr (Bpp == 4) {
    std::memcpy(&v, p, 4);
  } else {
    std::uint16_t low;
    std::memcpy(&low, p, 2);
    v = low | static_cast<std::uint32_t>(p[2]) << 16;
  }
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128());
}

template <int Bpp>
inline void StoreWide(std::uint8_t* p, __m128i lanes) {
  const std::uint32_t v = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
  if constexpr (Bpp == 4) {
    std::memcpy(p, &v, 4);
  } else {
    const std::uint16_t low = static_cast<std::uint16_t>(v);
    std::memcpy(p, &low, 2);
    p[2] = static_cast<std::uint8_t>(v >> 16);
  }
}

// Sub, Average and Paeth carry a chain from pixel to pixel; these run a whole
// pixel per step in 16-bit lanes, so the chain is as long as the pixels, not
// the bytes.
template <int Bpp>
void SubWide(std::uint8_t* row, const std::uint8_t*, std::int64_t n) {
  __m128i a = _mm_setzero_si128();
  for (std::int64_t i = 0; i + Bpp <= n; i += Bpp) {
    a = _mm_add_epi16(LoadWide<Bpp>(row + i), a);
    a = _mm_and_si128(a, _mm_set1_epi16(0xFF));
    StoreWide<Bpp>(row + i, a);
  }
}

template <int Bpp>
void AverageWide(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  __m128i a = _mm_setzero_si128();
  for (std::int64_t i = 0; i + Bpp <= n; i += Bpp) {
    const __m128i b = LoadWide<Bpp>(prior + i);
    const __m128i x = LoadWide<Bpp>(row + i);
    a = _mm_and_si128(_mm_add_epi16(x, _mm_srli_epi16(_mm_add_epi16(a, b), 1)), _mm_set1_epi16(0xFF));
    StoreWide<Bpp>(row + i, a);
  }
}

// Paeth with the work that does not wait for the pixel to the left (the
// distance |b - c|, the sums x + b and x + c) taken off the chain. Each
// absolute value is the larger of a difference and its negation, both taken
// at once, so the chain is three steps to the distances and two selects.
template <int Bpp>
void PaethWide(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  const __m128i low = _mm_set1_epi16(0xFF);
  __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
  for (std::int64_t i = 0; i + Bpp <= n; i += Bpp) {
    const __m128i b = LoadWide<Bpp>(prior + i);
    const __m128i x = LoadWide<Bpp>(row + i);
    const __m128i bMinusC = _mm_sub_epi16(b, c), cMinusB = _mm_sub_epi16(c, b);
    const __m128i pa = _mm_max_epi16(bMinusC, cMinusB);
    const __m128i xb = _mm_and_si128(_mm_add_epi16(x, b), low);
    const __m128i xc = _mm_and_si128(_mm_add_epi16(x, c), low);
    const __m128i xa = _mm_and_si128(_mm_add_epi16(x, a), low);
    const __m128i aMinusC = _mm_sub_epi16(a, c), cMinusA = _mm_sub_epi16(c, a);
    const __m128i pb = _mm_max_epi16(aMinusC, cMinusA);
    const __m128i pc = _mm_max_epi16(_mm_add_epi16(aMinusC, bMinusC), _mm_add_epi16(cMinusA, cMinusB));
    // b when pb <= pc, else c; a when pa is no more than either.
    const __m128i takeC = _mm_cmpgt_epi16(pb, pc);
    const __m128i notA = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));
    const __m128i xbc = _mm_or_si128(_mm_andnot_si128(takeC, xb), _mm_and_si128(takeC, xc));
    a = _mm_or_si128(_mm_andnot_si128(notA, xa), _mm_and_si128(notA, xbc));
    StoreWide<Bpp>(row + i, a);
    c = b;
  }
}

template <int Bpp>
UnfilterSet WideSet() {
  return {SubWide<Bpp>, UpWide, AverageWide<Bpp>, PaethWide<Bpp>};
}
#endif

}  // namespace

UnfilterSet ChooseUnfilters(int bytesPerPixel) {
  UnfilterSet set;
  switch (bytesPerPixel) {
    case 1: set = ScalarSet<1>(); break;
    case 2: set = ScalarSet<2>(); break;
#if defined(__SSE2__)
    case 3: set = WideSet<3>(); break;
    case 4: set = WideSet<4>(); break;
#else
    case 3: set = ScalarSet<3>(); break;
    case 4: set = ScalarSet<4>(); break;
#endif
    case 6: set = ScalarSet<6>(); break;
    default: set = ScalarSet<8>(); break;
  }
#if defined(__SSE2__)
  set.up = UpWide;
#endif
  return set;
}

bool UnfilterSet::operator()(int type, std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) const {
  switch (type) {
    case 0: return true;
    case 1: sub(row, prior, n); return true;
    case 2: up(row, prior, n); return true;
    case 3: average(row, prior, n); return true;
    case 4: paeth(row, prior, n); return true;
    default: return false;
  }
}

bool Unfilter(int type, std::uint8_t* row, const std::uint8_t* prior, std::int64_t n, int bpp) {
  return ChooseUnfilters(bpp)(type, row, prior, n);
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
