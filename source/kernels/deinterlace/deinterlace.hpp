// SPDX-License-Identifier: BSD-2-Clause
// The deinterlace kernels as drivers over row passes: the scalar kernels and their SIMD variants
// share the drivers (line walking, working-line bookkeeping, edge rules) and differ only in the
// passes over the inside of a line. The scalar passes over a pixel range are what the SIMD
// passes run at the two ends of a line, where their vectors would reach past it.
//
// Tail strategy: scalar ranges at both ends of each line (the filters work in place, so a SIMD
// pass never re-runs over pixels it has written).
#ifndef PELFORGE_SOURCE_KERNELS_DEINTERLACE_DEINTERLACE_HPP_
#define PELFORGE_SOURCE_KERNELS_DEINTERLACE_DEINTERLACE_HPP_

#include <cstddef>
#include <cstdint>

#include "img_deinterlace.h"

namespace pf::deint {

// The lines one step k of a field blender works on (centre j = k + 1).
struct Step {
  const uint8_t* a0;  // A(k) = A(j - 1)
  const uint8_t* a1;  // A(k + 1) = A(j)
  const uint8_t* a2;  // A(k + 2) = A(j + 1), A(n - 1) past the field
  const uint8_t* b0;  // B(k)
  const uint8_t* b1;
  const uint8_t* b2;
  uint8_t* m_new;  // M(j), D(j), E(j), written by the measure pass
  int8_t* d_new;
  uint8_t* e_new;
  const uint8_t* m_cur;  // M(k), D(k), E(k), E(k - 1), read by the blend pass
  const int8_t* d_cur;
  const uint8_t* e_cur;
  const uint8_t* e_prev;
  uint8_t* history;       // mode 3: line k of the previous-field buffer; null in mode 2
  int8_t* dir_new;        // mode 3: dir(j)
  const int8_t* dir_cur;  // mode 3: dir(k)
  uint8_t* out;           // where B(k) is written (B(k) itself when in place)
  int32_t width;
  // Columns [vec_begin, vec_end) may be covered by 16-pixel vectors: those read up to two
  // pixels beyond the pixels they produce on either side. Empty when the line is too short.
  int32_t vec_begin;
  int32_t vec_end;
};

// A pass over the whole of one line.
using RowPass = void (*)(const Step& step);
struct BlendPasses {
  RowPass measure;  // M, D, E (and in mode 3 the history and dir) of the centre line
  RowPass blend;    // B(k) from them
};

// The scalar passes over [x0, x1), plain (mode 2) and directional (mode 3).
void measure_plain(const Step& step, int32_t x0, int32_t x1);
void measure_directional(const Step& step, int32_t x0, int32_t x1);
void blend_plain(const Step& step, int32_t x0, int32_t x1);
void blend_directional(const Step& step, int32_t x0, int32_t x1);

// The field blender of modes 2 (history null) and 3 over one plane, with the given passes. The
// line buffer holds 10 x width bytes in mode 3, 8 x width in mode 2.
void field_blend(const uint8_t* src_a, const uint8_t* src_b, ptrdiff_t src_step, uint8_t* dst_a,
                 uint8_t* dst_b, ptrdiff_t dst_step, int32_t width, int32_t height,
                 uint8_t* line_buf, uint8_t* history, const BlendPasses& passes);

// line[x] = median(above[x], line[x], below[x]) for x < width.
using MedianRow = void (*)(const uint8_t* above, uint8_t* line, const uint8_t* below,
                           int32_t width);
void median_row(const uint8_t* above, uint8_t* line, const uint8_t* below, int32_t width);

// Modes 2 and 3 over a picture: the blender on luma, then the chroma median on U and V.
uint32_t blend_picture(tImgDeinterlaceInstance& inst, uint8_t* y, uint8_t* u, uint8_t* v,
                       const BlendPasses& passes, MedianRow median, bool temporal);

// Mode 0: which rule decides a group (the scalar kernel's, or the SSE2 kernel's simpler one).
enum class CombRule { kMargin, kSimple };
// One group of `count` (1..8) pixels of line C: decides with `rule` and replaces when it holds.
void comb_group(const uint8_t* p, uint8_t* c, const uint8_t* n, const uint8_t* n2, int32_t count,
                CombRule rule);

}  // namespace pf::deint

#endif  // PELFORGE_SOURCE_KERNELS_DEINTERLACE_DEINTERLACE_HPP_
