// SPDX-License-Identifier: BSD-2-Clause
// The deblock filter in scalar form; it defines every result of the module.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "deblock/deblock.hpp"

namespace pf::deblock {
namespace {

// Smoothing weights b(-4 .. 4); they sum to 16.
constexpr int kTaps[9] = {1, 1, 2, 2, 4, 2, 2, 1, 1};

void smooth(const int (&s)[8], int (&out)[8]) {
  for (int k = 0; k < 8; ++k) {
    int sum = 0;
    for (int j = -4; j <= 4; ++j) sum += kTaps[j + 4] * s[std::clamp(k + j, 0, 7)];
    out[k] = sum >> 4;  // no rounding term
  }
}

// Moves s3 and s4 toward each other by at most half their difference.
void correct(int (&s)[8], int32_t correct_below) {
  const int a0 = 5 * (s[3] - s[4]) + 2 * (s[5] - s[2]);
  const int a1 = 2 * (s[4] - s[7]) - 5 * (s[5] - s[6]);
  const int a2 = 2 * (s[0] - s[3]) - 5 * (s[1] - s[2]);
  const int e = std::abs(a0) < correct_below
                    ? std::max(std::abs(a0) - std::min(std::abs(a1), std::abs(a2)), 0)
                    : 0;
  int d = (5 * e + 32) >> 6;
  if (a0 < 0) d = -d;
  const int half = (s[3] - s[4]) >> 1;  // arithmetic
  int c = 0;
  if (half > 0 && d > 0) c = std::min(d, half);
  if (half < 0 && d < 0) c = std::max(d, half);
  s[3] -= c;
  s[4] += c;
}

}  // namespace

Limits limits(int32_t qp) {
  const int64_t q = qp;
  return {static_cast<int32_t>(std::clamp<int64_t>(2 * q, 0, 512)),
          static_cast<int32_t>(std::clamp<int64_t>(2 * q + 1, 0, 512)),
          static_cast<int32_t>(std::clamp<int64_t>(8 * q, 0, 4096))};
}

void filter_group(const uint8_t* in, ptrdiff_t in_sample, ptrdiff_t in_segment, uint8_t* out,
                  ptrdiff_t out_sample, ptrdiff_t out_segment, int32_t segments, int32_t qp,
                  Pass pass) {
  int s[8][8];
  int flat_pairs = 0;
  for (int32_t k = 0; k < segments; ++k) {
    for (int i = 0; i < 8; ++i) s[k][i] = in[k * in_segment + i * in_sample];
    for (int i = 0; i < 7; ++i) flat_pairs += std::abs(s[k][i] - s[k][i + 1]) < 2;
  }
  const Limits limit = limits(qp);
  // Seven pairs per segment: 20 of 28 for four lines, more than 40 of 56 for eight columns,
  // and the same share of a shorter group.
  bool flat;
  bool smooth_group;
  if (pass == Pass::kHorizontal) {
    flat = flat_pairs >= 5 * segments;
    smooth_group = std::abs(s[0][0] - s[0][7]) < limit.flat_below;
  } else {
    flat = flat_pairs > 5 * segments;
    smooth_group = true;
    for (int32_t k = 0; k < segments; ++k)
      smooth_group = smooth_group && std::abs(s[k][0] - s[k][7]) < limit.flat_upto;
  }
  for (int32_t k = 0; k < segments; ++k) {
    int result[8];
    if (!flat) {
      std::copy(s[k], s[k] + 8, result);
      correct(result, limit.correct_below);
    } else if (smooth_group) {
      smooth(s[k], result);
    } else {
      std::copy(s[k], s[k] + 8, result);
    }
    for (int i = 0; i < 8; ++i)
      out[k * out_segment + i * out_sample] = static_cast<uint8_t>(result[i]);
  }
}

void horizontal_rows(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst, ptrdiff_t dst_stride,
                     int32_t width, int32_t y_begin, int32_t y_end, int32_t qp) {
  for (int32_t y = y_begin; y < y_end; y += 4) {
    const int32_t lines = std::min(4, y_end - y);
    const uint8_t* in = src + y * src_stride;
    uint8_t* out = dst + y * dst_stride;
    if (in != out) {
      for (int32_t l = 0; l < lines; ++l)
        std::memcpy(out + l * dst_stride, in + l * src_stride, static_cast<size_t>(width));
    }
    for (int32_t x = 8; x + 4 <= width; x += 8) {
      filter_group(in + x - 4, 1, src_stride, out + x - 4, 1, dst_stride, lines, qp,
                   Pass::kHorizontal);
    }
  }
}

}  // namespace pf::deblock

namespace {

void vertical_pass(uint8_t* plane, ptrdiff_t stride, int32_t width, int32_t height, int32_t qp) {
  for (int32_t y = 8; y + 4 <= height; y += 8) {
    uint8_t* top = plane + (y - 4) * stride;
    for (int32_t x = 0; x < width; x += 8) {
      pf::deblock::filter_group(top + x, stride, 1, top + x, stride, 1, std::min(8, width - x), qp,
                                pf::deblock::Pass::kVertical);
    }
  }
}

void deblock_plane(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst, ptrdiff_t dst_stride,
                   int32_t width, int32_t height, int32_t qp) {
  if (src == nullptr || dst == nullptr || width <= 0 || height <= 0) return;
  pf::deblock::horizontal_rows(src, src_stride, dst, dst_stride, width, 0, height, qp);
  vertical_pass(dst, dst_stride, width, height, qp);
}

}  // namespace

extern "C" void ImgDeblockFrame_c(const uint8_t* pu8SrcY, const uint8_t* pu8SrcU,
                                  const uint8_t* pu8SrcV, uint8_t* pu8DstY, uint8_t* pu8DstU,
                                  uint8_t* pu8DstV, int32_t s32Width, int32_t s32Height,
                                  int32_t s32SrcYStride, int32_t s32SrcUVStride,
                                  int32_t s32DstYStride, int32_t s32DstUVStride, int32_t s32QP) {
  deblock_plane(pu8SrcY, s32SrcYStride, pu8DstY, s32DstYStride, s32Width, s32Height, s32QP);
  deblock_plane(pu8SrcU, s32SrcUVStride, pu8DstU, s32DstUVStride, s32Width / 2, s32Height / 2,
                s32QP);
  deblock_plane(pu8SrcV, s32SrcUVStride, pu8DstV, s32DstUVStride, s32Width / 2, s32Height / 2,
                s32QP);
}
