// SPDX-License-Identifier: BSD-2-Clause
// SSE2 deinterlace kernels: mode 0 with its own decision rule, and modes 2 and 3 reproducing the
// scalar kernels.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "deinterlace/deinterlace.hpp"

namespace pf::sse2 {
namespace {

// Without a byte multiply, the blend weights go through 16-bit lanes: p m + q (16 - m) is
// (p - q) m + 16 q, and |p - q| m stays within 255 x 16.
__m128i mix_half(__m128i p, __m128i q, __m128i m) {
  const __m128i diff = _mm_sub_epi16(p, q);
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(diff, m), _mm_slli_epi16(q, 4)), 4);
}
__m128i mix(__m128i p, __m128i q, __m128i m) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo =
      mix_half(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(q, zero), _mm_unpacklo_epi8(m, zero));
  const __m128i hi =
      mix_half(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(q, zero), _mm_unpackhi_epi8(m, zero));
  return _mm_packus_epi16(lo, hi);
}

// Tags 2, 3, 4, 5 are +1, -1, +2, -2: the magnitude is tag / 2, odd tags are negative.
__m128i dir_from_tag(__m128i tag) {
  const __m128i magnitude = _mm_and_si128(_mm_srli_epi16(tag, 1), _mm_set1_epi8(7));
  const __m128i negative = _mm_cmpeq_epi8(_mm_and_si128(tag, _mm_set1_epi8(1)), _mm_set1_epi8(1));
  return _mm_sub_epi8(_mm_xor_si128(magnitude, negative), negative);
}

#include "deinterlace/deinterlace_rows_simd.inc"

// Mode 0's simpler test over two 8-pixel groups at once: psadbw leaves one sum per group in
// each 64-bit half, and the 32-bit comparison of the low words is spread over the half.
__m128i comb_mask(__m128i p, __m128i c, __m128i n, __m128i n2) {
  const __m128i across = _mm_add_epi32(_mm_sad_epu8(p, c), _mm_sad_epu8(c, n));
  const __m128i within = _mm_add_epi32(_mm_sad_epu8(c, n2), _mm_sad_epu8(p, n));
  return _mm_shuffle_epi32(_mm_cmpgt_epi32(across, within), _MM_SHUFFLE(2, 2, 0, 0));
}

void comb_plane(uint8_t* plane, int32_t width, int32_t height, ptrdiff_t stride) {
  if (plane == nullptr || width <= 0 || height / 2 < 3) return;
  // One more odd line than the scalar kernel: down to height - 3, whose N2 is the last line.
  for (int32_t l = 1; l <= height - 3; l += 2) {
    uint8_t* c = plane + l * stride;
    const uint8_t* p = c - stride;
    const uint8_t* n = c + stride;
    const uint8_t* n2 = c + 2 * stride;
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
      const __m128i vp = load(p + x), vc = load(c + x), vn = load(n + x), vn2 = load(n2 + x);
      store(c + x, pick(comb_mask(vp, vc, vn, vn2), _mm_avg_epu8(vp, vn), vc));
    }
    if (x + 8 <= width) {
      auto load8 = [](const uint8_t* q) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(q));
      };
      const __m128i vp = load8(p + x), vc = load8(c + x), vn = load8(n + x), vn2 = load8(n2 + x);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(c + x),
                       pick(comb_mask(vp, vc, vn, vn2), _mm_avg_epu8(vp, vn), vc));
      x += 8;
    }
    if (x < width) {
      pf::deint::comb_group(p + x, c + x, n + x, n2 + x, width - x, pf::deint::CombRule::kSimple);
    }
  }
}

}  // namespace
}  // namespace pf::sse2

extern "C" {

uint32_t ImgDeinterlaceMode1_sse2(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y, uint8_t* pu8U,
                                  uint8_t* pu8V) {
  const tImgDeinterlaceInstance& inst = *ptInstance;
  pf::sse2::comb_plane(pu8Y, inst.s32Width, inst.s32Height, inst.s32YStride);
  pf::sse2::comb_plane(pu8U, inst.s32Width / 2, inst.s32Height / 2, inst.s32UVStride);
  pf::sse2::comb_plane(pu8V, inst.s32Width / 2, inst.s32Height / 2, inst.s32UVStride);
  return 0;
}

uint32_t ImgDeinterlaceMode3_sse2(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y, uint8_t* pu8U,
                                  uint8_t* pu8V) {
  return pf::deint::blend_picture(*ptInstance, pu8Y, pu8U, pu8V, pf::sse2::kPlainPasses,
                                  pf::sse2::median_row, false);
}

uint32_t ImgDeinterlaceMode4_sse2(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y, uint8_t* pu8U,
                                  uint8_t* pu8V) {
  return pf::deint::blend_picture(*ptInstance, pu8Y, pu8U, pu8V, pf::sse2::kDirectionalPasses,
                                  pf::sse2::median_row, true);
}

}  // extern "C"
