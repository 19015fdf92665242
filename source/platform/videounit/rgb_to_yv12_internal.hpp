// SPDX-License-Identifier: BSD-2-Clause
// What the converters' portable file and their SSSE3 and AVX2 files share.
#ifndef PELFORGE_SOURCE_PLATFORM_VIDEOUNIT_RGB_TO_YV12_INTERNAL_HPP_
#define PELFORGE_SOURCE_PLATFORM_VIDEOUNIT_RGB_TO_YV12_INTERNAL_HPP_

#include <cstdint>

namespace pf_unit {

// Two picture rows, in display order, and the rows of the planes they fill: Y of both, U and V
// from the top row's even pixels.
struct RowPair {
  const uint8_t* top;
  const uint8_t* bottom;
  uint8_t* y_top;
  uint8_t* y_bottom;
  uint8_t* u;
  uint8_t* v;
};

// A vector path converts the pixels of a row pair from 0 up to a multiple of its step and
// returns how many it did; the portable loop does the rest.
using RowPairFn = int32_t (*)(const RowPair& rows, int32_t width);

// The whole conversion for 3- (BGR) and 4-byte (BGRA) pixels; arguments as the converters'.
template <int kBytes>
void convert(const uint8_t* src, int32_t src_stride, uint8_t* y_plane, uint8_t* u_plane,
             uint8_t* v_plane, int32_t y_pitch, int32_t uv_pitch, int32_t width, int32_t height,
             uint32_t bottom_up);

int32_t bgr24_rows_ssse3(const RowPair& rows, int32_t width);
int32_t bgra_rows_ssse3(const RowPair& rows, int32_t width);
int32_t bgr24_rows_avx2(const RowPair& rows, int32_t width);
int32_t bgra_rows_avx2(const RowPair& rows, int32_t width);

// The colour rule's weights per pixel byte (blue, green, red, fourth) for byte multiply-adds.
// Luma multiplies unsigned weights with the pixels less 128 (every pair sum stays within 16
// bits; the offset is 128 * 255 and comes back before the shift). Chroma multiplies the pixels
// with the negated weights, whose 128 fits a signed byte as -128: N = -(the rule's sum before
// its rounding term), and with U' = -N, ((U' + 128) >> 8) = -((N + 127) >> 8) exactly.
inline constexpr uint8_t kYWeights[4] = {29, 150, 76, 0};
inline constexpr int8_t kUNegWeights[4] = {-128, 84, 43, 0};
inline constexpr int8_t kVNegWeights[4] = {20, 107, -128, 0};

}  // namespace pf_unit

#endif  // PELFORGE_SOURCE_PLATFORM_VIDEOUNIT_RGB_TO_YV12_INTERNAL_HPP_
