// SPDX-License-Identifier: BSD-2-Clause
// Pieces of the D1 UYVY -> 4:2:0 conversions that their SIMD variants reuse.
#ifndef PELFORGE_SOURCE_KERNELS_D1_D1_HPP_
#define PELFORGE_SOURCE_KERNELS_D1_D1_HPP_

#include <cstdint>

#include "img_resizer.h"

namespace pf {

// One UYVY line (U Y0 V Y1 per pair) of `width` pixels into planar lines; with U and V null the
// chroma is dropped. For an odd width the last pixel gives its luma only.
void uyvy_line_to_planes(const uint8_t* uyvy, uint8_t* y, uint8_t* u, uint8_t* v, uint32_t width);

// The scene-change flag of a converted picture: the means of the width x height luma area and of
// the (width / 2) x (height / 2) chroma areas at the record's plane origins, against the previous
// picture's means kept in the geometry. 1 when the absolute differences sum to 20 or more and
// their sizes relative to the new means, 256 d / (mean + 1) summed, reach 60; else 0. The new
// means replace the stored ones in every case.
uint32_t d1_scene_change(tResizerGeometry& g, const tImgPicture& picture, uint32_t width,
                         uint32_t height);
// The same decision from sums already taken: sum_y over the width x height luma area, sum_u and
// sum_v over the chroma areas. For variants that add the samples up while writing them.
uint32_t d1_scene_change_from_sums(tResizerGeometry& g, uint64_t sum_y, uint64_t sum_u,
                                   uint64_t sum_v, uint32_t width, uint32_t height);

// The kernels' arguments are usable: geometry, both records, the source plane and all three
// destination planes present.
bool d1_records_ok(const tResizerGeometry* g, const tImgPicture* src, const tImgPicture* dst);

// The converted size: the smaller of source and destination on each axis, so that a kernel
// called directly with mismatched sizes stays inside both pictures.
uint32_t d1_width(const tResizerGeometry& g);
uint32_t d1_height(const tResizerGeometry& g);

// Plane origins of the destination's second field: half the luma lines and a quarter of the
// chroma lines of the destination (fill lines included) below the first.
struct D1Planes {
  uint8_t* y;
  uint8_t* u;
  uint8_t* v;
};
D1Planes d1_second_field(const tResizerGeometry& g, const tImgPicture& dst);

// Field picture to field picture: each field converted on its own like a frame of half the
// lines, with `split` (uyvy_line_to_planes or a faster twin) turning one line into planes.
using UyvyLineSplit = void (*)(const uint8_t* uyvy, uint8_t* y, uint8_t* u, uint8_t* v,
                               uint32_t width);
void d1_field_to_field(UyvyLineSplit split, const tResizerGeometry& g, const tImgPicture& src,
                       const tImgPicture& dst);

}  // namespace pf

#endif  // PELFORGE_SOURCE_KERNELS_D1_D1_HPP_
