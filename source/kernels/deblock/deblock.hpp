// SPDX-License-Identifier: BSD-2-Clause
// The deblock filter's scalar building blocks, shared with the SSE2 kernel for the parts of a
// plane its 8 x 8 tiles do not cover (a last band of four lines, a last group of four columns).
#ifndef PELFORGE_SOURCE_KERNELS_DEBLOCK_DEBLOCK_HPP_
#define PELFORGE_SOURCE_KERNELS_DEBLOCK_DEBLOCK_HPP_

#include <cstddef>
#include <cstdint>

#include "img_deblock.h"

namespace pf::deblock {

// Which pass a group of segments belongs to; the passes decide flatness differently.
enum class Pass { kHorizontal, kVertical };

// Filters `segments` segments of eight samples across one block edge, deciding for the group
// as `pass` does. Sample i of segment k is read at in + k * in_segment + i * in_sample and
// written at out + k * out_segment + i * out_sample; every sample of every segment is written,
// so that the horizontal pass copies what it leaves alone. in and out may be the same.
void filter_group(const uint8_t* in, ptrdiff_t in_sample, ptrdiff_t in_segment, uint8_t* out,
                  ptrdiff_t out_sample, ptrdiff_t out_segment, int32_t segments, int32_t qp,
                  Pass pass);

// The horizontal pass over lines [y_begin, y_end) of a plane, four lines at a time.
void horizontal_rows(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst, ptrdiff_t dst_stride,
                     int32_t width, int32_t y_begin, int32_t y_end, int32_t qp);

// Thresholds of the quantiser tests, clamped to what 16-bit lanes compare: a sample difference
// is below `flat_below` when |s0 - s7| < 2 QP and below `flat_upto` when |s0 - s7| <= 2 QP; a0
// is corrected when |a0| < `correct_below` = 8 QP. Differences never exceed 1785.
struct Limits {
  int32_t flat_below;
  int32_t flat_upto;
  int32_t correct_below;
};
Limits limits(int32_t qp);

}  // namespace pf::deblock

#endif  // PELFORGE_SOURCE_KERNELS_DEBLOCK_DEBLOCK_HPP_
