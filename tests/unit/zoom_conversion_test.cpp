// SPDX-License-Identifier: BSD-2-Clause
// The 4:2:0 <-> packed 4:2:2 converters and the D1 split: each module described for the generic
// tests and the split's line and pixel mapping. (The converters' pictures are the resizer's on
// their records: zoom_modules_test.cpp; their scene-change flag: d1_kernels_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "img_resizer.h"
#include "img_yuv420toyuv422.h"
#include "img_yuv422toyuv420.h"
#include "img_yuv422toyuv420_d1split.h"
#include "module_cases.hpp"
#include "picture_data.hpp"
#include "rng.hpp"
#include "video_mem.h"
#include "vmem_fixture.hpp"

namespace {

using pft::Bytes;
using pft::edit;
using pft::random_bytes;

constexpr size_t kGuard = 64;

// ---------------------------------------------------------------- the modules for generic tests

pft::ModuleCase yuv420_to_422_case() {
  pft::ModuleCase m;
  m.name = "yuv420toyuv422";
  m.family = pft::Family::kScaling;
  m.entry = PF_ENTRY_POINTS(ImgYUV420ToYUV422);
  m.table = &tYUV420ToYUV422Funcs;
  m.id = 2;
  pft::set_names(m, pas8ImageYUV420ToYUV422SelfAnalyzeErrorCode, ERR_IMG_420TO422_OPEN_INPUT_HANDLE,
                 ERR_IMG_420TO422_OPEN_INPUT_HANDLE, ERR_IMG_420TO422_END,
                 ERR_IMG_420TO422_ANDTF_ANALYZECODE_HANDLE);
  m.delegates = true;
  pft::set_version(m, "pelforge_v300.yuv420toyuv422.003", ERR_IMG_420TO422_GETVERSION_INPUT_BUFFER,
                   0, ERR_IMG_420TO422_GETVERSION_BUFFERLEN);
  m.param = pft::record_bytes(tYUV420ToYUV422Param{64, 32, 1, 32, 16, 1});
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tYUV420ToYUV422Param*>(record);
    tYUV420ToYUV422Buffers b{pics.picture(PF_YUV_420, p.s32SrcWidth, p.s32SrcHeight),
                             pics.picture(PF_YUV_UYVY, p.s32DstWidth, p.s32DstHeight)};
    uint32_t image_type = 0;
    const uint32_t status = e.Process(h, &b, &image_type);
    return status != 0 ? status : image_type == uint32_t(p.s32DstImageType) ? 0u : 1u;
  };
  m.mem_size = 176;
  PF_NULL_CODES_BY_PREFIX(m, ERR_IMG_420TO422);
  m.open_failures = {ERR_IMG_420TO422_OPEN_MALLOC, ERR_IMG_420TO422_OPEN_MALLOC,
                     ERR_IMG_RESIZER_SELF_HANDLE_MEM_MALLOC,
                     ERR_IMG_RESIZER_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_RESIZER_GET_DMA_HANDLE;
  using P = tYUV420ToYUV422Param;
  m.rows = {
      PF_REFUSED(P, "field destination", 0xC1000031, p.s32DstImageType = 2),
      PF_REFUSED(P, "unknown destination type before a bad width", 0xC1000031,
                 p.s32DstImageType = 0, p.s32SrcWidth = 0),
      // Everything else is the resizer's to refuse, with its own codes.
      PF_REFUSED_LATE(P, "source width 0", ERR_IMG_RESIZER_SELF_SRCWIDTH_ILLEGAL,
                      p.s32SrcWidth = 0),
      PF_REFUSED_LATE(P, "field source to an interlaced frame",
                      ERR_IMG_RESIZER_420TO422_YUVTYPE_ILLEGAL, p.s32SrcImageType = 2,
                      p.s32DstImageType = 3),
  };
  return m;
}
PF_MODULE_CASE(yuv420_to_422_case);

pft::ModuleCase yuv422_to_420_case() {
  pft::ModuleCase m;
  m.name = "yuv422toyuv420";
  m.family = pft::Family::kScaling;
  m.entry = PF_ENTRY_POINTS(ImgYUV422ToYUV420);
  m.table = &tYUV422ToYUV420Funcs;
  m.id = 1;
  pft::set_names(m, pas8ImageYUV422ToYUV420SelfAnalyzeErrorCode, ERR_IMG_422TO420_OPEN_INPUT_HANDLE,
                 ERR_IMG_422TO420_OPEN_INPUT_HANDLE, ERR_IMG_422TO420_END,
                 ERR_IMG_422TO420_ANDTF_ANALYZECODE_HANDLE);
  m.delegates = true;
  pft::set_version(m, "pelforge_v300.yuv422toyuv420.002", ERR_IMG_422TO420_GETVERSION_INPUT_BUFFER,
                   0, ERR_IMG_422TO420_GETVERSION_BUFFERLEN);
  m.param = pft::record_bytes(tYUV422ToYUV420Param{64, 32, 1, 32, 16, 2});
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tYUV422ToYUV420Param*>(record);
    tYUV422ToYUV420Buffers b{pics.picture(PF_YUV_UYVY, p.s32SrcWidth, p.s32SrcHeight),
                             pics.picture(PF_YUV_420, p.s32DstWidth, p.s32DstHeight)};
    tYUV422ToYUV420Result result{0, 7};
    const uint32_t status = e.Process(h, &b, &result);
    return status != 0 ? status
           : result.u32DstImageType == uint32_t(p.s32DstImageType) && result.u32SceneChange <= 1
               ? 0u
               : 1u;
  };
  m.mem_size = 176;
  PF_NULL_CODES_BY_PREFIX(m, ERR_IMG_422TO420);
  m.open_failures = {ERR_IMG_422TO420_OPEN_MALLOC, ERR_IMG_422TO420_OPEN_MALLOC,
                     ERR_IMG_RESIZER_SELF_HANDLE_MEM_MALLOC,
                     ERR_IMG_RESIZER_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_RESIZER_GET_DMA_HANDLE;
  using P = tYUV422ToYUV420Param;
  m.rows = {
      {"D1 field to a field of another size", edit<P>([](P& p) { p = {720, 576, 2, 704, 576, 2}; }),
       ERR_IMG_RESIZER_422TO420_YUVTYPE_ILLEGAL, 0, true},
      PF_REFUSED_LATE(P, "source height 0", ERR_IMG_RESIZER_SELF_SRCHEIGHT_ILLEGAL,
                      p.s32SrcHeight = 0),
  };
  return m;
}
PF_MODULE_CASE(yuv422_to_420_case);

tYUV422ToYUV420D1To4xCifParam split_param(int32_t h, int32_t each) {
  return {720, h, {{352, each}, {352, each}, {352, each}, {352, each}}};
}

pft::ModuleCase d1split_case() {
  pft::ModuleCase m;
  m.name = "d1split";
  m.family = pft::Family::kScaling;
  m.entry = PF_ENTRY_POINTS(ImgYUV422ToYUV420D1To4xCif);
  m.table = &tYUV422ToYUV420D1To4xCifFuncs;
  m.id = 4;
  pft::set_names(m, pas8ImageYUV422ToYUV420D1To4xCifSelfAnalyzeErrorCode,
                 ERR_IMG_D1_SPLIT_OPEN_INPUT_HANDLE, ERR_IMG_D1_SPLIT_OPEN_INPUT_HANDLE,
                 ERR_IMG_D1_SPLIT_END, ERR_IMG_D1_SPLIT_ANDTF_ANALYZECODE_HANDLE);
  pft::set_version(m, "pelforge_v300.yuv422toyuv420_d1split.001",
                   ERR_IMG_D1_SPLIT_GETVERSION_INPUT_BUFFER, 0,
                   ERR_IMG_D1_SPLIT_GETVERSION_BUFFERLEN);
  m.param = pft::record_bytes(split_param(480, 240));
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tYUV422ToYUV420D1To4xCifParam*>(record);
    tYUV422ToYUV420D1To4xCifData d{pics.picture(PF_YUV_UYVY, p.s32SrcWidth, p.s32SrcHeight), {}};
    for (int q = 0; q < 4; ++q) {
      d.apu8Dst[q] = pics.picture(PF_YUV_420, p.atDst[q].s32Width, p.atDst[q].s32Height);
    }
    return e.Process(h, &d, &d);
  };
  m.mem_size = 96;
  PF_NULL_CODES_BY_PREFIX(m, ERR_IMG_D1_SPLIT);
  m.open_failures = {ERR_IMG_D1_SPLIT_OPEN_MALLOC, ERR_IMG_D1_SPLIT_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_D1_SPLIT_GET_DMA_HANDLE;
  using P = tYUV422ToYUV420D1To4xCifParam;
  m.rows = {
      PF_REFUSED2(P, "704 wide", ERR_IMG_D1_SPLIT_OPEN_INPUT_IMG_SIZE,
                  ERR_IMG_D1_SPLIT_SETPARAM_INPUT_IMG_SIZE, p.s32SrcWidth = 704),
      PF_REFUSED2(P, "486 lines before a bad width", ERR_IMG_D1_SPLIT_OPEN_INPUT_IMG_SIZE,
                  ERR_IMG_D1_SPLIT_SETPARAM_INPUT_IMG_SIZE, p.s32SrcHeight = 486,
                  p.atDst[0].s32Width = 360),
      PF_REFUSED2(P, "last picture 360 wide before a bad height",
                  ERR_IMG_D1_SPLIT_OPEN_OUTPUT_IMG_WIDTH,
                  ERR_IMG_D1_SPLIT_SETPARAM_OUTPUT_IMG_WIDTH, p.atDst[3].s32Width = 360,
                  p.atDst[0].s32Height = 244),
      PF_REFUSED2(P, "second picture 244 lines", ERR_IMG_D1_SPLIT_OPEN_OUTPUT_IMG_HEIGHT,
                  ERR_IMG_D1_SPLIT_SETPARAM_OUTPUT_IMG_HEIGHT, p.atDst[1].s32Height = 244),
      // A 480-line frame has 240-line fields: a 288-line picture would read past it.
      PF_REFUSED2(P, "288 lines from 480", ERR_IMG_D1_SPLIT_OPEN_OUTPUT_IMG_HEIGHT,
                  ERR_IMG_D1_SPLIT_SETPARAM_OUTPUT_IMG_HEIGHT, p.atDst[2].s32Height = 288),
  };
  return m;
}
PF_MODULE_CASE(d1split_case);

// ---------------------------------------------------------------- pictures

using ConversionPictures = pft::VmemTest;

// Every sample of the four pictures against the mapping written out: picture q, line j, column
// i comes from source line 2j + (q / 2), pixel i + (q % 2 ? 360 : 8); chroma line k from field
// line 2k.
TEST_F(ConversionPictures, SplitMapsLinesAndPixels) {
  pft::Rng rng(4);
  for (int32_t h : {576, 480}) {
    for (int32_t each : {240, 288}) {
      if (each > h / 2) continue;
      SCOPED_TRACE(std::to_string(h) + " lines into " + std::to_string(each));
      const Bytes src = random_bytes(size_t(720) * h * 2, rng);
      const size_t bytes = size_t(352) * each * 3 / 2;
      std::vector<Bytes> dst(4, Bytes(bytes + kGuard, 0xEE));
      // Open on another size and SetParam to this one: the sizes come from SetParam.
      const tYUV422ToYUV420D1To4xCifParam first = split_param(576, each == 240 ? 288 : 240);
      const tYUV422ToYUV420D1To4xCifParam p = split_param(h, each);
      void* handle = nullptr;
      ASSERT_EQ(ImgYUV422ToYUV420D1To4xCifOpen_c(&handle, &first, mem()), 0u);
      ASSERT_EQ(ImgYUV422ToYUV420D1To4xCifSetParam_c(handle, &p), 0u);
      tYUV422ToYUV420D1To4xCifData data{
          src.data(), {dst[0].data(), dst[1].data(), dst[2].data(), dst[3].data()}};
      uint32_t third = 0;
      ASSERT_EQ(ImgYUV422ToYUV420D1To4xCifProcess_c(handle, &data, &third), 0u);
      EXPECT_EQ(ImgYUV422ToYUV420D1To4xCifClose_c(handle), 0u);
      for (int q = 0; q < 4; ++q) {
        const uint8_t* y = dst[size_t(q)].data();
        const uint8_t* u = y + size_t(352) * each;
        const uint8_t* v = u + size_t(352) * each / 4;
        const int field = q / 2, left = q % 2 != 0 ? 360 : 8;
        for (int j = 0; j < each; ++j) {
          const uint8_t* line = &src[size_t(2 * j + field) * 1440];
          for (int i = 0; i < 352; ++i) {
            const uint8_t* pair = line + size_t((left + i) & ~1) * 2;
            ASSERT_EQ(y[size_t(j) * 352 + size_t(i)], pair[1 + 2 * (i & 1)])
                << "picture " << q << " luma " << i << "," << j;
            if (j % 2 == 0 && i % 2 == 0) {
              ASSERT_EQ(u[size_t(j / 2) * 176 + size_t(i / 2)], pair[0]) << "picture " << q;
              ASSERT_EQ(v[size_t(j / 2) * 176 + size_t(i / 2)], pair[2]) << "picture " << q;
            }
          }
        }
        EXPECT_TRUE(std::all_of(dst[size_t(q)].end() - kGuard, dst[size_t(q)].end(),
                                [](uint8_t c) { return c == 0xEE; }))
            << "picture " << q << " written past its end";
      }
    }
  }
}

TEST_F(ConversionPictures, RefusalsOfProcessAndTheResizersCodesByName) {
  const tYUV422ToYUV420D1To4xCifParam p = split_param(480, 240);
  void* handle = nullptr;
  ASSERT_EQ(ImgYUV422ToYUV420D1To4xCifOpen_c(&handle, &p, mem()), 0u);
  Bytes buf(16);
  tYUV422ToYUV420D1To4xCifData data{nullptr, {buf.data(), buf.data(), buf.data(), buf.data()}};
  EXPECT_EQ(ImgYUV422ToYUV420D1To4xCifProcess_c(handle, &data, &data),
            ERR_IMG_D1_SPLIT_PROCESS_INPUT_BUFF);
  data.pu8Src = buf.data();
  for (int q = 0; q < 4; ++q) {
    data.apu8Dst[q] = nullptr;
    EXPECT_EQ(ImgYUV422ToYUV420D1To4xCifProcess_c(handle, &data, &data),
              ERR_IMG_D1_SPLIT_PROCESS_OUTPUT_BUFF)
        << "picture " << q;
    data.apu8Dst[q] = buf.data();
  }
  EXPECT_EQ(ImgYUV422ToYUV420D1To4xCifClose_c(handle), 0u);

  const tYUV420ToYUV422Param c{64, 32, 1, 64, 32, 1};
  ASSERT_EQ(ImgYUV420ToYUV422Open_c(&handle, &c, mem()), 0u);
  tYUV420ToYUV422Buffers b{nullptr, buf.data()};
  uint32_t type = 0;
  EXPECT_EQ(ImgYUV420ToYUV422Process_c(handle, &b, &type), ERR_IMG_420TO422_PROCESS_INPUT_BUFF);
  b = {buf.data(), nullptr};
  EXPECT_EQ(ImgYUV420ToYUV422Process_c(handle, &b, &type), ERR_IMG_420TO422_PROCESS_OUTPUT_BUFF);
  EXPECT_EQ(ImgYUV420ToYUV422Close_c(handle), 0u);

  // A field destination is refused alike wherever the record goes.
  const tYUV420ToYUV422Param field{64, 32, 1, 64, 32, 2};
  uint32_t size = 0;
  EXPECT_EQ(ImgYUV420ToYUV422GetMemSize_c(&field, &size), 0xC1000031u);
  EXPECT_EQ(ImgYUV420ToYUV422GetMemSize_c(nullptr, &size), 0xC1000044u);
  EXPECT_EQ(ImgYUV422ToYUV420GetMemSize_c(nullptr, &size), 0xC1000022u);
  uint32_t d1_size = 0;
  EXPECT_EQ(ImgYUV422ToYUV420D1To4xCifGetMemSize_c(nullptr, &d1_size), 0u);
  EXPECT_EQ(d1_size, 96u);

  char name[64];
  for (auto analyze : {ImgYUV420ToYUV422AnalyzeErrorCode_c, ImgYUV422ToYUV420AnalyzeErrorCode_c}) {
    ASSERT_EQ(analyze(ERR_IMG_RESIZER_420TO422_YUVTYPE_ILLEGAL, sizeof name, name), 0u);
    EXPECT_STREQ(name, "ERR_IMG_RESIZER_420TO422_YUVTYPE_ILLEGAL");
  }
  // The split names only its own codes.
  EXPECT_EQ(ImgYUV422ToYUV420D1To4xCifAnalyzeErrorCode_c(0xC6A00004, sizeof name, name),
            PF_ERR_CODE_NOT_NAMEABLE);
}

}  // namespace
