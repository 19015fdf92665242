// SPDX-License-Identifier: BSD-2-Clause
// Scalar bilinear kernels of the resizer: the per-plane scaler, the three fixed-point styles
// (planar eighths, 4:2:0 to UYVY eighths with truncation, UYVY source in 64ths and 1024ths) and
// the members that adapt them to field, interlaced and windowed sources.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "bilinear.hpp"
#include "common/fill.hpp"
#include "img_resizer.h"

namespace pf {
namespace {

// ---- Style A: BilinearZoom ----

}  // namespace

// A step whose fraction is below 1/32 (a near-integer ratio, same size included) is re-spread
// over one pixel less, starting half a pixel in, so that the outputs fall between source samples
// instead of on them.
Axis zoom_axis(uint32_t src, uint32_t dst) {
  // One destination sample has no step to divide out, and a one-sample source has nothing to
  // spread (the half-pixel recomputation would wrap below zero): both take the first sample.
  if (dst < 2 || src < 2) return {0, 0};
  const uint32_t step = (src * 65536u - 65536u) / (dst - 1);
  if ((step & 0xF800u) == 0) return {0x8000u, (src * 65536u - 131072u) / (dst - 1)};
  return {0, step};
}

namespace {

// ---- Helpers of the packed styles and of the adapters ----

// Signed 16.16 step of the packed styles; `lead` is the part of the source width that positions
// may not reach. A single output, or a source too narrow for `lead`, keeps every sample on the
// first source position (a negative step would walk off the line's start).
int32_t packed_step(uint32_t src, uint32_t dst, int32_t lead) {
  if (dst < 2) return 0;
  const int32_t span = static_cast<int32_t>(src) * 65536 - lead;
  if (span <= 0) return 0;
  return span / static_cast<int32_t>(dst - 1);
}

// Eighth-phase interpolation between a[i] and a[i1] (weights total 8).
inline uint32_t lerp8(const uint8_t* a, uint32_t i, uint32_t i1, uint32_t phase) {
  return a[i] * (8 - phase) + a[i1] * phase;
}

// Sixty-fourth-phase interpolation of two bytes of one packed line (weights total 64).
inline uint32_t lerp64(const uint8_t* line, size_t b0, size_t b1, uint32_t phase) {
  return line[b0] * (64 - phase) + line[b1] * phase;
}

uint8_t byte(uint32_t v) { return static_cast<uint8_t>(v); }

// Top-left sample of the picture inside a destination addressed at its fill origin.
tImgPicture picture_origin(const tResizerGeometry& g, const tImgPicture& dst, Layout layout) {
  tImgPicture p = dst;
  const size_t top = g.u32FillTop, left = g.u32FillLeft;
  switch (layout) {
    case Layout::k420:
      p.pu8Y += top * dst.u32YPitch + left;
      p.pu8U += (top / 2) * dst.u32UVPitch + left / 2;
      p.pu8V += (top / 2) * dst.u32UVPitch + left / 2;
      break;
    case Layout::k422P:
      p.pu8Y += top * dst.u32YPitch + left;
      p.pu8U += top * dst.u32UVPitch + left / 2;
      p.pu8V += top * dst.u32UVPitch + left / 2;
      break;
    case Layout::kUyvy:
      p.pu8Y += 2 * (top * dst.u32YPitch + left);
      break;
  }
  return p;
}

// Moves every plane of a picture one line down (to its other field when it is interlaced); the
// record's pitches must still be those of the whole picture. `chroma_lines` tells whether a 4:2:0
// source has a second chroma line to move to; a source with a single one lends it to both fields.
void next_line(tImgPicture& p, Layout layout, bool chroma_lines = true) {
  if (layout == Layout::kUyvy) {
    p.pu8Y += 2 * static_cast<size_t>(p.u32YPitch);
    return;
  }
  p.pu8Y += p.u32YPitch;
  if (chroma_lines) {
    p.pu8U += p.u32UVPitch;
    p.pu8V += p.u32UVPitch;
  }
}

void double_pitches(tImgPicture& p) {
  p.u32YPitch *= 2;
  p.u32UVPitch *= 2;
}

// Second field of a 4:2:0 field picture whose whole height is `height` lines.
void second_field_420(tImgPicture& p, uint32_t height) {
  p.pu8Y += static_cast<size_t>(height / 2) * p.u32YPitch;
  p.pu8U += static_cast<size_t>(height / 4) * p.u32UVPitch;
  p.pu8V += static_cast<size_t>(height / 4) * p.u32UVPitch;
}

// Heights and top/bottom fills of one field. Every field-wise member halves the fills with a plain
// shift. For interlaced destinations the 4:2:0 rule ((fill + 3) >> 1) rounded down to even is the
// same number for every fill such a destination accepts (multiples of 4); for the fills of
// 4k + 2 lines that UYVY and 4:2:2 planar interlaced destinations accept it would hand each field
// one line too many and push the bottom band two lines past the painted area, so those fields
// get exactly half of the caller's band instead.
void halve_for_fields(tResizerGeometry& g) {
  g.u32SrcHeight >>= 1;
  g.u32DstHeight >>= 1;
  g.u32FillTop >>= 1;
  g.u32FillBottom >>= 1;
}

// The 704-pixel window 8 pixels into a 720-pixel source line. Other widths (reachable only by
// calling the kernel directly) are used whole rather than read past their end.
void window_704(tResizerGeometry& g, tImgPicture& src, Layout layout) {
  if (g.u32SrcWidth != 720) return;
  g.u32SrcWidth = 704;
  if (layout == Layout::kUyvy) {
    src.pu8Y += 16;
  } else {
    src.pu8Y += 8;
    src.pu8U += 4;
    src.pu8V += 4;
  }
}

}  // namespace

// ---- Style B: planar 4:2:0 into UYVY, eighths, truncating ----

void zoom_420_to_uyvy_c(void*, const tImgPicture& src, uint32_t src_width, uint32_t src_height,
                        uint8_t* dst, size_t dst_stride, uint32_t dst_width, uint32_t dst_height) {
  if (src_width == 0 || src_height == 0) return;
  const int32_t x_step = packed_step(src_width, dst_width, 65536);
  const int32_t y_step = packed_step(src_height, dst_height, 65536);
  const uint32_t last_x = src_width - 1, last_y = src_height - 1;
  const uint32_t chroma_w = std::max(src_width / 2, 1u);
  const uint32_t last_cx = chroma_w - 1, last_cy = chroma_rows_420(src_height) - 1;
  for (uint32_t j = 0; j < dst_height; ++j) {
    const auto y = static_cast<uint32_t>(static_cast<int32_t>(j) * y_step);
    // The style names the next line, column and chroma line even at the plane's last one;
    // such a neighbour is clamped to the last one.
    const uint32_t r = std::min(y >> 16, last_y), r1 = std::min(r + 1, last_y);
    const uint32_t w1 = (y & 0xE000u) >> 13, w0 = 8 - w1;
    const uint32_t cr = std::min(y >> 17, last_cy), cr1 = std::min(cr + 1, last_cy);
    const uint8_t* y0 = src.pu8Y + static_cast<size_t>(r) * src.u32YPitch;
    const uint8_t* y1 = src.pu8Y + static_cast<size_t>(r1) * src.u32YPitch;
    const uint8_t* u0 = src.pu8U + static_cast<size_t>(cr) * src.u32UVPitch;
    const uint8_t* u1 = src.pu8U + static_cast<size_t>(cr1) * src.u32UVPitch;
    const uint8_t* v0 = src.pu8V + static_cast<size_t>(cr) * src.u32UVPitch;
    const uint8_t* v1 = src.pu8V + static_cast<size_t>(cr1) * src.u32UVPitch;
    auto luma = [&](uint32_t x) {
      const uint32_t c = std::min(x >> 16, last_x), c1 = std::min(c + 1, last_x);
      const uint32_t p = (x & 0xE000u) >> 13;
      return byte((lerp8(y0, c, c1, p) * w0 + lerp8(y1, c, c1, p) * w1) >> 6);
    };
    uint8_t* out = dst + j * dst_stride;
    for (uint32_t k = 0; k < dst_width / 2; ++k) {
      const auto x = static_cast<uint32_t>(static_cast<int32_t>(2 * k) * x_step);
      const uint32_t c = std::min(x >> 17, last_cx), c1 = std::min(c + 1, last_cx);
      const uint32_t p = (x & 0x1C000u) >> 14;
      out[4 * k] = byte((lerp8(u0, c, c1, p) * w0 + lerp8(u1, c, c1, p) * w1) >> 6);
      out[4 * k + 1] = luma(x);
      out[4 * k + 2] = byte((lerp8(v0, c, c1, p) * w0 + lerp8(v1, c, c1, p) * w1) >> 6);
      out[4 * k + 3] = luma(x + static_cast<uint32_t>(x_step));
    }
  }
}

// ---- Style C: UYVY source, 64ths across and 1024ths down, rounding ----

namespace {

// One vertical position of a UYVY source: the two lines and the 1024ths weight of the lower.
struct UyvyRows {
  const uint8_t* upper;
  const uint8_t* lower;
  uint32_t q;
};

UyvyRows uyvy_rows(const uint8_t* src, size_t stride, uint32_t src_height, uint32_t y) {
  const uint32_t last = src_height - 1;
  const uint32_t r = std::min(y >> 16, last), r1 = std::min(r + 1, last);
  return {src + r * stride, src + r1 * stride, (y & 0xFC00u) >> 6};
}

// Luma at 16.16 position x: Y bytes of pixels x >> 16 and the next one (clamped).
uint8_t uyvy_luma(const UyvyRows& rows, uint32_t x, uint32_t last_pixel) {
  const uint32_t px = std::min(x >> 16, last_pixel), px1 = std::min(px + 1, last_pixel);
  const uint32_t p = (x & 0xFC00u) >> 10;
  const size_t b0 = 2 * size_t{px} + 1, b1 = 2 * size_t{px1} + 1;
  return byte((lerp64(rows.upper, b0, b1, p) * (1024 - rows.q) +
               lerp64(rows.lower, b0, b1, p) * rows.q + 32768) >>
              16);
}

// Chroma at luma position x (chroma position x / 2): the byte at `offset` (0 for U, 2 for V) of
// pixel pair x >> 17 and of the next pair four bytes on (clamped), phase from bits 11..16 of x.
uint8_t uyvy_chroma(const UyvyRows& rows, uint32_t x, uint32_t last_pair, size_t offset) {
  const uint32_t pair = std::min(x >> 17, last_pair), pair1 = std::min(pair + 1, last_pair);
  const uint32_t p = (x >> 11) & 63u;
  const size_t b0 = 4 * size_t{pair} + offset, b1 = 4 * size_t{pair1} + offset;
  return byte((lerp64(rows.upper, b0, b1, p) * (1024 - rows.q) +
               lerp64(rows.lower, b0, b1, p) * rows.q + 32768) >>
              16);
}

}  // namespace

void zoom_uyvy_to_420_c(void*, const uint8_t* src, size_t src_stride, uint32_t src_width,
                        uint32_t src_height, const tImgPicture& dst, uint32_t dst_width,
                        uint32_t dst_height) {
  if (src_width == 0 || src_height == 0) return;
  // Positions stop three pixels short of the line's end so that a luma position and its right
  // neighbour, and a chroma pair and the next one, stay inside the line.
  const int32_t x_step = packed_step(src_width, dst_width, 196608);
  const int32_t y_step = packed_step(src_height, dst_height, 65536);
  const uint32_t last_pixel = src_width - 1, last_pair = std::max(src_width / 2, 1u) - 1;
  for (uint32_t j = 0; j < dst_height; ++j) {
    const auto y = static_cast<uint32_t>(static_cast<int32_t>(j) * y_step);
    const UyvyRows rows = uyvy_rows(src, src_stride, src_height, y);
    uint8_t* out = dst.pu8Y + static_cast<size_t>(j) * dst.u32YPitch;
    for (uint32_t i = 0; i < dst_width; ++i) {
      out[i] = uyvy_luma(rows, static_cast<uint32_t>(static_cast<int32_t>(i) * x_step), last_pixel);
    }
  }
  // Chroma once per destination line pair, at the pair's first line.
  for (uint32_t m = 0; m < dst_height / 2; ++m) {
    const auto y = static_cast<uint32_t>(static_cast<int32_t>(2 * m) * y_step);
    const UyvyRows rows = uyvy_rows(src, src_stride, src_height, y);
    uint8_t* u = dst.pu8U + static_cast<size_t>(m) * dst.u32UVPitch;
    uint8_t* v = dst.pu8V + static_cast<size_t>(m) * dst.u32UVPitch;
    for (uint32_t i = 0; i < dst_width / 2; ++i) {
      const auto x = static_cast<uint32_t>(static_cast<int32_t>(2 * i) * x_step);
      u[i] = uyvy_chroma(rows, x, last_pair, 0);
      v[i] = uyvy_chroma(rows, x, last_pair, 2);
    }
  }
}

void zoom_uyvy_to_uyvy_c(void*, const uint8_t* src, size_t src_stride, uint32_t src_width,
                         uint32_t src_height, uint8_t* dst, size_t dst_stride, uint32_t dst_width,
                         uint32_t dst_height) {
  if (src_width == 0 || src_height == 0) return;
  const int32_t x_step = packed_step(src_width, dst_width, 196608);
  const int32_t y_step = packed_step(src_height, dst_height, 65536);
  const uint32_t last_pixel = src_width - 1, last_pair = std::max(src_width / 2, 1u) - 1;
  for (uint32_t j = 0; j < dst_height; ++j) {
    const auto y = static_cast<uint32_t>(static_cast<int32_t>(j) * y_step);
    const UyvyRows rows = uyvy_rows(src, src_stride, src_height, y);
    uint8_t* out = dst + j * dst_stride;
    for (uint32_t k = 0; k < dst_width / 2; ++k) {
      const auto x = static_cast<uint32_t>(static_cast<int32_t>(2 * k) * x_step);
      out[4 * k] = uyvy_chroma(rows, x, last_pair, 0);
      out[4 * k + 1] = uyvy_luma(rows, x, last_pixel);
      out[4 * k + 2] = uyvy_chroma(rows, x, last_pair, 2);
      out[4 * k + 3] = uyvy_luma(rows, x + static_cast<uint32_t>(x_step), last_pixel);
    }
  }
}

// ---- Whole-picture kernels ----

void bilinear_420_to_420(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                         const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_420(g, dst);
  const tImgPicture out = picture_origin(g, dst, Layout::k420);
  const uint32_t sw = g.u32SrcWidth, sh = g.u32SrcHeight, dw = g.u32DstWidth, dh = g.u32DstHeight;
  zoom(scratch, src.pu8Y, out.pu8Y, sw, sh, src.u32YPitch, dw, dh, dst.u32YPitch);
  const uint32_t csh = chroma_rows_420(sh);
  zoom(scratch, src.pu8U, out.pu8U, sw / 2, csh, src.u32UVPitch, dw / 2, dh / 2, dst.u32UVPitch);
  zoom(scratch, src.pu8V, out.pu8V, sw / 2, csh, src.u32UVPitch, dw / 2, dh / 2, dst.u32UVPitch);
}

void bilinear_420_to_422p(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_422p(g, dst);
  const tImgPicture out = picture_origin(g, dst, Layout::k422P);
  const uint32_t sw = g.u32SrcWidth, sh = g.u32SrcHeight, dw = g.u32DstWidth, dh = g.u32DstHeight;
  zoom(scratch, src.pu8Y, out.pu8Y, sw, sh, src.u32YPitch, dw, dh, dst.u32YPitch);
  const uint32_t csh = chroma_rows_420(sh);
  zoom(scratch, src.pu8U, out.pu8U, sw / 2, csh, src.u32UVPitch, dw / 2, dh, dst.u32UVPitch);
  zoom(scratch, src.pu8V, out.pu8V, sw / 2, csh, src.u32UVPitch, dw / 2, dh, dst.u32UVPitch);
}

void bilinear_422p_to_420(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_420(g, dst);
  const tImgPicture out = picture_origin(g, dst, Layout::k420);
  const uint32_t sw = g.u32SrcWidth, sh = g.u32SrcHeight, dw = g.u32DstWidth, dh = g.u32DstHeight;
  zoom(scratch, src.pu8Y, out.pu8Y, sw, sh, src.u32YPitch, dw, dh, dst.u32YPitch);
  zoom(scratch, src.pu8U, out.pu8U, sw / 2, sh, src.u32UVPitch, dw / 2, dh / 2, dst.u32UVPitch);
  zoom(scratch, src.pu8V, out.pu8V, sw / 2, sh, src.u32UVPitch, dw / 2, dh / 2, dst.u32UVPitch);
}

void bilinear_422p_to_422p(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                           const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_422p(g, dst);
  const tImgPicture out = picture_origin(g, dst, Layout::k422P);
  const uint32_t sw = g.u32SrcWidth, sh = g.u32SrcHeight, dw = g.u32DstWidth, dh = g.u32DstHeight;
  zoom(scratch, src.pu8Y, out.pu8Y, sw, sh, src.u32YPitch, dw, dh, dst.u32YPitch);
  zoom(scratch, src.pu8U, out.pu8U, sw / 2, sh, src.u32UVPitch, dw / 2, dh, dst.u32UVPitch);
  zoom(scratch, src.pu8V, out.pu8V, sw / 2, sh, src.u32UVPitch, dw / 2, dh, dst.u32UVPitch);
}

void bilinear_420_to_uyvy(Zoom420ToUyvy zoom, void* scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_uyvy(g, dst);
  const tImgPicture out = picture_origin(g, dst, Layout::kUyvy);
  zoom(scratch, src, g.u32SrcWidth, g.u32SrcHeight, out.pu8Y, 2 * size_t{dst.u32YPitch},
       g.u32DstWidth, g.u32DstHeight);
}

void bilinear_uyvy_to_420(ZoomUyvyTo420 zoom, void* scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_420(g, dst);
  const tImgPicture out = picture_origin(g, dst, Layout::k420);
  zoom(scratch, src.pu8Y, 2 * size_t{src.u32YPitch}, g.u32SrcWidth, g.u32SrcHeight, out,
       g.u32DstWidth, g.u32DstHeight);
}

void bilinear_uyvy_to_uyvy(ZoomUyvyToUyvy zoom, void* scratch, const tResizerGeometry& g,
                           const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_uyvy(g, dst);
  const tImgPicture out = picture_origin(g, dst, Layout::kUyvy);
  zoom(scratch, src.pu8Y, 2 * size_t{src.u32YPitch}, g.u32SrcWidth, g.u32SrcHeight, out.pu8Y,
       2 * size_t{dst.u32YPitch}, g.u32DstWidth, g.u32DstHeight);
}

void bilinear_field_to_frame_420(PlaneZoom zoom, void* scratch, const tResizerGeometry& g,
                                 const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_420(g, dst);
  const tImgPicture out = picture_origin(g, dst, Layout::k420);
  const uint32_t sw = g.u32SrcWidth, dw = g.u32DstWidth;
  const uint32_t field_h = g.u32SrcHeight / 2, field_dh = g.u32DstHeight / 2;
  const uint32_t whole_h = g.u32SrcHeight + g.u32CutTop + g.u32CutBottom;
  const uint32_t chroma_dh = g.u32DstHeight / 2;
  const uint32_t yp = 2 * dst.u32YPitch, cp = 2 * dst.u32UVPitch;
  for (uint32_t k = 0; k < 2; ++k) {
    tImgPicture in = src;
    if (k == 1) second_field_420(in, whole_h);
    // The picture's chroma lines alternate between the fields starting with field one; when
    // their count is odd field one takes the extra line, so that every line is written.
    const uint32_t field_cdh = (chroma_dh + 1 - k) / 2;
    const uint32_t csh = chroma_rows_420(field_h);
    zoom(scratch, in.pu8Y, out.pu8Y + k * dst.u32YPitch, sw, field_h, in.u32YPitch, dw, field_dh,
         yp);
    zoom(scratch, in.pu8U, out.pu8U + k * dst.u32UVPitch, sw / 2, csh, in.u32UVPitch, dw / 2,
         field_cdh, cp);
    zoom(scratch, in.pu8V, out.pu8V + k * dst.u32UVPitch, sw / 2, csh, in.u32UVPitch, dw / 2,
         field_cdh, cp);
  }
}

void bilinear_field_to_frame_420_to_uyvy(Zoom420ToUyvy zoom, void* scratch,
                                         const tResizerGeometry& g, const tImgPicture& src,
                                         const tImgPicture& dst) {
  paint_fill_uyvy(g, dst);
  const tImgPicture out = picture_origin(g, dst, Layout::kUyvy);
  const uint32_t whole_h = g.u32SrcHeight + g.u32CutTop + g.u32CutBottom;
  const size_t line = 2 * size_t{dst.u32YPitch};
  for (uint32_t k = 0; k < 2; ++k) {
    tImgPicture in = src;
    if (k == 1) second_field_420(in, whole_h);
    zoom(scratch, in, g.u32SrcWidth, g.u32SrcHeight / 2, out.pu8Y + k * line, 2 * line,
         g.u32DstWidth, g.u32DstHeight / 2);
  }
}

// ---- Adapters ----

void adapt_frame_to_field(tResizerKernel base, Layout src_layout, void** scratch,
                          const tResizerGeometry& g, const tImgPicture& src,
                          const tImgPicture& dst) {
  tResizerGeometry field = g;
  halve_for_fields(field);
  tImgPicture in = src, out = dst;
  double_pitches(in);
  base(scratch, &field, &in, &out);
  in = src;
  next_line(in, src_layout, chroma_rows_420(g.u32SrcHeight) > 1);
  double_pitches(in);
  out = dst;
  second_field_420(out, g.u32DstHeight + g.u32FillTop + g.u32FillBottom);
  base(scratch, &field, &in, &out);
}

void adapt_field_to_field(tResizerKernel base, void** scratch, const tResizerGeometry& g,
                          const tImgPicture& src, const tImgPicture& dst) {
  tResizerGeometry field = g;
  halve_for_fields(field);
  tImgPicture in = src, out = dst;
  base(scratch, &field, &in, &out);
  in = src;
  second_field_420(in, g.u32SrcHeight + g.u32CutTop + g.u32CutBottom);
  out = dst;
  second_field_420(out, g.u32DstHeight + g.u32FillTop + g.u32FillBottom);
  base(scratch, &field, &in, &out);
}

void adapt_interlaced_to_interlaced(tResizerKernel base, Layout src_layout, Layout dst_layout,
                                    void** scratch, const tResizerGeometry& g,
                                    const tImgPicture& src, const tImgPicture& dst) {
  tResizerGeometry field = g;
  halve_for_fields(field);
  tImgPicture in = src, out = dst;
  double_pitches(in);
  double_pitches(out);
  base(scratch, &field, &in, &out);
  in = src;
  out = dst;
  next_line(in, src_layout, src_layout != Layout::k420 || chroma_rows_420(g.u32SrcHeight) > 1);
  next_line(out, dst_layout);
  double_pitches(in);
  double_pitches(out);
  base(scratch, &field, &in, &out);
}

void adapt_interlaced_to_frame(tResizerKernel base, void** scratch, const tResizerGeometry& g,
                               const tImgPicture& src, const tImgPicture& dst) {
  tResizerGeometry field = g;
  field.u32SrcHeight >>= 1;
  tImgPicture in = src, out = dst;
  double_pitches(in);
  base(scratch, &field, &in, &out);
}

}  // namespace pf

using pf::Layout;

extern "C" {

void BilinearZoom_c(void*, const uint8_t* pu8Src, uint8_t* pu8Dst, uint32_t u32SrcWidth,
                    uint32_t u32SrcHeight, uint32_t u32SrcPitch, uint32_t u32DstWidth,
                    uint32_t u32DstHeight, uint32_t u32DstPitch) {
  // A plane without samples (a chroma plane of a one-line destination field) has nothing to
  // write or nothing to read from.
  if (u32SrcWidth == 0 || u32SrcHeight == 0) return;
  const pf::Axis ax = pf::zoom_axis(u32SrcWidth, u32DstWidth);
  const pf::Axis ay = pf::zoom_axis(u32SrcHeight, u32DstHeight);
  for (uint32_t j = 0; j < u32DstHeight; ++j) {
    const uint32_t y = ay.start + j * ay.step;
    const uint32_t wy = ((y & 0xFFFFu) >> 13) * 1024;
    const uint8_t* upper = pu8Src + static_cast<size_t>(y >> 16) * u32SrcPitch;
    const uint8_t* lower = wy != 0 ? upper + u32SrcPitch : upper;
    uint8_t* out = pu8Dst + static_cast<size_t>(j) * u32DstPitch;
    for (uint32_t i = 0; i < u32DstWidth; ++i) {
      const uint32_t x = ax.start + i * ax.step;
      const uint32_t c = x >> 16, fx = (x & 0xFFFFu) >> 13;
      uint32_t a = upper[c] * 8, b = lower[c] * 8;
      if (fx != 0) {
        a = upper[c] * (8 - fx) + upper[c + 1] * fx;
        b = lower[c] * (8 - fx) + lower[c + 1] * fx;
      }
      out[i] = static_cast<uint8_t>((a * (8192 - wy) + b * wy + 32768) >> 16);
    }
  }
}

// ---- Style A, 4:2:0 ----

void GeneralBilinearframetoframe420to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                           tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_420_to_420(BilinearZoom_c, pf::scratch_of(ppvFastScratch), *ptGeometry, *ptSrc,
                          *ptDst);
}

void GeneralBilinearframetofield420to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                           tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_frame_to_field(GeneralBilinearframetoframe420to420_c, Layout::k420, ppvFastScratch,
                           *ptGeometry, *ptSrc, *ptDst);
}

void ConvertCifFrameto720x576FieldFilter_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                           tImgPicture* ptSrc, tImgPicture* ptDst) {
  GeneralBilinearframetofield420to420_c(ppvFastScratch, ptGeometry, ptSrc, ptDst);
}

void GeneralBilinearfieldtofield420to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                           tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_field_to_field(GeneralBilinearframetoframe420to420_c, ppvFastScratch, *ptGeometry,
                           *ptSrc, *ptDst);
}

void GeneralBilinearfieldtoframe420to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                           tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_field_to_frame_420(BilinearZoom_c, pf::scratch_of(ppvFastScratch), *ptGeometry,
                                  *ptSrc, *ptDst);
}

void GeneralBilinearframeItoframeI420to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                             tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(GeneralBilinearframetoframe420to420_c, Layout::k420,
                                     Layout::k420, ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

void GeneralBilinearframeItoframe420to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                            tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(GeneralBilinearframetoframe420to420_c, ppvFastScratch, *ptGeometry,
                                *ptSrc, *ptDst);
}

void GeneralBilinearfieldtoframe420to420ItoF_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                               tImgPicture* ptSrc, tImgPicture* ptDst) {
  tResizerGeometry g = *ptGeometry;
  tImgPicture src = *ptSrc, dst = *ptDst;
  g.u32SrcHeight >>= 1;  // field one only: its lines are contiguous at the normal pitch
  pf::window_704(g, src, Layout::k420);
  GeneralBilinearframetoframe420to420_c(ppvFastScratch, &g, &src, &dst);
}

// ---- Style A, 4:2:2 planar ----

void Bilinearframetoframe420to422P_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                     tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_420_to_422p(BilinearZoom_c, pf::scratch_of(ppvFastScratch), *ptGeometry, *ptSrc,
                           *ptDst);
}

void Bilinearframetoframe422Pto420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                     tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_422p_to_420(BilinearZoom_c, pf::scratch_of(ppvFastScratch), *ptGeometry, *ptSrc,
                           *ptDst);
}

void Bilinearframetoframe422Pto422P_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                      tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_422p_to_422p(BilinearZoom_c, pf::scratch_of(ppvFastScratch), *ptGeometry, *ptSrc,
                            *ptDst);
}

void BilinearframeItoframe420to422P_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                      tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe420to422P_c, ppvFastScratch, *ptGeometry,
                                *ptSrc, *ptDst);
}

void BilinearframeItoframeI420to422P_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                       tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(Bilinearframetoframe420to422P_c, Layout::k420, Layout::k422P,
                                     ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

void BilinearframeItoframe422Pto420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                      tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe422Pto420_c, ppvFastScratch, *ptGeometry,
                                *ptSrc, *ptDst);
}

void BilinearframeItoframe422Pto422P_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                       tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe422Pto422P_c, ppvFastScratch, *ptGeometry,
                                *ptSrc, *ptDst);
}

// ---- Style B ----

void GeneralBilinearframetoframe420to422_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                           tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_420_to_uyvy(pf::zoom_420_to_uyvy_c, pf::scratch_of(ppvFastScratch), *ptGeometry,
                           *ptSrc, *ptDst);
}

void GeneralBilinearfieldtoframe420to422_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                           tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_field_to_frame_420_to_uyvy(pf::zoom_420_to_uyvy_c, pf::scratch_of(ppvFastScratch),
                                          *ptGeometry, *ptSrc, *ptDst);
}

void GeneralBilinearframeItoframeI420to422_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                             tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(GeneralBilinearframetoframe420to422_c, Layout::k420,
                                     Layout::kUyvy, ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

// ---- Style C ----

void Bilinearframetoframe422to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                    tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_uyvy_to_420(pf::zoom_uyvy_to_420_c, pf::scratch_of(ppvFastScratch), *ptGeometry,
                           *ptSrc, *ptDst);
}

void Bilinearframetoframe422to422_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                    tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::bilinear_uyvy_to_uyvy(pf::zoom_uyvy_to_uyvy_c, pf::scratch_of(ppvFastScratch), *ptGeometry,
                            *ptSrc, *ptDst);
}

void Bilinearframetofield422to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                    tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_frame_to_field(Bilinearframetoframe422to420_c, Layout::kUyvy, ppvFastScratch,
                           *ptGeometry, *ptSrc, *ptDst);
}

void BilinearFrameItoFrameI422to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                      tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(Bilinearframetoframe422to420_c, Layout::kUyvy, Layout::k420,
                                     ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

void BilinearFrameItoFrame422to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                     tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe422to420_c, ppvFastScratch, *ptGeometry, *ptSrc,
                                *ptDst);
}

void Bilinearframetoframe422to422ItoI_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                        tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_interlaced(Bilinearframetoframe422to422_c, Layout::kUyvy, Layout::kUyvy,
                                     ppvFastScratch, *ptGeometry, *ptSrc, *ptDst);
}

void Bilinearframetoframe422to422ItoP_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                        tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::adapt_interlaced_to_frame(Bilinearframetoframe422to422_c, ppvFastScratch, *ptGeometry, *ptSrc,
                                *ptDst);
}

void YUV422toYUV420ScaleDown_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                               tImgPicture* ptSrc, tImgPicture* ptDst) {
  tResizerGeometry g = *ptGeometry;
  tImgPicture src = *ptSrc, dst = *ptDst;
  // Even lines only: the first field of an interlaced source, every other line of a frame.
  g.u32SrcHeight >>= 1;
  src.u32YPitch *= 2;
  pf::window_704(g, src, Layout::kUyvy);
  Bilinearframetoframe422to420_c(ppvFastScratch, &g, &src, &dst);
}

void YUV422Width720toYUV420Width352Cut16Point_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                                tImgPicture* ptSrc, tImgPicture* ptDst) {
  tResizerGeometry g = *ptGeometry;
  tImgPicture src = *ptSrc, dst = *ptDst;
  pf::window_704(g, src, Layout::kUyvy);
  if (g.u32DstImageType == PF_IMAGE_FIELD) {
    Bilinearframetofield422to420_c(ppvFastScratch, &g, &src, &dst);
    return;
  }
  g.u32SrcHeight >>= 1;
  src.u32YPitch *= 2;
  Bilinearframetoframe422to420_c(ppvFastScratch, &g, &src, &dst);
}

}  // extern "C"
