// SPDX-License-Identifier: BSD-2-Clause
// The copy and re-layout kernels as compositions over a few row primitives: a SIMD variant
// supplies faster rows and reuses the fill painting and field bookkeeping written here once.
#ifndef PELFORGE_SOURCE_KERNELS_COPY_COPY_HPP_
#define PELFORGE_SOURCE_KERNELS_COPY_COPY_HPP_

#include <cstddef>
#include <cstdint>

#include "img_resizer.h"

namespace pf::copy {

// Row primitives. Counts are bytes (copy) or pixel pairs (the UYVY rows); rows never overlap.
struct RowOps {
  // dst[i] = src[i] for i < bytes.
  void (*copy)(const uint8_t* src, uint8_t* dst, uint32_t bytes);
  // copy() on `rows` rows, row r from src + r * src_step to dst + r * dst_step. One call for a
  // whole plane keeps the per-row work in the primitive's own loop.
  void (*copy_rows)(const uint8_t* src, std::ptrdiff_t src_step, uint8_t* dst,
                    std::ptrdiff_t dst_step, uint32_t bytes, uint32_t rows);
  // out[4i], out[4i+1], out[4i+2], out[4i+3] = u[i], y[2i], v[i], y[2i+1] for i < pairs.
  void (*pack_uyvy)(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                    uint32_t pairs);
  // y[2i], y[2i+1] = in[4i+1], in[4i+3] for i < pairs.
  void (*uyvy_luma)(const uint8_t* in, uint8_t* y, uint32_t pairs);
  // u[i], v[i] = in[4i], in[4i+2] for i < pairs.
  void (*uyvy_chroma)(const uint8_t* in, uint8_t* u, uint8_t* v, uint32_t pairs);
};

// The plain C++ rows behind the _c kernels. The UYVY rows are named so that a SIMD row table
// can take the ones it does not replace at compile time.
extern const RowOps kScalarRows;
void pack_uyvy_row(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                   uint32_t pairs);
void uyvy_luma_row(const uint8_t* in, uint8_t* y, uint32_t pairs);
void uyvy_chroma_row(const uint8_t* in, uint8_t* u, uint8_t* v, uint32_t pairs);

// One composition per kernel of the family, with the contract of the exported kernel of the
// same name (CopyPic420to420_c, ...). They read the geometry and the records and change neither.
using Composition = void (*)(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                             const tImgPicture& dst);

void copy_pic_420_to_420(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                         const tImgPicture& dst);
void frame_to_field_420_to_420(const RowOps& rows, const tResizerGeometry& g,
                               const tImgPicture& src, const tImgPicture& dst);
void field_to_field_420_to_420(const RowOps& rows, const tResizerGeometry& g,
                               const tImgPicture& src, const tImgPicture& dst);
void field_to_frame_420_to_420(const RowOps& rows, const tResizerGeometry& g,
                               const tImgPicture& src, const tImgPicture& dst);
void frame_to_frame_420_to_uyvy(const RowOps& rows, const tResizerGeometry& g,
                                const tImgPicture& src, const tImgPicture& dst);
void field_to_frame_420_to_uyvy(const RowOps& rows, const tResizerGeometry& g,
                                const tImgPicture& src, const tImgPicture& dst);
void frame_to_frame_uyvy_to_420(const RowOps& rows, const tResizerGeometry& g,
                                const tImgPicture& src, const tImgPicture& dst);
void frame_to_field_uyvy_to_420(const RowOps& rows, const tResizerGeometry& g,
                                const tImgPicture& src, const tImgPicture& dst);
void copy_pic_uyvy_to_uyvy(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                           const tImgPicture& dst);
void copy_pic_420_to_422p(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                          const tImgPicture& dst);
void copy_pic_420i_to_422pi(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                            const tImgPicture& dst);
void copy_pic_420_field_to_422pi(const RowOps& rows, const tResizerGeometry& g,
                                 const tImgPicture& src, const tImgPicture& dst);
void copy_pic_422p_to_420(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                          const tImgPicture& dst);
void copy_pic_422p_to_422p(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                           const tImgPicture& dst);

// Runs a composition behind a kernel entry point; a null argument makes the call do nothing.
// Defined out of line so that no ISA-specific copy of it can be picked by the linker.
void run(Composition composition, const RowOps& rows, const tResizerGeometry* g,
         const tImgPicture* src, const tImgPicture* dst);

}  // namespace pf::copy

// Defines the exported kernel `name` as `composition` over the row table `rows` (scalar or a
// SIMD one). Nothing is scaled, so no line is buffered and the fast scratch is not used.
#define PF_COPY_KERNEL(name, composition, rows)                                             \
  void name(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc, tImgPicture* ptDst) { \
    pf::copy::run(pf::copy::composition, rows, ptGeometry, ptSrc, ptDst);                   \
  }

#endif  // PELFORGE_SOURCE_KERNELS_COPY_COPY_HPP_
