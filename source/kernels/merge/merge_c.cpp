// SPDX-License-Identifier: BSD-2-Clause
// The merge copy kernels: one plane walk written once, for the four pairings of frame and field
// storage, applied to the three planes of 4:2:0 pictures and to the one plane of packed 4:2:2.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "img_merge.h"

namespace pf::merge {
namespace {

enum class Pairing { kFrameFrame, kFieldField, kFieldFrame, kFrameField };

// One plane of the copy. Rows and bytes are of this plane; `origin` is the window's first row in
// frame coordinates of this plane (y for luma and packed, y / 2 for 4:2:0 chroma).
struct Plane {
  uint8_t* dst;
  std::ptrdiff_t dst_pitch;
  int32_t dst_rows;   // rows of the destination plane; a field picture's second field starts
                      // at dst_rows / 2
  int32_t dst_bytes;  // bytes of a destination row
  int32_t dst_col;    // first byte of the window in a destination row
  const uint8_t* src;
  std::ptrdiff_t src_pitch;
  int32_t bytes;  // bytes of a window row
  int32_t origin;
  int32_t iterations;  // pairs of rows: h / 2 for luma, h / 4 for 4:2:0 chroma
};

void copy_plane(const Plane& p, Pairing pairing) {
  // Columns outside the destination row are left alone; a window hanging over the left edge
  // loses its first bytes, one over the right edge its last ones.
  const int32_t first = std::max(p.dst_col, 0);
  const int32_t last = std::min(p.dst_col + p.bytes, p.dst_bytes);
  if (last <= first || p.iterations <= 0) return;
  const auto length = static_cast<size_t>(last - first);
  const int32_t skip = first - p.dst_col;
  // Copies source row s to destination row d when d lies in [lo, hi): a row that would leave its
  // field or the picture is not written.
  auto row = [&](int32_t s, int32_t d, int32_t lo, int32_t hi) {
    if (d < lo || d >= hi) return;
    std::memcpy(p.dst + d * p.dst_pitch + first, p.src + s * p.src_pitch + skip, length);
  };
  const int32_t rows = p.dst_rows, half = p.dst_rows / 2, n = p.iterations;
  switch (pairing) {
    case Pairing::kFrameFrame:
      for (int32_t i = 0; i < n; ++i) {
        row(2 * i, p.origin + 2 * i, 0, rows);
        row(2 * i + 1, p.origin + 2 * i + 1, 0, rows);
      }
      break;
    case Pairing::kFieldField:
      for (int32_t i = 0; i < n; ++i) {
        row(i, p.origin / 2 + i, 0, half);
        row(n + i, half + p.origin / 2 + i, half, rows);
      }
      break;
    case Pairing::kFieldFrame:
      for (int32_t i = 0; i < n; ++i) {
        row(i, p.origin + 2 * i, 0, rows);
        row(n + i, p.origin + 2 * i + 1, 0, rows);
      }
      break;
    case Pairing::kFrameField:
      for (int32_t i = 0; i < n; ++i) {
        row(2 * i, p.origin / 2 + i, 0, half);
        row(2 * i + 1, half + p.origin / 2 + i, half, rows);
      }
      break;
  }
}

void copy420(uint8_t* const dst[3], int32_t dst_w, int32_t dst_h, const uint8_t* const src[3],
             int32_t w, int32_t h, int32_t pitch, int32_t y, int32_t x, Pairing pairing) {
  if (w <= 0 || h <= 0 || dst_w <= 0 || dst_h <= 0) return;
  copy_plane({dst[0], dst_w, dst_h, dst_w, x, src[0], pitch, w, y, h / 2}, pairing);
  for (int k = 1; k < 3; ++k) {
    copy_plane(
        {dst[k], dst_w / 2, dst_h / 2, dst_w / 2, x / 2, src[k], pitch / 2, w / 2, y / 2, h / 4},
        pairing);
  }
}

void copy422(uint8_t* const dst[3], int32_t dst_w, int32_t dst_h, const uint8_t* const src[3],
             int32_t w, int32_t h, int32_t pitch, int32_t y, int32_t x, Pairing pairing) {
  if (w <= 0 || h <= 0 || dst_w <= 0 || dst_h <= 0) return;
  copy_plane({dst[0], 2 * std::ptrdiff_t{dst_w}, dst_h, 2 * dst_w, 2 * x, src[0],
              2 * std::ptrdiff_t{pitch}, 2 * w, y, h / 2},
             pairing);
}

}  // namespace
}  // namespace pf::merge

#define PF_MERGE_KERNEL(name, family, pairing)                                                 \
  void name(uint8_t* const dst[3], int32_t dst_w, int32_t dst_h, const uint8_t* const src[3],  \
            int32_t w, int32_t h, int32_t pitch, int32_t y, int32_t x) {                       \
    pf::merge::family(dst, dst_w, dst_h, src, w, h, pitch, y, x, pf::merge::Pairing::pairing); \
  }

extern "C" {
PF_MERGE_KERNEL(MergePictureFrame420_c, copy420, kFrameFrame)
PF_MERGE_KERNEL(MergePictureField420_c, copy420, kFieldField)
PF_MERGE_KERNEL(MergePictureFieldFrame420_c, copy420, kFieldFrame)
PF_MERGE_KERNEL(MergePictureFrameField420_c, copy420, kFrameField)
PF_MERGE_KERNEL(MergePictureFrame422_c, copy422, kFrameFrame)
PF_MERGE_KERNEL(MergePictureField422_c, copy422, kFieldField)
PF_MERGE_KERNEL(MergePictureFieldFrame422_c, copy422, kFieldFrame)
PF_MERGE_KERNEL(MergePictureFrameField422_c, copy422, kFrameField)
}  // extern "C"
