#include "png/png_filter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vp::png {
namespace {

// Written to compile to conditional moves: on photos the choice is a coin
// toss, and a mispredicted branch costs more than the whole step.
int Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  const int bc = pb <= pc ? b : c;
  return pa <= pb && pa <= pc ? a : bc;
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

// One pixel into the low 16-bit lanes. Odd sizes are put together in
// registers: a wider copy through memory would stall on store forwarding.
template <int Bpp>
inline __m128i LoadWide(const std::uint8_t* p) {
  static_assert(Bpp == 2 || Bpp == 3 || Bpp == 4 || Bpp == 6 || Bpp == 8);
  std::uint64_t v;
  if constexpr (Bpp == 2 || Bpp == 4 || Bpp == 8) {
    v = 0;
    std::memcpy(&v, p, Bpp);
  } else {
    std::uint16_t low;
    std::uint32_t high;
    if constexpr (Bpp == 3) {
      std::memcpy(&low, p, 2);
      v = low | static_cast<std::uint64_t>(p[2]) << 16;
    } else {
      std::memcpy(&high, p, 4);
      std::memcpy(&low, p + 4, 2);
      v = high | static_cast<std::uint64_t>(low) << 32;
    }
  }
  return _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(v)), _mm_setzero_si128());
}

template <int Bpp>
inline void StoreWide(std::uint8_t* p, __m128i lanes) {
  const std::uint64_t v = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_packus_epi16(lanes, lanes)));
  if constexpr (Bpp == 2 || Bpp == 4 || Bpp == 8) {
    std::memcpy(p, &v, Bpp);
  } else if constexpr (Bpp == 3) {
    const std::uint16_t low = static_cast<std::uint16_t>(v);
    std::memcpy(p, &low, 2);
    p[2] = static_cast<std::uint8_t>(v >> 16);
  } else {
    const std::uint32_t high = static_cast<std::uint32_t>(v);
    const std::uint16_t low = static_cast<std::uint16_t>(v >> 32);
    std::memcpy(p, &high, 4);
    std::memcpy(p + 4, &low, 2);
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
inline __m128i PaethStep(__m128i x, __m128i a, __m128i b, __m128i c) {
  const __m128i low = _mm_set1_epi16(0xFF);
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
  return _mm_or_si128(_mm_andnot_si128(notA, xa), _mm_and_si128(notA, xbc));
}

template <int Bpp>
void PaethWide(std::uint8_t* row, const std::uint8_t* prior, std::int64_t n) {
  __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
  for (std::int64_t i = 0; i + Bpp <= n; i += Bpp) {
    const __m128i b = LoadWide<Bpp>(prior + i);
    a = PaethStep<Bpp>(LoadWide<Bpp>(row + i), a, b, c);
    StoreWide<Bpp>(row + i, a);
    c = b;
  }
}

// One pixel of each filter from its own byte x, the pixel to its left a, the
// one above b and the one above-left c, all in 16-bit lanes.
struct SubStep {
  static __m128i Run(__m128i x, __m128i a, __m128i, __m128i) {
    return _mm_and_si128(_mm_add_epi16(x, a), _mm_set1_epi16(0xFF));
  }
};
struct UpStep {
  static __m128i Run(__m128i x, __m128i, __m128i b, __m128i) {
    return _mm_and_si128(_mm_add_epi16(x, b), _mm_set1_epi16(0xFF));
  }
};
struct AverageStep {
  static __m128i Run(__m128i x, __m128i a, __m128i b, __m128i) {
    return _mm_and_si128(_mm_add_epi16(x, _mm_srli_epi16(_mm_add_epi16(a, b), 1)), _mm_set1_epi16(0xFF));
  }
};
template <int Bpp>
struct PaethStepOf {
  static __m128i Run(__m128i x, __m128i a, __m128i b, __m128i c) { return PaethStep<Bpp>(x, a, b, c); }
};

// Two rows at once, the lower one a pixel behind: each has its own chain from
// pixel to pixel, so the processor runs both side by side, and the lower row
// takes the pixels above it from registers, not memory.
template <int Bpp, typename Upper, typename Lower>
void PairWide(std::uint8_t* upper, const std::uint8_t* prior, std::uint8_t* lower, std::int64_t n) {
  if (n < Bpp) return;
  __m128i a0 = _mm_setzero_si128(), c0 = _mm_setzero_si128();
  __m128i a1 = _mm_setzero_si128(), c1 = _mm_setzero_si128();
  {
    const __m128i b0 = LoadWide<Bpp>(prior);
    a0 = Upper::Run(LoadWide<Bpp>(upper), a0, b0, c0);
    StoreWide<Bpp>(upper, a0);
    c0 = b0;
  }
  std::int64_t i = Bpp;
  for (; i + Bpp <= n; i += Bpp) {
    const __m128i b0 = LoadWide<Bpp>(prior + i);
    const __m128i above = a0;  // the upper row's pixel over the lower row's current one
    a0 = Upper::Run(LoadWide<Bpp>(upper + i), a0, b0, c0);
    a1 = Lower::Run(LoadWide<Bpp>(lower + i - Bpp), a1, above, c1);
    StoreWide<Bpp>(upper + i, a0);
    StoreWide<Bpp>(lower + i - Bpp, a1);
    c0 = b0;
    c1 = above;
  }
  a1 = Lower::Run(LoadWide<Bpp>(lower + i - Bpp), a1, a0, c1);
  StoreWide<Bpp>(lower + i - Bpp, a1);
}

template <int Bpp, typename Upper>
void FillPairRow(UnfilterSet::RowPair* row) {
  row[0] = PairWide<Bpp, Upper, SubStep>;
  row[1] = PairWide<Bpp, Upper, UpStep>;
  row[2] = PairWide<Bpp, Upper, AverageStep>;
  row[3] = PairWide<Bpp, Upper, PaethStepOf<Bpp>>;
}

template <int Bpp>
UnfilterSet WideSet() {
  UnfilterSet set{SubWide<Bpp>, UpWide, AverageWide<Bpp>, PaethWide<Bpp>};
  FillPairRow<Bpp, SubStep>(set.pairs[0]);
  FillPairRow<Bpp, UpStep>(set.pairs[1]);
  FillPairRow<Bpp, AverageStep>(set.pairs[2]);
  FillPairRow<Bpp, PaethStepOf<Bpp>>(set.pairs[3]);
  set.pairs[1][1] = nullptr;  // two Up rows go faster one at a time, sixteen bytes a step
  return set;
}
#endif

}  // namespace

UnfilterSet ChooseUnfilters(int bytesPerPixel) {
  UnfilterSet set;
  switch (bytesPerPixel) {
    case 1: set = ScalarSet<1>(); break;
#if defined(__SSE2__)
    case 2: set = WideSet<2>(); break;
    case 3: set = WideSet<3>(); break;
    case 4: set = WideSet<4>(); break;
    case 6: set = WideSet<6>(); break;
    default: set = WideSet<8>(); break;
#else
    case 2: set = ScalarSet<2>(); break;
    case 3: set = ScalarSet<3>(); break;
    case 4: set = ScalarSet<4>(); break;
    case 6: set = ScalarSet<6>(); break;
    default: set = ScalarSet<8>(); break;
#endif
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

std::int64_t UnfilterSet::Rows(std::uint8_t* first, std::int64_t stride, std::int64_t count) const {
  const std::int64_t n = stride - 1;
  std::int64_t done = 0;
  while (done < count) {
    std::uint8_t* row = first + done * stride;
    const unsigned upper = row[0] - 1u, lower = done + 1 < count ? row[stride] - 1u : 4u;
    if (upper < 4 && lower < 4) {
      const RowPair pair = pairs[upper][lower];
      if (pair) {
        pair(row + 1, row + 1 - stride, row + stride + 1, n);
        done += 2;
        continue;
      }
    }
    if (!(*this)(row[0], row + 1, row + 1 - stride, n)) break;
    ++done;
  }
  return done;
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
