// SPDX-License-Identifier: BSD-2-Clause
// The converters' SSSE3 path: 16 pixels of a row pair per step. The byte multiply-adds and
// 16-bit sums are exact (see rgb_to_yv12_internal.hpp), so the bytes equal the portable loop's.
// Compiled with -mssse3 alone: nothing here may be shared with code built for the baseline.
#include <tmmintrin.h>

#include "rgb_to_yv12_internal.hpp"

namespace pf_unit {
namespace {

template <class T>
__m128i weights(const T (&w)[4]) {
  return _mm_set1_epi32(static_cast<int32_t>(
      static_cast<uint8_t>(w[0]) | static_cast<uint8_t>(w[1]) << 8 |
      static_cast<uint8_t>(w[2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(w[3])) << 24));
}

// 16 pixels as four registers of four 4-byte pixels.
struct Pixels16 {
  __m128i p[4];
};

Pixels16 load_bgra(const uint8_t* src) {
  Pixels16 px;
  for (int i = 0; i < 4; ++i) {
    px.p[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16 * i));
  }
  return px;
}

// Three-byte pixels spread to four bytes; every load stays inside the 48 bytes of the step.
Pixels16 load_bgr24(const uint8_t* src) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i spread_tail =
      _mm_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
  Pixels16 px;
  px.p[0] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), spread);
  px.p[1] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 12)), spread);
  px.p[2] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 24)), spread);
  px.p[3] =
      _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32)), spread_tail);
  return px;
}

// Y of 16 pixels: byte multiply-adds of the weights with the pixels less 128, pairs summed to
// one 16-bit sum per pixel; adding back 128 * 255 and the rounding 128 is adding 0x8000.
void store_luma(const Pixels16& px, uint8_t* y) {
  const __m128i w = weights(kYWeights);
  const __m128i flip = _mm_set1_epi8(-128);
  const __m128i offset = _mm_set1_epi16(-32768);
  __m128i m[4];
  for (int i = 0; i < 4; ++i) m[i] = _mm_maddubs_epi16(w, _mm_xor_si128(px.p[i], flip));
  const __m128i lo = _mm_srli_epi16(_mm_xor_si128(_mm_hadd_epi16(m[0], m[1]), offset), 8);
  const __m128i hi = _mm_srli_epi16(_mm_xor_si128(_mm_hadd_epi16(m[2], m[3]), offset), 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(y), _mm_packus_epi16(lo, hi));
}

// U and V of the eight blocks, from the even pixels: 128 - ((N + 127) >> 8), clamped at 255 by
// the saturating pack.
__m128i chroma8(__m128i even03, __m128i even47, __m128i w) {
  const __m128i n = _mm_hadd_epi16(_mm_maddubs_epi16(even03, w), _mm_maddubs_epi16(even47, w));
  return _mm_sub_epi16(_mm_set1_epi16(128),
                       _mm_srai_epi16(_mm_add_epi16(n, _mm_set1_epi16(127)), 8));
}

__m128i even_pixels(__m128i a, __m128i b) {
  return _mm_castps_si128(
      _mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
}

void store_chroma(const Pixels16& px, uint8_t* u, uint8_t* v) {
  const __m128i even03 = even_pixels(px.p[0], px.p[1]);
  const __m128i even47 = even_pixels(px.p[2], px.p[3]);
  const __m128i uv = _mm_packus_epi16(chroma8(even03, even47, weights(kUNegWeights)),
                                      chroma8(even03, even47, weights(kVNegWeights)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(u), uv);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(v), _mm_srli_si128(uv, 8));
}

template <int kBytes>
int32_t rows_ssse3(const RowPair& rows, int32_t width) {
  const int32_t done = width & ~15;
  for (int32_t x = 0; x < done; x += 16) {
    const uint8_t* top = rows.top + kBytes * x;
    const uint8_t* bottom = rows.bottom + kBytes * x;
    const Pixels16 t = kBytes == 3 ? load_bgr24(top) : load_bgra(top);
    const Pixels16 b = kBytes == 3 ? load_bgr24(bottom) : load_bgra(bottom);
    store_luma(t, rows.y_top + x);
    store_luma(b, rows.y_bottom + x);
    store_chroma(t, rows.u + x / 2, rows.v + x / 2);
  }
  return done;
}

}  // namespace

int32_t bgr24_rows_ssse3(const RowPair& rows, int32_t width) { return rows_ssse3<3>(rows, width); }
int32_t bgra_rows_ssse3(const RowPair& rows, int32_t width) { return rows_ssse3<4>(rows, width); }

}  // namespace pf_unit
