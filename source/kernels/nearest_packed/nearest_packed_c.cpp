// SPDX-License-Identifier: BSD-2-Clause
// Scalar nearest-neighbour scalers, YUYV / NV12 / NV21 conversions and the packed and
// semi-planar bilinear scalers of the resizer.
#include <algorithm>
#include <cstring>

#include "common/fill.hpp"
#include "img_resizer.h"
#include "nearest_packed/nearest_packed.hpp"

namespace pf {

AxisStep half_pixel_step(uint32_t src_len, uint32_t dst_len) {
  if (src_len < 2 || dst_len < 2) return {0, 0};
  const uint64_t src = src_len;
  const uint64_t step = ((src << 16) - 0x10000) / (dst_len - 1);
  if ((step & 0xF800) != 0) return {step, 0};
  return {((src << 16) - 0x20000) / (dst_len - 1), 0x8000};
}

ConversionSize conversion_size(const tResizerGeometry& g) {
  return {std::min(g.u32SrcWidth, g.u32DstWidth), std::min(g.u32SrcHeight, g.u32DstHeight)};
}

void yuyv_line_to_planes(const uint8_t* yuyv, uint8_t* y, uint8_t* u, uint8_t* v, uint32_t width) {
  const uint32_t pairs = width / 2;
  for (uint32_t i = 0; i < pairs; ++i) {
    y[2 * i] = yuyv[4 * i];
    y[2 * i + 1] = yuyv[4 * i + 2];
  }
  if (u != nullptr && v != nullptr) {
    for (uint32_t i = 0; i < pairs; ++i) {
      u[i] = yuyv[4 * i + 1];
      v[i] = yuyv[4 * i + 3];
    }
  }
  if (width % 2 != 0) y[width - 1] = yuyv[2 * (width - 1)];
}

void planes_to_yuyv_line(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* yuyv,
                         uint32_t width) {
  const uint32_t pairs = width / 2;
  const bool chroma = u != nullptr && v != nullptr;
  for (uint32_t i = 0; i < pairs; ++i) {
    yuyv[4 * i] = y[2 * i];
    yuyv[4 * i + 2] = y[2 * i + 1];
    if (chroma) {
      yuyv[4 * i + 1] = u[i];
      yuyv[4 * i + 3] = v[i];
    }
  }
  if (width % 2 != 0) {
    yuyv[2 * (width - 1)] = y[width - 1];
    if (chroma && pairs > 0) yuyv[2 * width - 1] = u[pairs - 1];
  }
}

PackedRows packed_rows(const uint8_t* src, size_t line_bytes, int64_t py, uint32_t src_height,
                       uint32_t dst_height) {
  const auto r = static_cast<uint32_t>(py >> 16);
  const auto v = static_cast<int32_t>((py >> 10) & 63) * 16;
  // On source row DH - 1 these kernels blend the row with itself, whatever the scale; that is
  // their established output and is kept bit for bit. Below the last source row the last row
  // is reused: it only happens with weight 0, so the value is the same as reading further.
  const uint32_t lower = (r == dst_height - 1 || r + 1 >= src_height) ? r : r + 1;
  return {src + r * line_bytes, src + lower * line_bytes, v};
}

int64_t packed_step_x(uint32_t src_width, uint32_t dst_width) {
  const int64_t span = (static_cast<int64_t>(src_width) << 16) - 0x30000;
  if (dst_width < 2 || span <= 0) return 0;
  return span / (dst_width - 1);
}

int64_t packed_step_y(uint32_t src_height, uint32_t dst_height) {
  const int64_t span = (static_cast<int64_t>(src_height) << 16) - 0x10000;
  if (dst_height < 2 || span <= 0) return 0;
  return span / (dst_height - 1);
}

namespace {

bool records_ok(const tResizerGeometry* g, const tImgPicture* src, const tImgPicture* dst) {
  return g != nullptr && src != nullptr && dst != nullptr && src->pu8Y != nullptr &&
         dst->pu8Y != nullptr;
}

bool has_chroma(const tImgPicture& pic) { return pic.pu8U != nullptr && pic.pu8V != nullptr; }

uint8_t* at(uint8_t* plane, uint32_t pitch, uint32_t row, uint32_t column) {
  return plane + static_cast<size_t>(row) * pitch + column;
}
const uint8_t* at(const uint8_t* plane, uint32_t pitch, uint32_t row, uint32_t column) {
  return plane + static_cast<size_t>(row) * pitch + column;
}

bool apart(const uint8_t* a, const uint8_t* b, size_t bytes) {
  const auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
  return x < y ? y - x >= bytes : x - y >= bytes;
}

// Rows without gaps on both sides are one run of bytes, and one long copy streams better than a
// copy per row (runs that overlap keep the row loop, whose copies never do).
void copy_plane(const uint8_t* src, uint32_t src_pitch, uint8_t* dst, uint32_t dst_pitch,
                uint32_t width, uint32_t rows) {
  if (width == 0) return;
  const size_t run = static_cast<size_t>(width) * rows;
  if (rows > 1 && src_pitch == width && dst_pitch == width && apart(src, dst, run)) {
    std::memcpy(dst, src, run);
    return;
  }
  for (uint32_t r = 0; r < rows; ++r) {
    std::memcpy(at(dst, dst_pitch, r, 0), at(src, src_pitch, r, 0), width);
  }
}

// Interleaved chroma rows (pairs of bytes) to two planar rows and back, `rows` rows of `pairs`
// pairs. Gapless rows on every side are walked as one long row: the same bytes in the same order,
// in one loop that the compiler vectorizes. Pitches are in bytes.
void deinterleave_rows(const uint8_t* in, uint32_t in_pitch, uint8_t* a, uint8_t* b,
                       uint32_t out_pitch, uint32_t pairs, uint32_t rows) {
  size_t n = pairs;
  if (rows > 1 && in_pitch == 2 * n && out_pitch == n) {
    n *= rows;
    rows = 1;
  }
  for (uint32_t r = 0; r < rows; ++r, in += in_pitch, a += out_pitch, b += out_pitch) {
    for (size_t i = 0; i < n; ++i) {
      a[i] = in[2 * i];
      b[i] = in[2 * i + 1];
    }
  }
}

void interleave_rows(const uint8_t* a, const uint8_t* b, uint32_t in_pitch, uint8_t* out,
                     uint32_t out_pitch, uint32_t pairs, uint32_t rows) {
  size_t n = pairs;
  if (rows > 1 && in_pitch == n && out_pitch == 2 * n) {
    n *= rows;
    rows = 1;
  }
  // Each pair is written as one little-endian 16-bit word: vectorized, the words come out in
  // ascending addresses, where byte-wise writes are vectorized into a store of the upper half of
  // each 32-byte group before its lower half, which this processor family handles at half speed.
  for (uint32_t r = 0; r < rows; ++r, a += in_pitch, b += in_pitch, out += out_pitch) {
    for (size_t i = 0; i < n; ++i) {
      const auto pair = static_cast<uint16_t>(a[i] | (b[i] << 8));
      std::memcpy(out + 2 * i, &pair, 2);
    }
  }
}

// The interleaved chroma plane of a semi-planar record: NV12 keeps it in pu8U, NV21 in pu8V.
const uint8_t* semi_planar_chroma(const tImgPicture& pic, bool nv21) {
  return nv21 ? pic.pu8V : pic.pu8U;
}
uint8_t* semi_planar_chroma(tImgPicture& pic, bool nv21) { return nv21 ? pic.pu8V : pic.pu8U; }

// ---- nearest neighbour ----

enum class ChromaRows { kHalf, kFull };

void nearest_frame(const tResizerGeometry& g, const tImgPicture& src, const tImgPicture& dst,
                   ChromaRows chroma_rows) {
  const uint32_t sw = g.u32SrcWidth, sh = g.u32SrcHeight;
  const uint32_t dw = g.u32DstWidth, dh = g.u32DstHeight;
  NearestZoom_c(src.pu8Y, at(dst.pu8Y, dst.u32YPitch, g.u32FillTop, g.u32FillLeft), sw, sh,
                src.u32YPitch, dw, dh, dst.u32YPitch);
  const bool half = chroma_rows == ChromaRows::kHalf;
  const uint32_t csh = half ? sh / 2 : sh, cdh = half ? dh / 2 : dh;
  const uint32_t top = half ? g.u32FillTop / 2 : g.u32FillTop, left = g.u32FillLeft / 2;
  NearestZoom_c(src.pu8U, at(dst.pu8U, dst.u32UVPitch, top, left), sw / 2, csh, src.u32UVPitch,
                dw / 2, cdh, dst.u32UVPitch);
  NearestZoom_c(src.pu8V, at(dst.pu8V, dst.u32UVPitch, top, left), sw / 2, csh, src.u32UVPitch,
                dw / 2, cdh, dst.u32UVPitch);
}

// ---- semi-planar conversions ----

void nv_to_planar(const tResizerGeometry& g, const tImgPicture& src, const tImgPicture& dst,
                  bool nv21, uint32_t dst_top, uint32_t dst_left) {
  const ConversionSize s = conversion_size(g);
  copy_plane(src.pu8Y, src.u32YPitch, at(dst.pu8Y, dst.u32YPitch, dst_top, dst_left), dst.u32YPitch,
             s.width, s.height);
  uint8_t* first = nv21 ? dst.pu8V : dst.pu8U;
  uint8_t* second = nv21 ? dst.pu8U : dst.pu8V;
  deinterleave_rows(semi_planar_chroma(src, nv21), src.u32UVPitch,
                    at(first, dst.u32UVPitch, dst_top / 2, dst_left / 2),
                    at(second, dst.u32UVPitch, dst_top / 2, dst_left / 2), dst.u32UVPitch,
                    s.width / 2, s.height / 2);
}

void planar_to_nv(const tResizerGeometry& g, const tImgPicture& src, tImgPicture& dst, bool nv21) {
  const ConversionSize s = conversion_size(g);
  copy_plane(src.pu8Y, src.u32YPitch, dst.pu8Y, dst.u32YPitch, s.width, s.height);
  interleave_rows(nv21 ? src.pu8V : src.pu8U, nv21 ? src.pu8U : src.pu8V, src.u32UVPitch,
                  semi_planar_chroma(dst, nv21), dst.u32UVPitch, s.width / 2, s.height / 2);
}

void swap_nv(const tResizerGeometry& g, const tImgPicture& src, tImgPicture& dst, bool src_nv21) {
  const ConversionSize s = conversion_size(g);
  copy_plane(src.pu8Y, src.u32YPitch, dst.pu8Y, dst.u32YPitch, s.width, s.height);
  const uint8_t* in_plane = semi_planar_chroma(src, src_nv21);
  uint8_t* out_plane = semi_planar_chroma(dst, !src_nv21);
  const uint32_t pairs = s.width / 2;
  for (uint32_t k = 0; k < s.height / 2; ++k) {
    const uint8_t* in = at(in_plane, src.u32UVPitch, k, 0);
    uint8_t* out = at(out_plane, dst.u32UVPitch, k, 0);
    for (uint32_t i = 0; i < pairs; ++i) {
      out[2 * i] = in[2 * i + 1];
      out[2 * i + 1] = in[2 * i];
    }
  }
}

// The fill-painting copy behind the frame-to-field kernels, on one field at a time.
void copy_nv_to_420(tResizerGeometry* g, tImgPicture* src, tImgPicture* dst, bool nv21) {
  if (!records_ok(g, src, dst) || !has_chroma(*src) || !has_chroma(*dst)) return;
  paint_fill_420(*g, *dst);
  nv_to_planar(*g, *src, *dst, nv21, g->u32FillTop, g->u32FillLeft);
}

// Even source lines into the destination's first field, odd ones into its second. The halved
// geometry and the moved records are local copies, so the caller's records are never altered.
void frame_to_field_nv(void** scratch, tResizerGeometry* g, tImgPicture* src, tImgPicture* dst,
                       void (*copy)(void**, tResizerGeometry*, tImgPicture*, tImgPicture*)) {
  if (!records_ok(g, src, dst) || !has_chroma(*src) || !has_chroma(*dst)) return;
  const uint32_t dst_total = g->u32DstHeight + g->u32FillTop + g->u32FillBottom;
  tResizerGeometry field = *g;
  field.u32SrcHeight >>= 1;
  field.u32DstHeight >>= 1;
  field.u32FillTop >>= 1;
  field.u32FillBottom >>= 1;
  tImgPicture s = *src;
  s.u32YPitch *= 2;
  s.u32UVPitch *= 2;
  tImgPicture d = *dst;
  copy(scratch, &field, &s, &d);

  s.pu8Y += src->u32YPitch;
  s.pu8U += src->u32UVPitch;
  s.pu8V += src->u32UVPitch;
  const size_t luma_skip = static_cast<size_t>(dst->u32YPitch) * (dst_total / 2);
  const size_t chroma_skip = static_cast<size_t>(dst->u32UVPitch) * (dst_total / 4);
  d.pu8Y += luma_skip;
  d.pu8U += chroma_skip;
  d.pu8V += chroma_skip;
  copy(scratch, &field, &s, &d);
}

// ---- packed bilinear ----

// Luma of a YUYV line pair at 16.16 position px: pixels s and s + 1 (the latter clamped to the
// line; it only matters with weight 0).
uint8_t yuyv_luma(const PackedRows& rows, int64_t px, uint32_t width) {
  const auto s = static_cast<uint32_t>(px >> 16);
  const uint32_t s1 = std::min(s + 1, width - 1);
  const auto h = static_cast<int32_t>((px >> 10) & 63);
  return packed_blend(rows.upper[2 * s], rows.upper[2 * s1], rows.lower[2 * s], rows.lower[2 * s1],
                      h, rows.v);
}

// One chroma component (byte 1 of the pair for U, 3 for V) at position px: pairs c and c + 1.
uint8_t yuyv_chroma(const PackedRows& rows, int64_t px, uint32_t width, uint32_t component) {
  const auto c = static_cast<uint32_t>(px >> 17);
  const uint32_t c1 = std::min(c + 1, width / 2 - 1);
  const auto w = static_cast<int32_t>((px >> 11) & 63);
  const uint32_t a = 4 * c + component, b = 4 * c1 + component;
  return packed_blend(rows.upper[a], rows.upper[b], rows.lower[a], rows.lower[b], w, rows.v);
}

void scale_yuyv_to_yuyv(const tResizerGeometry& g, const tImgPicture& src, const tImgPicture& dst) {
  const uint32_t sw = g.u32SrcWidth, sh = g.u32SrcHeight;
  const uint32_t dw = g.u32DstWidth, dh = g.u32DstHeight;
  if (sw < 2 || sh == 0) return;
  const int64_t sx = packed_step_x(sw, dw), sy = packed_step_y(sh, dh);
  const size_t in_bytes = 2 * static_cast<size_t>(src.u32YPitch);
  const size_t out_bytes = 2 * static_cast<size_t>(dst.u32YPitch);
  uint8_t* out_origin =
      dst.pu8Y + g.u32FillTop * out_bytes + 2 * static_cast<size_t>(g.u32FillLeft);
  for (uint32_t j = 0; j < dh; ++j) {
    const PackedRows rows = packed_rows(src.pu8Y, in_bytes, j * sy, sh, dh);
    uint8_t* out = out_origin + j * out_bytes;
    int64_t px = 0;
    for (uint32_t k = 0; k < dw / 2; ++k, px += 2 * sx) {
      out[4 * k] = yuyv_luma(rows, px, sw);
      out[4 * k + 1] = yuyv_chroma(rows, px, sw, 1);
      out[4 * k + 2] = yuyv_luma(rows, px + sx, sw);
      out[4 * k + 3] = yuyv_chroma(rows, px, sw, 3);
    }
    if (dw % 2 != 0) {
      out[2 * (dw - 1)] = yuyv_luma(rows, px, sw);
      out[2 * dw - 1] = yuyv_chroma(rows, px, sw, 1);
    }
  }
}

// Chroma for NV12 from a YUYV line pair. The two chroma bytes are the ones that follow the luma
// byte of pixel s (offsets 2s + 1 and 2s + 3), blended with the same components one pixel pair
// on. For an odd s those bytes are V then U, so they are swapped to U then V; the U sample then
// comes from the pair after s's own. Neighbours past the line end fall back to the byte itself.
void yuyv_chroma_for_nv12(const PackedRows& rows, int64_t px, uint32_t width, uint8_t* uv) {
  const auto s = static_cast<uint32_t>(px >> 16);
  const auto w = static_cast<int32_t>((px >> 11) & 63);
  const uint32_t line_end = 2 * width;
  uint8_t sample[2];
  for (uint32_t n = 0; n < 2; ++n) {
    const uint32_t a = 2 * s + 1 + 2 * n;
    const uint32_t b = a + 4 < line_end ? a + 4 : a;
    sample[n] = packed_blend(rows.upper[a], rows.upper[b], rows.lower[a], rows.lower[b], w, rows.v);
  }
  const bool odd = (s & 1) != 0;
  uv[0] = odd ? sample[1] : sample[0];
  uv[1] = odd ? sample[0] : sample[1];
}

void scale_yuyv_to_nv12(const tResizerGeometry& g, const tImgPicture& src, const tImgPicture& dst) {
  const uint32_t sw = g.u32SrcWidth, sh = g.u32SrcHeight;
  const uint32_t dw = g.u32DstWidth, dh = g.u32DstHeight;
  if (sw < 2 || sh == 0) return;
  const int64_t sx = packed_step_x(sw, dw), sy = packed_step_y(sh, dh);
  const size_t in_bytes = 2 * static_cast<size_t>(src.u32YPitch);
  uint8_t* luma = at(dst.pu8Y, dst.u32YPitch, g.u32FillTop, g.u32FillLeft);
  uint8_t* chroma = at(dst.pu8U, dst.u32UVPitch, g.u32FillTop / 2, g.u32FillLeft / 2 * 2);
  for (uint32_t j = 0; j < dh; ++j) {
    const PackedRows rows = packed_rows(src.pu8Y, in_bytes, j * sy, sh, dh);
    uint8_t* out = at(luma, dst.u32YPitch, j, 0);
    int64_t px = 0;
    for (uint32_t i = 0; i < dw; ++i, px += sx) out[i] = yuyv_luma(rows, px, sw);
    // Each even line also gives the chroma line of its pair; an odd height's last line has no
    // chroma line to go to.
    if (j % 2 != 0 || j / 2 >= dh / 2) continue;
    uint8_t* uv = at(chroma, dst.u32UVPitch, j / 2, 0);
    px = 0;
    for (uint32_t k = 0; k < dw / 2; ++k, px += 2 * sx) {
      yuyv_chroma_for_nv12(rows, px, sw, uv + 2 * k);
    }
  }
}

// Chroma of NV12 -> NV12 scaling: both components of each pair at once, eighth-pixel phases.
void scale_nv12_chroma(const tResizerGeometry& g, const uint8_t* src, uint32_t src_pitch,
                       uint8_t* dst, uint32_t dst_pitch) {
  const uint32_t sw = g.u32SrcWidth / 2, sh = g.u32SrcHeight / 2;
  const uint32_t dw = g.u32DstWidth / 2, dh = g.u32DstHeight / 2;
  if (sw == 0 || sh == 0) return;
  const AxisStep ax = half_pixel_step(sw, dw), ay = half_pixel_step(sh, dh);
  for (uint32_t j = 0; j < dh; ++j) {
    const uint64_t y = ay.start + j * ay.step;
    const auto u = static_cast<int32_t>((y >> 13) & 7) * 1024;
    const uint8_t* upper = at(src, src_pitch, static_cast<uint32_t>(y >> 16), 0);
    const uint8_t* lower = u != 0 ? upper + src_pitch : upper;
    uint8_t* out = at(dst, dst_pitch, j, 0);
    for (uint32_t i = 0; i < dw; ++i) {
      const uint64_t x = ax.start + i * ax.step;
      const auto c = static_cast<uint32_t>(x >> 16);
      const auto w = static_cast<int32_t>((x >> 13) & 7);
      const uint32_t c1 = w != 0 ? c + 1 : c;  // a weight of 0 reads nothing beyond the line
      for (uint32_t n = 0; n < 2; ++n) {
        const int32_t a = upper[2 * c + n], b = upper[2 * c1 + n];
        const int32_t cc = lower[2 * c + n], d = lower[2 * c1 + n];
        out[2 * i + n] = static_cast<uint8_t>(
            ((a * (8 - w) + b * w) * (8192 - u) + (cc * (8 - w) + d * w) * u + 32768) >> 16);
      }
    }
  }
}

}  // namespace
}  // namespace pf

extern "C" {

void NearestZoom_c(const uint8_t* pu8Src, uint8_t* pu8Dst, uint32_t u32SrcWidth,
                   uint32_t u32SrcHeight, uint32_t u32SrcPitch, uint32_t u32DstWidth,
                   uint32_t u32DstHeight, uint32_t u32DstPitch) {
  if (pu8Src == nullptr || pu8Dst == nullptr || u32SrcWidth == 0 || u32SrcHeight == 0) return;
  const pf::AxisStep ax = pf::half_pixel_step(u32SrcWidth, u32DstWidth);
  const pf::AxisStep ay = pf::half_pixel_step(u32SrcHeight, u32DstHeight);
  for (uint32_t j = 0; j < u32DstHeight; ++j) {
    const uint32_t row = pf::nearest_index(ay.start + j * ay.step);
    const uint8_t* line = pu8Src + static_cast<size_t>(row) * u32SrcPitch;
    uint8_t* out = pu8Dst + static_cast<size_t>(j) * u32DstPitch;
    uint64_t p = ax.start;
    for (uint32_t i = 0; i < u32DstWidth; ++i, p += ax.step) out[i] = line[pf::nearest_index(p)];
  }
}

void Nearestframetoframe420to420_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                   tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptSrc) ||
      !pf::has_chroma(*ptDst)) {
    return;
  }
  pf::paint_fill_420(*ptGeometry, *ptDst);
  pf::nearest_frame(*ptGeometry, *ptSrc, *ptDst, pf::ChromaRows::kHalf);
}

void Nearestframetoframe422Pto422P_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                     tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptSrc) ||
      !pf::has_chroma(*ptDst)) {
    return;
  }
  pf::paint_fill_422p(*ptGeometry, *ptDst);
  pf::nearest_frame(*ptGeometry, *ptSrc, *ptDst, pf::ChromaRows::kFull);
}

// The same-size conversions write the picture at the record origins and ignore the fill widths:
// the resizer chooses them only when there is no border.

void YUYVtoYUV420Conversion_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                              tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptDst)) return;
  const pf::ConversionSize s = pf::conversion_size(*ptGeometry);
  const size_t line_bytes = 2 * static_cast<size_t>(ptSrc->u32YPitch);
  // Chroma comes from the even line of each pair. An odd height's last line keeps only its luma,
  // as the chroma planes have height / 2 lines.
  for (uint32_t row = 0; row < s.height; ++row) {
    const bool chroma = row % 2 == 0 && row / 2 < s.height / 2;
    const uint32_t k = row / 2;
    pf::yuyv_line_to_planes(
        ptSrc->pu8Y + row * line_bytes, pf::at(ptDst->pu8Y, ptDst->u32YPitch, row, 0),
        chroma ? pf::at(ptDst->pu8U, ptDst->u32UVPitch, k, 0) : nullptr,
        chroma ? pf::at(ptDst->pu8V, ptDst->u32UVPitch, k, 0) : nullptr, s.width);
  }
}

void YUV420toYUYVConversion_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                              tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptSrc)) return;
  const pf::ConversionSize s = pf::conversion_size(*ptGeometry);
  const size_t line_bytes = 2 * static_cast<size_t>(ptDst->u32YPitch);
  const uint32_t chroma_rows = s.height / 2;
  for (uint32_t row = 0; row < s.height; ++row) {
    // Each chroma line serves both lines of its pair; an odd height's last line reuses the last
    // chroma line, and a single line, having none, gets its luma only.
    const bool chroma = chroma_rows > 0;
    const uint32_t k = std::min(row / 2, chroma_rows - (chroma ? 1 : 0));
    pf::planes_to_yuyv_line(pf::at(ptSrc->pu8Y, ptSrc->u32YPitch, row, 0),
                            chroma ? pf::at(ptSrc->pu8U, ptSrc->u32UVPitch, k, 0) : nullptr,
                            chroma ? pf::at(ptSrc->pu8V, ptSrc->u32UVPitch, k, 0) : nullptr,
                            ptDst->pu8Y + row * line_bytes, s.width);
  }
}

void YUV420toNV12Conversion_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                              tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptSrc) ||
      !pf::has_chroma(*ptDst)) {
    return;
  }
  pf::planar_to_nv(*ptGeometry, *ptSrc, *ptDst, false);
}

void YUV420toNV21Conversion_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                              tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptSrc) ||
      !pf::has_chroma(*ptDst)) {
    return;
  }
  pf::planar_to_nv(*ptGeometry, *ptSrc, *ptDst, true);
}

void NV12toYUV420Conversion_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                              tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptSrc) ||
      !pf::has_chroma(*ptDst)) {
    return;
  }
  pf::nv_to_planar(*ptGeometry, *ptSrc, *ptDst, false, 0, 0);
}

void NV21toYUV420Conversion_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                              tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptSrc) ||
      !pf::has_chroma(*ptDst)) {
    return;
  }
  pf::nv_to_planar(*ptGeometry, *ptSrc, *ptDst, true, 0, 0);
}

void NV12toNV21Conversion_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                            tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptSrc) ||
      !pf::has_chroma(*ptDst)) {
    return;
  }
  pf::swap_nv(*ptGeometry, *ptSrc, *ptDst, false);
}

void NV21toNV12Conversion_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                            tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || !pf::has_chroma(*ptSrc) ||
      !pf::has_chroma(*ptDst)) {
    return;
  }
  pf::swap_nv(*ptGeometry, *ptSrc, *ptDst, true);
}

void CopyPicNV12to420_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                        tImgPicture* ptDst) {
  pf::copy_nv_to_420(ptGeometry, ptSrc, ptDst, false);
}

void CopyPicNV21to420_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                        tImgPicture* ptDst) {
  pf::copy_nv_to_420(ptGeometry, ptSrc, ptDst, true);
}

void FrametoFieldNV12to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                             tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::frame_to_field_nv(ppvFastScratch, ptGeometry, ptSrc, ptDst, CopyPicNV12to420_c);
}

void FrametoFieldNV21to420_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                             tImgPicture* ptSrc, tImgPicture* ptDst) {
  pf::frame_to_field_nv(ppvFastScratch, ptGeometry, ptSrc, ptDst, CopyPicNV21to420_c);
}

void BilinearframetoframeYUYVtoYUYV_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                      tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst)) return;
  pf::paint_fill_yuyv(*ptGeometry, *ptDst);
  pf::scale_yuyv_to_yuyv(*ptGeometry, *ptSrc, *ptDst);
}

void YUYVtoNV12ConversionAndBilinear_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                       tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || ptDst->pu8U == nullptr) return;
  pf::paint_fill_nv12(*ptGeometry, *ptDst);
  pf::scale_yuyv_to_nv12(*ptGeometry, *ptSrc, *ptDst);
}

void Bilinearframetoframe420SPto420SP_c(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                                        tImgPicture* ptSrc, tImgPicture* ptDst) {
  if (!pf::records_ok(ptGeometry, ptSrc, ptDst) || ptSrc->pu8U == nullptr ||
      ptDst->pu8U == nullptr) {
    return;
  }
  const tResizerGeometry& g = *ptGeometry;
  pf::paint_fill_nv12(g, *ptDst);
  BilinearZoom_c(ppvFastScratch != nullptr ? *ppvFastScratch : nullptr, ptSrc->pu8Y,
                 pf::at(ptDst->pu8Y, ptDst->u32YPitch, g.u32FillTop, g.u32FillLeft), g.u32SrcWidth,
                 g.u32SrcHeight, ptSrc->u32YPitch, g.u32DstWidth, g.u32DstHeight, ptDst->u32YPitch);
  // The chroma picture starts fill left / 2 pairs of two bytes in.
  pf::scale_nv12_chroma(
      g, ptSrc->pu8U, ptSrc->u32UVPitch,
      pf::at(ptDst->pu8U, ptDst->u32UVPitch, g.u32FillTop / 2, g.u32FillLeft / 2 * 2),
      ptDst->u32UVPitch);
}

}  // extern "C"
