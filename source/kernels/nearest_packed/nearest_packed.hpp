// SPDX-License-Identifier: BSD-2-Clause
// Pieces of the nearest-neighbour, YUYV and semi-planar kernels that their SIMD variants reuse.
#ifndef PELFORGE_SOURCE_KERNELS_NEAREST_PACKED_NEAREST_PACKED_HPP_
#define PELFORGE_SOURCE_KERNELS_NEAREST_PACKED_NEAREST_PACKED_HPP_

#include <cstddef>
#include <cstdint>

#include "img_resizer.h"

namespace pf {

// A 16.16 walk along one axis: position of output sample i is start + i * step.
struct AxisStep {
  uint64_t step;
  uint64_t start;
};

// The step of the nearest and semi-planar scalers: (src - 1) / (dst - 1) in 16.16; when its
// fraction is below 1/32 (bits 11..15 clear) it becomes (src - 2) / (dst - 1) starting half a
// sample in, so that integer ratios sample pixel centres. Computed in 64 bits so that every
// position stays below src << 16. A destination or source of one sample gets step 0, start 0:
// there is no span to divide, and every output takes sample 0.
AxisStep half_pixel_step(uint32_t src_len, uint32_t dst_len);

// Nearest sample of a 16.16 position: rounds up when the top four fraction bits reach 8.
inline uint32_t nearest_index(uint64_t p) {
  return static_cast<uint32_t>((p >> 16) + ((p >> 15) & 1));
}

// The width and height the same-size conversions work on: the smaller of source and destination
// on each axis, so that a kernel called directly with mismatched sizes stays inside both.
struct ConversionSize {
  uint32_t width;
  uint32_t height;
};
ConversionSize conversion_size(const tResizerGeometry& g);

// One YUYV line (Y0 U Y1 V per pair) of `width` pixels into planar lines. U and V may be null,
// dropping the chroma. For an odd width the last pixel gives its luma only.
void yuyv_line_to_planes(const uint8_t* yuyv, uint8_t* y, uint8_t* u, uint8_t* v, uint32_t width);
// Planar lines into one YUYV line. With U and V null only the luma bytes are written. For an odd
// width the last pixel's chroma byte repeats the last U sample.
void planes_to_yuyv_line(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* yuyv,
                         uint32_t width);

// The vertical part of the packed bilinear scalers for one output row at 16.16 position py.
struct PackedRows {
  const uint8_t* upper;
  const uint8_t* lower;
  int32_t v;  // weight of the lower row, 0..1008 in 1024ths
};
PackedRows packed_rows(const uint8_t* src, size_t line_bytes, int64_t py, uint32_t src_height,
                       uint32_t dst_height);

// ((a(64 - h) + bh)(1024 - v) + (c(64 - h) + dh)v + 32768) >> 16: a, b from the upper row.
inline uint8_t packed_blend(int32_t a, int32_t b, int32_t c, int32_t d, int32_t h, int32_t v) {
  return static_cast<uint8_t>(
      ((a * (64 - h) + b * h) * (1024 - v) + (c * (64 - h) + d * h) * v + 32768) >> 16);
}

// Steps of the packed bilinear scalers: x = ((sw << 16) - 0x30000) / (dw - 1) and
// y = ((sh << 16) - 0x10000) / (dh - 1). A negative span (a source under three pixels or of no
// line) or a destination of one sample gives 0, so no position falls before the line start.
int64_t packed_step_x(uint32_t src_width, uint32_t dst_width);
int64_t packed_step_y(uint32_t src_height, uint32_t dst_height);

}  // namespace pf

#endif  // PELFORGE_SOURCE_KERNELS_NEAREST_PACKED_NEAREST_PACKED_HPP_
