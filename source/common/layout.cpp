// SPDX-License-Identifier: BSD-2-Clause
#include "layout.hpp"

namespace pf {

bool is_known_yuv_type(uint32_t yuv_type) {
  switch (yuv_type) {
    case PF_YUV_420:
    case PF_YUV_420_VU:
    case PF_YUV_422P:
    case PF_YUV_UYVY:
    case PF_YUV_YUYV:
    case PF_YUV_NV12:
    case PF_YUV_NV21:
      return true;
    default:
      return false;
  }
}

void derive_chroma(tImgPicture& pic, uint32_t yuv_type, int32_t total_height) {
  if (is_packed(yuv_type) || (pic.pu8U != nullptr && pic.pu8V != nullptr)) return;
  const auto pitch = static_cast<int32_t>(pic.u32YPitch);
  const int32_t luma_size = pitch * total_height;
  uint8_t* const first = pic.pu8Y + luma_size;
  switch (yuv_type) {
    case PF_YUV_420:
      pic.pu8U = first;
      pic.pu8V = first + (luma_size >> 2);
      pic.u32UVPitch = static_cast<uint32_t>(pitch >> 1);
      break;
    case PF_YUV_420_VU:
      pic.pu8V = first;
      pic.pu8U = first + (luma_size >> 2);
      pic.u32UVPitch = static_cast<uint32_t>(pitch >> 1);
      break;
    case PF_YUV_422P:
      pic.pu8U = first;
      pic.pu8V = first + (luma_size >> 1);
      pic.u32UVPitch = static_cast<uint32_t>(pitch >> 1);
      break;
    case PF_YUV_NV12:
      pic.pu8U = first;
      pic.pu8V = first + 1;
      pic.u32UVPitch = static_cast<uint32_t>(pitch);
      break;
    case PF_YUV_NV21:
      pic.pu8V = first;
      pic.pu8U = first + 1;
      pic.u32UVPitch = static_cast<uint32_t>(pitch);
      break;
    default:
      break;
  }
}

void move_to_region(tImgPicture& pic, uint32_t yuv_type, int32_t top, int32_t left) {
  const auto pitch = static_cast<int32_t>(pic.u32YPitch);
  const auto chroma_pitch = static_cast<int32_t>(pic.u32UVPitch);
  if (is_packed(yuv_type)) {
    pic.pu8Y += 2 * (pitch * top + left);
    return;
  }
  pic.pu8Y += pitch * top + left;
  switch (yuv_type) {
    case PF_YUV_420:
    case PF_YUV_420_VU:
      pic.pu8U += left / 2 + (top / 2) * chroma_pitch;
      pic.pu8V += left / 2 + (top / 2) * chroma_pitch;
      break;
    case PF_YUV_422P:
      pic.pu8U += left / 2 + top * chroma_pitch;
      pic.pu8V += left / 2 + top * chroma_pitch;
      break;
    case PF_YUV_NV12:
      pic.pu8U += left + (top / 2) * chroma_pitch;
      pic.pu8V = pic.pu8U + 1;
      break;
    case PF_YUV_NV21:
      pic.pu8V += left + (top / 2) * chroma_pitch;
      pic.pu8U = pic.pu8V + 1;
      break;
    default:
      break;
  }
}

}  // namespace pf
