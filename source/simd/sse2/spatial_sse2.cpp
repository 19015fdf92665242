// SPDX-License-Identifier: BSD-2-Clause
// SSE2 forms of the cross filter and the sharpen kernel: the scalar kernels' pictures, eight or
// sixteen pixels at a time in 16-bit lanes, with the scalar formulas at the edges and tails.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "img_crossfilter.h"
#include "img_sharp.h"

namespace pf::sse2 {
namespace {

using std::ptrdiff_t;

// ---- Cross filter ----

inline __m128i cross16(__m128i u, __m128i d, __m128i l, __m128i r, __m128i c) {
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(u, d), _mm_add_epi16(l, r));
  return _mm_srli_epi16(_mm_add_epi16(sum, _mm_slli_epi16(c, 2)), 3);
}

inline __m128i load16(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

void cross_row(const uint8_t* u, const uint8_t* s, const uint8_t* n, uint8_t* d, int32_t width) {
  const int32_t last = width - 1;
  if (last == 0) {
    d[0] = static_cast<uint8_t>((u[0] + n[0] + 6 * s[0]) >> 3);
    return;
  }
  d[0] = static_cast<uint8_t>((u[0] + n[0] + 2 * s[1] + 4 * s[0]) >> 3);
  const __m128i zero = _mm_setzero_si128();
  int32_t x = 1;
  // Loads reach x + 16, which must stay inside the row: up to column `last`.
  for (; x + 16 <= last; x += 16) {
    const __m128i vu = load16(u + x), vn = load16(n + x), vc = load16(s + x);
    const __m128i vl = load16(s + x - 1), vr = load16(s + x + 1);
    const __m128i lo = cross16(_mm_unpacklo_epi8(vu, zero), _mm_unpacklo_epi8(vn, zero),
                               _mm_unpacklo_epi8(vl, zero), _mm_unpacklo_epi8(vr, zero),
                               _mm_unpacklo_epi8(vc, zero));
    const __m128i hi = cross16(_mm_unpackhi_epi8(vu, zero), _mm_unpackhi_epi8(vn, zero),
                               _mm_unpackhi_epi8(vl, zero), _mm_unpackhi_epi8(vr, zero),
                               _mm_unpackhi_epi8(vc, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(lo, hi));
  }
  for (; x < last; ++x) {
    d[x] = static_cast<uint8_t>((u[x] + n[x] + s[x - 1] + s[x + 1] + 4 * s[x]) >> 3);
  }
  d[last] = static_cast<uint8_t>((u[last] + n[last] + 2 * s[last - 1] + 4 * s[last]) >> 3);
}

// ---- Sharpen ----

// (a:b) shifted down by k 16-bit lanes: lanes k .. 7 of a, then lanes 0 .. k - 1 of b.
template <int kLanes>
inline __m128i lanes_down(__m128i a, __m128i b) {
  return _mm_or_si128(_mm_srli_si128(a, 2 * kLanes), _mm_slli_si128(b, 16 - 2 * kLanes));
}

// Box line from a padded copy: pad[i] is line pixel i - 4, end pixels repeated, so box(x) is the
// mean of pad[x .. x + 7]. Eight sums at a time by doubling: pairs, fours, eights.
void box_line(const uint8_t* line, int32_t width, uint8_t* pad, uint8_t* out) {
  std::memset(pad, line[0], 4);
  std::memcpy(pad + 4, line, static_cast<size_t>(width));
  std::memset(pad + 4 + width, line[width - 1], 20);
  const __m128i zero = _mm_setzero_si128();
  for (int32_t x = 0; x < width; x += 8) {
    const __m128i bytes = load16(pad + x);
    const __m128i lo = _mm_unpacklo_epi8(bytes, zero), hi = _mm_unpackhi_epi8(bytes, zero);
    const __m128i p1 = _mm_add_epi16(lo, lanes_down<1>(lo, hi));
    const __m128i q1 = _mm_add_epi16(hi, _mm_srli_si128(hi, 2));
    const __m128i p2 = _mm_add_epi16(p1, lanes_down<2>(p1, q1));
    const __m128i q2 = _mm_add_epi16(q1, _mm_srli_si128(q1, 4));
    const __m128i p4 = _mm_add_epi16(p2, lanes_down<4>(p2, q2));
    const __m128i mean = _mm_srli_epi16(p4, 3);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(mean, mean));
  }
}

inline __m128i load8(const uint8_t* row, int32_t x, int32_t width) {
  if (x + 8 <= width) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x)),
                             _mm_setzero_si128());
  }
  uint8_t tmp[8] = {};
  for (int32_t k = 0; x + k < width; ++k) tmp[k] = row[x + k];
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(tmp)),
                           _mm_setzero_si128());
}

inline void store8(uint8_t* row, int32_t x, int32_t width, __m128i packed) {
  if (x + 8 <= width) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + x), packed);
    return;
  }
  uint8_t tmp[8];
  _mm_storel_epi64(reinterpret_cast<__m128i*>(tmp), packed);
  for (int32_t k = 0; x + k < width; ++k) row[x + k] = tmp[k];
}

void sharp_line(const uint8_t* ring, ptrdiff_t slot_step, const uint8_t* src, uint8_t* dst,
                int32_t width, int32_t strength) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i s = _mm_set1_epi16(static_cast<int16_t>(strength));
  for (int32_t x = 0; x < width; x += 8) {
    __m128i sum = zero;
    for (int32_t k = 0; k < 8; ++k) {
      const auto* at = reinterpret_cast<const __m128i*>(ring + k * slot_step + x);
      sum = _mm_add_epi16(sum, _mm_unpacklo_epi8(_mm_loadl_epi64(at), zero));
    }
    const __m128i p = load8(src, x, width);
    const __m128i diff = _mm_sub_epi16(p, _mm_srli_epi16(sum, 3));
    // (diff * s) >> 8 needs 17 bits before the shift; the shifted value fits 16, so it is put
    // together from the product's high and low halves.
    const __m128i lo = _mm_mullo_epi16(diff, s), hi = _mm_mulhi_epi16(diff, s);
    const __m128i scaled = _mm_or_si128(_mm_slli_epi16(hi, 8), _mm_srli_epi16(lo, 8));
    const __m128i out = _mm_add_epi16(p, scaled);
    store8(dst, x, width, _mm_packus_epi16(out, out));
  }
}

}  // namespace
}  // namespace pf::sse2

extern "C" {

void CrossFilter_sse2(void*, const uint8_t* pu8Src, uint8_t* pu8Dst, int32_t s32Height,
                      int32_t s32Width, int32_t s32SrcStride, int32_t s32DstStride) {
  if (s32Height < 1 || s32Width < 1) return;
  for (int32_t y = 0; y < s32Height; ++y) {
    const uint8_t* s = pu8Src + static_cast<ptrdiff_t>(y) * s32SrcStride;
    uint8_t* d = pu8Dst + static_cast<ptrdiff_t>(y) * s32DstStride;
    if (y == 0 || y == s32Height - 1) {
      std::memcpy(d, s, static_cast<size_t>(s32Width));
    } else {
      pf::sse2::cross_row(s - s32SrcStride, s, s + s32SrcStride, d, s32Width);
    }
  }
}

void ImgSharp_sse2(uint8_t* pu8LineStore, const uint8_t* pu8Src, int32_t s32SrcPitch,
                   uint8_t* pu8Dst, int32_t s32DstPitch, int32_t s32Width, int32_t s32Height,
                   int32_t s32Strength) {
  if (s32Width < 1 || s32Height < 1) return;
  // Eight box lines a whole number of vectors long, then the padded source line.
  const ptrdiff_t step = (s32Width + 7) & ~7;
  uint8_t* pad = pu8LineStore + 8 * step;
  auto slot = [&](int32_t l) { return pu8LineStore + ((l + 4) & 7) * step; };
  auto src = [&](int32_t y) { return pu8Src + static_cast<ptrdiff_t>(y) * s32SrcPitch; };
  const auto bytes = static_cast<size_t>(step);
  pf::sse2::box_line(src(0), s32Width, pad, slot(0));
  for (int32_t l = -4; l < 0; ++l) std::memcpy(slot(l), slot(0), bytes);
  for (int32_t l = 1; l < 4; ++l) {
    if (l < s32Height) {
      pf::sse2::box_line(src(l), s32Width, pad, slot(l));
    } else {
      std::memcpy(slot(l), slot(s32Height - 1), bytes);
    }
  }
  for (int32_t y = 0; y < s32Height; ++y) {
    pf::sse2::sharp_line(pu8LineStore, step, src(y),
                         pu8Dst + static_cast<ptrdiff_t>(y) * s32DstPitch, s32Width, s32Strength);
    const int32_t next = y + 4;
    if (next < s32Height) {
      pf::sse2::box_line(src(next), s32Width, pad, slot(next));
    } else {
      std::memcpy(slot(next), slot(s32Height - 1), bytes);
    }
  }
}

void ImgSharpYUV420_sse2(tImgSharpInstance* ptInstance, const tImgPicture* ptSrc,
                         const tImgPicture* ptDst) {
  const tImgSharpParam& p = ptInstance->tParam;
  uint8_t* store = ptInstance->pu8LineStore;
  ImgSharp_sse2(store, ptSrc->pu8Y, static_cast<int32_t>(ptSrc->u32YPitch), ptDst->pu8Y,
                static_cast<int32_t>(ptDst->u32YPitch), p.s32Width, p.s32Height, p.s32Strength);
  ImgSharp_sse2(store, ptSrc->pu8U, static_cast<int32_t>(ptSrc->u32UVPitch), ptDst->pu8U,
                static_cast<int32_t>(ptDst->u32UVPitch), p.s32Width / 2, p.s32Height / 2,
                p.s32Strength);
  ImgSharp_sse2(store, ptSrc->pu8V, static_cast<int32_t>(ptSrc->u32UVPitch), ptDst->pu8V,
                static_cast<int32_t>(ptDst->u32UVPitch), p.s32Width / 2, p.s32Height / 2,
                p.s32Strength);
}

}  // extern "C"
