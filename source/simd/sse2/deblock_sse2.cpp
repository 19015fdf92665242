// SPDX-License-Identifier: BSD-2-Clause
// SSE2 deblock kernel, the scalar kernel's picture on 8 x 8 tiles: the columns of a tile are the
// eight 16-bit lanes of its rows. Vertical edges are filtered as horizontal ones of the
// transposed tile.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "deblock/deblock.hpp"

namespace pf::sse2 {
namespace {

__m128i load8(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
void store8(uint8_t* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); }
__m128i abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }
__m128i times5(__m128i v) { return _mm_add_epi16(v, _mm_slli_epi16(v, 2)); }
__m128i pick(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// The eight smoothed rows; every row is a sum of 16 weighted samples, at most 4080.
void smooth(const __m128i (&s)[8], __m128i (&out)[8]) {
  auto x2 = [](__m128i v) { return _mm_slli_epi16(v, 1); };
  auto x4 = [](__m128i v) { return _mm_slli_epi16(v, 2); };
  auto add = [](__m128i a, __m128i b) { return _mm_add_epi16(a, b); };
  auto done = [](__m128i v) { return _mm_srli_epi16(v, 4); };
  const __m128i s01 = add(s[0], s[1]), s12 = add(s[1], s[2]), s23 = add(s[2], s[3]);
  const __m128i s34 = add(s[3], s[4]), s45 = add(s[4], s[5]), s56 = add(s[5], s[6]);
  const __m128i s67 = add(s[6], s[7]);
  // 10 s0 + 2 s1 + 2 s2 + s3 + s4
  out[0] = done(add(add(x4(x2(s[0])), x2(add(s[0], s12))), s34));
  // 6 s0 + 4 s1 + 2 s2 + 2 s3 + s4 + s5
  out[1] = done(add(add(x4(s01), x2(add(s[0], s23))), s45));
  // 4 s0 + 2 s1 + 4 s2 + 2 s3 + 2 s4 + s5 + s6
  out[2] = done(add(add(x4(add(s[0], s[2])), x2(add(s[1], s34))), s56));
  // 2 s0 + 2 s1 + 2 s2 + 4 s3 + 2 s4 + 2 s5 + s6 + s7
  out[3] = done(add(x2(add(add(s01, s[2]), add(s45, x2(s[3])))), s67));
  // s0 + s1 + 2 s2 + 2 s3 + 4 s4 + 2 s5 + 2 s6 + 2 s7
  out[4] = done(add(s01, x2(add(add(s23, s[5]), add(s67, x2(s[4]))))));
  // s1 + s2 + 2 s3 + 2 s4 + 4 s5 + 2 s6 + 4 s7
  out[5] = done(add(add(s12, x2(add(s34, s[6]))), x4(add(s[5], s[7]))));
  // s2 + s3 + 2 s4 + 2 s5 + 4 s6 + 6 s7
  out[6] = done(add(add(s23, x2(add(s45, s[7]))), x4(add(s[6], s[7]))));
  // s3 + s4 + 2 s5 + 2 s6 + 10 s7
  out[7] = done(add(add(s34, x2(add(s56, s[7]))), x4(x2(s[7]))));
}

// The two middle rows after the edge correction, lane by lane.
void correct(const __m128i (&s)[8], __m128i correct_below, __m128i& s3, __m128i& s4) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i a0 = _mm_add_epi16(times5(_mm_sub_epi16(s[3], s[4])),
                                   _mm_slli_epi16(_mm_sub_epi16(s[5], s[2]), 1));
  const __m128i a1 = _mm_sub_epi16(_mm_slli_epi16(_mm_sub_epi16(s[4], s[7]), 1),
                                   times5(_mm_sub_epi16(s[5], s[6])));
  const __m128i a2 = _mm_sub_epi16(_mm_slli_epi16(_mm_sub_epi16(s[0], s[3]), 1),
                                   times5(_mm_sub_epi16(s[1], s[2])));
  const __m128i size = abs16(a0);
  __m128i e = _mm_max_epi16(_mm_sub_epi16(size, _mm_min_epi16(abs16(a1), abs16(a2))), zero);
  e = _mm_and_si128(e, _mm_cmpgt_epi16(correct_below, size));
  __m128i d = _mm_srai_epi16(_mm_add_epi16(times5(e), _mm_set1_epi16(32)), 6);
  const __m128i negative = _mm_cmpgt_epi16(zero, a0);
  d = _mm_sub_epi16(_mm_xor_si128(d, negative), negative);
  const __m128i half = _mm_srai_epi16(_mm_sub_epi16(s[3], s[4]), 1);
  // Nonzero only when d and half agree in sign: then the one nearer zero.
  const __m128i c = _mm_add_epi16(_mm_min_epi16(_mm_max_epi16(d, zero), _mm_max_epi16(half, zero)),
                                  _mm_max_epi16(_mm_min_epi16(d, zero), _mm_min_epi16(half, zero)));
  s3 = _mm_sub_epi16(s[3], c);
  s4 = _mm_add_epi16(s[4], c);
}

// The quantiser's thresholds as 16-bit lanes, made once per picture.
struct Limits {
  __m128i flat_below, flat_upto, correct_below;
  explicit Limits(int32_t qp) {
    const pf::deblock::Limits l = pf::deblock::limits(qp);
    flat_below = _mm_set1_epi16(static_cast<int16_t>(l.flat_below));
    flat_upto = _mm_set1_epi16(static_cast<int16_t>(l.flat_upto));
    correct_below = _mm_set1_epi16(static_cast<int16_t>(l.correct_below));
  }
};

// The eight rows of an 8 x 8 tile as 16-bit lanes: rows[i] holds sample s_i of every column.
// Filters across the edge between rows 3 and 4; group 8 decides for all columns together as
// the vertical pass does, group 4 for columns 0..3 and 4..7 as the horizontal pass does.
// Returns 0 when nothing changed, 1 when only rows 3 and 4 did, 2 when any row may have.
int filter_tile(__m128i (&rows)[8], const Limits& limit, int group) {
  const __m128i zero = _mm_setzero_si128();
  // Flat pairs per column, as bytes 0..7 of one register, summed with psadbw.
  __m128i flat = zero;
  for (int i = 0; i < 7; ++i) {
    flat = _mm_sub_epi16(
        flat, _mm_cmpgt_epi16(_mm_set1_epi16(2), abs16(_mm_sub_epi16(rows[i], rows[i + 1]))));
  }
  const __m128i flat_bytes = _mm_packus_epi16(flat, zero);
  const int all_pairs = _mm_cvtsi128_si32(_mm_sad_epu8(flat_bytes, zero));
  const __m128i span = abs16(_mm_sub_epi16(rows[0], rows[7]));

  // Lanes to smooth and lanes to correct; the others keep their samples.
  __m128i smooth_lanes, correct_lanes;
  if (group == 4) {
    const int left_pairs =
        _mm_cvtsi128_si32(_mm_sad_epu8(_mm_and_si128(flat_bytes, _mm_cvtsi32_si128(-1)), zero));
    const int below = _mm_movemask_epi8(_mm_cmpgt_epi16(limit.flat_below, span));
    const bool flat_left = left_pairs >= 20, flat_right = all_pairs - left_pairs >= 20;
    const bool smooth_left = flat_left && (below & 0x1) != 0;
    const bool smooth_right = flat_right && (below & 0x100) != 0;
    auto halves = [](bool left, bool right) {
      return _mm_set_epi64x(right ? -1 : 0, left ? -1 : 0);
    };
    smooth_lanes = halves(smooth_left, smooth_right);
    correct_lanes = halves(!flat_left, !flat_right);
  } else {
    const int upto = _mm_movemask_epi8(_mm_cmpgt_epi16(limit.flat_upto, span));
    const bool flat_all = all_pairs > 40;
    smooth_lanes = _mm_set1_epi16(flat_all && upto == 0xFFFF ? -1 : 0);
    correct_lanes = _mm_set1_epi16(flat_all ? 0 : -1);
  }
  // Most tiles need one of the two filters or none: compute only what some lane takes.
  const bool any_smooth = _mm_movemask_epi8(smooth_lanes) != 0;
  const bool any_correct = _mm_movemask_epi8(correct_lanes) != 0;
  __m128i s3, s4;
  if (any_correct) correct(rows, limit.correct_below, s3, s4);
  if (any_smooth) {
    __m128i smoothed[8];
    smooth(rows, smoothed);
    for (int i = 0; i < 8; ++i) rows[i] = pick(smooth_lanes, smoothed[i], rows[i]);
  }
  if (any_correct) {
    rows[3] = pick(correct_lanes, s3, rows[3]);
    rows[4] = pick(correct_lanes, s4, rows[4]);
  }
  return any_smooth ? 2 : any_correct ? 1 : 0;
}

// An 8 x 8 byte transpose in registers: in[r] holds row r in its low 8 bytes; out[c] gets
// column c in its low 8 bytes.
void transpose(const __m128i (&in)[8], __m128i (&out)[8]) {
  const __m128i t0 = _mm_unpacklo_epi8(in[0], in[1]), t1 = _mm_unpacklo_epi8(in[2], in[3]);
  const __m128i t2 = _mm_unpacklo_epi8(in[4], in[5]), t3 = _mm_unpacklo_epi8(in[6], in[7]);
  const __m128i u0 = _mm_unpacklo_epi16(t0, t1), u1 = _mm_unpackhi_epi16(t0, t1);
  const __m128i u2 = _mm_unpacklo_epi16(t2, t3), u3 = _mm_unpackhi_epi16(t2, t3);
  const __m128i pairs[4] = {_mm_unpacklo_epi32(u0, u2), _mm_unpackhi_epi32(u0, u2),
                            _mm_unpacklo_epi32(u1, u3), _mm_unpackhi_epi32(u1, u3)};
  for (int i = 0; i < 4; ++i) {
    out[2 * i] = pairs[i];
    out[2 * i + 1] = _mm_unpackhi_epi64(pairs[i], pairs[i]);
  }
}

void load_tile(const uint8_t* p, ptrdiff_t stride, __m128i (&rows)[8]) {
  for (int i = 0; i < 8; ++i) rows[i] = load8(p + i * stride);
}
void widen(__m128i (&rows)[8]) {
  for (auto& r : rows) r = _mm_unpacklo_epi8(r, _mm_setzero_si128());
}
void narrow(__m128i (&rows)[8]) {
  for (auto& r : rows) r = _mm_packus_epi16(r, r);
}

// The horizontal pass's tile: eight lines x eight samples around a vertical edge, from `in` to
// `out` (which may be `in`).
void vertical_edge_tile(const uint8_t* in, ptrdiff_t in_stride, uint8_t* out, ptrdiff_t out_stride,
                        const Limits& limit) {
  __m128i lines[8], columns[8];
  load_tile(in, in_stride, lines);
  transpose(lines, columns);
  widen(columns);
  // The band was copied to `out` already: an untouched tile needs no store.
  if (filter_tile(columns, limit, 4) == 0) return;
  narrow(columns);
  transpose(columns, lines);
  for (int i = 0; i < 8; ++i) store8(out + i * out_stride, lines[i]);
}

// A tile filtered in place across the edge between its rows 3 and 4 (group as filter_tile);
// for the vertical pass, eight columns x eight lines around a horizontal edge.
void horizontal_edge_tile(uint8_t* p, ptrdiff_t stride, const Limits& limit, int group = 8) {
  __m128i rows[8];
  load_tile(p, stride, rows);
  widen(rows);
  const int changed = filter_tile(rows, limit, group);
  if (changed == 0) return;
  narrow(rows);
  for (int i = changed == 1 ? 3 : 0; i < (changed == 1 ? 5 : 8); ++i)
    store8(p + i * stride, rows[i]);
}

}  // namespace
}  // namespace pf::sse2

extern "C" {

void ImageTranspose8x8_sse2(const uint8_t* pu8Src, int32_t s32SrcStride, uint8_t* pu8Dst,
                            int32_t s32DstStride) {
  __m128i rows[8], columns[8];
  pf::sse2::load_tile(pu8Src, s32SrcStride, rows);
  pf::sse2::transpose(rows, columns);
  for (int i = 0; i < 8; ++i)
    pf::sse2::store8(pu8Dst + static_cast<ptrdiff_t>(i) * s32DstStride, columns[i]);
}

void ImageDeblock8x8Horiz_sse2(uint8_t* pu8Tile, int32_t s32Stride, int32_t s32QP,
                               int32_t s32Group) {
  pf::sse2::horizontal_edge_tile(pu8Tile, s32Stride, pf::sse2::Limits(s32QP),
                                 s32Group == 4 ? 4 : 8);
}

}  // extern "C"

namespace {

void deblock_plane(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst, ptrdiff_t dst_stride,
                   int32_t width, int32_t height, int32_t qp) {
  if (src == nullptr || dst == nullptr || width <= 0 || height <= 0) return;
  const pf::sse2::Limits limit(qp);
  // Horizontal pass: bands of eight lines as transposed tiles; a last band of fewer lines goes
  // through the scalar rows.
  int32_t y = 0;
  for (; y + 8 <= height; y += 8) {
    const uint8_t* in = src + y * src_stride;
    uint8_t* out = dst + y * dst_stride;
    if (in != out) {
      for (int l = 0; l < 8; ++l)
        std::memcpy(out + l * dst_stride, in + l * src_stride, static_cast<size_t>(width));
    }
    for (int32_t x = 8; x + 4 <= width; x += 8)
      pf::sse2::vertical_edge_tile(in + x - 4, src_stride, out + x - 4, dst_stride, limit);
  }
  if (y < height) {
    pf::deblock::horizontal_rows(src, src_stride, dst, dst_stride, width, y, height, qp);
  }
  // Vertical pass: eight columns per tile; a last group of fewer columns goes the scalar way.
  for (y = 8; y + 4 <= height; y += 8) {
    uint8_t* top = dst + (y - 4) * dst_stride;
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) pf::sse2::horizontal_edge_tile(top + x, dst_stride, limit);
    if (x < width) {
      pf::deblock::filter_group(top + x, dst_stride, 1, top + x, dst_stride, 1, width - x, qp,
                                pf::deblock::Pass::kVertical);
    }
  }
}

}  // namespace

extern "C" void ImgDeblockFrame_sse2(const uint8_t* pu8SrcY, const uint8_t* pu8SrcU,
                                     const uint8_t* pu8SrcV, uint8_t* pu8DstY, uint8_t* pu8DstU,
                                     uint8_t* pu8DstV, int32_t s32Width, int32_t s32Height,
                                     int32_t s32SrcYStride, int32_t s32SrcUVStride,
                                     int32_t s32DstYStride, int32_t s32DstUVStride, int32_t s32QP) {
  deblock_plane(pu8SrcY, s32SrcYStride, pu8DstY, s32DstYStride, s32Width, s32Height, s32QP);
  deblock_plane(pu8SrcU, s32SrcUVStride, pu8DstU, s32DstUVStride, s32Width / 2, s32Height / 2,
                s32QP);
  deblock_plane(pu8SrcV, s32SrcUVStride, pu8DstV, s32DstUVStride, s32Width / 2, s32Height / 2,
                s32QP);
}
