// SPDX-License-Identifier: BSD-2-Clause
// SSE2 forms of the packed 4:2:2 rectangle kernels and the 4:2:0 transparency kernels: the shared
// composition with 16-byte row fills and blends.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "banner/banner.hpp"
#include "img_banner.h"

namespace pf::sse2 {
namespace {

// Every row starts on a whole pattern (the composition guarantees it), so the pattern repeated
// over a vector lines up with the bytes at any multiple of 16 from the row's start.
inline __m128i pattern_vector(const uint8_t (&pattern)[4]) {
  int32_t word;
  std::memcpy(&word, pattern, 4);
  return _mm_set1_epi32(word);
}

void fill_row(uint8_t* dst, uint32_t bytes, const uint8_t (&pattern)[4]) {
  const __m128i colour = pattern_vector(pattern);
  uint32_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), colour);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 16), colour);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 32), colour);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 48), colour);
  }
  for (; i + 16 <= bytes; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), colour);
  for (; i + 4 <= bytes; i += 4) std::memcpy(dst + i, pattern, 4);
  for (; i < bytes; ++i) dst[i] = pattern[i & 3];
}

// (s * (255 - a) + c * a) >> 8 in 16-bit lanes: the sum is at most 255 * 255, so it neither
// wraps nor needs a signed shift, and the result packs back to bytes unchanged.
void blend_row(uint8_t* dst, uint32_t bytes, const uint8_t (&pattern)[4], uint32_t opacity) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i colour = pattern_vector(pattern);
  const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(255 - opacity));
  const __m128i alpha = _mm_set1_epi16(static_cast<int16_t>(opacity));
  const __m128i colour_lo = _mm_mullo_epi16(_mm_unpacklo_epi8(colour, zero), alpha);
  const __m128i colour_hi = _mm_mullo_epi16(_mm_unpackhi_epi8(colour, zero), alpha);
  uint32_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    const __m128i lo = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), keep), colour_lo), 8);
    const __m128i hi = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), keep), colour_hi), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
  }
  const uint32_t k = 255 - opacity;
  for (; i < bytes; ++i) {
    dst[i] = static_cast<uint8_t>((dst[i] * k + pattern[i & 3] * opacity) >> 8);
  }
}

const banner::RowOps kBannerRows = {fill_row, blend_row};

}  // namespace
}  // namespace pf::sse2

PF_BANNER_KERNEL(DrawRectangleFrame422_sse2, ::pf::sse2::kBannerRows, kPacked, false, true)
PF_BANNER_KERNEL(DrawRectangleField422_sse2, ::pf::sse2::kBannerRows, kPacked, true, true)
PF_BANNER_KERNEL(DrawRectangleFrameTransparency422_sse2, ::pf::sse2::kBannerRows, kPacked, false,
                 false)
PF_BANNER_KERNEL(DrawRectangleFieldTransparency422_sse2, ::pf::sse2::kBannerRows, kPacked, true,
                 false)
PF_BANNER_KERNEL(DrawRectangleFrameTransparency420_sse2, ::pf::sse2::kBannerRows, kPlanar420, false,
                 false)
PF_BANNER_KERNEL(DrawRectangleFieldTransparency420_sse2, ::pf::sse2::kBannerRows, kPlanar420, true,
                 false)
