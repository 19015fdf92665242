// SPDX-License-Identifier: BSD-2-Clause
// The 16:9 adaptation module: each kernel through Process against the squeeze (bars included)
// and stretch rules computed line by line from a copy of the picture, with canaries after the
// buffer and the lines a kernel does not adapt left alone.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "composition_helpers.hpp"
#include "img_adapt_16vs9.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;

tImageAdapt16vs9Param valid_param() {
  return {720, 576, PF_IMAGE_FIELD, PF_YUV_420, PF_ADAPT_16VS9_PAL};
}

pft::ModuleCase adapt16vs9_case() {
  using pft::edit;
  pft::ModuleCase m;
  m.name = "adapt16vs9";
  m.family = pft::Family::kComposition;
  m.entry = PF_ENTRY_POINTS(ImageAdapt16vs9);
  m.table = &tImageAdapt16vs9Func;
  m.id = 16;
  // The names end before the end marker, which has none.
  pft::set_names(m, pas8ImageAdapt16vs9AnalyzeErrorCode, ERR_IMG_ADAPT_16VS9_SELF_INIT_POINTER,
                 ERR_IMG_ADAPT_16VS9_SELF_INIT_POINTER,
                 ERR_IMG_ADAPT_16VS9_ANALYZE_ERROR_CODE_HANDLE,
                 ERR_IMG_ADAPT_16VS9_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.Adapt.16vs9.001", ERR_IMG_ADAPT_16VS9_SELF_GET_VERSION_POINTER,
                   ERR_IMG_ADAPT_16VS9_SELF_GET_VERSION_VERLEN_POINTER,
                   ERR_IMG_ADAPT_16VS9_SELF_VERSION_BUFLEN_TOO_SHORT);
  m.param = pft::record_bytes(valid_param());
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tImageAdapt16vs9Param*>(record);
    uint8_t* planes[1] = {pics.picture(p.u32YuvType, 720, p.s32Height)};
    int context = 0;
    return e.Process(h, planes, &context);
  };
  m.mem_size = PF_ADAPT_16VS9_MEM_SIZE;
  pft::set_null_codes(
      m, {ERR_IMG_ADAPT_16VS9_SELF_INIT_POINTER, ERR_IMG_ADAPT_16VS9_SELF_CLOSE_POINTER,
          ERR_IMG_ADAPT_16VS9_SELF_CLOSE_MEM_POINTER, 0, ERR_IMG_ADAPT_16VS9_SELF_SETPARAM_POINTER,
          ERR_IMG_ADAPT_16VS9_SELF_STATUS_POINTER, ERR_IMG_ADAPT_16VS9_SELF_INPUT_POINTER});
  m.open_failures = {ERR_IMG_ADAPT_16VS9_SELF_HANDLE_MEM_MALLOC,
                     ERR_IMG_ADAPT_16VS9_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_ADAPT_16VS9_GET_DMA_HANDLE;
  // Each row breaks one check and the ones after it: the first failing check wins.
  using P = tImageAdapt16vs9Param;
  struct Row {
    const char* what;
    uint32_t code;
    void (*change)(P&);
  };
  const Row rows[] = {
      {"width 704", ERR_IMG_ADAPT_16VS9_SELF_WIDTH_ILLEGAL,
       [](P& p) { p.s32Width = 704, p.s32Height = 288; }},
      {"height 288", ERR_IMG_ADAPT_16VS9_SELF_HEIGHT_ILLEGAL,
       [](P& p) { p.s32Height = 288, p.u32YuvType = 4221; }},
      {"planar 4:2:2", ERR_IMG_ADAPT_16VS9_SELF_YUVTYPE_ILLEGAL,
       [](P& p) { p.u32YuvType = 4221, p.u32ImageType = 3; }},
      {"interlaced", ERR_IMG_ADAPT_16VS9_SELF_IMAGETYPE_ILLEGAL,
       [](P& p) { p.u32ImageType = 3, p.u32TvFormat = 'S'; }},
      {"4:2:2 fields", ERR_IMG_ADAPT_16VS9_SELF_YUV422_MISMATCH_FRAMEFORMAT,
       [](P& p) { p.u32YuvType = PF_YUV_UYVY, p.u32TvFormat = 'S'; }},
      {"4:2:0 frame", ERR_IMG_ADAPT_16VS9_SELF_YUV420_MISMATCH_FIELDFORMAT,
       [](P& p) { p.u32ImageType = PF_IMAGE_FRAME, p.u32TvFormat = 'S'; }},
      {"standard 'p'", ERR_IMG_ADAPT_16VS9_SELF_TVFORMAT_ILLEGAL,
       [](P& p) { p.u32TvFormat = 'p'; }},
      {"PAL on 480 lines", ERR_IMG_ADAPT_16VS9_SELF_TVFORMAT_ILLEGAL,
       [](P& p) { p.s32Height = 480; }},
  };
  for (const Row& r : rows) m.rows.push_back({r.what, edit<P>(r.change), r.code});
  return m;
}
PF_MODULE_CASE(adapt16vs9_case);

// The codes keep their numbers: the worked example names itself, another module's code does not.
TEST(Adapt16vs9, NamesTheWorkedExample) {
  char buf[64];
  ASSERT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200002u, 64, buf), 0u);
  EXPECT_STREQ(buf, "ERR_IMG_ADAPT_16VS9_SELF_WIDTH_ILLEGAL");
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC6A00004u, 64, buf), PF_ERR_CODE_NOT_NAMEABLE);
}

constexpr size_t kGuard = 256;
constexpr uint8_t avg(uint8_t p, uint8_t q) { return uint8_t((p + q + 1) / 2); }

// 4:2:0: the first `lines` luma lines and lines/2 lines of U and of V (each plane starting where
// the picture's height puts it) become bar, squeeze, bar.
Bytes expected_squeeze(const Bytes& in, int height, int lines) {
  Bytes out = in;
  auto plane = [&](size_t offset, int width, int count, uint8_t bar) {
    for (int y = 0; y < count; ++y) {
      const uint8_t* s = in.data() + offset + size_t(y) * size_t(width);
      uint8_t* d = out.data() + offset + size_t(y) * size_t(width);
      const int side = width / 8;
      for (int x = 0; x < width; ++x) {
        const int k = x - side;
        if (k < 0 || k >= width * 3 / 4) {
          d[x] = bar;
        } else {
          const int i = 4 * (k / 3) + k % 3;  // the group's sample and its right neighbour
          d[x] = avg(s[i], s[i + 1]);
        }
      }
    }
  };
  const size_t area = size_t(720 * height);
  plane(kGuard, 720, lines, 1);
  plane(kGuard + area, 360, lines / 2, 128);
  plane(kGuard + area * 5 / 4, 360, lines / 2, 128);
  return out;
}

// Packed frame: which source line, or which pair to average, each of the first `lines` lines
// takes; the pattern of a group read from the picture's edge.
Bytes expected_stretch(const Bytes& in, int lines) {
  Bytes out = in;
  const int m = lines / 8;
  const size_t lb = 1440;
  auto src = [&](int line) { return in.data() + kGuard + size_t(line) * lb; };
  for (int o = 0; o < lines; ++o) {
    const bool upper = o < lines / 2;
    const int from_edge = upper ? o : lines - 1 - o;
    const int group = from_edge / 8, j = from_edge % 8;
    // Source line k of the group, counted from the edge.
    auto s = [&](int k) {
      const int e = m + 6 * group + k;
      return src(upper ? e : lines - 1 - e);
    };
    uint8_t* d = out.data() + kGuard + size_t(o) * lb;
    static constexpr int kCopy[8] = {0, 1, -1, -1, 2, 3, 4, 5};
    for (size_t i = 0; i < lb; ++i) {
      d[i] = j == 2 ? avg(s(0)[i], s(2)[i]) : j == 3 ? avg(s(1)[i], s(3)[i]) : s(kCopy[j])[i];
    }
  }
  return out;
}

class Adapt : public pft::VmemTest {};

TEST_F(Adapt, EachKernelAdaptsItsLinesAndNothingElse) {
  struct Row {
    uint32_t yuv;
    int height;
    uint32_t standard;
    int lines;
  };
  const Row rows[] = {
      {PF_YUV_420, 576, PF_ADAPT_16VS9_PAL, 576},   {PF_YUV_420, 480, PF_ADAPT_16VS9_NTSC, 480},
      {PF_YUV_420, 576, PF_ADAPT_16VS9_NTSC, 480},  {PF_YUV_UYVY, 576, PF_ADAPT_16VS9_PAL, 576},
      {PF_YUV_UYVY, 480, PF_ADAPT_16VS9_NTSC, 480}, {PF_YUV_UYVY, 576, PF_ADAPT_16VS9_NTSC, 480},
  };
  pft::Rng rng(16);
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message()
                 << r.yuv << " " << r.height << " lines, standard " << char(r.standard));
    const bool packed = r.yuv == PF_YUV_UYVY;
    const size_t size = size_t(720 * r.height) * (packed ? 2 : 3) / (packed ? 1 : 2);
    Bytes pic(size + 2 * kGuard);
    for (uint8_t& b : pic) b = rng.byte();
    const Bytes expected =
        packed ? expected_stretch(pic, r.lines) : expected_squeeze(pic, r.height, r.lines);
    const tImageAdapt16vs9Param p{720, r.height, packed ? PF_IMAGE_FRAME : PF_IMAGE_FIELD, r.yuv,
                                  r.standard};
    void* h = nullptr;
    ASSERT_EQ(ImageAdapt16vs9Open_c(&h, &p, mem()), 0u);
    uint8_t* planes[1] = {pic.data() + kGuard};
    int context = 0;
    ASSERT_EQ(ImageAdapt16vs9Process_c(h, planes, &context), 0u);
    planes[0] = nullptr;
    EXPECT_EQ(ImageAdapt16vs9Process_c(h, planes, &context),
              ERR_IMG_ADAPT_16VS9_SELF_INPUT_DATA_POINTER);
    EXPECT_EQ(ImageAdapt16vs9Close_c(h), 0u);
    EXPECT_EQ(pft::first_difference(pic, expected, kGuard), "");
  }
}

}  // namespace
