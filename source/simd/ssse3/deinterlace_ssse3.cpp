// SPDX-License-Identifier: BSD-2-Clause
// SSSE3 kernel of deinterlace mode 3, reproducing the scalar kernel: byte multiply-adds for the
// blend weights and a byte shuffle for the directions.
#include <tmmintrin.h>

#include <cstddef>
#include <cstdint>

#include "deinterlace/deinterlace.hpp"

namespace pf::ssse3 {
namespace {

// pmaddubsw on interleaved (p, q) and (m, 16 - m) gives p m + q (16 - m) per 16-bit lane.
__m128i mix(__m128i p, __m128i q, __m128i m) {
  const __m128i rest = _mm_sub_epi8(_mm_set1_epi8(16), m);
  const __m128i lo = _mm_maddubs_epi16(_mm_unpacklo_epi8(p, q), _mm_unpacklo_epi8(m, rest));
  const __m128i hi = _mm_maddubs_epi16(_mm_unpackhi_epi8(p, q), _mm_unpackhi_epi8(m, rest));
  return _mm_packus_epi16(_mm_srli_epi16(lo, 4), _mm_srli_epi16(hi, 4));
}

__m128i dir_from_tag(__m128i tag) {
  return _mm_shuffle_epi8(_mm_setr_epi8(0, 0, 1, -1, 2, -2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), tag);
}

#include "deinterlace/deinterlace_rows_simd.inc"

}  // namespace
}  // namespace pf::ssse3

extern "C" uint32_t ImgDeinterlaceMode4_ssse3(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                              uint8_t* pu8U, uint8_t* pu8V) {
  return pf::deint::blend_picture(*ptInstance, pu8Y, pu8U, pu8V, pf::ssse3::kDirectionalPasses,
                                  pf::ssse3::median_row, true);
}
