// SPDX-License-Identifier: BSD-2-Clause
// The mosaic kernels: the walk over windows, rows and blocks, and the scalar line primitives.
#include <algorithm>
#include <cstring>

#include "mosaic/mosaic.hpp"

namespace pf::mosaic {
namespace {

void fill_planar(uint8_t* line, size_t width, uint32_t g) {
  for (size_t c = 0; c < width; c += g) {
    const size_t n = std::min<size_t>(g, width - c);
    std::memset(line + c + 1, line[c], n - 1);
  }
}

void replicate_planar(uint8_t* line, std::ptrdiff_t pitch, size_t count, size_t width) {
  for (size_t k = 1; k <= count; ++k) {
    std::memcpy(line + static_cast<std::ptrdiff_t>(k) * pitch, line, width);
  }
}

// UYVY: luma is every second byte, starting at the byte after the line pointer.
void fill_packed(uint8_t* line, size_t width, uint32_t g) {
  uint8_t* luma = line + 1;
  for (size_t c = 0; c < width; c += g) {
    const size_t n = std::min<size_t>(g, width - c);
    const uint8_t value = luma[2 * c];
    for (size_t i = 1; i < n; ++i) luma[2 * (c + i)] = value;
  }
}

void replicate_packed(uint8_t* line, std::ptrdiff_t pitch, size_t count, size_t width) {
  const uint8_t* first = line + 1;
  for (size_t k = 1; k <= count; ++k) {
    uint8_t* luma = line + 1 + static_cast<std::ptrdiff_t>(k) * pitch;
    for (size_t i = 0; i < width; ++i) luma[2 * i] = first[2 * i];
  }
}

std::ptrdiff_t line_bytes(bool packed, const tImageMosaicParam& p) {
  return static_cast<std::ptrdiff_t>(p.s32YStride) * (packed ? 2 : 1);
}

}  // namespace

constinit const LineOps kScalarPlanar = {fill_planar, replicate_planar};
constinit const LineOps kScalarPacked = {fill_packed, replicate_packed};

void draw_windows(const LineOps& ops, bool packed, bool halve, uint8_t* origin,
                  const tImageMosaicParam& p) {
  const std::ptrdiff_t pitch = line_bytes(packed, p);
  const uint32_t count = std::min<uint32_t>(p.u32MosaicNum, PF_MOSAIC_MAX_WINDOWS);
  for (uint32_t i = 0; i < count; ++i) {
    const tMosaicWindow& w = p.atWindow[i];
    // Blocks of one sample change nothing, and block size 0 switches the window off.
    if (w.s32Granularity < 2 || w.s32Width < 1) continue;
    const uint32_t g = static_cast<uint32_t>(w.s32Granularity);
    const size_t width = static_cast<size_t>(w.s32Width);
    const int32_t top = halve ? w.s32Top / 2 : w.s32Top;
    const int32_t height = halve ? w.s32Height / 2 : w.s32Height;
    uint8_t* first =
        origin + top * pitch + static_cast<std::ptrdiff_t>(w.s32Left) * (packed ? 2 : 1);
    for (int32_t r = 0; r < height; r += w.s32Granularity) {
      const int32_t rows = std::min(w.s32Granularity, height - r);
      uint8_t* line = first + r * pitch;
      ops.fill(line, width, g);
      if (rows > 1) ops.replicate(line, pitch, static_cast<size_t>(rows - 1), width);
    }
  }
}

void copy_picture(bool packed, const uint8_t* src, uint8_t* dst, const tImageMosaicParam& p) {
  if (src == dst) return;
  const size_t area = static_cast<size_t>(p.s32Width) * static_cast<size_t>(p.s32Height);
  // memmove: a host that hands in overlapping buffers gets the source as it was, not a smear.
  std::memmove(dst, src, packed ? 2 * area : area * 3 / 2);
}

std::ptrdiff_t second_field(bool packed, const tImageMosaicParam& p) {
  return (p.s32Height / 2) * line_bytes(packed, p);
}

void produce(const LineOps& ops, bool packed, bool field, const uint8_t* src, uint8_t* dst,
             const tImageMosaicParam& p) {
  copy_picture(packed, src, dst, p);
  if (!field) {
    draw_windows(ops, packed, false, dst, p);
    return;
  }
  draw_windows(ops, packed, true, dst, p);
  draw_windows(ops, packed, true, dst + second_field(packed, p), p);
}

}  // namespace pf::mosaic

extern "C" {

void YUV420FrameProduceMosaic_c(const uint8_t* pu8Src, uint8_t* pu8Dst,
                                const tImageMosaicParam* ptParam) {
  pf::mosaic::produce(pf::mosaic::kScalarPlanar, false, false, pu8Src, pu8Dst, *ptParam);
}

void YUV420FieldProduceMosaic_c(const uint8_t* pu8Src, uint8_t* pu8Dst,
                                const tImageMosaicParam* ptParam) {
  pf::mosaic::produce(pf::mosaic::kScalarPlanar, false, true, pu8Src, pu8Dst, *ptParam);
}

void YUV422FrameProduceMosaic_c(const uint8_t* pu8Src, uint8_t* pu8Dst,
                                const tImageMosaicParam* ptParam) {
  pf::mosaic::produce(pf::mosaic::kScalarPacked, true, false, pu8Src, pu8Dst, *ptParam);
}

void YUV422FieldProduceMosaic_c(const uint8_t* pu8Src, uint8_t* pu8Dst,
                                const tImageMosaicParam* ptParam) {
  pf::mosaic::produce(pf::mosaic::kScalarPacked, true, true, pu8Src, pu8Dst, *ptParam);
}

}  // extern "C"
