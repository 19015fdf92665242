// SPDX-License-Identifier: BSD-2-Clause
// What the composition and overlay tests share: the RGB to YUV colour rule the banners, bitmaps
// and boundary lines use, and where a field-separated plane keeps a display row.
#ifndef PELFORGE_TESTS_SUPPORT_COMPOSITION_HELPERS_HPP_
#define PELFORGE_TESTS_SUPPORT_COMPOSITION_HELPERS_HPP_

#include <algorithm>

namespace pft {

struct Yuv {
  int y, u, v;
  bool operator==(const Yuv&) const = default;
};

// The colour rule with floor division standing in for the arithmetic shift; chroma saturates
// at 255 (pure red's V and pure blue's U would be 256).
inline int floor_div256(int n) { return n >= 0 ? n / 256 : -((-n + 255) / 256); }
inline Yuv rgb_to_yuv(int r, int g, int b) {
  return {floor_div256(76 * r + 150 * g + 29 * b + 128),
          std::min(floor_div256(-43 * r - 84 * g + 128 * b + 128) + 128, 255),
          std::min(floor_div256(128 * r - 107 * g - 20 * b + 128) + 128, 255)};
}

// Stored row of display row r in a plane of `rows` rows: a field-separated plane keeps the even
// display rows in its first half and the odd ones after it.
inline int stored_row(int r, int rows, bool field) {
  if (!field) return r;
  return r % 2 == 0 ? r / 2 : rows / 2 + r / 2;
}

// The display row a stored row holds (the inverse of stored_row).
inline int display_row(int s, int rows, bool field) {
  if (!field) return s;
  return s < rows / 2 ? 2 * s : 2 * (s - rows / 2) + 1;
}

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_COMPOSITION_HELPERS_HPP_
