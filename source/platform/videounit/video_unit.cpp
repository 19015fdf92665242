// SPDX-License-Identifier: BSD-2-Clause
// The video codec unit library: the RGB-to-YUV converters.
#include "video_unit.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

struct Bgr {
  int b, g, r;
};

// Right shifts of negative sums are arithmetic on every compiler we build with (and defined so
// from C++20 on), which is what the chroma formulas need.
uint8_t luma(const Bgr& p) {
  return static_cast<uint8_t>((76 * p.r + 150 * p.g + 29 * p.b + 128) >> 8);
}
uint8_t chroma_u(const Bgr& p) {
  return static_cast<uint8_t>(std::min(((-43 * p.r - 84 * p.g + 128 * p.b + 128) >> 8) + 128, 255));
}
uint8_t chroma_v(const Bgr& p) {
  return static_cast<uint8_t>(std::min(((128 * p.r - 107 * p.g - 20 * p.b + 128) >> 8) + 128, 255));
}

template <int kBytes>
uint32_t convert(const uint8_t* src, int32_t src_stride, uint8_t* y_plane, uint8_t* u_plane,
                 uint8_t* v_plane, int32_t y_pitch, int32_t uv_pitch, int32_t width, int32_t height,
                 uint32_t bottom_up) {
  if (src == nullptr || y_plane == nullptr || u_plane == nullptr || v_plane == nullptr ||
      width <= 0 || height <= 0 || width % 2 != 0 || height % 2 != 0) {
    return VIDEOUNIT_ERR_ARGUMENT;
  }
  auto row_of = [&](int32_t y) {
    const ptrdiff_t stored = bottom_up != 0 ? height - 1 - y : y;
    return src + stored * src_stride;
  };
  auto pixel = [](const uint8_t* row, int32_t x) {
    const uint8_t* p = row + static_cast<ptrdiff_t>(x) * kBytes;
    return Bgr{p[0], p[1], p[2]};
  };
  for (int32_t y = 0; y < height; y += 2) {
    const uint8_t* top = row_of(y);
    const uint8_t* bottom = row_of(y + 1);
    uint8_t* y_top = y_plane + static_cast<ptrdiff_t>(y) * y_pitch;
    uint8_t* y_bottom = y_top + y_pitch;
    uint8_t* u_row = u_plane + static_cast<ptrdiff_t>(y / 2) * uv_pitch;
    uint8_t* v_row = v_plane + static_cast<ptrdiff_t>(y / 2) * uv_pitch;
    for (int32_t x = 0; x < width; x += 2) {
      const Bgr top_left = pixel(top, x);
      y_top[x] = luma(top_left);
      y_top[x + 1] = luma(pixel(top, x + 1));
      y_bottom[x] = luma(pixel(bottom, x));
      y_bottom[x + 1] = luma(pixel(bottom, x + 1));
      u_row[x / 2] = chroma_u(top_left);
      v_row[x / 2] = chroma_v(top_left);
    }
  }
  return VIDEOUNIT_OK;
}

}  // namespace

extern "C" uint32_t bgr_to_yv12_mmx(const uint8_t* pu8Bgr, int32_t s32SrcStride, uint8_t* pu8Y,
                                    uint8_t* pu8U, uint8_t* pu8V, int32_t s32YPitch,
                                    int32_t s32UVPitch, int32_t s32Width, int32_t s32Height,
                                    uint32_t u32BottomUp, const void* /*pvParam*/) {
  return convert<3>(pu8Bgr, s32SrcStride, pu8Y, pu8U, pu8V, s32YPitch, s32UVPitch, s32Width,
                    s32Height, u32BottomUp);
}

extern "C" uint32_t bgra_to_yv12_mmx(const uint8_t* pu8Bgra, int32_t s32SrcStride, uint8_t* pu8Y,
                                     uint8_t* pu8U, uint8_t* pu8V, int32_t s32YPitch,
                                     int32_t s32UVPitch, int32_t s32Width, int32_t s32Height,
                                     uint32_t u32BottomUp, const void* /*pvParam*/) {
  return convert<4>(pu8Bgra, s32SrcStride, pu8Y, pu8U, pu8V, s32YPitch, s32UVPitch, s32Width,
                    s32Height, u32BottomUp);
}
