// SPDX-License-Identifier: BSD-2-Clause
// The mosaic module: the scalar kernels and Process against the block rule computed pixel by
// pixel on random pictures with canaries around them, the records a host may shorten, and the
// count limit.
#include "mosaic/mosaic.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "composition_helpers.hpp"
#include "img_mosaic.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kGuard = 64;

tImageMosaicParam valid_param() {
  tImageMosaicParam p{};
  p.s32Width = 64, p.s32Height = 32, p.s32YStride = 64, p.s32UVStride = 32;
  p.u32YuvType = PF_YUV_420, p.u32ImageType = PF_IMAGE_FRAME;
  p.u32MosaicNum = 2;
  p.atWindow[0] = {8, 4, 16, 12, 4};
  p.atWindow[1] = {40, 10, 20, 20, 7};
  return p;
}

pft::ModuleCase mosaic_case() {
  using pft::edit;
  pft::ModuleCase m;
  m.name = "mosaic";
  m.entry = PF_ENTRY_POINTS(ImageMosaic);
  m.table = &tImageMosaicFunc;
  m.id = 12;
  // The names end before the end marker, which has none.
  pft::set_names(m, pas8ImageMosaicSelfAnalyzeErrorCode, ERR_IMG_MOSAIC_SELF_INIT_POINTER,
                 ERR_IMG_MOSAIC_SELF_INIT_POINTER, ERR_IMG_MOSAIC_SELF_ANALYZE_ERROR_CODE_HANDLE,
                 ERR_IMG_MOSAIC_SELF_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.mosaic.001", ERR_IMG_MOSAIC_SELF_GET_VERSION_POINTER,
                   ERR_IMG_MOSAIC_SELF_GET_VERSION_VERLEN_POINTER,
                   ERR_IMG_MOSAIC_SELF_VERSION_BUFLEN_TOO_SHORT);
  m.param = pft::record_bytes(valid_param());
  m.family = pft::Family::kComposition;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tImageMosaicParam*>(record);
    uint8_t* src = pics.picture(p.u32YuvType, p.s32YStride, p.s32Height);
    uint8_t* pictures[2] = {
        src, (pics.byte() & 1) != 0 ? src : pics.picture(p.u32YuvType, p.s32YStride, p.s32Height)};
    int context = 0;
    return e.Process(h, pictures, &context);
  };
  m.mem_size = PF_MOSAIC_MEM_SIZE;
  pft::set_null_codes(
      m, {ERR_IMG_MOSAIC_SELF_INIT_POINTER, ERR_IMG_MOSAIC_SELF_CLOSE_POINTER,
          ERR_IMG_MOSAIC_SELF_CLOSE_MEM_POINTER, 0, ERR_IMG_MOSAIC_SELF_SETPARAM_POINTER,
          ERR_IMG_MOSAIC_SELF_STATUS_POINTER, ERR_IMG_MOSAIC_SELF_INPUT_POINTER});
  m.open_failures = {ERR_IMG_MOSAIC_SELF_INIT_HANDLE_MEM_MALLOC_ERROR,
                     ERR_IMG_MOSAIC_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_MOSAIC_GET_DMA_HANDLE;
  // Each row breaks one check and the ones after it: the first failing check wins.
  using P = tImageMosaicParam;
  struct Row {
    const char* what;
    uint32_t code;
    void (*change)(P&);
  };
  const Row rows[] = {
      {"odd width", ERR_IMG_MOSAIC_SELF_INIT_IMAGE_WIDTH_ILLEGAL,
       [](P& p) { p.s32Width = 63, p.s32Height = 0; }},
      {"width past the limit", ERR_IMG_MOSAIC_SELF_INIT_IMAGE_WIDTH_ILLEGAL,
       [](P& p) { p.s32Width = 12290, p.s32YStride = 12290; }},
      {"height 0", ERR_IMG_MOSAIC_SELF_INIT_IMAGE_HEIGHT_ILLEGAL,
       [](P& p) { p.s32Height = 0, p.s32YStride = 0; }},
      {"height past the limit", ERR_IMG_MOSAIC_SELF_INIT_IMAGE_HEIGHT_ILLEGAL,
       [](P& p) { p.s32Height = 6146; }},
      {"pitch under the width", ERR_IMG_MOSAIC_SELF_INIT_YSTRIDE_ILLEGAL,
       [](P& p) { p.s32YStride = 62, p.u32YuvType = 4201; }},
      {"chroma pitch not half", ERR_IMG_MOSAIC_SELF_INIT_UVSTRIDE_ILLEGAL,
       [](P& p) { p.s32UVStride = 33, p.u32YuvType = 4201; }},
      {"YUYV", ERR_IMG_MOSAIC_SELF_INIT_YUVTYPE_ILLEGAL,
       [](P& p) { p.u32YuvType = PF_YUV_YUYV, p.u32ImageType = 3; }},
      {"interlaced", ERR_IMG_MOSAIC_SELF_INIT_IMAGETYPE_ILLEGAL,
       [](P& p) { p.u32ImageType = PF_IMAGE_INTERLACED, p.u32MosaicNum = 33; }},
      {"33 windows", ERR_IMG_MOSAIC_SELF_INIT_MOSAIC_NUM_ILLEGAL,
       [](P& p) { p.u32MosaicNum = 33, p.atWindow[0].s32Left = -1; }},
      {"negative count", ERR_IMG_MOSAIC_SELF_INIT_MOSAIC_NUM_ILLEGAL,
       [](P& p) { p.u32MosaicNum = 0xFFFFFFFFu; }},
      {"negative left", ERR_IMG_MOSAIC_SELF_INIT_WINDOWS_LEFT_MINUS_ZERO,
       [](P& p) { p.atWindow[1].s32Left = -2, p.atWindow[1].s32Width = -1; }},
      {"negative width", ERR_IMG_MOSAIC_SELF_INIT_WINDOWS_WIDTH_MINUS_ZERO,
       [](P& p) { p.atWindow[1].s32Width = -1, p.atWindow[1].s32Top = -1; }},
      {"block wider than the window", ERR_IMG_MOSAIC_SELF_INIT_GRANULARITY_EXCESS_WINDOWS_WIDTH,
       [](P& p) { p.atWindow[0].s32Granularity = 17, p.atWindow[0].s32Left = 60; }},
      {"negative block", ERR_IMG_MOSAIC_SELF_INIT_GRANULARITY_EXCESS_WINDOWS_WIDTH,
       [](P& p) { p.atWindow[0].s32Granularity = -4; }},
      {"window past the pitch", ERR_IMG_MOSAIC_SELF_INIT_WINDOWS_WIDTH_PLUS_LEFT_EXCESS_Y_STRIDE,
       [](P& p) { p.atWindow[1].s32Left = 45, p.atWindow[1].s32Top = -1; }},
      {"negative top", ERR_IMG_MOSAIC_SELF_INIT_WINDOWS_TOP_MINUS_ZERO,
       [](P& p) { p.atWindow[0].s32Top = -2, p.atWindow[0].s32Height = -1; }},
      {"negative height", ERR_IMG_MOSAIC_SELF_INIT_WINDOWS_HEIGHT_MINUS_ZERO,
       [](P& p) { p.atWindow[0].s32Height = -1, p.atWindow[0].s32Granularity = 0; }},
      {"block taller than the window", ERR_IMG_MOSAIC_SELF_INIT_GRANULARITY_EXCESS_WINDOWS_HEIGHT,
       [](P& p) { p.atWindow[1].s32Height = 6, p.atWindow[1].s32Top = 30; }},
      {"window below the picture",
       ERR_IMG_MOSAIC_SELF_INIT_WINDOWS_TOP_PLUS_HEIGHT_EXCESS_IMAGE_HEIGHT,
       [](P& p) { p.atWindow[1].s32Top = 13; }},
  };
  for (const Row& r : rows) m.rows.push_back({r.what, edit<P>(r.change), r.code});
  return m;
}
PF_MODULE_CASE(mosaic_case);

bool packed(const tImageMosaicParam& p) { return p.u32YuvType == PF_YUV_UYVY; }

size_t line_bytes(const tImageMosaicParam& p) { return size_t(p.s32YStride) * (packed(p) ? 2 : 1); }

// The block copied first when source and destination differ.
size_t copy_bytes(const tImageMosaicParam& p) {
  const size_t area = size_t(p.s32Width) * size_t(p.s32Height);
  return packed(p) ? 2 * area : area * 3 / 2;
}

// Bytes the kernels may touch: the copied block, and every line of the pitch-spaced picture.
size_t picture_bytes(const tImageMosaicParam& p) {
  return std::max(copy_bytes(p), line_bytes(p) * size_t(p.s32Height));
}

// A picture buffer with canaries before and after.
struct Picture {
  Bytes bytes;
  explicit Picture(size_t size, pft::Rng& rng) : bytes(size + 2 * kGuard) {
    for (uint8_t& b : bytes) b = rng.byte();
  }
  uint8_t* data() { return bytes.data() + kGuard; }
};

// The guarded buffer `pic` after the block rule, sample by sample: out(x, y) = in(left + g*(x/g),
// top + g*(y/g)) in window coordinates, each window applied to what the ones before it left.
Bytes expected_mosaic(Bytes pic, const tImageMosaicParam& p) {
  const bool field = p.u32ImageType == PF_IMAGE_FIELD;
  const size_t step = packed(p) ? 2 : 1, lb = line_bytes(p);
  for (int f = 0; f < (field ? 2 : 1); ++f) {
    const size_t base = kGuard + size_t(f) * size_t(p.s32Height / 2) * lb + step - 1;
    for (uint32_t i = 0; i < p.u32MosaicNum; ++i) {
      const tMosaicWindow& w = p.atWindow[i];
      const int g = w.s32Granularity;
      if (g == 0) continue;
      const int top = field ? w.s32Top / 2 : w.s32Top;
      const int height = field ? w.s32Height / 2 : w.s32Height;
      const Bytes before = pic;
      auto at = [&](int x, int y) {
        return base + size_t(top + y) * lb + size_t(w.s32Left + x) * step;
      };
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < w.s32Width; ++x) pic[at(x, y)] = before[at(x / g * g, y / g * g)];
      }
    }
  }
  return pic;
}

// A random valid record: pitch slack, windows anywhere the checks allow (into the padding too),
// block sizes biased to the sizes the SIMD forms treat apart.
tImageMosaicParam random_param(pft::Rng& rng, uint32_t yuv, uint32_t type) {
  tImageMosaicParam p{};
  p.s32Width = 2 * rng.range(1, rng.chance(20) ? 200 : 40);
  p.s32Height = 2 * rng.range(1, 30);
  p.s32YStride = p.s32Width + (rng.chance(50) ? rng.range(0, 37) : 0);
  p.s32UVStride = p.s32YStride / 2;
  p.u32YuvType = yuv, p.u32ImageType = type;
  p.u32MosaicNum = rng.below(rng.chance(10) ? 33 : 5);
  static constexpr int kBlocks[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33};
  for (uint32_t i = 0; i < p.u32MosaicNum; ++i) {
    tMosaicWindow& w = p.atWindow[i];
    w.s32Left = rng.range(0, p.s32YStride - 1);
    w.s32Width = rng.range(0, p.s32YStride - w.s32Left);
    w.s32Top = rng.range(0, p.s32Height - 1);
    w.s32Height = rng.range(0, p.s32Height - w.s32Top);
    const int limit = std::min(w.s32Width, w.s32Height);
    const int g = rng.chance(70) ? kBlocks[rng.below(14)] : rng.range(0, limit);
    w.s32Granularity = std::min(g, limit);
  }
  return p;
}

// The scalar kernels define the block rule; checkasm holds every SIMD form to its scalar twin,
// and Process (below) runs the form the dispatch picked.
TEST(MosaicKernels, FollowTheBlockRuleAndTouchNothingElse) {
  pft::Rng rng(20261206);
  for (const auto& k : pf::mosaic::mosaic_kernels()) {
    const std::string name = k.name;
    const uint32_t yuv = name.find("422") != std::string::npos ? PF_YUV_UYVY : PF_YUV_420;
    const uint32_t type = name.find("Field") != std::string::npos ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
    for (int n = 0; n < 60; ++n) {
      const tImageMosaicParam p = random_param(rng, yuv, type);
      const bool in_place = rng.chance(40);
      SCOPED_TRACE(testing::Message() << k.name << " case " << n << ": " << p.s32Width << "x"
                                      << p.s32Height << " pitch " << p.s32YStride << ", "
                                      << p.u32MosaicNum << " windows, in place " << in_place);
      const size_t size = picture_bytes(p);
      Picture src(size, rng), dst(size, rng);
      Picture& out = in_place ? src : dst;
      Bytes copied = out.bytes;
      if (!in_place) std::memcpy(copied.data() + kGuard, src.data(), copy_bytes(p));
      const Bytes expected = expected_mosaic(copied, p);
      const Bytes source = src.bytes;
      k.scalar(src.data(), out.data(), &p);
      ASSERT_EQ(pft::first_difference(out.bytes, expected, kGuard), "");
      if (!in_place) {
        ASSERT_EQ(pft::first_difference(src.bytes, source, kGuard), "") << "the source changed";
      }
    }
  }
}

class Mosaic : public pft::VmemTest {};

// Through the module: the kernel it picks for each layout, block 1 and block 0 changing nothing,
// and a window reaching into the pitch padding.
TEST_F(Mosaic, ProcessPixelatesEachLayout) {
  for (const uint32_t yuv : {PF_YUV_420, PF_YUV_UYVY}) {
    for (const uint32_t type : {PF_IMAGE_FRAME, PF_IMAGE_FIELD}) {
      SCOPED_TRACE(testing::Message() << yuv << " type " << type);
      tImageMosaicParam p = valid_param();
      p.u32YuvType = yuv, p.u32ImageType = type;
      p.s32YStride = 72, p.s32UVStride = 36;
      p.u32MosaicNum = 5;
      p.atWindow[2] = {0, 0, 64, 32, 1};
      p.atWindow[3] = {0, 0, 0, 0, 0};
      p.atWindow[4] = {60, 20, 12, 12, 5};
      pft::Rng rng(yuv + type);
      Picture pic(picture_bytes(p), rng);
      const Bytes expected = expected_mosaic(pic.bytes, p);
      void* h = nullptr;
      ASSERT_EQ(ImageMosaicOpen_c(&h, &p, mem()), 0u);
      uint8_t* pictures[2] = {pic.data(), pic.data()};
      int context = 0;
      ASSERT_EQ(ImageMosaicProcess_c(h, pictures, &context), 0u);
      EXPECT_EQ(pft::first_difference(pic.bytes, expected, kGuard), "");
      // A single window of block size 1 leaves the picture as it was.
      p.u32MosaicNum = 1, p.atWindow[0] = p.atWindow[2];
      ASSERT_EQ(ImageMosaicSetParam_c(h, &p), 0u);
      const Bytes before = pic.bytes;
      ASSERT_EQ(ImageMosaicProcess_c(h, pictures, &context), 0u);
      EXPECT_EQ(pft::first_difference(pic.bytes, before, kGuard), "");
      uint8_t* missing[2] = {pic.data(), nullptr};
      EXPECT_EQ(ImageMosaicProcess_c(h, missing, &context),
                ERR_IMG_MOSAIC_SELF_OUTPUT_DATA_POINTER);
      missing[0] = nullptr;
      EXPECT_EQ(ImageMosaicProcess_c(h, missing, &context), ERR_IMG_MOSAIC_SELF_INPUT_DATA_POINTER);
      EXPECT_EQ(ImageMosaicClose_c(h), 0u);
    }
  }
}

// A host may pass a record that ends after its last window: Open reads no further and GetStatus
// writes no further (the sanitizers see a read past the heap block).
TEST_F(Mosaic, RecordsEndAfterTheirLastWindow) {
  const tImageMosaicParam full = valid_param();
  const size_t used = offsetof(tImageMosaicParam, atWindow) + 2 * sizeof(tMosaicWindow);
  Bytes record(used);
  std::memcpy(record.data(), &full, used);
  void* h = nullptr;
  ASSERT_EQ(ImageMosaicOpen_c(&h, record.data(), mem()), 0u);
  ASSERT_EQ(ImageMosaicSetParam_c(h, record.data()), 0u);
  Bytes status(used + 16, 0xA5);
  ASSERT_EQ(ImageMosaicGetStatus_c(h, status.data()), 0u);
  EXPECT_EQ(0, std::memcmp(status.data(), record.data(), used));
  for (size_t i = used; i < status.size(); ++i) EXPECT_EQ(status[i], 0xA5) << i;
  // 32 windows are accepted.
  tImageMosaicParam many = full;
  many.u32MosaicNum = PF_MOSAIC_MAX_WINDOWS;
  for (tMosaicWindow& w : many.atWindow) w = {2, 2, 8, 8, 2};
  EXPECT_EQ(ImageMosaicSetParam_c(h, &many), 0u);
  EXPECT_EQ(ImageMosaicClose_c(h), 0u);
}

}  // namespace
