// SPDX-License-Identifier: BSD-2-Clause
// Building blocks of the resizer's bilinear kernels, shared by the scalar kernels and their SIMD
// variants: each picture-level kernel is a fill painter plus one or more scaling passes, and the
// field and interlaced members adapt a whole-picture kernel by re-addressing its planes.
#ifndef PELFORGE_SOURCE_KERNELS_BILINEAR_BILINEAR_HPP_
#define PELFORGE_SOURCE_KERNELS_BILINEAR_BILINEAR_HPP_

#include <cstddef>
#include <cstdint>

#include "img_resizer.h"

namespace pf {

// 16.16 start and step of the per-plane bilinear scaler along one axis (BilinearZoom_c's rule).
// A single output or a single input sample keeps every position on the first sample.
struct Axis {
  uint32_t start;
  uint32_t step;
};
Axis zoom_axis(uint32_t src, uint32_t dst);

// Scales one plane (the signature of BilinearZoom_c).
using PlaneZoom = void (*)(void* scratch, const uint8_t* src, uint8_t* dst, uint32_t src_width,
                           uint32_t src_height, uint32_t src_pitch, uint32_t dst_width,
                           uint32_t dst_height, uint32_t dst_pitch);

// Planar 4:2:0 source rectangle (chroma SW/2 x chroma_rows_420(SH)) into packed UYVY lines of
// `dst_stride` bytes; dst addresses the picture's first byte (fill excluded).
using Zoom420ToUyvy = void (*)(void* scratch, const tImgPicture& src, uint32_t src_width,
                               uint32_t src_height, uint8_t* dst, size_t dst_stride,
                               uint32_t dst_width, uint32_t dst_height);
// Packed UYVY source lines of `src_stride` bytes into a planar 4:2:0 picture whose pointers
// address the picture's first samples and whose pitches are taken from the record.
using ZoomUyvyTo420 = void (*)(void* scratch, const uint8_t* src, size_t src_stride,
                               uint32_t src_width, uint32_t src_height, const tImgPicture& dst,
                               uint32_t dst_width, uint32_t dst_height);
// Packed UYVY into packed UYVY.
using ZoomUyvyToUyvy = void (*)(void* scratch, const uint8_t* src, size_t src_stride,
                                uint32_t src_width, uint32_t src_height, uint8_t* dst,
                                size_t dst_stride, uint32_t dst_width, uint32_t dst_height);

// Chroma lines of a 4:2:0 source of `luma_rows` lines. A one-line source (a field split out of a
// two-line picture) still has the chroma line it shares with its partner field; the formula
// luma_rows / 2 would give it none and make the scaler's step meaningless.
constexpr uint32_t chroma_rows_420(uint32_t luma_rows) {
  return luma_rows > 1 ? luma_rows / 2 : luma_rows;
}

// Scalar scaling passes of the packed styles (integer steps in 16.16, see bilinear_c.cpp).
void zoom_420_to_uyvy_c(void* scratch, const tImgPicture& src, uint32_t src_width,
                        uint32_t src_height, uint8_t* dst, size_t dst_stride, uint32_t dst_width,
                        uint32_t dst_height);
void zoom_uyvy_to_420_c(void* scratch, const uint8_t* src, size_t src_stride, uint32_t src_width,
                        uint32_t src_height, const tImgPicture& dst, uint32_t dst_width,
                        uint32_t dst_height);
void zoom_uyvy_to_uyvy_c(void* scratch, const uint8_t* src, size_t src_stride, uint32_t src_width,
                         uint32_t src_height, uint8_t* dst, size_t dst_stride, uint32_t dst_width,
                         uint32_t dst_height);

// The frame-to-frame kernels: paint the fill area of `dst` (addressed at the fill origin), then
// scale the SW x SH source rectangle into the DW x DH picture.
void bilinear_420_to_420(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                         const tImgPicture& src, const tImgPicture& dst);
void bilinear_420_to_422p(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst);
void bilinear_422p_to_420(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst);
void bilinear_422p_to_422p(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                           const tImgPicture& src, const tImgPicture& dst);
void bilinear_420_to_uyvy(Zoom420ToUyvy zoom, void* scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst);
void bilinear_uyvy_to_420(ZoomUyvyTo420 zoom, void* scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst);
void bilinear_uyvy_to_uyvy(ZoomUyvyToUyvy zoom, void* scratch, const tResizerGeometry& g,
                           const tImgPicture& src, const tImgPicture& dst);

// Field picture (4:2:0) into a frame: fill painted once, then each source field of SH/2 lines
// scaled to DH/2 lines written every other destination line (field one first). The picture's
// chroma lines alternate the same way; when their count is odd, field one gets the extra one.
void bilinear_field_to_frame_420(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                                 const tImgPicture& src, const tImgPicture& dst);
void bilinear_field_to_frame_420_to_uyvy(Zoom420ToUyvy zoom, void* scratch,
                                         const tResizerGeometry& g, const tImgPicture& src,
                                         const tImgPicture& dst);

// How a picture's lines are laid out, for moving its planes to the other field.
enum class Layout : uint8_t { k420, k422P, kUyvy };

// Adapters over a whole-picture kernel. They work on copies of the geometry and the two records,
// so the caller's are never changed. Heights and the top and bottom fills are halved for each
// field; `base` paints each field's share of the fill.
//
// Frame -> 4:2:0 field picture: the even source lines into the first field, the odd ones into
// the second.
void adapt_frame_to_field(tResizerKernel base, Layout src_layout, void** scratch,
                          const tResizerGeometry& g, const tImgPicture& src,
                          const tImgPicture& dst);
// 4:2:0 field picture -> 4:2:0 field picture: field one into field one, field two into field two.
void adapt_field_to_field(tResizerKernel base, void** scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst);
// Interlaced -> interlaced: each field on its own (pitches doubled), the second one line down.
void adapt_interlaced_to_interlaced(tResizerKernel base, Layout src_layout, Layout dst_layout,
                                    void** scratch, const tResizerGeometry& g,
                                    const tImgPicture& src, const tImgPicture& dst);
// Interlaced -> frame: only the first source field, scaled to the whole destination.
void adapt_interlaced_to_frame(tResizerKernel base, void** scratch, const tResizerGeometry& g,
                               const tImgPicture& src, const tImgPicture& dst);

// The kernels' scratch argument as the per-plane scalers receive it.
inline void* scratch_of(void** scratch) { return scratch != nullptr ? *scratch : nullptr; }

}  // namespace pf

#endif  // PELFORGE_SOURCE_KERNELS_BILINEAR_BILINEAR_HPP_
