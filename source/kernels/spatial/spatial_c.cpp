// SPDX-License-Identifier: BSD-2-Clause
// Scalar spatial kernels: cross, Gaussian with its limit band, sharpen and the vertical 6-tap
// filter. They define every result; the SSE2 variants reproduce them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "spatial/spatial.hpp"

namespace pf::spatial {
namespace {

using std::ptrdiff_t;

uint8_t clamp255(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// ---- Gaussian ----

// A neighbour limited to the band around the centre. The band is taken in full integers: a
// limited neighbour lies between the neighbour and the centre, so it is always a sample value.
inline int16_t limited(int16_t n, int16_t c, int16_t limit) {
  return std::min<int16_t>(std::max<int16_t>(n, static_cast<int16_t>(c - limit)),
                           static_cast<int16_t>(c + limit));
}

// Taps times samples, summed, stay below 128 * 255 = 32640: the sums fit 16 bits, which lets a
// vector hold twice as many of them.
struct Taps16 {
  int16_t tap[9];
};
Taps16 taps16(const int32_t* taps) {
  Taps16 t{};
  for (int k = 0; k < 9; ++k) t.tap[k] = static_cast<int16_t>(taps[k]);
  return t;
}

// Both passes run all nine taps (zero taps add nothing) over whole lines without branches, so
// that the compiler can vectorise them along the line. The horizontal pass reads each line from
// a copy padded with its end samples (in the fast scratch).
void gauss_rows(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst, ptrdiff_t dst_stride,
                int32_t width, int32_t height, const Taps16& taps, int16_t limit, uint8_t* pad) {
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* s = src + y * src_stride;
    std::memset(pad, s[0], 4);
    std::memcpy(pad + 4, s, static_cast<size_t>(width));
    std::memset(pad + 4 + width, s[width - 1], 4);
    uint8_t* d = dst + y * dst_stride;
    for (int32_t x = 0; x < width; ++x) {
      const int16_t c = pad[x + 4];
      int16_t sum = 0;
      for (int32_t k = 0; k < 9; ++k) {
        sum = static_cast<int16_t>(sum + taps.tap[k] * limited(pad[x + k], c, limit));
      }
      d[x] = static_cast<uint8_t>(sum >> 7);
    }
  }
}

void gauss_columns(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst, ptrdiff_t dst_stride,
                   int32_t width, int32_t height, const Taps16& taps, int16_t limit) {
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* rows[9];
    for (int32_t k = 0; k < 9; ++k)
      rows[k] = src + std::clamp(y + k - 4, 0, height - 1) * src_stride;
    uint8_t* d = dst + y * dst_stride;
    for (int32_t x = 0; x < width; ++x) {
      const int16_t c = rows[4][x];
      int16_t sum = 0;
      for (int32_t k = 0; k < 9; ++k) {
        sum = static_cast<int16_t>(sum + taps.tap[k] * limited(rows[k][x], c, limit));
      }
      d[x] = static_cast<uint8_t>(sum >> 7);
    }
  }
}

// ---- Sharpen ----

// h(x): the mean of p(x - 4) .. p(x + 3), end pixels repeated. The mean of bytes never exceeds
// 255, so the box needs no clamp.
void box_line(const uint8_t* line, int32_t width, uint8_t* out) {
  for (int32_t x = 0; x < width; ++x) {
    int32_t sum = 0;
    for (int32_t k = -4; k < 4; ++k) sum += line[std::clamp(x + k, 0, width - 1)];
    out[x] = static_cast<uint8_t>(sum >> 3);
  }
}

void sharp_plane(uint8_t* store, const uint8_t* src, ptrdiff_t src_pitch, uint8_t* dst,
                 ptrdiff_t dst_pitch, int32_t width, int32_t height, int32_t strength) {
  if (width < 1 || height < 1) return;
  // Ring of eight box lines: line l in slot (l + 4) mod 8, so the blur of line y sums all slots.
  auto slot = [&](int32_t l) { return store + static_cast<ptrdiff_t>((l + 4) & 7) * width; };
  const auto bytes = static_cast<size_t>(width);
  box_line(src, width, slot(0));
  for (int32_t l = -4; l < 0; ++l) std::memcpy(slot(l), slot(0), bytes);
  for (int32_t l = 1; l < 4; ++l) {
    if (l < height) {
      box_line(src + l * src_pitch, width, slot(l));
    } else {
      std::memcpy(slot(l), slot(height - 1), bytes);
    }
  }
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* p = src + y * src_pitch;
    uint8_t* out = dst + y * dst_pitch;
    for (int32_t x = 0; x < width; ++x) {
      int32_t sum = 0;
      for (int32_t s = 0; s < 8; ++s) sum += store[s * width + x];
      const int32_t diff = p[x] - (sum >> 3);
      out[x] = clamp255(p[x] + ((diff * strength) >> 8));
    }
    // Line y + 4 takes the slot of line y - 4. It is read from the source before any later
    // line is written, so the destination may be the source; past the bottom the box of the
    // last line is repeated (its source line may be written already).
    const int32_t next = y + 4;
    if (next < height) {
      box_line(src + next * src_pitch, width, slot(next));
    } else {
      std::memcpy(slot(next), slot(height - 1), bytes);
    }
  }
}

// ---- Vertical 6-tap ----

void vertical_plane(uint8_t* ring, int32_t width, int32_t height, ptrdiff_t stride,
                    uint8_t* plane) {
  if (width < 1 || height < 1) return;
  // Input lines are copied into a ring of 16 before the plane is overwritten: line l in slot
  // (l + 4) mod 16; lines beyond the plane read the first or the last one.
  auto slot = [&](int32_t l) {
    return ring + static_cast<ptrdiff_t>((std::clamp(l, 0, height - 1) + 4) & 15) * width;
  };
  int32_t buffered = 0;
  for (int32_t y = 0; y < height; ++y) {
    for (; buffered <= std::min(y + 3, height - 1); ++buffered) {
      std::memcpy(slot(buffered), plane + buffered * stride, static_cast<size_t>(width));
    }
    const uint8_t *a = slot(y - 4), *b = slot(y - 2), *c = slot(y - 1), *d = slot(y),
                  *e = slot(y + 1), *f = slot(y + 3);
    uint8_t* out = plane + y * stride;
    for (int32_t x = 0; x < width; ++x) {
      out[x] =
          clamp255((-3 * a[x] + 12 * b[x] + 23 * c[x] + 23 * d[x] + 12 * e[x] - 3 * f[x]) >> 6);
    }
  }
}

}  // namespace
}  // namespace pf::spatial

extern "C" {

constinit const int32_t l32Coeff[5][9] = {
    {0, 0, 0, 0, 128, 0, 0, 0, 0},    {0, 0, 0, 1, 126, 1, 0, 0, 0},
    {0, 0, 0, 25, 78, 25, 0, 0, 0},   {0, 0, 6, 31, 54, 31, 6, 0, 0},
    {0, 3, 12, 29, 40, 29, 12, 3, 0},
};

void CrossFilter_c(void*, const uint8_t* pu8Src, uint8_t* pu8Dst, int32_t s32Height,
                   int32_t s32Width, int32_t s32SrcStride, int32_t s32DstStride) {
  if (s32Height < 1 || s32Width < 1) return;
  const auto w = static_cast<size_t>(s32Width);
  for (int32_t y = 0; y < s32Height; ++y) {
    const uint8_t* s = pu8Src + static_cast<ptrdiff_t>(y) * s32SrcStride;
    uint8_t* d = pu8Dst + static_cast<ptrdiff_t>(y) * s32DstStride;
    if (y == 0 || y == s32Height - 1) {
      std::memcpy(d, s, w);
      continue;
    }
    const uint8_t* u = s - s32SrcStride;
    const uint8_t* n = s + s32SrcStride;
    const int32_t last = s32Width - 1;
    if (last == 0) {
      // Both side neighbours are missing; the pixel stands in for them.
      d[0] = static_cast<uint8_t>((u[0] + n[0] + 6 * s[0]) >> 3);
      continue;
    }
    d[0] = static_cast<uint8_t>((u[0] + n[0] + 2 * s[1] + 4 * s[0]) >> 3);
    for (int32_t x = 1; x < last; ++x) {
      d[x] = static_cast<uint8_t>((u[x] + n[x] + s[x - 1] + s[x + 1] + 4 * s[x]) >> 3);
    }
    d[last] = static_cast<uint8_t>((u[last] + n[last] + 2 * s[last - 1] + 4 * s[last]) >> 3);
  }
}

void GaussDanymicFilter_c(tImgGaussFilterInstance* ptInstance, const uint8_t* pu8Src,
                          uint8_t* pu8Dst, int32_t s32Width, int32_t s32Height,
                          int32_t s32SrcStride, int32_t s32DstStride, int32_t s32Level,
                          uint8_t u8Limit) {
  if (s32Width < 1 || s32Height < 1) return;
  const pf::spatial::Taps16 taps = pf::spatial::taps16(l32Coeff[std::clamp(s32Level, 0, 4)]);
  const int16_t limit = u8Limit;
  uint8_t* mid = ptInstance->pu8Mediate;
  auto* pad = static_cast<uint8_t*>(ptInstance->pvFastScratch);
  pf::spatial::gauss_rows(pu8Src, s32SrcStride, mid, s32Width, s32Width, s32Height, taps, limit,
                          pad);
  pf::spatial::gauss_columns(mid, s32Width, pu8Dst, s32DstStride, s32Width, s32Height, taps, limit);
}

void ImgSharpYUV420_c(tImgSharpInstance* ptInstance, const tImgPicture* ptSrc,
                      const tImgPicture* ptDst) {
  const tImgSharpParam& p = ptInstance->tParam;
  struct Plane {
    const uint8_t* src;
    uint8_t* dst;
    uint32_t src_pitch, dst_pitch;
    int32_t width, height;
  };
  const Plane planes[3] = {
      {ptSrc->pu8Y, ptDst->pu8Y, ptSrc->u32YPitch, ptDst->u32YPitch, p.s32Width, p.s32Height},
      {ptSrc->pu8U, ptDst->pu8U, ptSrc->u32UVPitch, ptDst->u32UVPitch, p.s32Width / 2,
       p.s32Height / 2},
      {ptSrc->pu8V, ptDst->pu8V, ptSrc->u32UVPitch, ptDst->u32UVPitch, p.s32Width / 2,
       p.s32Height / 2},
  };
  for (const Plane& plane : planes) {
    pf::spatial::sharp_plane(ptInstance->pu8LineStore, plane.src, plane.src_pitch, plane.dst,
                             plane.dst_pitch, plane.width, plane.height, p.s32Strength);
  }
}

void ImageFilterVYUV420Frame_c(uint8_t* pu8Ring, const tImageFilterGeometry* ptGeometry,
                               uint8_t* pu8Plane) {
  pf::spatial::vertical_plane(pu8Ring, ptGeometry->s32Width, ptGeometry->s32Height,
                              ptGeometry->s32Stride, pu8Plane);
}

// Each field is a picture of its own: the first half of the plane's lines, then the rest.
void ImageFilterVYUV420Field_c(uint8_t* pu8Ring, const tImageFilterGeometry* ptGeometry,
                               uint8_t* pu8Plane) {
  const int32_t first = ptGeometry->s32Height / 2;
  pf::spatial::vertical_plane(pu8Ring, ptGeometry->s32Width, first, ptGeometry->s32Stride,
                              pu8Plane);
  pf::spatial::vertical_plane(
      pu8Ring, ptGeometry->s32Width, ptGeometry->s32Height - first, ptGeometry->s32Stride,
      pu8Plane + static_cast<std::ptrdiff_t>(first) * ptGeometry->s32Stride);
}

}  // extern "C"
