// SPDX-License-Identifier: BSD-2-Clause
// Painting the fill area around the picture a resizer kernel writes. The destination record's
// plane pointers address the top-left corner of the fill area; the geometry gives the fill
// widths, the picture size DW x DH and the colour. Only the fill area is written.
#ifndef PELFORGE_SOURCE_KERNELS_COMMON_FILL_HPP_
#define PELFORGE_SOURCE_KERNELS_COMMON_FILL_HPP_

#include <cstdint>

#include "img_resizer.h"

namespace pf {

// 4:2:0 planar (420 and 4202): luma, then U and V at half width and half height. The chroma row
// and column counts are the luma ones halved (fill top / 2 rows, DH / 2 picture rows, ...).
void paint_fill_420(const tResizerGeometry& g, const tImgPicture& dst);
// 4:2:2 planar: chroma at half width and full height.
void paint_fill_422p(const tResizerGeometry& g, const tImgPicture& dst);
// Packed UYVY (code 422): pixel pairs U Y V Y; the luma pitch counts pixels.
void paint_fill_uyvy(const tResizerGeometry& g, const tImgPicture& dst);
// Packed YUYV (code 4201): pixel pairs Y U Y V; the luma pitch counts pixels.
void paint_fill_yuyv(const tResizerGeometry& g, const tImgPicture& dst);
// Semi-planar: luma, then one chroma plane of U V pairs (NV12) or V U pairs (NV21) at half
// height, addressed through the record's first chroma pointer of that order.
void paint_fill_nv12(const tResizerGeometry& g, const tImgPicture& dst);
void paint_fill_nv21(const tResizerGeometry& g, const tImgPicture& dst);

// Fills `rows` rows of `width` bytes starting at p, `pitch` bytes apart, with `value`.
void fill_rows(uint8_t* p, uint32_t pitch, uint32_t width, uint32_t rows, uint8_t value);
// Fills `rows` rows of `pairs` repetitions of the 4-byte group starting at p.
void fill_rows_pattern4(uint8_t* p, uint32_t pitch, uint32_t pairs, uint32_t rows,
                        const uint8_t pattern[4]);
// Fills `rows` rows of `pairs` repetitions of the 2-byte group starting at p.
void fill_rows_pattern2(uint8_t* p, uint32_t pitch, uint32_t pairs, uint32_t rows,
                        const uint8_t pattern[2]);

}  // namespace pf

#endif  // PELFORGE_SOURCE_KERNELS_COMMON_FILL_HPP_
