// SPDX-License-Identifier: BSD-2-Clause
// Plane addressing shared by every module: derived chroma pointers and region origins.
#ifndef PELFORGE_SOURCE_COMMON_LAYOUT_HPP_
#define PELFORGE_SOURCE_COMMON_LAYOUT_HPP_

#include <cstddef>
#include <cstdint>

#include "pelforge.h"

namespace pf {

// True for the YUV type codes the library knows.
bool is_known_yuv_type(uint32_t yuv_type);
// Packed types keep every sample in one plane, with the pitch counted in pixels.
inline bool is_packed(uint32_t yuv_type) {
  return yuv_type == PF_YUV_UYVY || yuv_type == PF_YUV_YUYV;
}

// A 4:2:0 picture's size and strides are usable when each is at least 1 and each stride holds
// its plane's line; a shorter stride would make lines overlap.
inline bool planes_usable(int32_t width, int32_t height, int32_t y_stride, int32_t uv_stride) {
  return width >= 1 && height >= 1 && y_stride >= width && uv_stride >= 1 &&
         uv_stride >= (width >> 1);
}

// When U or V is null, points the chroma planes behind the luma plane of a picture of
// total_height lines (crop and fill lines included) and sets the chroma pitch they imply.
// Packed types are left alone. Arithmetic is signed 32-bit, halving by arithmetic shifts.
void derive_chroma(tImgPicture& pic, uint32_t yuv_type, int32_t total_height);

// Moves every plane pointer to the region that starts top lines down and left samples in.
// For semi-planar pictures the second chroma pointer ends up one byte after the first.
void move_to_region(tImgPicture& pic, uint32_t yuv_type, int32_t top, int32_t left);

// A picture in one buffer without padding, its planes one after another: packed types are a
// single plane with a pitch of the width in pixels; 4:2:0 holds U and V after the luma at half
// the pitch, NV12 its pair plane at the full pitch.
inline tImgPicture unpadded_picture(uint8_t* data, uint32_t yuv_type, uint32_t width,
                                    uint32_t height) {
  tImgPicture pic{data, nullptr, nullptr, width, width / 2, 0, 0};
  const size_t luma = static_cast<size_t>(width) * height;
  if (yuv_type == PF_YUV_NV12) {
    pic.pu8U = data + luma;
    pic.pu8V = pic.pu8U + 1;
    pic.u32UVPitch = width;
  } else if (!is_packed(yuv_type)) {
    pic.pu8U = data + luma;
    pic.pu8V = pic.pu8U + luma / 4;
  }
  return pic;
}

}  // namespace pf

#endif  // PELFORGE_SOURCE_COMMON_LAYOUT_HPP_
