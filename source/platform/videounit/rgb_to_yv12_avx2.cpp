// SPDX-License-Identifier: BSD-2-Clause
// The converters' AVX2 path: 32 pixels of a row pair per step, the SSSE3 path's arithmetic on
// twice the width. The 256-bit packs work per 128-bit lane; one dword permutation puts the
// results back in pixel order. Compiled with -mavx2 alone: nothing here may be shared with code
// built for the baseline.
#include <immintrin.h>

#include "rgb_to_yv12_internal.hpp"

namespace pf_unit {
namespace {

template <class T>
__m256i weights(const T (&w)[4]) {
  return _mm256_set1_epi32(static_cast<int32_t>(
      static_cast<uint8_t>(w[0]) | static_cast<uint8_t>(w[1]) << 8 |
      static_cast<uint8_t>(w[2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(w[3])) << 24));
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

// Y of 32 pixels, as on the SSSE3 path.
void store_luma(const Pixels32& px, uint8_t* y) {
  const __m256i w = weights(kYWeights);
  const __m256i flip = _mm256_set1_epi8(-128);
  const __m256i offset = _mm256_set1_epi16(-32768);
  __m256i m[4];
  for (int i = 0; i < 4; ++i) m[i] = _mm256_maddubs_epi16(w, _mm256_xor_si256(px.p[i], flip));
  const __m256i lo = _mm256_srli_epi16(_mm256_xor_si256(_mm256_hadd_epi16(m[0], m[1]), offset), 8);
  const __m256i hi = _mm256_srli_epi16(_mm256_xor_si256(_mm256_hadd_epi16(m[2], m[3]), offset), 8);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(y), in_order(_mm256_packus_epi16(lo, hi)));
}

// U or V of 16 blocks from their 16 even pixels, as on the SSSE3 path.
__m256i chroma16(__m256i even07, __m256i even815, __m256i w) {
  const __m256i n =
      _mm256_hadd_epi16(_mm256_maddubs_epi16(even07, w), _mm256_maddubs_epi16(even815, w));
  return _mm256_sub_epi16(_mm256_set1_epi16(128),
                          _mm256_srai_epi16(_mm256_add_epi16(n, _mm256_set1_epi16(127)), 8));
}

// The even pixels of 16, in order.
__m256i even_pixels(__m256i a, __m256i b) {
  const __m256i picked = _mm256_castps_si256(
      _mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
  return _mm256_permute4x64_epi64(picked, _MM_SHUFFLE(3, 1, 2, 0));
}

void store_chroma(const Pixels32& px, uint8_t* u, uint8_t* v) {
  const __m256i even07 = even_pixels(px.p[0], px.p[1]);
  const __m256i even815 = even_pixels(px.p[2], px.p[3]);
  const __m256i uv =
      in_order(_mm256_packus_epi16(chroma16(even07, even815, weights(kUNegWeights)),
                                   chroma16(even07, even815, weights(kVNegWeights))));
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
