// SPDX-License-Identifier: BSD-2-Clause
// The OSD filter's kernels: the 3x3 weighted smoothing through the division and tone tables, and
// the tone curve around the measured mean.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "img_filterosd.h"
#include "osd/osd.hpp"

namespace pf::osd {

void build_div_table(uint8_t* table, uint8_t center_weight) {
  const uint32_t divisor = center_weight + 8u;
  const uint32_t entries = std::min<uint32_t>(divisor * 255 + 1, PF_OSD_DIV_TABLE_BYTES);
  for (uint32_t s = 0; s < entries; ++s)
    table[s] = static_cast<uint8_t>(std::min(s / divisor, 255u));
  std::memset(table + entries, 0, PF_OSD_DIV_TABLE_BYTES - entries);
}

namespace {

uint8_t tone_level(int32_t i, int32_t brightness, int32_t contrast, int32_t mean) {
  const int32_t b = std::max(brightness + i, 0);
  int32_t out;
  if (contrast == 128) {
    out = b < mean ? 0 : 255;
  } else if (contrast == 0 && b >= 256) {
    out = 255;
  } else if (contrast >= 0) {
    // Integer division on purpose: contrasts 1..63 leave the slope at 1, 64..85 double it, and
    // so on; above 128 the factor turns negative and the curve inverts around the mean.
    out = (b - mean) * (128 / (128 - contrast) - 1) + b;
  } else {
    const float scaled = static_cast<float>(i - mean) * static_cast<float>(contrast) / 128.0f;
    // The conversion truncates towards zero, which is the rounding this curve wants.
    out = static_cast<int32_t>(scaled) + brightness + i;
  }
  return static_cast<uint8_t>(std::clamp(out, 0, 255));
}

}  // namespace
}  // namespace pf::osd

extern "C" void GrayInit_c(tFilterOsdInstance* ptInstance, const tFilterOsdParam* ptParam) {
  if (ptInstance == nullptr || ptParam == nullptr) return;
  tFilterOsdInstance& inst = *ptInstance;
  if (ptParam->u8MeasureMean != 0 && ptParam->pu32RefPicture != nullptr) {
    const auto* ref = reinterpret_cast<const uint8_t*>(ptParam->pu32RefPicture);
    const size_t pixels = size_t{inst.u32Width} * inst.u32Height;
    uint64_t sum = 0;
    for (size_t n = 0; n < pixels; ++n) {
      const uint8_t* p = ref + 4 * n;
      sum += (306u * p[2] + 601u * p[1] + 117u * p[0] + 512u) >> 10;
    }
    inst.u32Mean = pixels != 0 ? static_cast<uint32_t>(sum / pixels) : 0;
  }
  for (int32_t i = 0; i < 256; ++i) {
    inst.pu8ToneTable[i] = pf::osd::tone_level(i, inst.s16Brightness, inst.s16Contrast,
                                               static_cast<int32_t>(inst.u32Mean));
  }
}

extern "C" void FilterOSD_c(const tFilterOsdInstance* ptInstance, const uint32_t* pu32Src,
                            uint32_t* pu32Dst) {
  if (ptInstance == nullptr || pu32Src == nullptr || pu32Dst == nullptr) return;
  const tFilterOsdInstance& inst = *ptInstance;
  const size_t width = inst.u32Width, height = inst.u32Height;
  const size_t stride = 4 * width;
  const auto* src = reinterpret_cast<const uint8_t*>(pu32Src);
  auto* dst = reinterpret_cast<uint8_t*>(pu32Dst);
  const uint8_t* div = inst.pu8DivTable;
  const uint8_t* tone = inst.pu8ToneTable;
  const uint32_t weight = inst.u8CenterWeight;
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* row = src + y * stride;
    uint8_t* out = dst + y * stride;
    if (y == 0 || y + 1 == height || width < 3) {
      std::memcpy(out, row, stride);
      continue;
    }
    std::memcpy(out, row, 4);
    std::memcpy(out + stride - 4, row + stride - 4, 4);
    const uint8_t* above = row - stride;
    const uint8_t* below = row + stride;
    for (size_t x = 1; x + 1 < width; ++x) {
      const size_t at = 4 * x;
      for (size_t c = 0; c < 3; ++c) {
        const size_t l = at - 4 + c, m = at + c, r = at + 4 + c;
        const uint32_t s = above[l] + above[m] + above[r] + row[l] + row[r] + below[l] + below[m] +
                           below[r] + weight * row[m];
        out[m] = tone[div[s]];
      }
    }
  }
}
