// SPDX-License-Identifier: BSD-2-Clause
// The resizer's D1 UYVY -> 4:2:0 conversions: line mapping, padded pitches and the scene-change
// flag, through the kernels and through the resizer.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "guarded.hpp"
#include "img_resizer.h"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using pft::GuardedPicture;
using pft::Rng;

enum class Kind { kFrameToFrame, kFrameToField, kFieldToField };

// Source line of destination luma row `row` of an h-line picture.
uint32_t luma_line(Kind kind, uint32_t row, uint32_t h) {
  if (kind != Kind::kFrameToField) return row;  // field pictures keep their storage order
  return row < h / 2 ? 2 * row : 2 * (row - h / 2) + 1;
}

// Source line of destination chroma row `row`: the first line of each pair of the field (or
// frame) the row belongs to. A frame split into fields sends frame chroma line 2k to the first
// field and 2k + 1 to the second, as 4:2:0 frame-to-field re-layout does.
uint32_t chroma_line(Kind kind, uint32_t row, uint32_t h) {
  switch (kind) {
    case Kind::kFrameToFrame:
      return 2 * row;
    case Kind::kFrameToField:
      return row < h / 4 ? 4 * row : 4 * (row - h / 4) + 2;
    case Kind::kFieldToField:
      return row < h / 4 ? 2 * row : h / 2 + 2 * (row - h / 4);
  }
  return 0;
}

// Every Y, U and V byte of the w x h picture against the UYVY line it must come from.
std::string check_mapping(Kind kind, const GuardedPicture& src, const GuardedPicture& dst,
                          uint32_t w, uint32_t h) {
  const auto& in = src.planes()[0];
  for (size_t p = 0; p < 3; ++p) {
    const auto& out = dst.planes()[p];
    const uint32_t rows = p == 0 ? h : h / 2, cols = p == 0 ? w : w / 2;
    for (uint32_t y = 0; y < rows; ++y) {
      const uint32_t line = p == 0 ? luma_line(kind, y, h) : chroma_line(kind, y, h);
      for (uint32_t x = 0; x < cols; ++x) {
        const uint32_t byte = p == 0 ? 2 * x + 1 : 4 * x + (p == 1 ? 0 : 2);
        if (out.at(x, y) != in.at(byte, line)) {
          std::ostringstream msg;
          msg << "plane " << p << " row " << y << " column " << x << " is not byte " << byte
              << " of source line " << line;
          return msg.str();
        }
      }
    }
  }
  return {};
}

tResizerKernel scalar(Kind kind) {
  switch (kind) {
    case Kind::kFrameToFrame:
      return YUV422toYUV420D1FrametoD1Frame_c;
    case Kind::kFrameToField:
      return YUV422toYUV420D1FrametoD1Field_c;
    case Kind::kFieldToField:
      return YUV422toYUV420D1FieldtoD1Field_c;
  }
  return nullptr;
}

class D1Resizer : public pft::VmemTest {};

TEST_F(D1Resizer, LineMappingWithPaddedPitches) {
  struct Row {
    const char* name;
    Kind kind;
    uint32_t si, di, h;
    tResizerKernel* pointer;
  } rows[] = {
      {"frame PAL", Kind::kFrameToFrame, 1, 1, 576, &YUV422toYUV420D1FrametoD1Frame},
      {"interlaced NTSC", Kind::kFrameToFrame, 3, 3, 480, &YUV422toYUV420D1FrametoD1Frame},
      {"frame to field", Kind::kFrameToField, 1, 2, 576, &YUV422toYUV420D1FrametoD1Field},
      {"field to field", Kind::kFieldToField, 2, 2, 576, &YUV422toYUV420D1FieldtoD1Field},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    tImageResizerParam p{};
    p.s32SrcWidth = p.s32DstWidth = 720;
    p.s32SrcHeight = p.s32DstHeight = int32_t(r.h);
    p.u32SrcYuvType = PF_YUV_UYVY, p.u32SrcImageType = r.si;
    p.u32DstYuvType = PF_YUV_420, p.u32DstImageType = r.di;
    void* handle = nullptr;
    ASSERT_EQ(ImageResizerOpen_c(&handle, &p, mem()), 0u);
    EXPECT_EQ(static_cast<tImageResizerInstance*>(handle)->pfnKernel, *r.pointer);

    Rng rng(5);
    GuardedPicture src(PF_YUV_UYVY, 720, r.h, rng, 32);
    GuardedPicture dst(PF_YUV_420, 720, r.h, rng, 32);
    const std::vector<uint8_t> src_before = src.planes()[0].raw();
    tImgPicture s = src.record(), d = dst.record();
    EXPECT_EQ(ImageResizerProcess_c(handle, &s, &d), 0u);
    EXPECT_EQ(ImageResizerClose_c(handle), 0u);

    EXPECT_EQ(dst.check_guards(), "");
    EXPECT_TRUE(src.planes()[0].raw() == src_before) << "source changed";
    EXPECT_EQ(check_mapping(r.kind, src, dst, 720, r.h), "");
  }
}

// Calls a D1 kernel directly on a w x h picture; the source planes are exactly sized, so the
// sanitizer build catches reads past them.
TEST(D1Kernels, SmallAndOddHeightsStayInside) {
  const Kind kinds[] = {Kind::kFrameToFrame, Kind::kFrameToField, Kind::kFieldToField};
  for (Kind kind : kinds) {
    for (uint32_t h : {8u, 12u, 7u, 6u, 1u}) {
      const uint32_t w = 14;
      SCOPED_TRACE("kind " + std::to_string(int(kind)) + ", height " + std::to_string(h));
      Rng rng(h);
      std::vector<uint8_t> uyvy(size_t(2) * w * h);
      for (auto& b : uyvy) b = rng.byte();
      GuardedPicture src(PF_YUV_UYVY, w, h, rng), dst(PF_YUV_420, w, h, rng, 4);
      std::memcpy(src.planes()[0].data(), uyvy.data(), uyvy.size());  // same bytes, for mapping
      tResizerGeometry g{};
      g.u32SrcWidth = g.u32DstWidth = w;
      g.u32SrcHeight = g.u32DstHeight = h;
      const tResizerGeometry g0 = g;
      tImgPicture s{uyvy.data(), nullptr, nullptr, w, 0, 0, 0}, d = dst.record();
      const tImgPicture s0 = s;
      scalar(kind)(nullptr, &g, &s, &d);
      EXPECT_EQ(dst.check_guards(), "");
      EXPECT_EQ(std::memcmp(&s, &s0, sizeof s), 0) << "source record changed";
      // Only the means move, and only for the frame sources.
      g.u32MeanY = g0.u32MeanY, g.u32MeanU = g0.u32MeanU, g.u32MeanV = g0.u32MeanV;
      EXPECT_EQ(std::memcmp(&g, &g0, sizeof g), 0) << "geometry changed";
      if (h % 4 == 0) {
        EXPECT_EQ(check_mapping(kind, src, dst, w, h), "");
      }
    }
  }
}

// A w x h UYVY picture of one colour.
std::vector<uint8_t> flat_uyvy(uint32_t w, uint32_t h, uint8_t y, uint8_t u, uint8_t v) {
  std::vector<uint8_t> out(size_t(2) * w * h);
  for (size_t i = 0; i < out.size(); i += 4) {
    out[i] = u, out[i + 1] = y, out[i + 2] = v, out[i + 3] = y;
  }
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
  for (Kind kind : {Kind::kFrameToFrame, Kind::kFrameToField}) {
    for (const Row& r : rows) {
      SCOPED_TRACE("kind " + std::to_string(int(kind)) + ", previous Y " +
                   std::to_string(r.prev[0]) + ", now Y " + std::to_string(r.now[0]));
      std::vector<uint8_t> uyvy = flat_uyvy(w, h, r.now[0], r.now[1], r.now[2]);
      std::vector<uint8_t> out(size_t(w) * h * 3 / 2);
      tResizerGeometry g{};
      g.u32SrcWidth = g.u32DstWidth = w;
      g.u32SrcHeight = g.u32DstHeight = h;
      g.u32MeanY = r.prev[0], g.u32MeanU = r.prev[1], g.u32MeanV = r.prev[2];
      tImgPicture s{uyvy.data(), nullptr, nullptr, w, 0, 0, 0};
      tImgPicture d{out.data(), out.data() + w * h, out.data() + w * h * 5 / 4, w, w / 2, 7, 0};
      scalar(kind)(nullptr, &g, &s, &d);
      EXPECT_EQ(d.u32Spare1, r.flag);
      EXPECT_EQ(g.u32MeanY, r.now[0]);
      EXPECT_EQ(g.u32MeanU, r.now[1]);
      EXPECT_EQ(g.u32MeanV, r.now[2]);
    }
  }
}

TEST_F(D1Resizer, SceneChangeThroughProcess) {
  tImageResizerParam p{};
  p.s32SrcWidth = p.s32DstWidth = 720;
  p.s32SrcHeight = p.s32DstHeight = 576;
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
