// SPDX-License-Identifier: BSD-2-Clause
#include "temporal_model.hpp"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "img_temporalfilter.h"

namespace pft {

void block_blend_model(uint8_t* cur, uint8_t* pre, int width, int height) {
  for (int by = 0; by + 4 <= height; by += 4) {
    for (int bx = 0; bx + 4 <= width; bx += 4) {
      int s = 0;
      for (int y = by; y < by + 4; ++y) {
        for (int x = bx; x < bx + 4; ++x) s += std::abs(cur[y * width + x] - pre[y * width + x]);
      }
      const int a = s < 33 ? 0 : std::min(16 * s, 1024);
      for (int y = by; y < by + 4; ++y) {
        for (int x = bx; x < bx + 4; ++x) {
          const int i = y * width + x;
          cur[i] = pre[i] = static_cast<uint8_t>((pre[i] * (1024 - a) + cur[i] * a) >> 10);
        }
      }
    }
  }
}

void window_filter_model(uint8_t* cur, uint8_t* pre, int width, int height, int strength) {
  // Summed-area table of the differences, column 0 left out: sat[y][x] sums rows < y, columns
  // 1 .. x - 1.
  const int w1 = width + 1;
  std::vector<long> sat(static_cast<size_t>(w1) * (height + 1), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const long d = x == 0 ? 0 : std::abs(cur[y * width + x] - pre[y * width + x]);
      sat[(y + 1) * w1 + x + 1] = d + sat[y * w1 + x + 1] + sat[(y + 1) * w1 + x] - sat[y * w1 + x];
    }
  }
  const uint8_t* weights = au8GuassDiff[std::clamp(strength, 0, 29)];
  std::vector<uint8_t> out(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const int top = std::max(y - 8, 0), bottom = std::min(y + 8, height - 1);
    for (int x = 0; x < width; ++x) {
      const int left = std::max(x - 7, 1), right = std::min(x + 8, width - 1);
      long s = 0;
      if (left <= right) {
        s = sat[(bottom + 1) * w1 + right + 1] - sat[top * w1 + right + 1] -
            sat[(bottom + 1) * w1 + left] + sat[top * w1 + left];
      }
      const int w = weights[std::min<long>(s >> 6, 63)];
      const int i = y * width + x;
      out[i] = static_cast<uint8_t>((cur[i] * (256 - w) + pre[i] * w + 128) >> 8);
    }
  }
  std::copy(out.begin(), out.end(), cur);
  std::copy(out.begin(), out.end(), pre);
}

}  // namespace pft
