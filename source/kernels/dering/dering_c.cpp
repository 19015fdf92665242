// SPDX-License-Identifier: BSD-2-Clause
// The dering filter in scalar form.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "img_dering.h"

extern "C" void Dering_c(void*, uint8_t* pu8Plane, int32_t s32Width, int32_t s32Height,
                         int32_t s32Stride, int32_t s32QP) {
  if (pu8Plane == nullptr || s32Height < 17 || s32Width < 17) return;
  // A negative quantiser allows no change at all rather than a change in the wrong direction.
  const int limit = std::max(s32QP, 0) >> 1;
  const ptrdiff_t stride = s32Stride;
  const int32_t columns = (s32Width - 9) / 8, rows = (s32Height - 9) / 8;
  for (int32_t j = 0; j < rows; ++j) {
    for (int32_t i = 0; i < columns; ++i) {
      uint8_t* block = pu8Plane + (8 + 8 * j) * stride + 8 + 8 * i;
      int low = 255, high = 0;
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          low = std::min<int>(low, block[y * stride + x]);
          high = std::max<int>(high, block[y * stride + x]);
        }
      }
      const int threshold = (low + high) >> 1;
      // Classes of the block and the ring of pixels around it.
      bool bright[10][10];
      for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) bright[y][x] = block[(y - 1) * stride + x - 1] >= threshold;
      }
      // Every f is taken from the block as it was; the block is written afterwards.
      int result[8][8];
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          const uint8_t* c = block + y * stride + x;
          result[y][x] = *c;
          const bool cls = bright[y + 1][x + 1];
          bool uniform = true;
          for (int dy = 0; dy < 3; ++dy) {
            for (int dx = 0; dx < 3; ++dx) uniform = uniform && bright[y + dy][x + dx] == cls;
          }
          if (!uniform) continue;
          const int corners = c[-stride - 1] + c[-stride + 1] + c[stride - 1] + c[stride + 1];
          const int edges = c[-stride] + c[-1] + c[1] + c[stride];
          const int f = (corners + 2 * edges + 4 * c[0]) >> 4;
          const int p = c[0], d = f - p;
          result[y][x] = d > limit ? p + limit : d >= -limit ? f : p - limit;
        }
      }
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) block[y * stride + x] = static_cast<uint8_t>(result[y][x]);
      }
    }
  }
}
