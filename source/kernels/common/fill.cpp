// SPDX-License-Identifier: BSD-2-Clause
#include "fill.hpp"

#include <cstring>

namespace pf {

void fill_rows(uint8_t* p, uint32_t pitch, uint32_t width, uint32_t rows, uint8_t value) {
  if (width == 0) return;
  for (uint32_t r = 0; r < rows; ++r, p += pitch) std::memset(p, value, width);
}

void fill_rows_pattern4(uint8_t* p, uint32_t pitch, uint32_t pairs, uint32_t rows,
                        const uint8_t pattern[4]) {
  for (uint32_t r = 0; r < rows; ++r, p += pitch) {
    for (uint32_t i = 0; i < pairs; ++i) std::memcpy(p + 4 * i, pattern, 4);
  }
}

void fill_rows_pattern2(uint8_t* p, uint32_t pitch, uint32_t pairs, uint32_t rows,
                        const uint8_t pattern[2]) {
  for (uint32_t r = 0; r < rows; ++r, p += pitch) {
    for (uint32_t i = 0; i < pairs; ++i) std::memcpy(p + 2 * i, pattern, 2);
  }
}

namespace {

// The four fill bands of one plane, in units of bytes of that plane.
struct Bands {
  uint32_t top, bottom, left, right, width, height;  // width/height: the picture inside
};

void paint_plane(uint8_t* p, uint32_t pitch, const Bands& b, uint8_t value) {
  const uint32_t painted_width = b.left + b.width + b.right;
  fill_rows(p, pitch, painted_width, b.top, value);
  fill_rows(p + static_cast<size_t>(b.top + b.height) * pitch, pitch, painted_width, b.bottom,
            value);
  uint8_t* row = p + static_cast<size_t>(b.top) * pitch;
  fill_rows(row, pitch, b.left, b.height, value);
  fill_rows(row + b.left + b.width, pitch, b.right, b.height, value);
}

// Group patterns: the bands are counted in groups of `group` bytes.
template <int kGroup>
void paint_plane_pattern(uint8_t* p, uint32_t pitch, const Bands& b, const uint8_t* pattern) {
  auto fill = [&](uint8_t* start, uint32_t groups, uint32_t rows) {
    if constexpr (kGroup == 4) {
      fill_rows_pattern4(start, pitch, groups, rows, pattern);
    } else {
      fill_rows_pattern2(start, pitch, groups, rows, pattern);
    }
  };
  const uint32_t painted = b.left + b.width + b.right;
  fill(p, painted, b.top);
  fill(p + static_cast<size_t>(b.top + b.height) * pitch, painted, b.bottom);
  uint8_t* row = p + static_cast<size_t>(b.top) * pitch;
  fill(row, b.left, b.height);
  fill(row + kGroup * (b.left + b.width), b.right, b.height);
}

Bands luma_bands(const tResizerGeometry& g) {
  return {g.u32FillTop,   g.u32FillBottom, g.u32FillLeft,
          g.u32FillRight, g.u32DstWidth,   g.u32DstHeight};
}

uint8_t byte(uint32_t v) { return static_cast<uint8_t>(v); }

}  // namespace

void paint_fill_420(const tResizerGeometry& g, const tImgPicture& dst) {
  paint_plane(dst.pu8Y, dst.u32YPitch, luma_bands(g), byte(g.u32FillY));
  const Bands chroma{g.u32FillTop / 2,   g.u32FillBottom / 2, g.u32FillLeft / 2,
                     g.u32FillRight / 2, g.u32DstWidth / 2,   g.u32DstHeight / 2};
  paint_plane(dst.pu8U, dst.u32UVPitch, chroma, byte(g.u32FillU));
  paint_plane(dst.pu8V, dst.u32UVPitch, chroma, byte(g.u32FillV));
}

void paint_fill_422p(const tResizerGeometry& g, const tImgPicture& dst) {
  paint_plane(dst.pu8Y, dst.u32YPitch, luma_bands(g), byte(g.u32FillY));
  const Bands chroma{g.u32FillTop,       g.u32FillBottom,   g.u32FillLeft / 2,
                     g.u32FillRight / 2, g.u32DstWidth / 2, g.u32DstHeight};
  paint_plane(dst.pu8U, dst.u32UVPitch, chroma, byte(g.u32FillU));
  paint_plane(dst.pu8V, dst.u32UVPitch, chroma, byte(g.u32FillV));
}

namespace {

void paint_packed(const tResizerGeometry& g, const tImgPicture& dst, const uint8_t pattern[4]) {
  // Counted in pixel pairs; the pitch counts pixels of two bytes.
  const Bands pairs{g.u32FillTop,       g.u32FillBottom,   g.u32FillLeft / 2,
                    g.u32FillRight / 2, g.u32DstWidth / 2, g.u32DstHeight};
  paint_plane_pattern<4>(dst.pu8Y, 2 * dst.u32YPitch, pairs, pattern);
}

void paint_semi_planar(const tResizerGeometry& g, const tImgPicture& dst, uint8_t* chroma,
                       const uint8_t pattern[2]) {
  paint_plane(dst.pu8Y, dst.u32YPitch, luma_bands(g), byte(g.u32FillY));
  const Bands pairs{g.u32FillTop / 2,   g.u32FillBottom / 2, g.u32FillLeft / 2,
                    g.u32FillRight / 2, g.u32DstWidth / 2,   g.u32DstHeight / 2};
  paint_plane_pattern<2>(chroma, dst.u32UVPitch, pairs, pattern);
}

}  // namespace

void paint_fill_uyvy(const tResizerGeometry& g, const tImgPicture& dst) {
  const uint8_t pattern[4] = {byte(g.u32FillU), byte(g.u32FillY), byte(g.u32FillV),
                              byte(g.u32FillY)};
  paint_packed(g, dst, pattern);
}

void paint_fill_yuyv(const tResizerGeometry& g, const tImgPicture& dst) {
  const uint8_t pattern[4] = {byte(g.u32FillY), byte(g.u32FillU), byte(g.u32FillY),
                              byte(g.u32FillV)};
  paint_packed(g, dst, pattern);
}

void paint_fill_nv12(const tResizerGeometry& g, const tImgPicture& dst) {
  const uint8_t pattern[2] = {byte(g.u32FillU), byte(g.u32FillV)};
  paint_semi_planar(g, dst, dst.pu8U, pattern);
}

void paint_fill_nv21(const tResizerGeometry& g, const tImgPicture& dst) {
  const uint8_t pattern[2] = {byte(g.u32FillV), byte(g.u32FillU)};
  paint_semi_planar(g, dst, dst.pu8V, pattern);
}

}  // namespace pf
