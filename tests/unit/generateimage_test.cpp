// SPDX-License-Identifier: BSD-2-Clause
// Generated pictures: the module for the generic tests, every pattern against the renovation
// module run directly on the same picture, and what GetMemSize takes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "img_generateimage.h"
#include "img_renovation.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using pft::Bytes;
using pft::edit;
using P = tImgGenerateImageParam;

pft::ModuleCase generate_case() {
  pft::ModuleCase m;
  m.name = "generateimage";
  m.entry = PF_ENTRY_POINTS(ImgGenerateImage);
  m.table = &tImgGenerateImageFunc;
  m.id = 11;
  pft::set_names(m, pas8ImgGenerateImageAnalyzeErrorCode, ERR_IMG_GENERATE_IMAGE_START,
                 ERR_IMG_GENERATE_IMAGE_OPEN_PARAM_POINTER,
                 ERR_IMG_GENERATE_IMAGE_GETMEMSIZE_HEIGHT,
                 ERR_IMG_GENERATE_IMAGE_ANALYZECODE_HANDLE);
  // The renovation instance's codes come back unchanged; this analyser does not name them.
  m.inner_names = {ImgRenovationAnalyzeErrorCode_c};
  pft::set_version(m, "pelforge_v300.generateimage.003", ERR_IMG_GENERATE_IMAGE_GETVERSION_HANDLE,
                   ERR_IMG_GENERATE_IMAGE_GETVERSION_POINTER,
                   ERR_IMG_GENERATE_IMAGE_GETVERSION_LENGTH);
  m.param = pft::record_bytes(P{PF_RENOVATION_BARS, 64, 16});
  m.family = pft::Family::kOverlay;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const P*>(record);
    uint8_t* planes[3] = {pics.picture(PF_YUV_420, p.s32Width, p.s32Height), nullptr, nullptr};
    int context = 0;
    return e.Process(h, planes, &context);
  };
  m.mem_size = 104 + 92;
  pft::set_null_codes(
      m, {ERR_IMG_GENERATE_IMAGE_OPEN_PARAM_POINTER, ERR_IMG_GENERATE_IMAGE_CLOSE_HANDLE,
          ERR_IMG_GENERATE_IMAGE_CLOSE_HANDLE, ERR_IMG_GENERATE_IMAGE_CLOSE_FREE,
          ERR_IMG_GENERATE_IMAGE_SET_PARAM_HANDLE, ERR_IMG_GENERATE_IMAGE_GET_STATUS_HANDLE,
          ERR_IMG_GENERATE_IMAGE_PROCESS_HANDLE});
  // The instance, the renovation record, then the renovation's instance and scratch.
  m.open_failures = {ERR_IMG_GENERATE_IMAGE_OPEN_MALLOC, ERR_IMG_GENERATE_IMAGE_OPEN_MALLOC,
                     ERR_IMG_RENOVATION_OPEN_MALLOC, ERR_IMG_RENOVATION_OPEN_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_RENOVATION_OPEN_GET_DMA_HANDLE;
  m.rows = {
      PF_REFUSED2(P, "solid colour", ERR_IMG_GENERATE_IMAGE_OPEN_PATTER_TYPE,
                  ERR_IMG_GENERATE_IMAGE_SET_PARAM_PATTER_TYPE,
                  p.u32PatternType = PF_RENOVATION_SOLID),
      PF_REFUSED2(P, "pattern 0", ERR_IMG_GENERATE_IMAGE_OPEN_PATTER_TYPE,
                  ERR_IMG_GENERATE_IMAGE_SET_PARAM_PATTER_TYPE, p.u32PatternType = 0),
      // The sizes are the renovation instance's to refuse, after the instance was taken.
      PF_REFUSED_LATE(P, "bars 72 wide", ERR_IMG_RENOVATION_WIDTH, p.s32Width = 72),
      PF_REFUSED_LATE(P, "height 0", ERR_IMG_RENOVATION_HEIGHT, p.s32Height = 0),
      PF_REFUSED_LATE(P, "test card of 704x576", ERR_IMG_RENOVATION_WIDTH_HEIGHT_GLOBOSITY,
                      p.u32PatternType = 1, p.s32Width = 704, p.s32Height = 576),
  };
  return m;
}
PF_MODULE_CASE(generate_case);

class GenerateImage : public pft::VmemTest {};

// The picture is the renovation module's pattern for a 4:2:0 frame in one buffer; SetParam
// switches patterns on the same instance. Nothing is written past the picture.
TEST_F(GenerateImage, PatternsAreTheRenovationModules) {
  const P params[] = {{PF_RENOVATION_TESTCARD, 720, 576},
                      {PF_RENOVATION_BARS, 352, 288},
                      {PF_RENOVATION_BARS2, 16, 2},
                      {PF_RENOVATION_BARS, 720, 480}};
  void* h = nullptr;
  ASSERT_EQ(ImgGenerateImageOpen_c(&h, &params[0], mem()), 0u);
  pft::Rng rng(5);
  for (const P& p : params) {
    SCOPED_TRACE(std::to_string(p.u32PatternType) + " " + std::to_string(p.s32Width));
    ASSERT_EQ(ImgGenerateImageSetParam_c(h, &p), 0u);
    const size_t bytes = size_t(p.s32Width) * size_t(p.s32Height) * 3 / 2;
    Bytes got(bytes + 64), want(bytes);
    for (auto& v : got) v = rng.byte();
    const Bytes tail(got.end() - 64, got.end());
    uint8_t* planes[1] = {got.data()};
    int context = 0;
    ASSERT_EQ(ImgGenerateImageProcess_c(h, planes, &context), 0u);
    EXPECT_EQ(Bytes(got.end() - 64, got.end()), tail);

    const tRenovationParam r{p.u32PatternType, p.s32Width, p.s32Height, PF_YUV_420, 1, 0, 0, 0, 0};
    void* ren = nullptr;
    ASSERT_EQ(ImgRenovationOpen_c(&ren, &r, mem()), 0u);
    tImgPicture pic{want.data(), nullptr, nullptr, uint32_t(p.s32Width), 0, 0, 0};
    ASSERT_EQ(ImgRenovationProcess_c(ren, &pic, &context), 0u);
    ASSERT_EQ(ImgRenovationClose_c(ren), 0u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + ptrdiff_t(bytes)), want);
  }
  // A refused SetParam leaves the last pattern in place.
  const P bad{PF_RENOVATION_BARS, 24, 16};
  EXPECT_EQ(ImgGenerateImageSetParam_c(h, &bad), ERR_IMG_RENOVATION_WIDTH);
  P now{};
  ASSERT_EQ(ImgGenerateImageGetStatus_c(h, &now), 0u);
  EXPECT_EQ(now.s32Height, 480);
  EXPECT_EQ(ImgGenerateImageClose_c(h), 0u);
}

TEST(GenerateImageMemSize, TakesEveryPatternAndEvenSizes) {
  struct Row {
    P p;
    uint32_t code;
  } const rows[] = {
      {{PF_RENOVATION_SOLID, 2, 2}, 0},  // accepted here, refused by Open
      {{PF_RENOVATION_TESTCARD, 12288, 12288}, 0},
      {{0, 64, 64}, ERR_IMG_GENERATE_IMAGE_GETMEMSIZE_PATTER_TYPE},
      {{5, 0, 64}, ERR_IMG_GENERATE_IMAGE_GETMEMSIZE_PATTER_TYPE},
      {{2, 0, 64}, ERR_IMG_GENERATE_IMAGE_GETMEMSIZE_WIDTH},
      {{2, 12290, 0}, ERR_IMG_GENERATE_IMAGE_GETMEMSIZE_WIDTH},
      {{2, 63, 64}, ERR_IMG_GENERATE_IMAGE_GETMEMSIZE_WIDTH},
      {{2, 64, 65}, ERR_IMG_GENERATE_IMAGE_GETMEMSIZE_HEIGHT},
      {{2, 64, -2}, ERR_IMG_GENERATE_IMAGE_GETMEMSIZE_HEIGHT},
  };
  for (const Row& row : rows) {
    uint32_t size = 7;
    EXPECT_EQ(ImgGenerateImageGetMemSize_c(&row.p, &size), row.code);
    EXPECT_EQ(size, row.code == 0 ? 196u : 7u);
  }
  uint32_t size = 0;
  EXPECT_EQ(ImgGenerateImageGetMemSize_c(nullptr, &size),
            ERR_IMG_GENERATE_IMAGE_GETMEMSIZE_PARAM_POINTER);
}

}  // namespace
