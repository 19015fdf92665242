// SPDX-License-Identifier: BSD-2-Clause
// What the RGB modules, their kernels and the tests share beyond the public headers.
#ifndef PELFORGE_SOURCE_KERNELS_RGB_RGB_INTERNAL_HPP_
#define PELFORGE_SOURCE_KERNELS_RGB_RGB_INTERNAL_HPP_

#include <algorithm>
#include <cstdint>
#include <span>

#include "dispatch.hpp"
#include "img_rgbtoyuv.h"
#include "img_yuv420torgb.h"
#include "rgb_resizer.h"

namespace pf {

// ---- YUV to RGB: the table entries, one formula each ----
constexpr int32_t yuv_rgb_y_entry(int32_t i) { return 298 * (i - 16); }
constexpr int32_t yuv_r_v_entry(int32_t i) { return 409 * (i - 128); }
constexpr int32_t yuv_g_u_entry(int32_t i) { return 100 * (i - 128); }
constexpr int32_t yuv_g_v_entry(int32_t i) { return 208 * (i - 128); }
constexpr int32_t yuv_b_u_entry(int32_t i) { return 517 * (i - 128); }
inline constexpr int32_t kClipBelow = 512;  // entries before the one for 0
inline constexpr int32_t kClipEntries = 2048;
constexpr int32_t clip_entry(int32_t i) {
  return i < kClipBelow ? 0 : i < kClipBelow + 256 ? i - kClipBelow : 255;
}

// ---- RGB to YUV: the colour rule on 8-bit channels ----
// Right shifts of negative sums are arithmetic (defined so since C++20), as the rule wants.
constexpr uint8_t rgb_to_y(int32_t r, int32_t g, int32_t b) {
  return static_cast<uint8_t>((76 * r + 150 * g + 29 * b + 128) >> 8);
}
constexpr uint8_t rgb_to_u(int32_t r, int32_t g, int32_t b) {
  return static_cast<uint8_t>(std::clamp(((-43 * r - 84 * g + 128 * b + 128) >> 8) + 128, 0, 255));
}
constexpr uint8_t rgb_to_v(int32_t r, int32_t g, int32_t b) {
  return static_cast<uint8_t>(std::clamp(((128 * r - 107 * g - 20 * b + 128) >> 8) + 128, 0, 255));
}

// Fills the 65536 four-byte entries (Y, U, V, 0) of a 5-6-5 table.
void fill_rgb565_yuv_table(uint8_t* table);

// ---- Kernel manifests, one row per public kernel pointer ----
std::span<const KernelRow<tYuv420ToRgbKernel>> yuv420_to_rgb_kernels();
std::span<const KernelRow<tRgbResizerKernel>> rgb_resizer_kernels();
std::span<const KernelRow<tRgbToYuvKernel>> rgb_to_yuv_kernels();

// Points every kernel pointer of the three modules back at its scalar kernel.
void restore_rgb_scalar_defaults();

}  // namespace pf

#endif  // PELFORGE_SOURCE_KERNELS_RGB_RGB_INTERNAL_HPP_
