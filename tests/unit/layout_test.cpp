// SPDX-License-Identifier: BSD-2-Clause
// Derived chroma pointers and region origins for every YUV type.
#include "layout.hpp"

#include <gtest/gtest.h>

namespace {

uint8_t* const kBase = reinterpret_cast<uint8_t*>(0x100000);

struct DeriveRow {
  uint32_t yuv;
  ptrdiff_t u, v;  // expected offsets from Y; P = 64, H = 40
  uint32_t chroma_pitch;
};

TEST(Layout, DerivesChromaBehindLumaWhenEitherPointerIsMissing) {
  const DeriveRow rows[] = {
      {PF_YUV_420, 2560, 2560 + 640, 32},   {PF_YUV_420_VU, 2560 + 640, 2560, 32},
      {PF_YUV_422P, 2560, 2560 + 1280, 32}, {PF_YUV_NV12, 2560, 2561, 64},
      {PF_YUV_NV21, 2561, 2560, 64},
  };
  for (const DeriveRow& row : rows) {
    SCOPED_TRACE(row.yuv);
    // A non-null U with a null V still derives both.
    tImgPicture pic{kBase, kBase + 7, nullptr, 64, 999, 0, 0};
    pf::derive_chroma(pic, row.yuv, 40);
    EXPECT_EQ(pic.pu8U - kBase, row.u);
    EXPECT_EQ(pic.pu8V - kBase, row.v);
    EXPECT_EQ(pic.u32UVPitch, row.chroma_pitch);
    // Both given: nothing derived.
    tImgPicture given{kBase, kBase + 7, kBase + 9, 64, 999, 0, 0};
    pf::derive_chroma(given, row.yuv, 40);
    EXPECT_EQ(given.pu8U, kBase + 7);
    EXPECT_EQ(given.u32UVPitch, 999u);
  }
  tImgPicture packed{kBase, nullptr, nullptr, 64, 0, 0, 0};
  pf::derive_chroma(packed, PF_YUV_UYVY, 40);
  EXPECT_EQ(packed.pu8U, nullptr);
}

struct RegionRow {
  uint32_t yuv;
  ptrdiff_t y, u, v;  // expected offsets for T = 8, L = 6; P = 64, chroma pitch 40, V at +1000
};

TEST(Layout, MovesEveryPlaneToTheRegionOrigin) {
  const RegionRow rows[] = {
      {PF_YUV_420, 64 * 8 + 6, 3 + 4 * 40, 1000 + 3 + 4 * 40},
      {PF_YUV_420_VU, 64 * 8 + 6, 3 + 4 * 40, 1000 + 3 + 4 * 40},
      {PF_YUV_422P, 64 * 8 + 6, 3 + 8 * 40, 1000 + 3 + 8 * 40},
      {PF_YUV_NV12, 64 * 8 + 6, 6 + 4 * 40, 6 + 4 * 40 + 1},
      {PF_YUV_UYVY, 2 * (64 * 8 + 6), 0, 1000},
      {PF_YUV_YUYV, 2 * (64 * 8 + 6), 0, 1000},
  };
  for (const RegionRow& row : rows) {
    SCOPED_TRACE(row.yuv);
    tImgPicture pic{kBase, kBase, kBase + 1000, 64, 40, 0, 0};
    pf::move_to_region(pic, row.yuv, 8, 6);
    EXPECT_EQ(pic.pu8Y - kBase, row.y);
    EXPECT_EQ(pic.pu8U - kBase, row.u);
    EXPECT_EQ(pic.pu8V - kBase, row.v);
  }
  // NV21: the interleaved plane is the V pointer and U follows it.
  tImgPicture nv21{kBase, kBase + 1000, kBase, 64, 40, 0, 0};
  pf::move_to_region(nv21, PF_YUV_NV21, 8, 6);
  EXPECT_EQ(nv21.pu8V - kBase, 6 + 4 * 40);
  EXPECT_EQ(nv21.pu8U - nv21.pu8V, 1);
}

}  // namespace
