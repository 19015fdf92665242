// SPDX-License-Identifier: BSD-2-Clause
// The video codec unit library: the RGB-to-YUV converters.
#include "video_unit.h"

#include <cstdint>

#include "rgb_to_yv12_internal.hpp"

namespace {

bool refused(const uint8_t* src, const uint8_t* y, const uint8_t* u, const uint8_t* v,
             int32_t width, int32_t height) {
  return src == nullptr || y == nullptr || u == nullptr || v == nullptr || width <= 0 ||
         height <= 0 || width % 2 != 0 || height % 2 != 0;
}

}  // namespace

extern "C" uint32_t bgr_to_yv12_mmx(const uint8_t* pu8Bgr, int32_t s32SrcStride, uint8_t* pu8Y,
                                    uint8_t* pu8U, uint8_t* pu8V, int32_t s32YPitch,
                                    int32_t s32UVPitch, int32_t s32Width, int32_t s32Height,
                                    uint32_t u32BottomUp, const void* /*pvParam*/) {
  if (refused(pu8Bgr, pu8Y, pu8U, pu8V, s32Width, s32Height)) return VIDEOUNIT_ERR_ARGUMENT;
  pf_unit::convert<3>(pu8Bgr, s32SrcStride, pu8Y, pu8U, pu8V, s32YPitch, s32UVPitch, s32Width,
                      s32Height, u32BottomUp);
  return VIDEOUNIT_OK;
}

extern "C" uint32_t bgra_to_yv12_mmx(const uint8_t* pu8Bgra, int32_t s32SrcStride, uint8_t* pu8Y,
                                     uint8_t* pu8U, uint8_t* pu8V, int32_t s32YPitch,
                                     int32_t s32UVPitch, int32_t s32Width, int32_t s32Height,
                                     uint32_t u32BottomUp, const void* /*pvParam*/) {
  if (refused(pu8Bgra, pu8Y, pu8U, pu8V, s32Width, s32Height)) return VIDEOUNIT_ERR_ARGUMENT;
  pf_unit::convert<4>(pu8Bgra, s32SrcStride, pu8Y, pu8U, pu8V, s32YPitch, s32UVPitch, s32Width,
                      s32Height, u32BottomUp);
  return VIDEOUNIT_OK;
}
