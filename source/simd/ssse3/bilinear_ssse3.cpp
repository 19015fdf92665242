// SPDX-License-Identifier: BSD-2-Clause
// SSSE3 per-plane bilinear scaler (eighth phases, BilinearZoom's arithmetic) and the planar 4:2:0
// and 4:2:2 kernels that the shared compositions build from it.
//
// Approach. The scalar result of one sample is
//   (a (8192 - wy) + b wy + 32768) >> 16,  a = s[c] (8 - fx) + s[c+1] fx
// (b likewise one line down), and with wy = 1024 k this equals (a (8 - k) + b k + 32) >> 6 exactly,
// because 1024 (a (8 - k) + b k) + 32768 = 1024 (a (8 - k) + b k + 32). a and b are at most 2040
// and the blended sum at most 16352, so both passes run in 16-bit lanes without loss:
//  - horizontal: for each block of 8 destination columns one (or two) 16-byte loads of the source
//    line and a precomputed pshufb mask form the 8 byte pairs (s[c], s[c+1]); pmaddubsw with the
//    byte pairs (8 - fx, fx) gives the 8 values a. Ratios too steep for two loads gather the pairs
//    one by one. Each source line is filtered once and kept while destination lines still use it;
//    two fresh lines are filtered together, sharing each block's table loads.
//  - vertical: 8 a + k (b - a) + 32 >> 6 (the same sum rearranged), 16 outputs per step.
// Column tables and the two filtered lines live in the fast scratch; a plane whose tables do not
// fit (or a call without scratch) takes a plain scalar loop instead.
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
constexpr uint32_t kNoLine = 0xFFFFFFFFu;

// How the horizontal pass collects the byte pairs of a block of 8 columns.
enum class Gather : uint8_t { kOneLoad, kTwoLoads, kScalar };

// Horizontal tables and line buffers of one plane, all inside the scratch.
struct Plan {
  Gather gather = Gather::kOneLoad;
  uint32_t blocks = 0;         // 8-column blocks covering the width
  uint32_t window = 16;        // bytes each block loads (pshufb gathers)
  uint32_t tail_block = 0;     // first block whose load would pass the line's last byte
  uint32_t tail_start = 0;     // first line byte copied to the tail buffer for those blocks
  uint8_t* masks = nullptr;    // blocks x window bytes of pshufb indices (0x80: none)
  uint8_t* weights = nullptr;  // blocks x 16 bytes: (8 - fx, fx) per column
  uint32_t* starts = nullptr;  // per block its first source byte; per column when kScalar
  int16_t* lines[2] = {nullptr, nullptr};  // filtered source lines, width rounded up to 16
};

uint64_t round16(uint64_t v) { return (v + 15) & ~uint64_t{15}; }

// One column's source pair: sample c, its right neighbour (or c itself when c is the line's last
// sample, which only happens at phase 0) and the phase.
struct Column {
  uint32_t c, c1, fx;
};

Column column(const Axis& ax, uint32_t i, uint32_t src_width) {
  const uint32_t x = ax.start + i * ax.step;
  const uint32_t c = x >> 16;
  return {c, c + 1 < src_width ? c + 1 : c, (x & 0xFFFFu) >> 13};
}

// Lays the tables out in `scratch` and fills them; false when they do not fit. The columns of
// the last block past the width repeat the last real one, so that whole blocks can run. The line
// buffers hold the width rounded up to 16 and start zeroed, so that a vertical step over a line
// narrower than 16 reads only initialised values.
bool make_plan(Plan& plan, void* scratch, uint32_t src_width, uint32_t dst_width, const Axis& ax) {
  const uint32_t cols = static_cast<uint32_t>(round16(dst_width));
  plan.blocks = (dst_width + 7) / 8;
  uint32_t widest = 0;  // bytes a block's pairs span
  for (uint32_t b = 0; b < plan.blocks; ++b) {
    const uint32_t last = b * 8 + 7 < dst_width ? b * 8 + 7 : dst_width - 1;
    const uint32_t span = column(ax, last, src_width).c1 - column(ax, b * 8, src_width).c + 1;
    if (span > widest) widest = span;
  }
  plan.gather = widest <= 16   ? Gather::kOneLoad
                : widest <= 32 ? Gather::kTwoLoads
                               : Gather::kScalar;
  plan.window = plan.gather == Gather::kTwoLoads ? 32 : 16;

  const uint64_t line_bytes = uint64_t{cols} * 2;
  const uint64_t weight_bytes = uint64_t{plan.blocks} * 16;
  const uint64_t mask_bytes =
      plan.gather == Gather::kScalar ? 0 : uint64_t{plan.blocks} * plan.window;
  const uint64_t start_bytes =
      plan.gather == Gather::kScalar ? uint64_t{plan.blocks} * 32 : uint64_t{plan.blocks} * 4;
  const uint64_t need = 15 + 2 * line_bytes + weight_bytes + mask_bytes + start_bytes;
  // Within the resizer's scratch test for these kernels (16 x SW + 4 x PW), so every geometry the
  // decision table admits fits, and never more than the scratch itself.
  const uint64_t budget = 16 * uint64_t{src_width} + 4 * uint64_t{dst_width};
  if (scratch == nullptr || need > budget || need > kFastScratchBytes) return false;

  auto* p =
      reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(scratch) + 15) & ~uintptr_t{15});
  std::memset(p, 0, 2 * line_bytes);
  plan.lines[0] = reinterpret_cast<int16_t*>(p);
  plan.lines[1] = reinterpret_cast<int16_t*>(p + line_bytes);
  p += 2 * line_bytes;
  plan.weights = p;
  p += weight_bytes;
  plan.masks = p;
  p += mask_bytes;
  plan.starts = reinterpret_cast<uint32_t*>(p);

  plan.tail_block = plan.blocks;
  plan.tail_start = src_width > plan.window ? src_width - plan.window : 0;
  for (uint32_t b = 0; b < plan.blocks; ++b) {
    const uint32_t c0 = column(ax, b * 8, src_width).c;
    if (plan.gather != Gather::kScalar) {
      plan.starts[b] = c0;
      // Starts never decrease, so the blocks that need the tail buffer are the last ones.
      if (c0 + plan.window > src_width && plan.tail_block == plan.blocks) plan.tail_block = b;
    }
    for (uint32_t l = 0; l < 8; ++l) {
      const uint32_t i = b * 8 + l < dst_width ? b * 8 + l : dst_width - 1;
      const Column col = column(ax, i, src_width);
      uint8_t w0 = static_cast<uint8_t>(8 - col.fx), w1 = static_cast<uint8_t>(col.fx);
      if (plan.gather == Gather::kScalar) {
        // Pairs are read as two adjacent bytes; the last sample (phase 0) is read as the right
        // half of the pair before it. Such steep ratios imply a line of more than 32 samples.
        uint32_t at = col.c;
        if (col.c1 == col.c) {
          at = col.c - 1;
          w0 = 0;
          w1 = 8;
        }
        plan.starts[b * 8 + l] = at;
      } else {
        const uint32_t r0 = col.c - c0, r1 = col.c1 - c0;
        uint8_t* m = plan.masks + size_t{b} * plan.window;
        if (plan.gather == Gather::kOneLoad) {
          m[2 * l] = static_cast<uint8_t>(r0);
          m[2 * l + 1] = static_cast<uint8_t>(r1);
        } else {  // first 16 bytes pick from the first load, the next 16 from the second
          m[2 * l] = static_cast<uint8_t>(r0 < 16 ? r0 : 0x80);
          m[2 * l + 1] = static_cast<uint8_t>(r1 < 16 ? r1 : 0x80);
          m[16 + 2 * l] = static_cast<uint8_t>(r0 >= 16 ? r0 - 16 : 0x80);
          m[16 + 2 * l + 1] = static_cast<uint8_t>(r1 >= 16 ? r1 - 16 : 0x80);
        }
      }
      plan.weights[b * 16 + 2 * l] = w0;
      plan.weights[b * 16 + 2 * l + 1] = w1;
    }
  }
  return true;
}

__m128i load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

uint16_t pair_at(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// The last bytes of a line into the tail buffer: a whole window except on lines narrower than
// one, with constant sizes for the common case so that no library call is made per line.
void copy_tail(uint8_t* tail, const uint8_t* from, uint32_t n) {
  if (n == 16) {
    std::memcpy(tail, from, 16);
  } else if (n == 32) {
    std::memcpy(tail, from, 32);
  } else {
    std::memcpy(tail, from, n);
  }
}

// One source line to filter: where it is, where its values go, and its tail buffer (64 bytes
// whose bytes past the copied line end stay zero; blocks near the line's end load their window
// from it instead of past the line).
struct Job {
  const uint8_t* line;
  int16_t* out;
  uint8_t* tail;
};

// a = s[c] (8 - fx) + s[c + 1] fx for every table column of N lines, through pshufb windows.
// Reducing needs two fresh lines for nearly every output line; filtering them together loads
// each block's tables once.
template <int N, bool kTwoLoads>
void filter_windows(const Plan& plan, const Job (&jobs)[N], uint32_t src_width) {
  // Locals: the vector stores below may alias anything, which would reload the plan's fields.
  const uint8_t* const masks = plan.masks;
  const uint8_t* const weights = plan.weights;
  const uint32_t* const starts = plan.starts;
  auto run = [&](uint32_t from, uint32_t to, const uint8_t* const(&base)[N], uint32_t origin) {
    for (uint32_t b = from; b < to; ++b) {
      const uint8_t* m = masks + size_t{b} * (kTwoLoads ? 32 : 16);
      const __m128i m0 = load(m), m1 = kTwoLoads ? load(m + 16) : m0;
      const __m128i w = load(weights + 16 * size_t{b});
      const uint32_t at = starts[b] - origin;
      for (int n = 0; n < N; ++n) {
        const uint8_t* p = base[n] + at;
        __m128i pairs = _mm_shuffle_epi8(load(p), m0);
        if (kTwoLoads) pairs = _mm_or_si128(pairs, _mm_shuffle_epi8(load(p + 16), m1));
        _mm_store_si128(reinterpret_cast<__m128i*>(jobs[n].out) + b, _mm_maddubs_epi16(pairs, w));
      }
    }
  };
  const uint32_t tail_block = plan.tail_block, blocks = plan.blocks;
  const uint8_t* lines[N];
  for (int n = 0; n < N; ++n) lines[n] = jobs[n].line;
  run(0, tail_block, lines, 0);
  if (tail_block == blocks) return;
  const uint8_t* tails[N];
  for (int n = 0; n < N; ++n) {
    copy_tail(jobs[n].tail, jobs[n].line + plan.tail_start, src_width - plan.tail_start);
    tails[n] = jobs[n].tail;
  }
  run(tail_block, blocks, tails, plan.tail_start);
}

// The same for ratios too steep for two windows: each pair is read on its own.
void filter_pairs(const Plan& plan, const Job& job) {
  for (uint32_t b = 0; b < plan.blocks; ++b) {
    const uint32_t* at = plan.starts + 8 * size_t{b};
    const uint8_t* line = job.line;
    __m128i pairs = _mm_cvtsi32_si128(pair_at(line + at[0]));
    pairs = _mm_insert_epi16(pairs, pair_at(line + at[1]), 1);
    pairs = _mm_insert_epi16(pairs, pair_at(line + at[2]), 2);
    pairs = _mm_insert_epi16(pairs, pair_at(line + at[3]), 3);
    pairs = _mm_insert_epi16(pairs, pair_at(line + at[4]), 4);
    pairs = _mm_insert_epi16(pairs, pair_at(line + at[5]), 5);
    pairs = _mm_insert_epi16(pairs, pair_at(line + at[6]), 6);
    pairs = _mm_insert_epi16(pairs, pair_at(line + at[7]), 7);
    _mm_store_si128(reinterpret_cast<__m128i*>(job.out) + b,
                    _mm_maddubs_epi16(pairs, load(plan.weights + 16 * size_t{b})));
  }
}

template <int N>
void filter_lines(const Plan& plan, const Job (&jobs)[N], uint32_t src_width) {
  switch (plan.gather) {
    case Gather::kOneLoad:
      filter_windows<N, false>(plan, jobs, src_width);
      return;
    case Gather::kTwoLoads:
      filter_windows<N, true>(plan, jobs, src_width);
      return;
    case Gather::kScalar:
      for (int n = 0; n < N; ++n) filter_pairs(plan, jobs[n]);
      return;
  }
}

// 16 outputs (8 a + k (b - a) + 32) >> 6 from filtered lines a and b.
__m128i blend16(const int16_t* a, const int16_t* b, __m128i k) {
  const __m128i round = _mm_set1_epi16(32);
  const __m128i a0 = load(a), a1 = load(a + 8);
  const __m128i s0 =
      _mm_add_epi16(_mm_slli_epi16(a0, 3), _mm_mullo_epi16(_mm_sub_epi16(load(b), a0), k));
  const __m128i s1 =
      _mm_add_epi16(_mm_slli_epi16(a1, 3), _mm_mullo_epi16(_mm_sub_epi16(load(b + 8), a1), k));
  return _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(s0, round), 6),
                          _mm_srli_epi16(_mm_add_epi16(s1, round), 6));
}

// One destination line from two filtered lines. The lines hold at least 16 values, and the last
// step of a line of 16 or more is taken again at its end (overlapping values are identical).
void blend_line(const int16_t* a, const int16_t* b, uint32_t k, uint8_t* dst, uint32_t width) {
  const __m128i kv = _mm_set1_epi16(static_cast<int16_t>(k));
  if (width < 16) {
    alignas(16) uint8_t tmp[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(tmp), blend16(a, b, kv));
    // Pieces of constant size, so that they compile to plain moves.
    const uint8_t* from = tmp;
    if ((width & 8) != 0) {
      std::memcpy(dst, from, 8);
      dst += 8;
      from += 8;
    }
    if ((width & 4) != 0) {
      std::memcpy(dst, from, 4);
      dst += 4;
      from += 4;
    }
    if ((width & 2) != 0) {
      std::memcpy(dst, from, 2);
      dst += 2;
      from += 2;
    }
    if ((width & 1) != 0) *dst = *from;
    return;
  }
  uint32_t i = 0;
  for (; i + 16 <= width; i += 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), blend16(a + i, b + i, kv));
  }
  if (i < width) {
    const uint32_t last = width - 16;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + last), blend16(a + last, b + last, kv));
  }
}

// Destination line of output line j: in order, or as a field picture (even lines to the first
// half, odd lines to the second).
size_t out_line(uint32_t j, uint32_t dst_height, bool field) {
  if (!field) return j;
  return (j & 1) != 0 ? dst_height / 2 + j / 2 : j / 2;
}

// The scaler in plain form, for planes whose tables do not fit the scratch.
void zoom_scalar(const uint8_t* src, uint8_t* dst, uint32_t sw, uint32_t sh, uint32_t sp,
                 uint32_t dw, uint32_t dh, uint32_t dp, bool field) {
  const Axis ax = zoom_axis(sw, dw), ay = zoom_axis(sh, dh);
  for (uint32_t j = 0; j < dh; ++j) {
    const uint32_t y = ay.start + j * ay.step;
    const uint32_t wy = ((y & 0xFFFFu) >> 13) * 1024;
    const uint8_t* upper = src + static_cast<size_t>(y >> 16) * sp;
    const uint8_t* lower = wy != 0 ? upper + sp : upper;
    uint8_t* out = dst + out_line(j, dh, field) * dp;
    for (uint32_t i = 0; i < dw; ++i) {
      const uint32_t x = ax.start + i * ax.step;
      const uint32_t c = x >> 16, fx = (x & 0xFFFFu) >> 13;
      uint32_t a = upper[c] * 8, b = lower[c] * 8;
      if (fx != 0) {
        a = upper[c] * (8 - fx) + upper[c + 1] * fx;
        b = lower[c] * (8 - fx) + lower[c + 1] * fx;
      }
      out[i] = static_cast<uint8_t>((a * (8192 - wy) + b * wy + 32768) >> 16);
    }
  }
}

void zoom_plane(void* scratch, const uint8_t* src, uint8_t* dst, uint32_t sw, uint32_t sh,
                uint32_t sp, uint32_t dw, uint32_t dh, uint32_t dp, bool field) {
  if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
  const Axis ax = zoom_axis(sw, dw), ay = zoom_axis(sh, dh);
  Plan plan;
  // Positions are 16.16: wider or taller planes have no exact form to reproduce here.
  if (sw >= 65536 || sh >= 65536 || !make_plan(plan, scratch, sw, dw, ax)) {
    zoom_scalar(src, dst, sw, sh, sp, dw, dh, dp, field);
    return;
  }
  alignas(16) uint8_t tails[2][64];
  std::memset(tails, 0, sizeof tails);
  uint32_t held[2] = {kNoLine, kNoLine};  // source line in each buffer
  auto job = [&](int slot, uint32_t r) {
    held[slot] = r;
    return Job{src + static_cast<size_t>(r) * sp, plan.lines[slot], tails[slot]};
  };
  auto held_in = [&](uint32_t r) { return held[0] == r ? 0 : held[1] == r ? 1 : -1; };
  for (uint32_t j = 0; j < dh; ++j) {
    const uint32_t y = ay.start + j * ay.step;
    const uint32_t r = y >> 16, k = (y & 0xFFFFu) >> 13;
    // Phase 0 uses the upper line alone; the line below may not exist then.
    int upper = held_in(r);
    int lower = k != 0 ? held_in(r + 1) : upper;
    if (k != 0 && upper < 0 && lower < 0) {
      upper = 0;
      lower = 1;
      const Job both[2] = {job(upper, r), job(lower, r + 1)};
      filter_lines(plan, both, sw);
    } else if (upper < 0) {
      // Keep the lower line if it is held; otherwise lines only move down, so the lower-numbered
      // (or empty) buffer is the stale one.
      if (k != 0) {
        upper = 1 - lower;
      } else {
        upper = held[0] == kNoLine || (held[1] != kNoLine && held[0] < held[1]) ? 0 : 1;
        lower = upper;
      }
      const Job one[1] = {job(upper, r)};
      filter_lines(plan, one, sw);
    } else if (lower < 0) {
      lower = 1 - upper;
      const Job one[1] = {job(lower, r + 1)};
      filter_lines(plan, one, sw);
    }
    blend_line(plan.lines[upper], plan.lines[lower], k, dst + out_line(j, dh, field) * dp, dw);
  }
}

// The per-plane scaler as the compositions call it.
void zoom_frame(void* scratch, const uint8_t* src, uint8_t* dst, uint32_t sw, uint32_t sh,
                uint32_t sp, uint32_t dw, uint32_t dh, uint32_t dp) {
  zoom_plane(scratch, src, dst, sw, sh, sp, dw, dh, dp, false);
}

void* scratch_in(void** field) { return field != nullptr ? *field : nullptr; }

}  // namespace
}  // namespace ssse3
}  // namespace pf

using pf::Layout;
using pf::ssse3::scratch_in;
using pf::ssse3::zoom_frame;

extern "C" {

void BilinearZoom_ssse3(void* pvScratch, const uint8_t* pu8Src, uint8_t* pu8Dst,
                        uint32_t u32SrcWidth, uint32_t u32SrcHeight, uint32_t u32SrcPitch,
                        uint32_t u32DstWidth, uint32_t u32DstHeight, uint32_t u32DstPitch,
                        int32_t s32FieldOutput) {
  pf::ssse3::zoom_plane(pvScratch, pu8Src, pu8Dst, u32SrcWidth, u32SrcHeight, u32SrcPitch,
                        u32DstWidth, u32DstHeight, u32DstPitch, s32FieldOutput != 0);
}

// ---- 4:2:0 ----

void GeneralBilinearframetoframe420to420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                               tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_420_to_420(zoom_frame, scratch_in(ppvFastScratch), *ptGeometry, *ptSrc, *ptDst);
}

void GeneralBilinearframetofield420to420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                               tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_frame_to_field(GeneralBilinearframetoframe420to420_ssse3, Layout::k420, ppvFastScratch,
                           *ptGeometry, *ptSrc, *ptDst);
}

void GeneralBilinearfieldtofield420to420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                               tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_field_to_field(GeneralBilinearframetoframe420to420_ssse3, ppvFastScratch, *ptGeometry,
                           *ptSrc, *ptDst);
}

void GeneralBilinearfieldtoframe420to420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                               tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_field_to_frame_420(zoom_frame, scratch_in(ppvFastScratch), *ptGeometry, *ptSrc,
                                  *ptDst);
}

void GeneralBilinearframeItoframeI420to420_ssse3(void** ppvFastScratch,
                                                 tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                                 tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(GeneralBilinearframetoframe420to420_ssse3, Layout::k420,
                                     Layout::k420, ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

void GeneralBilinearframeItoframe420to420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                                tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(GeneralBilinearframetoframe420to420_ssse3, ppvFastScratch,
                                *ptGeometry, *ptSrc, *ptDst);
}

void GeneralBilinearfieldtoframe420to420ItoF_ssse3(void** ppvFastScratch,
                                                   tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                                   tImgPicture* ptDst) {
  tResizerGeometry g = *ptGeometry;
  tImgPicture src = *ptSrc, dst = *ptDst;
  g.u32SrcHeight >>= 1;        // field one only: its lines are contiguous at the normal pitch
  if (g.u32SrcWidth == 720) {  // the 704 pixels 8 in from each side
    g.u32SrcWidth = 704;
    src.pu8Y += 8;
    src.pu8U += 4;
    src.pu8V += 4;
  }
  GeneralBilinearframetoframe420to420_ssse3(ppvFastScratch, &g, &src, &dst);
}

// Not the scalar kernel's picture (see img_resizer_simd.h): the whole frame is scaled per plane
// and its lines dealt to the two fields, with the destination planes taken as the record gives
// them and no fill painted.
void ConvertCifFrameto720x576FieldFilter_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                               tImgPicture* ptSrc, tImgPicture* ptDst) {
  void* scratch = scratch_in(ppvFastScratch);
  const tResizerGeometry& g = *ptGeometry;
  const tImgPicture &src = *ptSrc, &dst = *ptDst;
  BilinearZoom_ssse3(scratch, src.pu8Y, dst.pu8Y, g.u32SrcWidth, g.u32SrcHeight, src.u32YPitch,
                     g.u32DstWidth, g.u32DstHeight, dst.u32YPitch, 1);
  BilinearZoom_ssse3(scratch, src.pu8U, dst.pu8U, g.u32SrcWidth / 2, g.u32SrcHeight / 2,
                     src.u32UVPitch, g.u32DstWidth / 2, g.u32DstHeight / 2, dst.u32UVPitch, 1);
  BilinearZoom_ssse3(scratch, src.pu8V, dst.pu8V, g.u32SrcWidth / 2, g.u32SrcHeight / 2,
                     src.u32UVPitch, g.u32DstWidth / 2, g.u32DstHeight / 2, dst.u32UVPitch, 1);
}

// ---- 4:2:2 planar ----

void Bilinearframetoframe420to422P_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                         tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_420_to_422p(zoom_frame, scratch_in(ppvFastScratch), *ptGeometry, *ptSrc, *ptDst);
}

void Bilinearframetoframe422Pto420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                         tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_422p_to_420(zoom_frame, scratch_in(ppvFastScratch), *ptGeometry, *ptSrc, *ptDst);
}

void Bilinearframetoframe422Pto422P_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                          tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_422p_to_422p(zoom_frame, scratch_in(ppvFastScratch), *ptGeometry, *ptSrc, *ptDst);
}

void BilinearframeItoframe420to422P_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                          tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe420to422P_ssse3, ppvFastScratch, *ptGeometry,
                                *ptSrc, *ptDst);
}

void BilinearframeItoframeI420to422P_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                           tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(Bilinearframetoframe420to422P_ssse3, Layout::k420,
                                     Layout::k422P, ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

void BilinearframeItoframe422Pto420_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                          tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe422Pto420_ssse3, ppvFastScratch, *ptGeometry,
                                *ptSrc, *ptDst);
}

void BilinearframeItoframe422Pto422P_ssse3(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                           tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe422Pto422P_ssse3, ppvFastScratch, *ptGeometry,
                                *ptSrc, *ptDst);
}

}  // extern "C"
