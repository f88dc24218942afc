#include "png/png_convert.h"

#include <cstring>

#if defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace vp::png {

void ConvertNone(const std::uint8_t*, std::uint8_t*, std::uint8_t*, std::int64_t) {}

void Change2to4(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w) {
  std::int64_t outBytes = (w + 1) / 2;
  for (std::int64_t o = 0; o < outBytes; ++o) {
    std::uint8_t in = s[o >> 1];
    if ((o & 1) == 0) d[o] = static_cast<std::uint8_t>(((in >> 6) & 3) << 4 | ((in >> 4) & 3));
    else d[o] = static_cast<std::uint8_t>(((in >> 2) & 3) << 4 | (in & 3));
  }
}

void ChangeGray16(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w) {
  for (std::int64_t x = 0; x < w; ++x) d[x] = s[2 * x];
}

void ChangeGray16A(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w) {
  for (std::int64_t x = 0; x < w; ++x) {
    d[x] = s[4 * x];
    a[x] = static_cast<std::uint8_t>(255 - s[4 * x + 2]);
  }
}

void ChangeGray8A(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w) {
  for (std::int64_t x = 0; x < w; ++x) {
    d[x] = s[2 * x];
    a[x] = static_cast<std::uint8_t>(255 - s[2 * x + 1]);
  }
}

void RGBtoBGR24(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w) {
  for (std::int64_t x = 0; x < w; ++x, s += 3, d += 3) {
    d[0] = s[2];
    d[1] = s[1];
    d[2] = s[0];
  }
}

void RGBtoBGR48(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w) {
  for (std::int64_t x = 0; x < w; ++x, s += 6, d += 3) {
    d[0] = s[4];
    d[1] = s[2];
    d[2] = s[0];
  }
}

void RGBAtoBGRA32(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w) {
  for (std::int64_t x = 0; x < w; ++x, s += 4, d += 3) {
    d[0] = s[2];
    d[1] = s[1];
    d[2] = s[0];
    a[x] = static_cast<std::uint8_t>(255 - s[3]);
  }
}

void RGBAtoBGRA64(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w) {
  for (std::int64_t x = 0; x < w; ++x, s += 8, d += 3) {
    d[0] = s[4];
    d[1] = s[2];
    d[2] = s[0];
    a[x] = static_cast<std::uint8_t>(255 - s[6]);
  }
}


namespace {
inline void Put565(std::uint8_t* d, unsigned r, unsigned g, unsigned b) {
  unsigned v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
  d[0] = static_cast<std::uint8_t>(v);
  d[1] = static_cast<std::uint8_t>(v >> 8);
}
}  // namespace

void RGBtoBGR16(const std::uint8_t* s, std::uint8_t* d, std::uint8_t*, std::int64_t w) {
  for (std::int64_t x = 0; x < w; ++x, s += 3, d += 2) Put565(d, s[0], s[1], s[2]);
}

void RGBAtoBGRA16(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a, std::int64_t w) {
  for (std::int64_t x = 0; x < w; ++x, s += 4, d += 2) {
    Put565(d, s[0], s[1], s[2]);
    a[x] = static_cast<std::uint8_t>(255 - s[3]);
  }
}

namespace {
#if defined(__x86_64__)
// The same two conversions with SSSE3's byte shuffle, four or five pixels at a
// time; chosen once per image when the processor has it. The 16-byte stores
// run ahead of the row, so the last pixels go the plain way.
__attribute__((target("ssse3"))) void RGBAtoBGRA32Shuffled(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a,
                                                           std::int64_t w) {
  const __m128i toBgr = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  const __m128i toAlpha = _mm_setr_epi8(3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i ones = _mm_set1_epi8(-1);
  std::int64_t x = 0;
  for (; x + 8 <= w; x += 4, s += 16, d += 12) {
    const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_shuffle_epi8(px, toBgr));
    const std::uint32_t alpha = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_xor_si128(_mm_shuffle_epi8(px, toAlpha), ones)));
    std::memcpy(a + x, &alpha, 4);  // 255 - alpha is its complement
  }
  RGBAtoBGRA32(s, d, a + x, w - x);
}

__attribute__((target("ssse3"))) void RGBtoBGR24Shuffled(const std::uint8_t* s, std::uint8_t* d, std::uint8_t* a,
                                                         std::int64_t w) {
  const __m128i toBgr = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  std::int64_t x = 0;
  for (; x + 10 <= w; x += 5, s += 15, d += 15)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), toBgr));
  RGBtoBGR24(s, d, a, w - x);
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

// Sixteen table entries per register: each block of the table is one shuffle by
// the index's low half, kept where the high half names the block.
__attribute__((target("ssse3"))) void LookUpShuffled(const std::uint8_t* table, int blocks, const std::uint8_t* in,
                                                     std::uint8_t* out, std::int64_t n) {
  __m128i parts[16];
  for (int k = 0; k < blocks; ++k) parts[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * k));
  const __m128i low = _mm_set1_epi8(0x0F), one = _mm_set1_epi8(1);
  std::int64_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const __m128i column = _mm_and_si128(x, low);
    __m128i block = _mm_and_si128(_mm_srli_epi16(x, 4), low);
    __m128i result = _mm_setzero_si128();
    for (int k = 0; k < blocks; ++k) {
      const __m128i here = _mm_cmpeq_epi8(block, _mm_setzero_si128());
      result = _mm_or_si128(result, _mm_and_si128(here, _mm_shuffle_epi8(parts[k], column)));
      block = _mm_sub_epi8(block, one);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), result);
  }
  for (; i < n; ++i) out[i] = table[in[i]];
}
#endif
}  // namespace

RowConverter FastRGBtoBGR24() {
#if defined(__x86_64__)
  if (HasSsse3()) return RGBtoBGR24Shuffled;
#endif
  return RGBtoBGR24;
}

RowConverter FastRGBAtoBGRA32() {
#if defined(__x86_64__)
  if (HasSsse3()) return RGBAtoBGRA32Shuffled;
#endif
  return RGBAtoBGRA32;
}

IndexLookup::IndexLookup(const std::uint8_t (&entries)[256]) {
  std::memcpy(table_, entries, sizeof table_);
  int last = 255;
  while (last >= 0 && table_[last] == 0) --last;
  blocks_ = last / 16 + 1;
#if defined(__x86_64__)
  shuffled_ = HasSsse3() && blocks_ <= kMaxShuffledBlocks;
#endif
}

void IndexLookup::operator()(const std::uint8_t* in, std::uint8_t* out, std::int64_t n) const {
#if defined(__x86_64__)
  if (shuffled_) {
    LookUpShuffled(table_, blocks_, in, out, n);
    return;
  }
#endif
  for (std::int64_t i = 0; i < n; ++i) out[i] = table_[in[i]];
}

}  // namespace vp::png
