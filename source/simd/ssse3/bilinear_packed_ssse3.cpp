// SPDX-License-Identifier: BSD-2-Clause
// SSSE3 scaling passes of the packed bilinear styles (4:2:0 into UYVY in eighths, UYVY into 4:2:0
// or UYVY in 64ths and 1024ths) and the resizer kernels the shared compositions build from them.
//
// Arithmetic. Both styles weigh two source lines and two neighbouring columns and round only
// once, at the end, so the order of the two interpolations does not change the sum:
//   (l0[c] (T - p) + l0[c1] p) w0 + (l1[c] (T - p) + l1[c1] p) w1
//     = (l0[c] w0 + l1[c] w1) (T - p) + (l0[c1] w0 + l1[c1] w1) p.
//  - Style B: T = 8 and w0 + w1 = 8; sum >> 6 without a rounding term. A one-way sum is at most
//    255 x 8 and the whole sum at most 16320, so everything fits 16-bit lanes.
//  - Style C: T = 64 across; the vertical weight in 1024ths is q = 16 k with k the 6-bit line
//    phase, so (A (1024 - q) + B q + 32768) >> 16 = (16 S + 32768) >> 16 = (S + 2048) >> 12 with
//    S = A (64 - k) + B k. One-way sums (at most 255 x 64) fit 16 bits, S needs 32 (pmaddwd).
//
// Two ways through a picture, chosen per call:
//  - Across first (the usual one): each source line that a destination line uses is filtered
//    across once into a 16-bit line (pmaddubsw on byte pairs gathered with a per-column table)
//    and kept in a two-line cache, so consecutive destination lines on the same source lines
//    filter nothing new; each destination line then blends its two cached lines. Steps of up
//    to about 4 samples gather 8 columns from one 32-byte window with pshufb. Its buffers grow
//    with the destination width (about 14 x DW bytes), so it runs where they fit inside the
//    resizer's scratch test for the kernel (in practice: no strong widening).
//  - Down first (strong widening): each destination line blends its two source lines over the
//    whole source width (pmaddubsw on interleaved lines, the UYVY bytes split into Y, U and V on
//    the way) and then interpolates across from that with gathered 16-bit pairs (pmaddwd). Its
//    buffers are 6 x DW + 4 x SW + 8 bytes, inside every such scratch test.
// Neighbours past the last sample are clamped by the scalar kernels. Down first, each blended
// line carries one extra entry equal to its last, so a clamped column reads (last, last). Across
// first, a clamped planar column reads (last - 1, last) with weights (0, T); UYVY positions are
// never clamped when the source has at least 4 pixels (the step leaves three pixels of margin),
// and a table that would need it sends the call down first. Gathers read only inside the lines;
// row tails of the destination are finished by scalar loops with the same arithmetic.
// Without scratch, or if neither way fits, the scalar passes run.
#include <tmmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bilinear/bilinear.hpp"
#include "img_resizer.h"
#include "img_resizer_simd.h"

namespace pf {
namespace ssse3 {
namespace {

constexpr uint64_t kFastScratchBytes = PF_FAST_SCRATCH_BYTES;
constexpr uint32_t kNoRow = 0xFFFFFFFFu;

uint32_t min_u32(uint32_t a, uint32_t b) { return a < b ? a : b; }
uint32_t round8(uint32_t n) { return (n + 7) & ~7u; }

// Signed 16.16 step of the packed styles, as the scalar passes compute it; `lead` is the part of
// the source that positions may not reach. One output, or a source too narrow for `lead`, keeps
// every position on the first sample.
uint32_t packed_step(uint32_t src, uint32_t dst, int32_t lead) {
  if (dst < 2) return 0;
  const int32_t span = static_cast<int32_t>(src) * 65536 - lead;
  if (span <= 0) return 0;
  return static_cast<uint32_t>(span / static_cast<int32_t>(dst - 1));
}

// Chroma lines of a 4:2:0 source of `rows` luma lines (a one-line field keeps its chroma line).
uint32_t chroma_rows(uint32_t rows) { return rows > 1 ? rows / 2 : rows; }

uint32_t load_u16(const void* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

__m128i load_u32(const void* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return _mm_cvtsi32_si128(static_cast<int>(v));
}

__m128i load4x32(const uint8_t* base, const uint16_t* offset) {
  return _mm_unpacklo_epi64(
      _mm_unpacklo_epi32(load_u32(base + offset[0]), load_u32(base + offset[1])),
      _mm_unpacklo_epi32(load_u32(base + offset[2]), load_u32(base + offset[3])));
}

// 8 luma values and U0..U3 V0..V3 (16-bit lanes, each at most 255) as 16 UYVY bytes.
void store_uyvy(uint8_t* out, __m128i luma, __m128i chroma) {
  const __m128i uv = _mm_unpacklo_epi16(chroma, _mm_srli_si128(chroma, 8));  // U0 V0 U1 V1 ..
  const __m128i lo = _mm_unpacklo_epi16(uv, luma);                           // U0 Y0 V0 Y1 ..
  const __m128i hi = _mm_unpackhi_epi16(uv, luma);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(lo, hi));
}

// ======== Across first ========

// Per destination column: where its byte pair starts in the source line and the pair's weights
// as pmaddubsw bytes (left, right). Padded to a multiple of 8 with copies of column 0 weighted 0,
// so the gathers need no tail. The first `windows` blocks of 8 columns have all their pairs in
// the 32 bytes from the block's first pair (steps up to about 4 samples); their offset slots hold
// pshufb indices into those 32 bytes instead, and the block is gathered with two loads.
struct Columns {
  uint16_t* offset;
  uint16_t* weight;
  uint32_t padded;
  uint32_t windows;
  uint32_t block_step;  // 16.16 distance between the first columns of two blocks
  uint32_t index_shift;
  uint32_t bytes;
};

struct ColumnRule {
  uint32_t step;  // 16.16 distance between the positions of two columns
  uint32_t index_shift;
  uint32_t phase_shift;
  uint32_t phase_mask;
  uint32_t total;  // left + right weight
  uint32_t last;   // last sample; the clamp sits there
  uint32_t bytes;  // distance between two samples in the line
  uint32_t first;  // the left sample's byte, counted from the column's offset
  uint32_t gap;    // bytes from the left sample to the right one
  bool planar;     // a clamped column may read (last - 1, last); otherwise clamps are refused
  bool windows;    // blocks may be gathered through 32-byte windows
};

// Blocks at the start of the line whose pairs fit a 32-byte window inside the line.
uint32_t window_blocks(const Columns& t, uint32_t unclamped, const ColumnRule& rule) {
  const uint32_t line_bytes = (rule.last + 1) * rule.bytes;
  uint32_t b = 0;
  for (; 8 * b + 8 <= unclamped; ++b) {
    const uint32_t base = t.offset[8 * b];
    if (base + 32 > line_bytes) break;
    bool fits = true;
    for (uint32_t i = 8 * b; i < 8 * b + 8; ++i) {
      fits = fits && t.offset[i] >= base && t.offset[i] - base + rule.first + rule.gap < 32;
    }
    if (!fits) break;
  }
  return b;
}

bool build_columns(Columns& t, uint32_t count, const ColumnRule& rule) {
  uint32_t x = 0, unclamped = count;
  for (uint32_t i = 0; i < count; ++i, x += rule.step) {
    uint32_t c = min_u32(x >> rule.index_shift, rule.last);
    uint32_t right = (x >> rule.phase_shift) & rule.phase_mask;
    if (c == rule.last) {
      // The scalar kernel reads the last sample twice: total x last.
      if (!rule.planar || rule.last == 0) return false;
      c = rule.last - 1;
      right = rule.total;
      unclamped = min_u32(unclamped, i);
    }
    if (c * rule.bytes > 0xFFFFu) return false;
    t.offset[i] = static_cast<uint16_t>(c * rule.bytes);
    t.weight[i] = static_cast<uint16_t>((rule.total - right) | (right << 8));
  }
  for (uint32_t i = count; i < t.padded; ++i) {
    t.offset[i] = count > 0 ? t.offset[0] : 0;
    t.weight[i] = 0;
  }
  t.block_step = 8 * rule.step;
  t.index_shift = rule.index_shift;
  t.bytes = rule.bytes;
  t.windows = rule.windows ? window_blocks(t, unclamped, rule) : 0;
  for (uint32_t b = 0; b < t.windows; ++b) {
    const uint32_t base = t.offset[8 * b];
    for (uint32_t i = 8 * b; i < 8 * b + 8; ++i) {
      const uint32_t left = t.offset[i] - base + rule.first;
      t.offset[i] = static_cast<uint16_t>(left | ((left + rule.gap) << 8));
    }
  }
  return true;
}

// The 16 bytes that the pshufb indices `mask` (0..31) pick from the 32 bytes at p.
__m128i window_pairs(const uint8_t* p, const uint16_t* mask) {
  const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask));
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  // An index with its top bit set selects zero: indices 16..31 are cleared for the low half,
  // and m - 16 is negative exactly for the indices of the low half.
  const __m128i from_lo =
      _mm_shuffle_epi8(lo, _mm_or_si128(m, _mm_cmpgt_epi8(m, _mm_set1_epi8(15))));
  const __m128i from_hi = _mm_shuffle_epi8(hi, _mm_sub_epi8(m, _mm_set1_epi8(16)));
  return _mm_or_si128(from_lo, from_hi);
}

// The window blocks of a line: returns the first column left for the gathers.
uint32_t filter_windows(const uint8_t* line, const Columns& t, uint16_t* out) {
  uint32_t x = 0;
  for (uint32_t b = 0; b < t.windows; ++b, x += t.block_step) {
    const __m128i pairs = window_pairs(line + (x >> t.index_shift) * t.bytes, t.offset + 8 * b);
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.weight + 8 * b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * b), _mm_maddubs_epi16(pairs, w));
  }
  return 8 * t.windows;
}

// A planar line across: out[i] = s[o] (T - p) + s[o + 1] p.
void filter_planar(const uint8_t* line, const Columns& t, uint16_t* out) {
  for (uint32_t i = filter_windows(line, t, out); i < t.padded; i += 8) {
    const uint16_t* o = t.offset + i;
    __m128i pairs = _mm_cvtsi32_si128(static_cast<int>(load_u16(line + o[0])));
    pairs = _mm_insert_epi16(pairs, static_cast<int>(load_u16(line + o[1])), 1);
    pairs = _mm_insert_epi16(pairs, static_cast<int>(load_u16(line + o[2])), 2);
    pairs = _mm_insert_epi16(pairs, static_cast<int>(load_u16(line + o[3])), 3);
    pairs = _mm_insert_epi16(pairs, static_cast<int>(load_u16(line + o[4])), 4);
    pairs = _mm_insert_epi16(pairs, static_cast<int>(load_u16(line + o[5])), 5);
    pairs = _mm_insert_epi16(pairs, static_cast<int>(load_u16(line + o[6])), 6);
    pairs = _mm_insert_epi16(pairs, static_cast<int>(load_u16(line + o[7])), 7);
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.weight + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_maddubs_epi16(pairs, w));
  }
}

// The Y bytes of a UYVY line across: each column loads the 4 bytes C Y C' Y' of its pixel pair
// position (offset 2 px) and keeps bytes 1 and 3.
void filter_uyvy_luma(const uint8_t* line, const Columns& t, uint16_t* out) {
  const __m128i keep = _mm_setr_epi8(1, 3, 5, 7, 9, 11, 13, 15, -1, -1, -1, -1, -1, -1, -1, -1);
  for (uint32_t i = filter_windows(line, t, out); i < t.padded; i += 8) {
    const __m128i lo = _mm_shuffle_epi8(load4x32(line, t.offset + i), keep);
    const __m128i hi = _mm_shuffle_epi8(load4x32(line, t.offset + i + 4), keep);
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.weight + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_maddubs_epi16(_mm_unpacklo_epi64(lo, hi), w));
  }
}

// The U and V bytes of a UYVY line across: each column loads the 8 bytes of its pixel pair and
// the next (offset 4 k): U at bytes 0 and 4, V at bytes 2 and 6.
void filter_uyvy_chroma(const uint8_t* line, const Columns& t, uint16_t* out_u, uint16_t* out_v) {
  const __m128i split = _mm_setr_epi8(0, 4, 8, 12, 2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1);
  for (uint32_t k = 0; k < t.padded; k += 4) {
    const uint16_t* o = t.offset + k;
    const __m128i a =
        _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(line + o[0])),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(line + o[1])));
    const __m128i b =
        _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(line + o[2])),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(line + o[3])));
    // U pairs of columns 0..3, then V pairs of columns 0..3.
    const __m128i pairs =
        _mm_unpacklo_epi32(_mm_shuffle_epi8(a, split), _mm_shuffle_epi8(b, split));
    const __m128i w4 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t.weight + k));
    const __m128i sums = _mm_maddubs_epi16(pairs, _mm_unpacklo_epi64(w4, w4));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out_u + k), sums);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out_v + k), _mm_srli_si128(sums, 8));
  }
}

// Two filtered source lines, tagged with their row.
struct LineCache {
  uint16_t* slot[2];
  uint32_t row[2];
};

int holder(const LineCache& c, uint32_t row) {
  if (c.row[0] == row) return 0;
  if (c.row[1] == row) return 1;
  return -1;
}

// The slot that holds `row` after the call; *fill tells whether the caller must filter the line
// into it. Slot `keep` (or none, -1) holds a line still needed and is not taken.
int take_slot(LineCache& c, uint32_t row, int keep, bool* fill) {
  const int h = holder(c, row);
  *fill = h < 0;
  if (h >= 0) return h;
  const int s = keep == 0 ? 1 : 0;
  c.row[s] = row;
  return s;
}

// Down the two filtered lines of style B, in 16-bit lanes.
struct BlendEighths {
  __m128i w0, w1;
  uint32_t s0, s1;
  BlendEighths(uint32_t a, uint32_t b)
      : w0(_mm_set1_epi16(static_cast<int16_t>(a))),
        w1(_mm_set1_epi16(static_cast<int16_t>(b))),
        s0(a),
        s1(b) {}
  __m128i mix(__m128i h0, __m128i h1) const {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(h0, w0), _mm_mullo_epi16(h1, w1)), 6);
  }
  uint8_t one(uint32_t h0, uint32_t h1) const {
    return static_cast<uint8_t>((h0 * s0 + h1 * s1) >> 6);
  }
};

// Down the two filtered lines of style C: 32-bit sums, (S + 2048) >> 12.
struct BlendSixtyFourths {
  __m128i w;
  uint32_t s0, s1;
  BlendSixtyFourths(uint32_t a, uint32_t b)
      : w(_mm_set1_epi32(static_cast<int32_t>(a | (b << 16)))), s0(a), s1(b) {}
  __m128i mix(__m128i h0, __m128i h1) const {
    const __m128i round = _mm_set1_epi32(2048);
    const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(h0, h1), w);
    const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(h0, h1), w);
    return _mm_packs_epi32(_mm_srli_epi32(_mm_add_epi32(lo, round), 12),
                           _mm_srli_epi32(_mm_add_epi32(hi, round), 12));
  }
  uint8_t one(uint32_t h0, uint32_t h1) const {
    return static_cast<uint8_t>((h0 * s0 + h1 * s1 + 2048) >> 12);
  }
};

__m128i load8(const uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
__m128i load4(const uint16_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }

template <class Blend>
void emit_plane(uint8_t* out, const uint16_t* h0, const uint16_t* h1, uint32_t n, const Blend& b) {
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i v = b.mix(load8(h0 + i), load8(h1 + i));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
  }
  for (; i < n; ++i) out[i] = b.one(h0[i], h1[i]);
}

// Filtered lines of one source row: luma, then U and V.
struct Filtered {
  const uint16_t* y;
  const uint16_t* u;
  const uint16_t* v;
};

template <class Blend>
void emit_uyvy(uint8_t* out, const Filtered& f0, const Filtered& f1, uint32_t pairs,
               const Blend& b) {
  uint32_t k = 0;
  for (; k + 4 <= pairs; k += 4) {
    const __m128i luma = b.mix(load8(f0.y + 2 * k), load8(f1.y + 2 * k));
    const __m128i chroma = b.mix(_mm_unpacklo_epi64(load4(f0.u + k), load4(f0.v + k)),
                                 _mm_unpacklo_epi64(load4(f1.u + k), load4(f1.v + k)));
    store_uyvy(out + 4 * k, luma, chroma);
  }
  for (; k < pairs; ++k) {
    out[4 * k] = b.one(f0.u[k], f1.u[k]);
    out[4 * k + 1] = b.one(f0.y[2 * k], f1.y[2 * k]);
    out[4 * k + 2] = b.one(f0.v[k], f1.v[k]);
    out[4 * k + 3] = b.one(f0.y[2 * k + 1], f1.y[2 * k + 1]);
  }
}

// Scratch of the across-first way: column tables, then two luma and two chroma (U, V) lines.
struct AcrossBuffers {
  Columns luma, chroma;
  LineCache luma_lines, chroma_lines;
  uint32_t chroma_padded;
};

// `budget` is the kernel's scratch test for this source and destination width.
bool plan_across(void* scratch, uint32_t dst_width, uint64_t budget, AcrossBuffers& b) {
  if (scratch == nullptr) return false;
  const uint32_t lp = round8(dst_width), cp = round8(dst_width / 2);
  const uint64_t need = 8 * uint64_t{lp} + 12 * uint64_t{cp};
  if (need > budget || need > kFastScratchBytes) return false;
  auto* p = static_cast<uint16_t*>(scratch);
  b.luma = {p, p + lp, lp, 0, 0, 0, 1};
  p += 2 * lp;
  b.chroma = {p, p + cp, cp, 0, 0, 0, 1};
  p += 2 * cp;
  b.luma_lines = {{p, p + lp}, {kNoRow, kNoRow}};
  p += 2 * lp;
  b.chroma_lines = {{p, p + 2 * cp}, {kNoRow, kNoRow}};
  b.chroma_padded = cp;
  return true;
}

bool across_420_to_uyvy(void* scratch, const tImgPicture& src, uint32_t sw, uint32_t sh,
                        uint8_t* dst, size_t dst_stride, uint32_t dw, uint32_t dh) {
  if (sw < 4) return false;
  const uint32_t cw = sw / 2;
  AcrossBuffers b;
  if (!plan_across(scratch, dw, 16 * uint64_t{sw} + 6 * uint64_t{dw}, b)) return false;
  const uint32_t x_step = packed_step(sw, dw, 65536);
  const uint32_t y_step = packed_step(sh, dh, 65536);
  if (!build_columns(b.luma, dw, {x_step, 16, 13, 7, 8, sw - 1, 1, 0, 1, true, true}) ||
      !build_columns(b.chroma, dw / 2, {2 * x_step, 17, 14, 7, 8, cw - 1, 1, 0, 1, true, true})) {
    return false;
  }
  const uint32_t last = sh - 1, last_chroma = chroma_rows(sh) - 1;
  const size_t yp = src.u32YPitch, cpitch = src.u32UVPitch;
  const uint32_t cp = b.chroma_padded;
  for (uint32_t j = 0; j < dh; ++j) {
    const uint32_t y = j * y_step;
    const uint32_t r = min_u32(y >> 16, last), r1 = min_u32(r + 1, last);
    const uint32_t cr = min_u32(y >> 17, last_chroma), cr1 = min_u32(cr + 1, last_chroma);
    const uint32_t w1 = (y >> 13) & 7u;
    bool fill = false;
    LineCache& lc = b.luma_lines;
    const int l0 = take_slot(lc, r, holder(lc, r1), &fill);
    if (fill) filter_planar(src.pu8Y + r * yp, b.luma, lc.slot[l0]);
    const int l1 = take_slot(lc, r1, l0, &fill);
    if (fill) filter_planar(src.pu8Y + r1 * yp, b.luma, lc.slot[l1]);
    LineCache& cc = b.chroma_lines;
    const int c0 = take_slot(cc, cr, holder(cc, cr1), &fill);
    if (fill) {
      filter_planar(src.pu8U + cr * cpitch, b.chroma, cc.slot[c0]);
      filter_planar(src.pu8V + cr * cpitch, b.chroma, cc.slot[c0] + cp);
    }
    const int c1 = take_slot(cc, cr1, c0, &fill);
    if (fill) {
      filter_planar(src.pu8U + cr1 * cpitch, b.chroma, cc.slot[c1]);
      filter_planar(src.pu8V + cr1 * cpitch, b.chroma, cc.slot[c1] + cp);
    }
    const Filtered f0{lc.slot[l0], cc.slot[c0], cc.slot[c0] + cp};
    const Filtered f1{lc.slot[l1], cc.slot[c1], cc.slot[c1] + cp};
    emit_uyvy(dst + j * dst_stride, f0, f1, dw / 2, BlendEighths(8 - w1, w1));
  }
  return true;
}

// Destination lines of the UYVY passes: a planar 4:2:0 picture, or UYVY lines `stride` apart.
struct UyvyTarget {
  const tImgPicture* planar;
  uint8_t* packed;
  size_t stride;
};

bool across_uyvy(void* scratch, const uint8_t* src, size_t src_stride, uint32_t sw, uint32_t sh,
                 const UyvyTarget& dst, uint32_t dw, uint32_t dh) {
  if (sw < 4) return false;
  const uint32_t pairs = sw / 2;
  AcrossBuffers b;
  if (!plan_across(scratch, dw, 8 * uint64_t{sw} + 6 * uint64_t{dw}, b)) return false;
  // Positions stop three pixels short of the line's end (see the scalar pass).
  const uint32_t x_step = packed_step(sw, dw, 196608);
  const uint32_t y_step = packed_step(sh, dh, 65536);
  if (!build_columns(b.luma, dw, {x_step, 16, 10, 63, 64, sw - 1, 2, 1, 2, false, true}) ||
      !build_columns(b.chroma, dw / 2,
                     {2 * x_step, 17, 11, 63, 64, pairs - 1, 4, 0, 4, false, false})) {
    return false;
  }
  const uint32_t last = sh - 1, cp = b.chroma_padded;
  for (uint32_t j = 0; j < dh; ++j) {
    const uint32_t y = j * y_step;
    const uint32_t r = min_u32(y >> 16, last), r1 = min_u32(r + 1, last);
    const uint32_t k = (y >> 10) & 63u;
    const BlendSixtyFourths blend(64 - k, k);
    bool fill = false;
    LineCache& lc = b.luma_lines;
    const int l0 = take_slot(lc, r, holder(lc, r1), &fill);
    if (fill) filter_uyvy_luma(src + r * src_stride, b.luma, lc.slot[l0]);
    const int l1 = take_slot(lc, r1, l0, &fill);
    if (fill) filter_uyvy_luma(src + r1 * src_stride, b.luma, lc.slot[l1]);
    // Chroma of a 4:2:0 destination only on the first line of each line pair.
    const bool chroma = dst.packed != nullptr || ((j & 1u) == 0 && j / 2 < dh / 2);
    int c0 = 0, c1 = 0;
    LineCache& cc = b.chroma_lines;
    if (chroma) {
      c0 = take_slot(cc, r, holder(cc, r1), &fill);
      if (fill) filter_uyvy_chroma(src + r * src_stride, b.chroma, cc.slot[c0], cc.slot[c0] + cp);
      c1 = take_slot(cc, r1, c0, &fill);
      if (fill) filter_uyvy_chroma(src + r1 * src_stride, b.chroma, cc.slot[c1], cc.slot[c1] + cp);
    }
    const Filtered f0{lc.slot[l0], cc.slot[c0], cc.slot[c0] + cp};
    const Filtered f1{lc.slot[l1], cc.slot[c1], cc.slot[c1] + cp};
    if (dst.packed != nullptr) {
      emit_uyvy(dst.packed + j * dst.stride, f0, f1, dw / 2, blend);
      continue;
    }
    const tImgPicture& p = *dst.planar;
    emit_plane(p.pu8Y + size_t{j} * p.u32YPitch, f0.y, f1.y, dw, blend);
    if (chroma) {
      const size_t offset = size_t{j / 2} * p.u32UVPitch;
      emit_plane(p.pu8U + offset, f0.u, f1.u, dw / 2, blend);
      emit_plane(p.pu8V + offset, f0.v, f1.v, dw / 2, blend);
    }
  }
  return true;
}

// ======== Down first ========

// A column table entry: low 16 bits the left neighbour's index into a blended line, high 16 bits
// the right neighbour's weight (the left one's is the total minus it).
struct DownRule {
  uint32_t step;
  uint32_t index_shift;
  uint32_t phase_shift;
  uint32_t phase_mask;
  uint32_t last;
};

void build_down_columns(uint32_t* table, uint32_t count, const DownRule& rule) {
  uint32_t x = 0;
  for (uint32_t i = 0; i < count; ++i, x += rule.step) {
    const uint32_t c = min_u32(x >> rule.index_shift, rule.last);
    table[i] = c | (((x >> rule.phase_shift) & rule.phase_mask) << 16);
  }
}

// Scratch of the down-first way: the two column tables, then the blended Y, U and V lines (each
// one entry longer than its source line).
struct DownBuffers {
  uint32_t* luma_columns;
  uint32_t* chroma_columns;
  uint16_t* y;
  uint16_t* u;
  uint16_t* v;
};

bool plan_down(void* scratch, uint32_t dst_width, uint32_t luma_len, uint32_t chroma_len,
               DownBuffers& b) {
  // Indices and their right neighbours stay within 16 bits.
  if (scratch == nullptr || luma_len >= 65535) return false;
  const uint64_t luma_cols = 4 * uint64_t{dst_width};
  const uint64_t chroma_cols = 4 * uint64_t{dst_width / 2};
  const uint64_t y_bytes = 2 * (uint64_t{luma_len} + 1);
  const uint64_t c_bytes = 2 * (uint64_t{chroma_len} + 1);
  if (luma_cols + chroma_cols + y_bytes + 2 * c_bytes > kFastScratchBytes) return false;
  auto* base = static_cast<uint8_t*>(scratch);
  b.luma_columns = reinterpret_cast<uint32_t*>(base);
  b.chroma_columns = reinterpret_cast<uint32_t*>(base + luma_cols);
  b.y = reinterpret_cast<uint16_t*>(base + luma_cols + chroma_cols);
  b.u = reinterpret_cast<uint16_t*>(base + luma_cols + chroma_cols + y_bytes);
  b.v = reinterpret_cast<uint16_t*>(base + luma_cols + chroma_cols + y_bytes + c_bytes);
  return true;
}

// out[i] = a[i] w0 + b[i] w1 for i < n, then out[n] = out[n - 1] (the clamped neighbour).
void blend_lines(const uint8_t* a, const uint8_t* b, uint32_t w0, uint32_t w1, uint16_t* out,
                 uint32_t n) {
  const __m128i w = _mm_set1_epi16(static_cast<int16_t>(w0 | (w1 << 8)));
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i la = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i lb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_maddubs_epi16(_mm_unpacklo_epi8(la, lb), w));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8),
                     _mm_maddubs_epi16(_mm_unpackhi_epi8(la, lb), w));
  }
  for (; i < n; ++i) out[i] = static_cast<uint16_t>(a[i] * w0 + b[i] * w1);
  out[n] = out[n - 1];
}

// The same for two UYVY lines of `width` pixels, split on the way: y gets the Y bytes (2 p + 1),
// u and v the U and V bytes of each pixel pair (4 k and 4 k + 2), `pairs` of them.
void blend_uyvy_lines(const uint8_t* a, const uint8_t* b, uint32_t w0, uint32_t w1, uint32_t width,
                      uint32_t pairs, uint16_t* y, uint16_t* u, uint16_t* v) {
  const __m128i w = _mm_set1_epi16(static_cast<int16_t>(w0 | (w1 << 8)));
  // Per half of 8 blended words U0 Y0 V0 Y1 U1 Y2 V1 Y3: the Y words first, then U0 U1 V0 V1.
  const __m128i split = _mm_setr_epi8(2, 3, 6, 7, 10, 11, 14, 15, 0, 1, 8, 9, 4, 5, 12, 13);
  uint32_t p = 0;
  for (; p + 8 <= width; p += 8) {
    const __m128i la = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 2 * p));
    const __m128i lb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 2 * p));
    const __m128i lo = _mm_shuffle_epi8(_mm_maddubs_epi16(_mm_unpacklo_epi8(la, lb), w), split);
    const __m128i hi = _mm_shuffle_epi8(_mm_maddubs_epi16(_mm_unpackhi_epi8(la, lb), w), split);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + p), _mm_unpacklo_epi64(lo, hi));
    // U0 U1 V0 V1 U2 U3 V2 V3 as 32-bit lanes, reordered to U0..U3 V0..V3.
    const __m128i uv = _mm_shuffle_epi32(_mm_unpackhi_epi64(lo, hi), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + p / 2), uv);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v + p / 2), _mm_unpackhi_epi64(uv, uv));
  }
  for (uint32_t i = p; i < width; ++i) {
    y[i] = static_cast<uint16_t>(a[2 * i + 1] * w0 + b[2 * i + 1] * w1);
  }
  for (uint32_t k = p / 2; k < pairs; ++k) {
    u[k] = static_cast<uint16_t>(a[4 * k] * w0 + b[4 * k] * w1);
    v[k] = static_cast<uint16_t>(a[4 * k + 2] * w0 + b[4 * k + 2] * w1);
  }
  y[width] = y[width - 1];
  u[pairs] = u[pairs - 1];
  v[pairs] = v[pairs - 1];
}

// Rounding across, after the blend down: (sum + round) >> shift; left + right weights = total.
struct Rounding {
  int32_t total;
  int32_t round;
  int shift;
};
constexpr Rounding kEighths{8, 0, 6};
constexpr Rounding kSixtyFourths{64, 2048, 12};

__m128i load_pair(const uint16_t* line, uint32_t entry) {
  return load_u32(line + (entry & 0xFFFFu));
}

// Four columns as 32-bit lanes.
__m128i interpolate4(const uint16_t* line, const uint32_t* table, const Rounding& r) {
  const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table));
  const __m128i p01 = _mm_unpacklo_epi32(load_pair(line, table[0]), load_pair(line, table[1]));
  const __m128i p23 = _mm_unpacklo_epi32(load_pair(line, table[2]), load_pair(line, table[3]));
  const __m128i right = _mm_srli_epi32(e, 16);
  const __m128i weights =
      _mm_or_si128(_mm_slli_epi32(right, 16), _mm_sub_epi32(_mm_set1_epi32(r.total), right));
  const __m128i sum = _mm_madd_epi16(_mm_unpacklo_epi64(p01, p23), weights);
  return _mm_srl_epi32(_mm_add_epi32(sum, _mm_set1_epi32(r.round)), _mm_cvtsi32_si128(r.shift));
}

uint8_t interpolate1(const uint16_t* line, uint32_t entry, const Rounding& r) {
  const uint32_t c = entry & 0xFFFFu, right = entry >> 16;
  const uint32_t sum = line[c] * (static_cast<uint32_t>(r.total) - right) + line[c + 1] * right;
  return static_cast<uint8_t>((sum + static_cast<uint32_t>(r.round)) >> r.shift);
}

void down_emit_plane(uint8_t* out, const uint16_t* line, const uint32_t* table, uint32_t n,
                     const Rounding& r) {
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i words =
        _mm_packs_epi32(interpolate4(line, table + i, r), interpolate4(line, table + i + 4, r));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
  }
  for (; i < n; ++i) out[i] = interpolate1(line, table[i], r);
}

// One UYVY destination line of `pairs` pixel pairs: luma columns 2 k and 2 k + 1, chroma k.
void down_emit_uyvy(uint8_t* out, const DownBuffers& b, uint32_t pairs, const Rounding& r) {
  uint32_t k = 0;
  for (; k + 4 <= pairs; k += 4) {
    const uint32_t* lc = b.luma_columns + 2 * k;
    const uint32_t* cc = b.chroma_columns + k;
    store_uyvy(out + 4 * k, _mm_packs_epi32(interpolate4(b.y, lc, r), interpolate4(b.y, lc + 4, r)),
               _mm_packs_epi32(interpolate4(b.u, cc, r), interpolate4(b.v, cc, r)));
  }
  for (; k < pairs; ++k) {
    out[4 * k] = interpolate1(b.u, b.chroma_columns[k], r);
    out[4 * k + 1] = interpolate1(b.y, b.luma_columns[2 * k], r);
    out[4 * k + 2] = interpolate1(b.v, b.chroma_columns[k], r);
    out[4 * k + 3] = interpolate1(b.y, b.luma_columns[2 * k + 1], r);
  }
}

bool down_420_to_uyvy(void* scratch, const tImgPicture& src, uint32_t sw, uint32_t sh, uint8_t* dst,
                      size_t dst_stride, uint32_t dw, uint32_t dh) {
  const uint32_t cw = sw / 2 > 0 ? sw / 2 : 1;
  DownBuffers b;
  if (!plan_down(scratch, dw, sw, cw, b)) return false;
  const uint32_t x_step = packed_step(sw, dw, 65536);
  const uint32_t y_step = packed_step(sh, dh, 65536);
  build_down_columns(b.luma_columns, dw, {x_step, 16, 13, 7, sw - 1});
  build_down_columns(b.chroma_columns, dw / 2, {2 * x_step, 17, 14, 7, cw - 1});
  const uint32_t last = sh - 1, last_chroma = chroma_rows(sh) - 1;
  const size_t yp = src.u32YPitch, cp = src.u32UVPitch;
  for (uint32_t j = 0; j < dh; ++j) {
    const uint32_t y = j * y_step;
    const uint32_t r = min_u32(y >> 16, last), r1 = min_u32(r + 1, last);
    const uint32_t cr = min_u32(y >> 17, last_chroma), cr1 = min_u32(cr + 1, last_chroma);
    const uint32_t w1 = (y >> 13) & 7u, w0 = 8 - w1;
    blend_lines(src.pu8Y + r * yp, src.pu8Y + r1 * yp, w0, w1, b.y, sw);
    blend_lines(src.pu8U + cr * cp, src.pu8U + cr1 * cp, w0, w1, b.u, cw);
    blend_lines(src.pu8V + cr * cp, src.pu8V + cr1 * cp, w0, w1, b.v, cw);
    down_emit_uyvy(dst + j * dst_stride, b, dw / 2, kEighths);
  }
  return true;
}

bool down_uyvy(void* scratch, const uint8_t* src, size_t src_stride, uint32_t sw, uint32_t sh,
               const UyvyTarget& dst, uint32_t dw, uint32_t dh) {
  // A one-pixel line has no complete pixel pair; the scalar pass defines what it reads.
  if (sw < 2) return false;
  const uint32_t pairs = sw / 2;
  DownBuffers b;
  if (!plan_down(scratch, dw, sw, pairs, b)) return false;
  const uint32_t x_step = packed_step(sw, dw, 196608);
  const uint32_t y_step = packed_step(sh, dh, 65536);
  build_down_columns(b.luma_columns, dw, {x_step, 16, 10, 63, sw - 1});
  build_down_columns(b.chroma_columns, dw / 2, {2 * x_step, 17, 11, 63, pairs - 1});
  const uint32_t last = sh - 1;
  for (uint32_t j = 0; j < dh; ++j) {
    const uint32_t y = j * y_step;
    const uint32_t r = min_u32(y >> 16, last), r1 = min_u32(r + 1, last);
    const uint32_t k = (y >> 10) & 63u;
    blend_uyvy_lines(src + r * src_stride, src + r1 * src_stride, 64 - k, k, sw, pairs, b.y, b.u,
                     b.v);
    if (dst.packed != nullptr) {
      down_emit_uyvy(dst.packed + j * dst.stride, b, dw / 2, kSixtyFourths);
      continue;
    }
    const tImgPicture& p = *dst.planar;
    down_emit_plane(p.pu8Y + size_t{j} * p.u32YPitch, b.y, b.luma_columns, dw, kSixtyFourths);
    // Chroma once per destination line pair, from the pair's first line.
    if ((j & 1u) == 0 && j / 2 < dh / 2) {
      const size_t offset = size_t{j / 2} * p.u32UVPitch;
      down_emit_plane(p.pu8U + offset, b.u, b.chroma_columns, dw / 2, kSixtyFourths);
      down_emit_plane(p.pu8V + offset, b.v, b.chroma_columns, dw / 2, kSixtyFourths);
    }
  }
  return true;
}

// Either way; false when neither can run here (the caller runs the scalar pass then).
bool zoom_uyvy(void* scratch, const uint8_t* src, size_t src_stride, uint32_t sw, uint32_t sh,
               const UyvyTarget& dst, uint32_t dw, uint32_t dh) {
  return across_uyvy(scratch, src, src_stride, sw, sh, dst, dw, dh) ||
         down_uyvy(scratch, src, src_stride, sw, sh, dst, dw, dh);
}

// ---- Adapters of the shared compositions ----

void zoom_420_to_uyvy_pass(void* scratch, const tImgPicture& src, uint32_t src_width,
                           uint32_t src_height, uint8_t* dst, size_t dst_stride, uint32_t dst_width,
                           uint32_t dst_height) {
  BilinearZoom420_422YUV(scratch, &src, src_width, src_height, dst, dst_stride, dst_width,
                         dst_height);
}

void zoom_uyvy_to_420_pass(void* scratch, const uint8_t* src, size_t src_stride, uint32_t src_width,
                           uint32_t src_height, const tImgPicture& dst, uint32_t dst_width,
                           uint32_t dst_height) {
  BilinearZoom422_420YUV(scratch, src, src_stride, src_width, src_height, &dst, dst_width,
                         dst_height, PF_YUV_420);
}

void zoom_uyvy_to_uyvy_pass(void* scratch, const uint8_t* src, size_t src_stride,
                            uint32_t src_width, uint32_t src_height, uint8_t* dst,
                            size_t dst_stride, uint32_t dst_width, uint32_t dst_height) {
  if (src_width == 0 || src_height == 0) return;
  const UyvyTarget target{nullptr, dst, dst_stride};
  if (!zoom_uyvy(scratch, src, src_stride, src_width, src_height, target, dst_width, dst_height)) {
    zoom_uyvy_to_uyvy_c(scratch, src, src_stride, src_width, src_height, dst, dst_stride, dst_width,
                        dst_height);
  }
}

void* scratch_pointer(void** scratch) { return scratch != nullptr ? *scratch : nullptr; }

// The 704-pixel window 8 pixels (16 bytes) into a 720-pixel UYVY line; other widths, reachable
// only by calling the kernels directly, are used whole as the scalar kernels do.
void window_704(tResizerGeometry& g, tImgPicture& src) {
  if (g.u32SrcWidth != 720) return;
  g.u32SrcWidth = 704;
  src.pu8Y += 16;
}

}  // namespace
}  // namespace ssse3
}  // namespace pf

using pf::Layout;

extern "C" {

void BilinearZoom420_422YUV(void* pvScratch, const tImgPicture* ptSrc, uint32_t u32SrcWidth,
                            uint32_t u32SrcHeight, uint8_t* pu8Dst, size_t szDstStride,
                            uint32_t u32DstWidth, uint32_t u32DstHeight) {
  if (u32SrcWidth == 0 || u32SrcHeight == 0) return;
  if (pf::ssse3::across_420_to_uyvy(pvScratch, *ptSrc, u32SrcWidth, u32SrcHeight, pu8Dst,
                                    szDstStride, u32DstWidth, u32DstHeight) ||
      pf::ssse3::down_420_to_uyvy(pvScratch, *ptSrc, u32SrcWidth, u32SrcHeight, pu8Dst, szDstStride,
                                  u32DstWidth, u32DstHeight)) {
    return;
  }
  pf::zoom_420_to_uyvy_c(pvScratch, *ptSrc, u32SrcWidth, u32SrcHeight, pu8Dst, szDstStride,
                         u32DstWidth, u32DstHeight);
}

void BilinearZoom422_420YUV(void* pvScratch, const uint8_t* pu8Src, size_t szSrcStride,
                            uint32_t u32SrcWidth, uint32_t u32SrcHeight, const tImgPicture* ptDst,
                            uint32_t u32DstWidth, uint32_t u32DstHeight, uint32_t u32DstYuvType) {
  if (u32SrcWidth == 0 || u32SrcHeight == 0) return;
  const bool packed = u32DstYuvType == PF_YUV_UYVY;
  const size_t dst_stride = 2 * size_t{ptDst->u32YPitch};
  const pf::ssse3::UyvyTarget target{packed ? nullptr : ptDst, packed ? ptDst->pu8Y : nullptr,
                                     dst_stride};
  if (pf::ssse3::zoom_uyvy(pvScratch, pu8Src, szSrcStride, u32SrcWidth, u32SrcHeight, target,
                           u32DstWidth, u32DstHeight)) {
    return;
  }
  if (packed) {
    pf::zoom_uyvy_to_uyvy_c(pvScratch, pu8Src, szSrcStride, u32SrcWidth, u32SrcHeight, ptDst->pu8Y,
                            dst_stride, u32DstWidth, u32DstHeight);
  } else {
    pf::zoom_uyvy_to_420_c(pvScratch, pu8Src, szSrcStride, u32SrcWidth, u32SrcHeight, *ptDst,
                           u32DstWidth, u32DstHeight);
  }
}

// ---- Style B ----

void GeneralBilinearframetoframe420to422_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                               tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_420_to_uyvy(pf::ssse3::zoom_420_to_uyvy_pass,
                           pf::ssse3::scratch_pointer(ppvFastScratch), *ptGeometry, *ptSrc, *ptDst);
}

void GeneralBilinearfieldtoframe420to422_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                               tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_field_to_frame_420_to_uyvy(pf::ssse3::zoom_420_to_uyvy_pass,
                                          pf::ssse3::scratch_pointer(ppvFastScratch), *ptGeometry,
                                          *ptSrc, *ptDst);
}

void GeneralBilinearframeItoframeI420to422_ssse3(void** ppvFastScratch,
                                                 tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                                 tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(GeneralBilinearframetoframe420to422_ssse3, Layout::k420,
                                     Layout::kUyvy, ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

// ---- Style C ----

void Bilinearframetoframe422to420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                        tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_uyvy_to_420(pf::ssse3::zoom_uyvy_to_420_pass,
                           pf::ssse3::scratch_pointer(ppvFastScratch), *ptGeometry, *ptSrc, *ptDst);
}

void Bilinearframetoframe422to422_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                        tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_uyvy_to_uyvy(pf::ssse3::zoom_uyvy_to_uyvy_pass,
                            pf::ssse3::scratch_pointer(ppvFastScratch), *ptGeometry, *ptSrc,
                            *ptDst);
}

void Bilinearframetofield422to420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                        tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_frame_to_field(Bilinearframetoframe422to420_ssse3, Layout::kUyvy, ppvFastScratch,
                           *ptGeometry, *ptSrc, *ptDst);
}

void BilinearFrameItoFrameI422to420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                          tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(Bilinearframetoframe422to420_ssse3, Layout::kUyvy,
                                     Layout::k420, ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

void BilinearFrameItoFrame422to420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                         tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe422to420_ssse3, ppvFastScratch, *ptGeometry,
                                *ptSrc, *ptDst);
}

void Bilinearframetoframe422to422ItoI_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                            tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(Bilinearframetoframe422to422_ssse3, Layout::kUyvy,
                                     Layout::kUyvy, ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

void Bilinearframetoframe422to422ItoP_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                            tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe422to422_ssse3, ppvFastScratch, *ptGeometry,
                                *ptSrc, *ptDst);
}

void YUV422toYUV420ScaleDown_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                   tImgPicture* ptSrc, tImgPicture* ptDst) {
  tResizerGeometry g = *ptGeometry;
  tImgPicture src = *ptSrc, dst = *ptDst;
  // Even lines only: the first field of an interlaced source, every other line of a frame.
  g.u32SrcHeight >>= 1;
  src.u32YPitch *= 2;
  pf::ssse3::window_704(g, src);
  Bilinearframetoframe422to420_ssse3(ppvFastScratch, &g, &src, &dst);
}

void YUV422Width720toYUV420Width352Cut16Point_ssse3(void** ppvFastScratch,
                                                    tResizerGeometry* ptGeometry,
                                                    tImgPicture* ptSrc, tImgPicture* ptDst) {
  tResizerGeometry g = *ptGeometry;
  tImgPicture src = *ptSrc, dst = *ptDst;
  pf::ssse3::window_704(g, src);
  if (g.u32DstImageType == PF_IMAGE_FIELD) {
    Bilinearframetofield422to420_ssse3(ppvFastScratch, &g, &src, &dst);
    return;
  }
  g.u32SrcHeight >>= 1;
  src.u32YPitch *= 2;
  Bilinearframetoframe422to420_ssse3(ppvFastScratch, &g, &src, &dst);
}

}  // extern "C"
