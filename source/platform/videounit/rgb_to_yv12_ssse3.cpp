// SPDX-License-Identifier: BSD-2-Clause
// The converters' SSSE3 path: 16 pixels of a row pair per step. Sums are exact 32-bit
// multiply-adds of the colour rule's weights, so the bytes equal the portable loop's.
// Compiled with -mssse3 alone: nothing here may be shared with code built for the baseline.
#include <tmmintrin.h>

#include "rgb_to_yv12_internal.hpp"

namespace pf_unit {
namespace {

__m128i weights(const int16_t (&w)[4]) {
  return _mm_setr_epi16(w[0], w[1], w[2], w[3], w[0], w[1], w[2], w[3]);
}

// Four 4-byte pixels to their four weighted sums.
__m128i sums4(__m128i pixels, __m128i w) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi8(pixels, zero), w);
  const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi8(pixels, zero), w);
  return _mm_hadd_epi32(lo, hi);
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

void store_luma(const Pixels16& px, uint8_t* y) {
  const __m128i w = weights(kYWeights);
  const __m128i round = _mm_set1_epi32(128);
  __m128i s[4];
  for (int i = 0; i < 4; ++i) s[i] = _mm_srli_epi32(_mm_add_epi32(sums4(px.p[i], w), round), 8);
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(s[0], s[1]), _mm_packs_epi32(s[2], s[3]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(y), bytes);
}

// U and V of the eight blocks: from the even pixels. The sum plus 128 + 128 * 256, shifted, is
// the chroma value; the saturating packs clamp it at 255.
void store_chroma(const Pixels16& px, uint8_t* u, uint8_t* v) {
  const __m128i even01 =
      _mm_unpacklo_epi64(_mm_shuffle_epi32(px.p[0], 0x08), _mm_shuffle_epi32(px.p[1], 0x08));
  const __m128i even23 =
      _mm_unpacklo_epi64(_mm_shuffle_epi32(px.p[2], 0x08), _mm_shuffle_epi32(px.p[3], 0x08));
  const __m128i wu = weights(kUWeights), wv = weights(kVWeights);
  const __m128i bias = _mm_set1_epi32(128 + 128 * 256);
  auto chroma = [&](__m128i even, __m128i w) {
    return _mm_srai_epi32(_mm_add_epi32(sums4(even, w), bias), 8);
  };
  const __m128i us = _mm_packs_epi32(chroma(even01, wu), chroma(even23, wu));
  const __m128i vs = _mm_packs_epi32(chroma(even01, wv), chroma(even23, wv));
  const __m128i uv = _mm_packus_epi16(us, vs);
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
