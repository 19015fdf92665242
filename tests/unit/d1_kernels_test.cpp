// SPDX-License-Identifier: BSD-2-Clause
// The scene-change flag of the resizer's D1 UYVY -> 4:2:0 conversions: its thresholds on flat
// pictures, and the flag and the means through Open, Process and SetParam. (Their line mappings
// and direct calls are checked with the other same-size kernels in copy_kernels_test.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "img_resizer.h"
#include "vmem_fixture.hpp"

namespace {

// A w x h UYVY picture of one colour.
std::vector<uint8_t> flat_uyvy(uint32_t w, uint32_t h, uint8_t y, uint8_t u, uint8_t v) {
  std::vector<uint8_t> out(size_t(2) * w * h);
  for (size_t i = 0; i < out.size(); i += 4)
    out[i] = u, out[i + 1] = y, out[i + 2] = v, out[i + 3] = y;
  return out;
}

TEST(D1Kernels, SceneChangeThresholds) {
  struct Row {
    uint32_t prev[3];
    uint8_t now[3];
    uint32_t flag;
  } rows[] = {
      {{0, 0, 0}, {128, 128, 128}, 1},        // first picture after Open
      {{128, 128, 128}, {128, 128, 128}, 0},  // unchanged
      {{200, 128, 128}, {181, 128, 128}, 0},  // differences sum to 19
      {{200, 128, 128}, {180, 128, 128}, 0},  // 20, but 256 * 20 / 181 = 28 is too small a change
      {{60, 128, 128}, {40, 128, 128}, 1},    // 20 and 256 * 20 / 41 = 124
      {{104, 128, 128}, {84, 128, 128}, 1},   // 20 and 256 * 20 / 85 = 60 exactly
      {{105, 128, 128}, {85, 128, 128}, 0},   // 20 and 256 * 20 / 86 = 59
      {{100, 100, 100}, {107, 107, 106}, 0},  // 20 in all, relative 16 + 16 + 14 = 46
      {{20, 30, 30}, {28, 38, 36}, 1},        // 22, relative 70 + 52 + 41
      {{235, 128, 128}, {16, 128, 128}, 1},   // black after white
  };
  const uint32_t w = 16, h = 8;
  for (tResizerKernel kernel :
       {YUV422toYUV420D1FrametoD1Frame_c, YUV422toYUV420D1FrametoD1Field_c}) {
    for (const Row& r : rows) {
      SCOPED_TRACE("previous Y " + std::to_string(r.prev[0]) + ", now Y " +
                   std::to_string(r.now[0]));
      std::vector<uint8_t> uyvy = flat_uyvy(w, h, r.now[0], r.now[1], r.now[2]);
      std::vector<uint8_t> out(size_t(w) * h * 3 / 2);
      tResizerGeometry g{};
      g.u32SrcWidth = g.u32DstWidth = w, g.u32SrcHeight = g.u32DstHeight = h;
      g.u32MeanY = r.prev[0], g.u32MeanU = r.prev[1], g.u32MeanV = r.prev[2];
      tImgPicture s{uyvy.data(), nullptr, nullptr, w, 0, 0, 0};
      tImgPicture d{out.data(), out.data() + w * h, out.data() + w * h * 5 / 4, w, w / 2, 7, 0};
      kernel(nullptr, &g, &s, &d);
      EXPECT_EQ(d.u32Spare1, r.flag);
      EXPECT_EQ(g.u32MeanY, r.now[0]);
      EXPECT_EQ(g.u32MeanU, r.now[1]);
      EXPECT_EQ(g.u32MeanV, r.now[2]);
    }
  }
}

class D1Resizer : public pft::VmemTest {};

TEST_F(D1Resizer, SceneChangeThroughProcess) {
  tImageResizerParam p{};
  p.s32SrcWidth = p.s32DstWidth = 720, p.s32SrcHeight = p.s32DstHeight = 576;
  p.u32SrcYuvType = PF_YUV_UYVY, p.u32DstYuvType = PF_YUV_420;
  p.u32SrcImageType = p.u32DstImageType = PF_IMAGE_FRAME;
  void* handle = nullptr;
  ASSERT_EQ(ImageResizerOpen_c(&handle, &p, mem()), 0u);
  const tResizerGeometry& g = static_cast<tImageResizerInstance*>(handle)->tGeometry;
  EXPECT_EQ(g.u32MeanY + g.u32MeanU + g.u32MeanV, 0u) << "means after Open";
  const std::vector<uint8_t> grey = flat_uyvy(720, 576, 128, 128, 128);
  const std::vector<uint8_t> black = flat_uyvy(720, 576, 16, 128, 128);
  std::vector<uint8_t> out(720 * 576 * 3 / 2);
  auto process = [&](const std::vector<uint8_t>& picture) {
    tImgPicture s{const_cast<uint8_t*>(picture.data()), nullptr, nullptr, 720, 0, 0, 0};
    tImgPicture d{out.data(), nullptr, nullptr, 720, 360, 0xAB, 0};
    EXPECT_EQ(ImageResizerProcess_c(handle, &s, &d), 0u);
    return d.u32Spare1;
  };
  EXPECT_EQ(process(grey), 1u) << "grey after Open";
  EXPECT_EQ(process(grey), 0u) << "the same grey frame again";
  EXPECT_EQ(g.u32MeanY, 128u);
  ASSERT_EQ(ImageResizerSetParam_c(handle, &p), 0u);
  EXPECT_EQ(g.u32MeanY, 128u) << "SetParam keeps the means";
  EXPECT_EQ(process(grey), 0u) << "grey after SetParam";
  EXPECT_EQ(process(black), 1u) << "black after grey";
  EXPECT_EQ(process(black), 0u) << "black again";
  EXPECT_EQ(ImageResizerClose_c(handle), 0u);
}

}  // namespace
