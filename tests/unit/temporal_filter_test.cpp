// SPDX-License-Identifier: BSD-2-Clause
// The temporal filter: both kernels over sequences of pictures against their definitions (first
// picture, steady state, a scene cut, sizes that are not multiples of 8), the strength ramp, the
// Debug command, SetParam's size rule, and the module's answers to the common questions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "guarded.hpp"
#include "img_temporalfilter.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "temporal_model.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;

tImgTemporalFilterParam param(int w, int h, int add_noise = 0) {
  return {w, h, w, w / 2, add_noise};
}

// The module as the models see it: the previous output and (for unaligned sizes) the working
// picture, both AW x AH 4:2:0 and zero at Open, and the strengths.
struct Model {
  int w, h, aw, ah, add_noise;
  bool window;  // the SSE2 kernel's filter, else the block blend
  Bytes pre, work;
  int strength[3] = {};

  Model(int w_, int h_, int add, bool window_)
      : w(w_), h(h_), aw((w_ + 7) & ~7), ah((h_ + 7) & ~7), add_noise(add), window(window_) {
    pre.assign(static_cast<size_t>(aw) * ah * 3 / 2, 0);
    work = pre;
  }

  void filter(Bytes& picture) {
    for (int& s : strength) s = std::clamp(s + add_noise, 0, 29);
    const int pw[3] = {w, w / 2, w / 2}, ph[3] = {h, h / 2, h / 2};
    const int ww[3] = {aw, aw / 2, aw / 2}, wh[3] = {ah, ah / 2, ah / 2};
    size_t src = 0, dst = 0;
    for (int p = 0; p < 3; ++p) {
      for (int y = 0; y < ph[p]; ++y) {
        std::memcpy(&work[dst + static_cast<size_t>(y) * ww[p]], &picture[src + y * pw[p]],
                    static_cast<size_t>(pw[p]));
      }
      if (window) {
        pft::window_filter_model(&work[dst], &pre[dst], ww[p], wh[p], strength[p]);
      } else {
        pft::block_blend_model(&work[dst], &pre[dst], ww[p], wh[p]);
      }
      for (int y = 0; y < ph[p]; ++y) {
        std::memcpy(&picture[src + y * pw[p]], &work[dst + static_cast<size_t>(y) * ww[p]],
                    static_cast<size_t>(pw[p]));
      }
      src += static_cast<size_t>(pw[p]) * ph[p];
      dst += static_cast<size_t>(ww[p]) * wh[p];
    }
  }
};

// A textured picture, and the same with a little noise: what a static camera sees.
Bytes scene(int w, int h, int seed, pft::Rng& rng, int noise) {
  Bytes b(static_cast<size_t>(w) * h + 2 * static_cast<size_t>(w / 2) * (h / 2));
  for (size_t i = 0; i < b.size(); ++i) {
    const int base = static_cast<int>((i * 7 + static_cast<size_t>(seed) * 61) % 200) + 20;
    const int n = noise == 0 ? 0 : static_cast<int>(rng.below(2 * noise + 1)) - noise;
    b[i] = static_cast<uint8_t>(std::clamp(base + n, 0, 255));
  }
  return b;
}

class TemporalFilter : public pft::VmemTest {};

// Both kernels through the module over a sequence: a first picture against the zero previous
// output, a steady noisy scene, a scene cut and a steady scene again, each size run with each
// kernel and compared picture by picture with the model.
TEST_F(TemporalFilter, SequencesMatchTheModels) {
  struct Size {
    int w, h;
  };
  const Size sizes[] = {{32, 24}, {22, 14}, {719, 18}, {8, 8}, {41, 33}};
  for (bool window : {false, true}) {
    for (const Size& s : sizes) {
      SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << (window ? " sse2" : " scalar"));
      void* h = nullptr;
      const tImgTemporalFilterParam p = param(s.w, s.h, 2);
      ASSERT_EQ(ImgTemporalFilterOpen_c(&h, &p, mem()), 0u);
      auto& inst = *static_cast<tImgTemporalFilterInstance*>(h);
      EXPECT_EQ(inst.s32Aligned, s.w % 8 == 0 && s.h % 8 == 0 ? 1 : 0);
      inst.pfnFilter = window ? Filterframe_sse2 : Filterframe_c;
      Model model(s.w, s.h, 2, window);
      pft::Rng rng(static_cast<uint64_t>(s.w * 1000 + s.h));
      tImgPicture pic{};
      for (int frame = 0; frame < 8; ++frame) {
        const int seed = frame < 4 ? 1 : 2;  // the scene cuts at frame 4
        Bytes picture = scene(s.w, s.h, seed, rng, frame == 0 || frame == 4 ? 0 : 6);
        Bytes expected = picture;
        model.filter(expected);
        pic.pu8Y = picture.data();
        ASSERT_EQ(ImgTemporalFilterProcess_c(h, &pic, &pic), 0u);
        ASSERT_EQ(picture, expected) << "frame " << frame;
      }
      EXPECT_EQ(inst.as32Strength[0], 16);
      EXPECT_EQ(ImgTemporalFilterClose_c(h), 0u);
    }
  }
}

// What the two filters are for, stated on pictures: blocks that changed pass (against the zero
// first previous output), a repeated picture comes back as the previous output, a noisy static
// scene is smoothed, and a cut passes.
TEST_F(TemporalFilter, BlockBlendKeepsChangesAndHoldsStillness) {
  const int w = 16, hgt = 16;
  void* h = nullptr;
  const tImgTemporalFilterParam p = param(w, hgt);
  ASSERT_EQ(ImgTemporalFilterOpen_c(&h, &p, mem()), 0u);
  static_cast<tImgTemporalFilterInstance*>(h)->pfnFilter = Filterframe_c;
  Bytes first(w * hgt * 3 / 2, 100);
  std::fill(first.begin(), first.begin() + 4 * w, 2);  // a near-black band: S = 32 against zero
  Bytes picture = first;
  tImgPicture pic{picture.data(), nullptr, nullptr, 0, 0, 0, 0};
  ASSERT_EQ(ImgTemporalFilterProcess_c(h, &pic, &pic), 0u);
  Bytes expected = first;
  std::fill(expected.begin(), expected.begin() + 4 * w, 0);
  EXPECT_EQ(picture, expected) << "changed blocks pass, the dark band stays at the zero output";
  Bytes second = first;
  for (size_t i = 4 * w; i < second.size(); i += 3) second[i] = static_cast<uint8_t>(second[i] + 1);
  picture = second;
  ASSERT_EQ(ImgTemporalFilterProcess_c(h, &pic, &pic), 0u);
  EXPECT_EQ(picture, expected) << "a small change takes the previous output";
  EXPECT_EQ(ImgTemporalFilterClose_c(h), 0u);
}

// The weight table's shape: a Gaussian of the strength from 255 down, never below 1.
TEST_F(TemporalFilter, WeightTable) {
  for (int s = 0; s < 30; ++s) {
    const int sigma = std::max(s, 1);
    EXPECT_EQ(au8GuassDiff[s][0], 255) << "row " << s;
    EXPECT_EQ(au8GuassDiff[s][sigma], 154) << "row " << s;
    if (2 * sigma < 64) {
      EXPECT_EQ(au8GuassDiff[s][2 * sigma], 34) << "row " << s;
    }
    for (int i = 1; i < 64; ++i) {
      EXPECT_GE(au8GuassDiff[s][i], 1) << "row " << s;
      EXPECT_LE(au8GuassDiff[s][i], au8GuassDiff[s][i - 1]) << "row " << s << " column " << i;
    }
  }
  EXPECT_EQ(0, std::memcmp(au8GuassDiff[0], au8GuassDiff[1], 64));
  const uint8_t row0[5] = {255, 154, 34, 2, 1};
  EXPECT_EQ(0, std::memcmp(au8GuassDiff[0], row0, 5));
  const uint8_t row10[13] = {255, 254, 250, 244, 236, 224, 212, 200, 184, 170, 154, 138, 124};
  EXPECT_EQ(0, std::memcmp(au8GuassDiff[10], row10, 13));
  EXPECT_EQ(au8GuassDiff[29][63], 24);
}

// IIR_SAD_filter_sse2 on its own: random planes, sizes around the vector width, every strength
// class, nothing written outside the planes.
TEST_F(TemporalFilter, WindowKernelMatchesItsDefinition) {
  pft::Rng rng(77);
  for (int round = 0; round < 60; ++round) {
    const int w = round < 20 ? round + 1 : rng.range(1, 90);
    const int hgt = rng.range(1, 40);
    const int strength = round % 3 == 0 ? rng.range(-3, 33) : rng.range(0, 29);
    SCOPED_TRACE(testing::Message() << w << "x" << hgt << " strength " << strength);
    pft::GuardedPlane cur(static_cast<uint32_t>(w), static_cast<uint32_t>(hgt),
                          static_cast<uint32_t>(w), rng);
    pft::GuardedPlane pre(static_cast<uint32_t>(w), static_cast<uint32_t>(hgt),
                          static_cast<uint32_t>(w), rng);
    // Mostly small differences (the table's whole range), sometimes anything.
    const int spread = round % 4 == 0 ? 255 : rng.range(1, 12);
    for (int y = 0; y < hgt; ++y) {
      for (int x = 0; x < w; ++x) {
        const int base = rng.range(0, 255);
        cur.at(x, y) = static_cast<uint8_t>(base);
        pre.at(x, y) = static_cast<uint8_t>(std::clamp(base + rng.range(-spread, spread), 0, 255));
      }
    }
    Bytes mc(cur.data(), cur.data() + w * hgt), mp(pre.data(), pre.data() + w * hgt);
    pft::window_filter_model(mc.data(), mp.data(), w, hgt, strength);
    Bytes lines(static_cast<size_t>(37 * w + 864), 0xCD);
    IIR_SAD_filter_sse2(cur.data(), pre.data(), w, hgt, strength, lines.data());
    EXPECT_EQ(Bytes(cur.data(), cur.data() + w * hgt), mc);
    EXPECT_EQ(Bytes(pre.data(), pre.data() + w * hgt), mp);
    EXPECT_EQ(cur.check_guards(), "");
    EXPECT_EQ(pre.check_guards(), "");
  }
}

TEST_F(TemporalFilter, StrengthRampAndDebugCommand) {
  void* h = nullptr;
  const tImgTemporalFilterParam p = param(16, 16, 3);
  ASSERT_EQ(ImgTemporalFilterOpen_c(&h, &p, mem()), 0u);
  auto& inst = *static_cast<tImgTemporalFilterInstance*>(h);
  Bytes picture(16 * 16 * 3 / 2, 50);
  tImgPicture pic{picture.data(), nullptr, nullptr, 0, 0, 0, 0};
  const int expected[] = {3, 6, 9, 12, 15, 18, 21, 24, 27, 29, 29};
  for (int e : expected) {
    ASSERT_EQ(ImgTemporalFilterProcess_c(h, &pic, &pic), 0u);
    for (int s : inst.as32Strength) EXPECT_EQ(s, e);
  }
  struct Command {
    const char* text;
    uint32_t status;
    int add_noise;  // afterwards
  };
  const Command commands[] = {
      {"h=vid/enc/temfilter addnoise=-5", 0, -5},
      {"addnoise=4", ERR_IMG_TEMPORALFILTER_DEBUG_MODULE, -5},
      {"h=vid/enc/temfilter", 0, -5},
      {"h=vid/enc/temfilter addnoise=", 0, 0},
      {"x h=vid/enc/temfilter y addnoise=12z", 0, 12},
  };
  for (const Command& c : commands) {
    EXPECT_EQ(ImgTemporalFilterDebug_c(h, const_cast<char*>(c.text)), c.status) << c.text;
    EXPECT_EQ(inst.s32AddNoise, c.add_noise) << c.text;
  }
  EXPECT_EQ(ImgTemporalFilterDebug_c(nullptr, const_cast<char*>("h=vid/enc/temfilter")),
            ERR_IMG_TEMPORALFILTER_DEBUG_HANDLE);
  EXPECT_EQ(ImgTemporalFilterDebug_c(h, nullptr), ERR_IMG_TEMPORALFILTER_DEBUG_HANDLE);
  // A negative increment runs the strengths down to 0, not below.
  ASSERT_EQ(ImgTemporalFilterDebug_c(h, const_cast<char*>("h=vid/enc/temfilter addnoise=-20")), 0u);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(ImgTemporalFilterProcess_c(h, &pic, &pic), 0u);
  for (int s : inst.as32Strength) EXPECT_EQ(s, 0);
  tImgTemporalFilterParam status{};
  ASSERT_EQ(ImgTemporalFilterGetStatus_c(h, &status), 0u);
  EXPECT_EQ(status.s32AddNoise, -20);
  EXPECT_EQ(ImgTemporalFilterClose_c(h), 0u);
}

// SetParam keeps the buffers of Open: sizes that round up to the same aligned size are taken
// (also an unaligned one when Open made a working picture), others are refused.
TEST_F(TemporalFilter, SetParamSizesAndMemSize) {
  struct Row {
    int open_w, open_h, w, h;
    uint32_t status;
  };
  const Row rows[] = {
      {22, 14, 20, 10, 0},
      {22, 14, 24, 16, 0},
      {22, 14, 25, 14, ERR_IMG_TEMPORALFILTER_PARAM_WIDTH},
      {22, 14, 22, 17, ERR_IMG_TEMPORALFILTER_PARAM_HEIGHT},
      {24, 16, 22, 16, ERR_IMG_TEMPORALFILTER_PARAM_WIDTH},
      {24, 16, 24, 14, ERR_IMG_TEMPORALFILTER_PARAM_HEIGHT},
  };
  for (const Row& r : rows) {
    void* h = nullptr;
    const tImgTemporalFilterParam p = param(r.open_w, r.open_h);
    ASSERT_EQ(ImgTemporalFilterOpen_c(&h, &p, mem()), 0u);
    const tImgTemporalFilterParam next = param(r.w, r.h, 4);
    EXPECT_EQ(ImgTemporalFilterSetParam_c(h, &next), r.status) << r.w << "x" << r.h;
    if (r.status == 0) {
      Bytes picture(static_cast<size_t>(r.w * r.h + 2 * (r.w / 2) * (r.h / 2)) + 64, 9);
      tImgPicture pic{picture.data(), nullptr, nullptr, 0, 0, 0, 0};
      EXPECT_EQ(ImgTemporalFilterProcess_c(h, &pic, &pic), 0u);
      EXPECT_TRUE(std::all_of(picture.end() - 64, picture.end(), [](uint8_t b) { return b == 9; }))
          << "wrote past the picture";
    }
    EXPECT_EQ(ImgTemporalFilterClose_c(h), 0u);
  }
  struct Size {
    int w, h;
    uint32_t size;
  };
  const Size sizes[] = {{720, 576, 649128}, {719, 575, 649128}, {1, 1, 8 * 8 * 3 / 2 + 296 + 408}};
  for (const Size& s : sizes) {
    const tImgTemporalFilterParam p = param(s.w, s.h);
    uint32_t size = 0;
    EXPECT_EQ(ImgTemporalFilterGetMemSize_c(&p, &size), 0u);
    EXPECT_EQ(size, s.size) << s.w << "x" << s.h;
  }
  const tImgTemporalFilterParam huge = param(60000, 60000);
  uint32_t size = 0;
  EXPECT_EQ(ImgTemporalFilterGetMemSize_c(&huge, &size), ERR_IMG_TEMPORALFILTER_PARAM_HEIGHT);
  EXPECT_EQ(ImgTemporalFilterGetMemSize_c(nullptr, &size),
            ERR_IMG_TEMPORALFILTER_GETMEMSIZE_PARAM_POINTER);
  // Reached through its descriptor, not by id (the id's refusal: registry_test).
  EXPECT_EQ(ptImgProc_TemporalFilter->ptFuncList, &tImageTemporalFilterFunc);
}

pft::ModuleCase temporal_filter_case() {
  pft::ModuleCase m;
  m.name = "temporal filter";
  m.family = pft::Family::kFilters;
  m.entry = PF_ENTRY_POINTS(ImgTemporalFilter);
  m.table = &tImageTemporalFilterFunc;
  pft::set_names(m, pas8TemporalFilterAnalyzeErrorCode, ERR_IMG_TEMPORALFILTER_START_CODE,
                 ERR_IMG_TEMPORALFILTER_OPEN_HANDLE, ERR_IMG_TEMPORALFILTER_DEBUG_MODULE,
                 ERR_IMG_TEMPORALFILTER_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.temporalfilter.009", ERR_IMG_TEMPORALFILTER_GETVERSION_HANDLE,
                   ERR_IMG_TEMPORALFILTER_GETVERSION_POINTER,
                   ERR_IMG_TEMPORALFILTER_GETVERSION_LENGTH);
  // Not a multiple of 8: the working picture is made too.
  m.param = pft::record_bytes(param(22, 14, 1));
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tImgTemporalFilterParam*>(record);
    const int64_t rows = p.s32Height, ys = p.s32YStride, uvs = p.s32UVStride;
    if (ys < 0 || uvs < 0 || rows < 0) throw pft::TooLarge{};
    tImgPicture pic{pics.buffer(pft::product({ys, rows}) + pft::product({2, uvs, rows / 2})),
                    nullptr,
                    nullptr,
                    static_cast<uint32_t>(ys),
                    static_cast<uint32_t>(uvs),
                    0,
                    0};
    // A few pictures, so that the strength ramps and the previous output is used.
    for (int i = 0; i < 3; ++i) {
      if (const uint32_t status = e.Process(h, &pic, &pic)) return status;
    }
    return 0u;
  };
  m.mem_size = 24 * 16 * 3 / 2 + 37 * 24 + 408;
  pft::set_null_codes(
      m, {ERR_IMG_TEMPORALFILTER_OPEN_HANDLE, ERR_IMG_TEMPORALFILTER_CLOSE_HANDLE,
          ERR_IMG_TEMPORALFILTER_CLOSE_HANDLE, ERR_IMG_TEMPORALFILTER_CLOSE_FREE,
          ERR_IMG_TEMPORALFILTER_SET_PARAM_HANDLE, ERR_IMG_TEMPORALFILTER_GETSTATUS_HANDLE,
          ERR_IMG_TEMPORALFILTER_PROCESS_HANDLE});
  m.debug_is_noop = false;
  m.open_failures = {
      ERR_IMG_TEMPORALFILTER_OPEN_MALLOC_HANDLE, ERR_IMG_TEMPORALFILTER_OPEN_MALLOC_PREFRAME,
      ERR_IMG_TEMPORALFILTER_OPEN_MALLOC_ALIGNED_CURFRAME,
      ERR_IMG_TEMPORALFILTER_OPEN_MALLOC_TEMP_BUF, ERR_IMG_TEMPORALFILTER_OPEN_MALLOC_FAST_SCRATCH};
  using P = tImgTemporalFilterParam;
  const uint32_t width = ERR_IMG_TEMPORALFILTER_PARAM_WIDTH;
  const uint32_t height = ERR_IMG_TEMPORALFILTER_PARAM_HEIGHT;
  const uint32_t stride = ERR_IMG_TEMPORALFILTER_PARAM_STRIDE;
  m.rows = {
      PF_REFUSED(P, "width 0 before height 0", width, p.s32Width = p.s32Height = 0),
      PF_REFUSED(P, "negative width", width, p.s32Width = -8),
      PF_REFUSED(P, "height 0 before strides", height, p.s32Height = p.s32YStride = 0),
      PF_REFUSED(P, "luma stride below width", stride, p.s32YStride = 21),
      PF_REFUSED(P, "chroma stride below half", stride, p.s32UVStride = 10),
      PF_REFUSED(P, "too wide to allocate", width, p.s32Width = p.s32YStride = 0x7FFFFFF0),
      PF_REFUSED(P, "too large to allocate", height, p.s32Height = 0x40000000),
  };
  return m;
}
PF_MODULE_CASE(temporal_filter_case);

}  // namespace
