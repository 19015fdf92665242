// SPDX-License-Identifier: BSD-2-Clause
// The mosaic kernels as one walk over the windows and their rows of blocks, written once, over
// two line primitives that a SIMD variant replaces with faster ones.
#ifndef PELFORGE_SOURCE_KERNELS_MOSAIC_MOSAIC_HPP_
#define PELFORGE_SOURCE_KERNELS_MOSAIC_MOSAIC_HPP_

#include <cstddef>
#include <cstdint>
#include <span>

#include "dispatch.hpp"
#include "img_mosaic.h"

namespace pf::mosaic {

// Line primitives. `line` points at the window's first sample in a line: its byte for 4:2:0,
// the first byte (chroma) of its pixel for UYVY, whose luma is the byte after. Widths are in
// samples (pixels), at least 1; g is at least 2.
struct LineOps {
  // In one line, each block of g samples (the last one possibly narrower) takes the value of
  // its own first sample.
  void (*fill)(uint8_t* line, size_t width, uint32_t g);
  // Copies the first line's `width` samples to the `count` lines that follow it, `pitch` bytes
  // apart. UYVY lines keep their chroma bytes.
  void (*replicate)(uint8_t* line, std::ptrdiff_t pitch, size_t count, size_t width);
};

extern const LineOps kScalarPlanar;
extern const LineOps kScalarPacked;

// Draws every window of `p` on one picture (or field) whose first line starts at `origin`;
// `halve` takes the windows' tops and heights halved, as a field sees them. Nothing is copied.
void draw_windows(const LineOps& ops, bool packed, bool halve, uint8_t* origin,
                  const tImageMosaicParam& p);

// The copy a kernel starts with when source and destination differ: the picture as one block.
void copy_picture(bool packed, const uint8_t* src, uint8_t* dst, const tImageMosaicParam& p);

// Bytes from a field picture's first line to the first line of its second field.
std::ptrdiff_t second_field(bool packed, const tImageMosaicParam& p);

// The whole kernel: copy_picture, then the windows on the frame or on each field.
void produce(const LineOps& ops, bool packed, bool field, const uint8_t* src, uint8_t* dst,
             const tImageMosaicParam& p);

// The module's kernel manifest, one row per public kernel pointer.
std::span<const KernelRow<tMosaicKernel>> mosaic_kernels();

}  // namespace pf::mosaic

#endif  // PELFORGE_SOURCE_KERNELS_MOSAIC_MOSAIC_HPP_
