// SPDX-License-Identifier: BSD-2-Clause
// PAL/NTSC change: the walk over planes, fields and bands, and the scalar kernels.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "img_pnchange.h"
#include "pnchange/pnchange.hpp"

namespace pf {
namespace {

struct Plane {
  uint8_t* src;
  uint8_t* dst;
  size_t line_bytes;
  uint32_t pal_lines;  // of the whole picture, both fields
  uint32_t black;
};

// Lines are `line_bytes` apart, so a run of lines is one contiguous block: a band is one fill and
// the kept lines one move. Moving the block as memmove does gives the result of the line-by-line
// order (forward for P to N, backward for N to P in one buffer) without depending on it.
void convert_plane(const Plane& plane, uint32_t fields, PnDirection direction, bool one_buffer,
                   const PnByteOps& ops) {
  const uint32_t pal = plane.pal_lines / fields;
  const uint32_t ntsc = pal * kNtscLines / kPalLines;
  const uint32_t band = (pal - ntsc) / 2;
  const size_t lb = plane.line_bytes;
  for (uint32_t f = 0; f < fields; ++f) {
    if (direction == PnDirection::kPalToNtsc) {
      uint8_t* dst = plane.dst + f * ntsc * lb;
      const uint8_t* src = plane.src + f * pal * lb;
      ops.move(dst, src + band * lb, ntsc * lb);
      continue;
    }
    uint8_t* dst = plane.dst + f * pal * lb;
    const uint8_t* src = plane.src + f * ntsc * lb;
    if (one_buffer) {
      // The source lines may lie where the top band goes: move them out of the way first.
      ops.move(dst + band * lb, src, ntsc * lb);
      ops.fill(dst, band * lb, plane.black);
    } else {
      ops.fill(dst, band * lb, plane.black);
      ops.move(dst + band * lb, src, ntsc * lb);
    }
    ops.fill(dst + (band + ntsc) * lb, band * lb, plane.black);
  }
}

void move_c(uint8_t* dst, const uint8_t* src, size_t bytes) { std::memmove(dst, src, bytes); }

void fill_c(uint8_t* dst, size_t bytes, uint32_t pattern) {
  if (pattern == (pattern & 0xFFu) * 0x01010101u) {
    std::memset(dst, static_cast<int>(pattern & 0xFFu), bytes);
    return;
  }
  // A repeating pattern: one period, then the filled part doubled until the band is full.
  size_t done = bytes < 4 ? bytes : 4;
  for (size_t i = 0; i < done; ++i) dst[i] = static_cast<uint8_t>(pattern >> (8 * i));
  while (done < bytes) {
    const size_t n = done < bytes - done ? done : bytes - done;
    std::memcpy(dst + done, dst, n);
    done += n;
  }
}

constexpr PnByteOps kScalarOps{move_c, fill_c};

}  // namespace

void pn_change(const PnKernelShape& shape, const tImagePNChangePicture& src,
               const tImagePNChangePicture& dst, const PnByteOps& ops) {
  if (shape.layout == PnLayout::kUyvyFrame) {
    convert_plane({src.pu8Y, dst.pu8Y, 2u * shape.width, kPalLines, kBlackUyvy}, 1, shape.direction,
                  shape.one_buffer, ops);
    return;
  }
  const uint32_t fields = shape.layout == PnLayout::k420Field ? 2 : 1;
  const Plane planes[] = {
      {src.pu8Y, dst.pu8Y, shape.width, kPalLines, kBlackLuma},
      {src.pu8U, dst.pu8U, shape.width / 2, kPalLines / 2, kBlackChroma},
      {src.pu8V, dst.pu8V, shape.width / 2, kPalLines / 2, kBlackChroma},
  };
  for (const Plane& plane : planes)
    convert_plane(plane, fields, shape.direction, shape.one_buffer, ops);
}

}  // namespace pf

extern "C" {

#define PF_PN_SCALAR(name, ...)                                                           \
  void name##_c(const tImagePNChangePicture* ptSrc, const tImagePNChangePicture* ptDst) { \
    pf::pn_change(pf::k##name##Shape, *ptSrc, *ptDst, pf::kScalarOps);                    \
  }
PF_PN_KERNEL_SPECS(PF_PN_SCALAR)
#undef PF_PN_SCALAR

}  // extern "C"
