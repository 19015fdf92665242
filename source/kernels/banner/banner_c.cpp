// SPDX-License-Identifier: BSD-2-Clause
// Scalar rectangle kernels, the plain rectangle fill of the composition modules, and the one
// composition every rectangle kernel (scalar or SIMD) runs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "banner/banner.hpp"
#include "img_banner.h"

namespace pf::banner {
namespace {

// A uniform colour is a memset; a mixed pattern goes out a whole 4-byte pattern at a time.
void fill_row(uint8_t* dst, uint32_t bytes, const uint8_t (&pattern)[4]) {
  if (pattern[0] == pattern[1] && pattern[0] == pattern[2] && pattern[0] == pattern[3]) {
    std::memset(dst, pattern[0], bytes);
    return;
  }
  uint32_t i = 0;
  for (; i + 4 <= bytes; i += 4) std::memcpy(dst + i, pattern, 4);
  for (; i < bytes; ++i) dst[i] = pattern[i & 3];
}

void blend_row(uint8_t* dst, uint32_t bytes, const uint8_t (&pattern)[4], uint32_t opacity) {
  const uint32_t keep = 255 - opacity;
  for (uint32_t i = 0; i < bytes; ++i) {
    dst[i] = static_cast<uint8_t>((dst[i] * keep + pattern[i & 3] * opacity) >> 8);
  }
}

// A plane of `rows` rows in field-separated storage holds frame row r in field r & 1 at row
// r >> 1 of that field; the first field takes the plane's first rows / 2 rows, the second the
// rest. When the plane's height does not split evenly (a 4:2:0 field picture whose height is no
// multiple of 4), a row that would fall outside its field's part is not drawn: it has no place
// of its own and would overwrite a row of the other field.
struct PlaneRows {
  uint8_t* plane;
  ptrdiff_t pitch;
  int32_t rows;
  bool field;

  uint8_t* row(int32_t r) const {
    if (!field) return plane + r * pitch;
    const int32_t half = rows / 2, in_field = r >> 1;
    if ((r & 1) == 0) return in_field < half ? plane + in_field * pitch : nullptr;
    return in_field < rows - half ? plane + (half + in_field) * pitch : nullptr;
  }
};

// Paints `count` frame rows from `first`, `bytes` bytes each from byte `offset` of the row.
void paint(const RowOps& rows, bool opaque, uint8_t opacity, const PlaneRows& plane, int32_t first,
           int32_t count, ptrdiff_t offset, uint32_t bytes, const uint8_t (&pattern)[4]) {
  if (bytes == 0) return;
  for (int32_t r = first; r < first + count; ++r) {
    uint8_t* dst = plane.row(r);
    if (dst == nullptr) continue;
    if (opaque) {
      rows.fill(dst + offset, bytes, pattern);
    } else {
      rows.blend(dst + offset, bytes, pattern, opacity);
    }
  }
}

}  // namespace

const RowOps kScalarRows = {fill_row, blend_row};

Yuv rgb_to_yuv(uint8_t r, uint8_t g, uint8_t b) {
  const int32_t y = (76 * r + 150 * g + 29 * b + 128) >> 8;
  const int32_t u = std::min(((-43 * r - 84 * g + 128 * b + 128) >> 8) + 128, 255);
  const int32_t v = std::min(((128 * r - 107 * g - 20 * b + 128) >> 8) + 128, 255);
  return {static_cast<uint8_t>(y), static_cast<uint8_t>(u), static_cast<uint8_t>(v)};
}

void draw(const RowOps& rows, Shape shape, const tImgPicture* picture,
          const tBannerInstance* banner, uint8_t opacity) {
  if (picture == nullptr || banner == nullptr) return;
  const int32_t top = banner->s32DrawTop, left = banner->s32DrawLeft;
  const int32_t width = banner->s32DrawWidth, height = banner->s32DrawHeight;
  if (width <= 0 || height <= 0) return;
  const bool field = shape.field, opaque = shape.opaque;
  const int32_t rows_y = banner->s32BgHeight, rows_c = banner->s32BgHeight / 2;
  const ptrdiff_t y_pitch = picture->u32YPitch, uv_pitch = picture->u32UVPitch;
  const uint8_t y = banner->u8Y, u = banner->u8U, v = banner->u8V;
  const auto w = static_cast<uint32_t>(width);
  switch (shape.layout) {
    case Layout::kPlanar420:
      paint(rows, opaque, opacity, {picture->pu8Y, y_pitch, rows_y, field}, top, height, left, w,
            {y, y, y, y});
      paint(rows, opaque, opacity, {picture->pu8U, uv_pitch, rows_c, field}, top / 2, height / 2,
            left / 2, w / 2, {u, u, u, u});
      paint(rows, opaque, opacity, {picture->pu8V, uv_pitch, rows_c, field}, top / 2, height / 2,
            left / 2, w / 2, {v, v, v, v});
      break;
    case Layout::kNv12:
      paint(rows, opaque, opacity, {picture->pu8Y, y_pitch, rows_y, field}, top, height, left, w,
            {y, y, y, y});
      paint(rows, opaque, opacity, {picture->pu8U, uv_pitch, rows_c, field}, top / 2, height / 2,
            left, w, {u, v, u, v});
      break;
    case Layout::kPacked: {
      // Packed pitches count pixels: a line is two bytes per pixel. Left and width are even, so
      // every row starts on a whole pixel pair.
      uint8_t pattern[4] = {u, y, v, y};
      if (banner->u32YuvType == PF_YUV_YUYV) {
        pattern[0] = y, pattern[1] = u, pattern[2] = y, pattern[3] = v;
      }
      paint(rows, opaque, opacity, {picture->pu8Y, 2 * y_pitch, rows_y, field}, top, height,
            2 * static_cast<ptrdiff_t>(left), 2 * w, pattern);
      break;
    }
  }
}

void DrawYUV420AndYUV422PBanner(const tDrawBannerPicture& picture, int32_t top, int32_t left,
                                int32_t width, int32_t height, Yuv colour) {
  const bool field = picture.u32ImageType != PF_IMAGE_FRAME;
  const int32_t rows_y = picture.s32Height;
  const ptrdiff_t y_pitch = picture.s32YPitch, uv_pitch = picture.s32UVPitch;
  const RowOps& rows = kScalarRows;
  const uint8_t y = colour.y, u = colour.u, v = colour.v;
  paint(rows, true, 255, {picture.pu8Y, y_pitch, rows_y, field}, top, height, left,
        static_cast<uint32_t>(width), {y, y, y, y});
  const auto chroma_width = static_cast<uint32_t>(width / 2);
  if (picture.u32YuvType == PF_YUV_420) {
    for (auto [plane, c] : {std::pair{picture.pu8U, u}, std::pair{picture.pu8V, v}}) {
      paint(rows, true, 255, {plane, uv_pitch, rows_y / 2, field}, top / 2, height / 2, left / 2,
            chroma_width, {c, c, c, c});
    }
  } else if (picture.u32YuvType == PF_YUV_422P) {
    for (auto [plane, c] : {std::pair{picture.pu8U, u}, std::pair{picture.pu8V, v}}) {
      paint(rows, true, 255, {plane, uv_pitch, rows_y, field}, top, height, left / 2, chroma_width,
            {c, c, c, c});
    }
  }
}

}  // namespace pf::banner

PF_BANNER_KERNEL(DrawRectangleFrame420_c, ::pf::banner::kScalarRows, kPlanar420, false, true)
PF_BANNER_KERNEL(DrawRectangleField420_c, ::pf::banner::kScalarRows, kPlanar420, true, true)
PF_BANNER_KERNEL(DrawRectangleFrameTransparency420_c, ::pf::banner::kScalarRows, kPlanar420, false,
                 false)
PF_BANNER_KERNEL(DrawRectangleFieldTransparency420_c, ::pf::banner::kScalarRows, kPlanar420, true,
                 false)
PF_BANNER_KERNEL(DrawRectangleFrame422_c, ::pf::banner::kScalarRows, kPacked, false, true)
PF_BANNER_KERNEL(DrawRectangleField422_c, ::pf::banner::kScalarRows, kPacked, true, true)
PF_BANNER_KERNEL(DrawRectangleFrameTransparency422_c, ::pf::banner::kScalarRows, kPacked, false,
                 false)
PF_BANNER_KERNEL(DrawRectangleFieldTransparency422_c, ::pf::banner::kScalarRows, kPacked, true,
                 false)
PF_BANNER_KERNEL(DrawRectangleFrameNV12_c, ::pf::banner::kScalarRows, kNv12, false, true)
PF_BANNER_KERNEL(DrawRectangleFieldNV12_c, ::pf::banner::kScalarRows, kNv12, true, true)
PF_BANNER_KERNEL(DrawRectangleFrameTransparencyNV12_c, ::pf::banner::kScalarRows, kNv12, false,
                 false)
PF_BANNER_KERNEL(DrawRectangleFieldTransparencyNV12_c, ::pf::banner::kScalarRows, kNv12, true,
                 false)

extern "C" uint32_t ImgDrawBanner_c(void*, const tDrawBannerRect* ptRect,
                                    const tDrawBannerPicture* ptPicture) {
  if (ptRect == nullptr || ptPicture == nullptr) return ERR_IMG_BANNER_PROCESS_PRIVATE_POINTER;
  const tDrawBannerPicture& p = *ptPicture;
  const bool chroma = p.u32YuvType == PF_YUV_420 || p.u32YuvType == PF_YUV_422P;
  if (p.pu8Y == nullptr || p.s32YPitch < p.s32Width) return ERR_IMG_BANNER_DATA_POINTER;
  if (chroma && (p.pu8U == nullptr || p.pu8V == nullptr || p.s32UVPitch < p.s32Width / 2)) {
    return ERR_IMG_BANNER_DATA_POINTER;
  }
  // Callers place rectangles freely (windows of a layout may hang over an edge): clip on every
  // side, not only the right and bottom, so nothing outside the picture is ever written.
  int64_t top = ptRect->s32Top, left = ptRect->s32Left;
  int64_t width = ptRect->s32Width, height = ptRect->s32Height;
  if (left < 0) {
    width += left;
    left = 0;
  }
  if (top < 0) {
    height += top;
    top = 0;
  }
  width = std::min<int64_t>(width, int64_t{p.s32Width} - left);
  height = std::min<int64_t>(height, int64_t{p.s32Height} - top);
  if (width <= 0 || height <= 0) return PF_STATUS_OK;
  pf::banner::DrawYUV420AndYUV422PBanner(
      p, static_cast<int32_t>(top), static_cast<int32_t>(left), static_cast<int32_t>(width),
      static_cast<int32_t>(height), pf::banner::rgb_to_yuv(ptRect->u8R, ptRect->u8G, ptRect->u8B));
  return PF_STATUS_OK;
}
