// SPDX-License-Identifier: BSD-2-Clause
// Scalar D1 split: one packed 4:2:2 D1 frame into the four quarter pictures (field x half) in
// planar 4:2:0, by sample selection only.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "img_yuv422toyuv420_d1split.h"

namespace {

// The left edge of the two halves: 8 pixels in, and 352 further. Both are even, so every output
// pixel pair is one source pair U Y0 V Y1.
constexpr int32_t kHalfOrigin[2] = {8, 360};
constexpr int32_t kMinSourceWidth = 712;
constexpr int32_t kMaxPictureWidth = 352;

void split_one(const tYUV422ToYUV420D1To4xCifInstance& inst, const uint8_t* src, int32_t field,
               int32_t half, const tYUV422ToYUV420D1To4xCifSize& size, uint8_t* dst) {
  const int32_t width = std::min(size.s32Width, kMaxPictureWidth) & ~1;
  const int32_t lines = std::min(size.s32Height, inst.s32SrcHeight / 2);
  if (width <= 0 || lines <= 0) return;
  const auto pitch = static_cast<size_t>(size.s32Width);
  const size_t luma_bytes = pitch * static_cast<size_t>(size.s32Height);
  uint8_t* y_plane = dst;
  uint8_t* u_plane = dst + luma_bytes;
  uint8_t* v_plane = u_plane + luma_bytes / 4;
  const auto line_bytes = static_cast<size_t>(inst.s32SrcLineBytes);
  const uint8_t* origin = src + 2 * static_cast<size_t>(kHalfOrigin[half]);
  for (int32_t j = 0; j < lines; ++j) {
    // Field line j is source line 2j + field.
    const uint8_t* in = origin + static_cast<size_t>(2 * j + field) * line_bytes;
    uint8_t* y = y_plane + static_cast<size_t>(j) * pitch;
    for (int32_t i = 0; i < width / 2; ++i) {
      y[2 * i] = in[4 * i + 1];
      y[2 * i + 1] = in[4 * i + 3];
    }
    // Chroma line k comes from field line 2k alone; an odd last line has no chroma line.
    if (j % 2 != 0 || j / 2 >= size.s32Height / 2) continue;
    uint8_t* u = u_plane + static_cast<size_t>(j / 2) * (pitch / 2);
    uint8_t* v = v_plane + static_cast<size_t>(j / 2) * (pitch / 2);
    for (int32_t i = 0; i < width / 2; ++i) {
      u[i] = in[4 * i];
      v[i] = in[4 * i + 2];
    }
  }
}

}  // namespace

extern "C" void ImgYUV422ToYUV420D1To4xCif_c(const tYUV422ToYUV420D1To4xCifInstance* ptInstance,
                                             const uint8_t* pu8Src, uint8_t* pu8Dst0,
                                             uint8_t* pu8Dst1, uint8_t* pu8Dst2, uint8_t* pu8Dst3) {
  if (ptInstance == nullptr || pu8Src == nullptr) return;
  const tYUV422ToYUV420D1To4xCifInstance& inst = *ptInstance;
  if (inst.s32SrcWidth < kMinSourceWidth || inst.s32SrcLineBytes < 2 * inst.s32SrcWidth) return;
  uint8_t* const dst[4] = {pu8Dst0, pu8Dst1, pu8Dst2, pu8Dst3};
  for (int32_t q = 0; q < 4; ++q) {
    if (dst[q] != nullptr) split_one(inst, pu8Src, q / 2, q % 2, inst.atDst[q], dst[q]);
  }
}
