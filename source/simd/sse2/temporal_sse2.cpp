// SPDX-License-Identifier: BSD-2-Clause
// SSE2 temporal filter: a per-pixel recursive filter, not the block blend of Filterframe_c. Each
// pixel's weight comes from the sum of differences over a 16 x 17 window, found from running
// sums: a prefix sum along the line gives each 16-column sum, a ring of 17 lines of those keeps
// the column totals current as the window moves down, so a window costs the same at any size.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "img_temporalfilter.h"

namespace pf::sse2 {
namespace {

constexpr int kRingLines = 17;  // the window's lines: y - 8 .. y + 8

// A line whose 16-column sum reaches this is "busy". The column totals are kept in 16 bits,
// which a window of 17 lines of up to 4080 can overflow; but with at most one busy line in the
// window the total stays below 4080 + 16 * 2015 = 36320, and with two or more it is at least
// 4032, which already gives the highest table column. Counting busy lines thus makes the 16-bit
// totals exact wherever they decide anything.
constexpr int16_t kBusy = 2016;

struct Window {
  uint16_t* ring;   // kRingLines slots of w8 16-column sums
  uint16_t* total;  // w8 column totals over the window's lines
  uint8_t* busy;    // w8 counts of busy lines in the window
  int32_t width;
  int32_t w8;  // width rounded up to a multiple of 8
};

// Eight bytes of a row from x as 16-bit lanes; bytes at or past `width` read as 0.
inline __m128i load8(const uint8_t* row, int32_t x, int32_t width) {
  const __m128i zero = _mm_setzero_si128();
  if (x + 8 <= width) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x)), zero);
  }
  uint8_t tmp[8] = {};
  for (int32_t k = 0; k < 8 && x + k < width; ++k) tmp[k] = row[x + k];
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(tmp)), zero);
}

inline void store8(uint8_t* row, int32_t x, int32_t width, __m128i v16) {
  const __m128i packed = _mm_packus_epi16(v16, v16);
  if (x + 8 <= width) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + x), packed);
    return;
  }
  uint8_t tmp[8];
  _mm_storel_epi64(reinterpret_cast<__m128i*>(tmp), packed);
  for (int32_t k = 0; k < 8 && x + k < width; ++k) row[x + k] = tmp[k];
}

inline __m128i absdiff16(__m128i a, __m128i b) {
  return _mm_or_si128(_mm_subs_epu16(a, b), _mm_subs_epu16(b, a));
}

// Replaces the sums in ring slot `slot` with those of the given line (or with zeros when `cur` is
// null: the line left the plane) and moves the totals and busy counts along.
void advance(Window& win, const uint8_t* cur, const uint8_t* pre, int32_t slot) {
  uint16_t* sums = win.ring + static_cast<size_t>(slot) * static_cast<size_t>(win.w8);
  const __m128i busy_limit = _mm_set1_epi16(kBusy - 1);
  const __m128i zero = _mm_setzero_si128();
  // Column 0 never enters a window.
  const __m128i skip_first = _mm_set_epi16(-1, -1, -1, -1, -1, -1, -1, 0);
  __m128i carry = zero, before = zero, last = zero;  // prefix blocks b - 2 and b - 1
  const int32_t blocks = win.w8 / 8;
  for (int32_t b = 0; b <= blocks; ++b) {
    const int32_t x = 8 * b;
    __m128i d = zero;
    if (cur != nullptr && x < win.width) {
      d = absdiff16(load8(cur, x, win.width), load8(pre, x, win.width));
      if (b == 0) d = _mm_and_si128(d, skip_first);
    }
    // Inclusive prefix sum in 16 bits; it wraps, but differences of 16 columns (at most 4080)
    // come out exact.
    d = _mm_add_epi16(d, _mm_slli_si128(d, 2));
    d = _mm_add_epi16(d, _mm_slli_si128(d, 4));
    d = _mm_add_epi16(d, _mm_slli_si128(d, 8));
    const __m128i prefix = _mm_add_epi16(d, carry);
    const __m128i high = _mm_shufflehi_epi16(prefix, 0xFF);
    carry = _mm_unpackhi_epi64(high, high);
    if (b >= 1) {
      // Columns x - 8 .. x - 1: their sums over c - 7 .. c + 8 are prefix(c + 8) - prefix(c - 8).
      const int32_t at = x - 8;
      const __m128i h = _mm_sub_epi16(prefix, before);
      auto* slot_at = reinterpret_cast<__m128i*>(sums + at);
      const __m128i old = _mm_loadu_si128(slot_at);
      _mm_storeu_si128(slot_at, h);
      auto* total_at = reinterpret_cast<__m128i*>(win.total + at);
      _mm_storeu_si128(total_at, _mm_add_epi16(_mm_sub_epi16(_mm_loadu_si128(total_at), old), h));
      auto* busy_at = reinterpret_cast<__m128i*>(win.busy + at);
      __m128i count = _mm_unpacklo_epi8(_mm_loadl_epi64(busy_at), zero);
      count = _mm_sub_epi16(count, _mm_cmpgt_epi16(h, busy_limit));
      count = _mm_add_epi16(count, _mm_cmpgt_epi16(old, busy_limit));
      _mm_storel_epi64(busy_at, _mm_packus_epi16(count, count));
    }
    before = last;
    last = prefix;
  }
}

// Filters one line with the window's totals.
void blend_line(const Window& win, uint8_t* cur, uint8_t* pre, const uint8_t* weights) {
  const __m128i max_index = _mm_set1_epi16(63);
  const __m128i one = _mm_set1_epi16(1);
  const __m128i full = _mm_set1_epi16(256);
  const __m128i round = _mm_set1_epi16(128);
  for (int32_t x = 0; x < win.width; x += 8) {
    const __m128i total = _mm_loadu_si128(reinterpret_cast<const __m128i*>(win.total + x));
    const __m128i busy = _mm_unpacklo_epi8(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(win.busy + x)), _mm_setzero_si128());
    __m128i index = _mm_min_epi16(_mm_srli_epi16(total, 6), max_index);
    index = _mm_or_si128(index, _mm_and_si128(_mm_cmpgt_epi16(busy, one), max_index));
    // SSE2 has no byte shuffle to look the weights up with.
    __m128i w = _mm_setzero_si128();
    w = _mm_insert_epi16(w, weights[_mm_extract_epi16(index, 0)], 0);
    w = _mm_insert_epi16(w, weights[_mm_extract_epi16(index, 1)], 1);
    w = _mm_insert_epi16(w, weights[_mm_extract_epi16(index, 2)], 2);
    w = _mm_insert_epi16(w, weights[_mm_extract_epi16(index, 3)], 3);
    w = _mm_insert_epi16(w, weights[_mm_extract_epi16(index, 4)], 4);
    w = _mm_insert_epi16(w, weights[_mm_extract_epi16(index, 5)], 5);
    w = _mm_insert_epi16(w, weights[_mm_extract_epi16(index, 6)], 6);
    w = _mm_insert_epi16(w, weights[_mm_extract_epi16(index, 7)], 7);
    const __m128i c = load8(cur, x, win.width), p = load8(pre, x, win.width);
    // cur (256 - w) + prev w + 128 is at most 255 * 256 + 128: every product and the sum fit
    // unsigned 16-bit lanes.
    __m128i o = _mm_add_epi16(_mm_mullo_epi16(c, _mm_sub_epi16(full, w)), _mm_mullo_epi16(p, w));
    o = _mm_srli_epi16(_mm_add_epi16(o, round), 8);
    store8(cur, x, win.width, o);
    store8(pre, x, win.width, o);
  }
}

}  // namespace
}  // namespace pf::sse2

extern "C" {

void IIR_SAD_filter_sse2(uint8_t* pu8Cur, uint8_t* pu8Pre, int32_t s32Width, int32_t s32Height,
                         int32_t s32Strength, uint8_t* pu8LineBuf) {
  if (s32Width < 1 || s32Height < 1) return;
  const int32_t strength = s32Strength < 0 ? 0 : (s32Strength > 29 ? 29 : s32Strength);
  pf::sse2::Window win{};
  win.width = s32Width;
  win.w8 = (s32Width + 7) & ~7;
  const size_t w8 = static_cast<size_t>(win.w8);
  win.ring = reinterpret_cast<uint16_t*>(pu8LineBuf);
  win.total = win.ring + pf::sse2::kRingLines * w8;
  win.busy = reinterpret_cast<uint8_t*>(win.total + w8);
  std::memset(pu8LineBuf, 0, (pf::sse2::kRingLines * 2 + 2 + 1) * w8);

  const size_t step = static_cast<size_t>(s32Width);
  auto line = [&](uint8_t* plane, int32_t y) { return plane + static_cast<size_t>(y) * step; };
  // The window of line 0: lines 0 .. 8.
  for (int32_t y = 0; y <= 8 && y < s32Height; ++y) {
    pf::sse2::advance(win, line(pu8Cur, y), line(pu8Pre, y), y);
  }
  for (int32_t y = 0; y < s32Height; ++y) {
    pf::sse2::blend_line(win, line(pu8Cur, y), line(pu8Pre, y), au8GuassDiff[strength]);
    // Line y + 9 enters where line y - 8 leaves. The sums of a line are taken before it is
    // filtered, so every window sees the input pictures.
    const int32_t entering = y + 9;
    if (entering < s32Height) {
      pf::sse2::advance(win, line(pu8Cur, entering), line(pu8Pre, entering),
                        entering % pf::sse2::kRingLines);
    } else if (y >= 8) {
      pf::sse2::advance(win, nullptr, nullptr, entering % pf::sse2::kRingLines);
    }
  }
}

void Filterframe_sse2(tImgTemporalFilterInstance* ptInstance, uint8_t* pu8Cur, uint8_t* pu8Pre) {
  const int32_t aw = ptInstance->s32AlignedWidth, ah = ptInstance->s32AlignedHeight;
  const size_t luma = static_cast<size_t>(aw) * static_cast<size_t>(ah);
  uint8_t* lines = ptInstance->pu8LineBuf;
  const int32_t* s = ptInstance->as32Strength;
  IIR_SAD_filter_sse2(pu8Cur, pu8Pre, aw, ah, s[0], lines);
  IIR_SAD_filter_sse2(pu8Cur + luma, pu8Pre + luma, aw / 2, ah / 2, s[1], lines);
  IIR_SAD_filter_sse2(pu8Cur + luma * 5 / 4, pu8Pre + luma * 5 / 4, aw / 2, ah / 2, s[2], lines);
}

}  // extern "C"
