// SPDX-License-Identifier: BSD-2-Clause
// The converters' AVX2 path: 32 pixels of a row pair per step, the SSSE3 path's arithmetic on
// twice the width. The 256-bit packs work per 128-bit lane; one dword permutation puts the
// results back in pixel order. Compiled with -mavx2 alone: nothing here may be shared with code
// built for the baseline.
#include <immintrin.h>

#include "rgb_to_yv12_internal.hpp"

namespace pf_unit {
namespace {

__m256i weights(const int16_t (&w)[4]) {
  return _mm256_setr_epi16(w[0], w[1], w[2], w[3], w[0], w[1], w[2], w[3], w[0], w[1], w[2], w[3],
                           w[0], w[1], w[2], w[3]);
}

// Eight 4-byte pixels to their eight weighted sums, in order (each lane holds four).
__m256i sums8(__m256i pixels, __m256i w) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi8(pixels, zero), w);
  const __m256i hi = _mm256_madd_epi16(_mm256_unpackhi_epi8(pixels, zero), w);
  return _mm256_hadd_epi32(lo, hi);
}

// Undoes the lane order of two rounds of 256-bit packs.
__m256i in_order(__m256i packed) {
  return _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

struct Pixels32 {
  __m256i p[4];
};

Pixels32 load_bgra(const uint8_t* src) {
  Pixels32 px;
  for (int i = 0; i < 4; ++i) {
    px.p[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 32 * i));
  }
  return px;
}

// Three-byte pixels spread to four bytes, four per 16-byte load; the last load starts early so
// that it ends with the step's 96th byte.
Pixels32 load_bgr24(const uint8_t* src) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i spread_tail =
      _mm_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
  auto four = [&](int offset, __m128i mask) {
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + offset)), mask);
  };
  Pixels32 px;
  for (int i = 0; i < 3; ++i) {
    px.p[i] = _mm256_set_m128i(four(24 * i + 12, spread), four(24 * i, spread));
  }
  px.p[3] = _mm256_set_m128i(four(80, spread_tail), four(72, spread));
  return px;
}

void store_luma(const Pixels32& px, uint8_t* y) {
  const __m256i w = weights(kYWeights);
  const __m256i round = _mm256_set1_epi32(128);
  __m256i s[4];
  for (int i = 0; i < 4; ++i) {
    s[i] = _mm256_srli_epi32(_mm256_add_epi32(sums8(px.p[i], w), round), 8);
  }
  const __m256i bytes =
      _mm256_packus_epi16(_mm256_packs_epi32(s[0], s[1]), _mm256_packs_epi32(s[2], s[3]));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(y), in_order(bytes));
}

// U and V of the 16 blocks, from the even pixels (see the SSSE3 path for the bias).
void store_chroma(const Pixels32& px, uint8_t* u, uint8_t* v) {
  const __m256i evens_first = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  __m256i e[4];
  for (int i = 0; i < 4; ++i) e[i] = _mm256_permutevar8x32_epi32(px.p[i], evens_first);
  const __m256i even01 = _mm256_permute2x128_si256(e[0], e[1], 0x20);
  const __m256i even23 = _mm256_permute2x128_si256(e[2], e[3], 0x20);
  const __m256i wu = weights(kUWeights), wv = weights(kVWeights);
  const __m256i bias = _mm256_set1_epi32(128 + 128 * 256);
  auto chroma = [&](__m256i even, __m256i w) {
    return _mm256_srai_epi32(_mm256_add_epi32(sums8(even, w), bias), 8);
  };
  const __m256i us = _mm256_packs_epi32(chroma(even01, wu), chroma(even23, wu));
  const __m256i vs = _mm256_packs_epi32(chroma(even01, wv), chroma(even23, wv));
  const __m256i uv = in_order(_mm256_packus_epi16(us, vs));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(u), _mm256_castsi256_si128(uv));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(v), _mm256_extracti128_si256(uv, 1));
}

template <int kBytes>
int32_t rows_avx2(const RowPair& rows, int32_t width) {
  const int32_t done = width & ~31;
  for (int32_t x = 0; x < done; x += 32) {
    const uint8_t* top = rows.top + kBytes * x;
    const uint8_t* bottom = rows.bottom + kBytes * x;
    const Pixels32 t = kBytes == 3 ? load_bgr24(top) : load_bgra(top);
    const Pixels32 b = kBytes == 3 ? load_bgr24(bottom) : load_bgra(bottom);
    store_luma(t, rows.y_top + x);
    store_luma(b, rows.y_bottom + x);
    store_chroma(t, rows.u + x / 2, rows.v + x / 2);
  }
  return done;
}

}  // namespace

int32_t bgr24_rows_avx2(const RowPair& rows, int32_t width) { return rows_avx2<3>(rows, width); }
int32_t bgra_rows_avx2(const RowPair& rows, int32_t width) { return rows_avx2<4>(rows, width); }

}  // namespace pf_unit
