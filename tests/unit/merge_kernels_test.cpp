// SPDX-License-Identifier: BSD-2-Clause
// The merge copy kernels on random pictures in all four pairings of frame and field storage, for
// planar 4:2:0 and packed 4:2:2, against a model that follows each picture line from its place
// on the screen (display row) to where its storage keeps it. Windows hang over the right and
// bottom edges too; guard bands catch any write outside the destination planes.
#include <gtest/gtest.h>

#include <vector>

#include "composition_helpers.hpp"
#include "guarded.hpp"
#include "img_merge.h"
#include "rng.hpp"

namespace {

struct Kernel {
  const char* name;
  tMergePictureKernel* pointer;
  bool src_field, dst_field, packed;
};

const Kernel kKernels[] = {
    {"Frame420", &MergePictureFrame420, false, false, false},
    {"Field420", &MergePictureField420, true, true, false},
    {"FieldFrame420", &MergePictureFieldFrame420, true, false, false},
    {"FrameField420", &MergePictureFrameField420, false, true, false},
    {"Frame422", &MergePictureFrame422, false, false, true},
    {"Field422", &MergePictureField422, true, true, true},
    {"FieldFrame422", &MergePictureFieldFrame422, true, false, true},
    {"FrameField422", &MergePictureFrameField422, false, true, true},
};

// What the kernel writes into one destination plane: display row r < 2 * pairs of the source
// lands on display row origin + r, sample columns from `col`. A field destination keeps the window
// at field line origin / 2 of each field, so there the display rows count from 2 * (origin / 2).
void expect_plane(const pft::GuardedPlane& src, bool src_field, pft::GuardedPlane& dst,
                  bool dst_field, int origin, int col, int bytes, int pairs) {
  const int rows = static_cast<int>(dst.rows());
  const int first = dst_field ? 2 * (origin / 2) : origin;
  for (int r = 0; r < 2 * pairs; ++r) {
    // A field source keeps `pairs` rows per field.
    const int s = src_field ? (r % 2 == 0 ? r / 2 : pairs + r / 2) : r;
    const int d = first + r;
    if (d >= rows) continue;
    const int stored = pft::stored_row(d, rows, dst_field);
    for (int b = 0; b < bytes && col + b < static_cast<int>(dst.width()); ++b) {
      dst.at(static_cast<uint32_t>(col + b), static_cast<uint32_t>(stored)) =
          src.at(static_cast<uint32_t>(b), static_cast<uint32_t>(s));
    }
  }
}

TEST(MergeKernels, CopyEveryPairingOverRandomContents) {
  pft::Rng rng(0x3E26E);
  for (int i = 0; i < 400; ++i) {
    const Kernel& k = kKernels[rng.below(8)];
    const int W = 2 * rng.range(4, 60), H = 4 * rng.range(2, 30);
    const int w = 2 * rng.range(1, W / 2), h = rng.range(1, H);
    const int pitch = w + 2 * rng.range(0, 5);
    // Corners inside the picture; the window may run past its right and bottom edges. A field
    // destination takes window rows in steps of 4 (whole chroma line pairs of each field).
    const int x = 2 * rng.range(0, W / 2 - 1);
    const int y = k.dst_field ? 4 * rng.range(0, H / 4 - 1) : 2 * rng.range(0, H / 2 - 1);
    SCOPED_TRACE(testing::Message() << k.name << " " << w << "x" << h << " pitch " << pitch
                                    << " at " << x << "," << y << " into " << W << "x" << H);
    std::vector<pft::GuardedPlane> src, dst;
    if (k.packed) {
      src.emplace_back(2 * w, h, 2 * pitch, rng);
      dst.emplace_back(2 * W, H, 2 * W, rng);
    } else {
      src.emplace_back(w, h, pitch, rng);
      dst.emplace_back(W, H, W, rng);
      for (int c = 0; c < 2; ++c) {
        src.emplace_back(w / 2, (h + 1) / 2, pitch / 2, rng);
        dst.emplace_back(W / 2, H / 2, W / 2, rng);
      }
    }
    std::vector<pft::GuardedPlane> expected = dst;
    const std::vector<pft::GuardedPlane> before = src;
    if (k.packed) {
      expect_plane(src[0], k.src_field, expected[0], k.dst_field, y, 2 * x, 2 * w, h / 2);
    } else {
      expect_plane(src[0], k.src_field, expected[0], k.dst_field, y, x, w, h / 2);
      for (int c = 1; c < 3; ++c) {
        expect_plane(src[c], k.src_field, expected[c], k.dst_field, y / 2, x / 2, w / 2, h / 4);
      }
    }
    uint8_t* d[3] = {dst[0].data(), k.packed ? nullptr : dst[1].data(),
                     k.packed ? nullptr : dst[2].data()};
    const uint8_t* s[3] = {src[0].data(), k.packed ? nullptr : src[1].data(),
                           k.packed ? nullptr : src[2].data()};
    (*k.pointer)(d, W, H, s, w, h, pitch, y, x);
    for (size_t p = 0; p < dst.size(); ++p) {
      EXPECT_EQ(dst[p].check_guards(), "") << "plane " << p;
      ASSERT_TRUE(dst[p].raw() == expected[p].raw()) << "plane " << p;
      ASSERT_TRUE(src[p].raw() == before[p].raw()) << "source plane " << p << " changed";
    }
  }
}

}  // namespace
