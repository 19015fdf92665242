// SPDX-License-Identifier: BSD-2-Clause
// The scene-change flag of the resizer's D1 UYVY -> 4:2:0 conversions: its thresholds on flat
// pictures, and the flag and the means through Open, Process and SetParam of the resizer and of
// the UYVY -> 4:2:0 converter. (Their line mappings and direct calls are checked with the other
// same-size kernels in copy_kernels_test.cpp.)
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "img_resizer.h"
#include "img_yuv422toyuv420.h"
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

// One sequence through the resizer and through the UYVY -> 4:2:0 converter, which hands the flag
// on in its result record: the first picture after Open starts a scene, the same picture again
// does not, a cut does; SetParam keeps the means the next picture is compared with.
TEST_F(D1Resizer, SceneChangeThroughTheResizerAndTheConverter) {
  tImageResizerParam p{};
  p.s32SrcWidth = p.s32DstWidth = 720, p.s32SrcHeight = p.s32DstHeight = 576;
  p.u32SrcYuvType = PF_YUV_UYVY, p.u32DstYuvType = PF_YUV_420;
  p.u32SrcImageType = p.u32DstImageType = PF_IMAGE_FRAME;
  const tYUV422ToYUV420Param c{720, 576, 1, 720, 576, 1};
  void* resizer = nullptr;
  void* converter = nullptr;
  ASSERT_EQ(ImageResizerOpen_c(&resizer, &p, mem()), 0u);
  ASSERT_EQ(ImgYUV422ToYUV420Open_c(&converter, &c, mem()), 0u);
  const tResizerGeometry& g = static_cast<tImageResizerInstance*>(resizer)->tGeometry;
  EXPECT_EQ(g.u32MeanY + g.u32MeanU + g.u32MeanV, 0u) << "means after Open";
  const std::vector<uint8_t> grey = flat_uyvy(720, 576, 128, 128, 128);
  const std::vector<uint8_t> black = flat_uyvy(720, 576, 16, 128, 128);
  std::vector<uint8_t> out(720 * 576 * 3 / 2);
  const struct {
    const std::vector<uint8_t>& picture;
    uint32_t flag;
    bool set_param_first;
  } steps[] = {{grey, 1, false},  {grey, 0, false},  {grey, 0, true},
               {black, 1, false}, {black, 0, false}, {grey, 1, false}};
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE("picture " + std::to_string(i));
    if (steps[i].set_param_first) {
      ASSERT_EQ(ImageResizerSetParam_c(resizer, &p), 0u);
      EXPECT_EQ(g.u32MeanY, 128u) << "SetParam keeps the means";
    }
    uint8_t* in = const_cast<uint8_t*>(steps[i].picture.data());
    tImgPicture s{in, nullptr, nullptr, 720, 0, 0, 0},
        d{out.data(), nullptr, nullptr, 720, 360, 0xAB, 0};
    EXPECT_EQ(ImageResizerProcess_c(resizer, &s, &d), 0u);
    EXPECT_EQ(d.u32Spare1, steps[i].flag) << "resizer";
    tYUV422ToYUV420Buffers buffers{in, out.data()};
    tYUV422ToYUV420Result result{};
    EXPECT_EQ(ImgYUV422ToYUV420Process_c(converter, &buffers, &result), 0u);
    EXPECT_EQ(result.u32SceneChange, steps[i].flag) << "converter";
  }
  EXPECT_EQ(ImageResizerClose_c(resizer), 0u);
  EXPECT_EQ(ImgYUV422ToYUV420Close_c(converter), 0u);
}

}  // namespace
