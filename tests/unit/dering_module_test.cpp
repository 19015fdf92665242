// SPDX-License-Identifier: BSD-2-Clause
// The dering module: pictures against a model written from the block rules, on random blocky
// pictures, quantisers and strides; what stays untouched (the outer ring of blocks, small
// planes, quantisers below 2, flat blocks).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "filter_cases.hpp"
#include "guarded.hpp"
#include "img_dering.h"
#include "module_cases.hpp"
#include "picture_data.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using P = tImgDeringParam;
using pft::Grid;

pft::ModuleCase dering_case() {
  pft::ModuleCase m;
  m.name = "dering";
  m.family = pft::Family::kFilters;
  m.entry = PF_ENTRY_POINTS_WITH(ImgDering, ImageDeringDebug_c, ImageDeringGetMemSize_c);
  pft::set_names(m, pas8DeringAnalyzeErrorCode, ERR_IMG_DERING_START_CODE,
                 ERR_IMG_DERING_OPEN_HANDLE, ERR_IMG_DERING_GET_DMA_HANDLE, 0xC2C00010);
  pft::set_version(m, "pelforge_v300.dering.001", 0xC2C0000C, 0xC2C0000D, 0xC2C0000E);
  m.param = pft::record_bytes(P{24, 24, 32, 12});
  m.mem_size = 56;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& r = *static_cast<const P*>(record);
    tImgDeringData d{pics.plane(r.s32Width, r.s32Height, r.s32YStride),
                     pics.plane(r.s32Width / 2, r.s32Height / 2, r.s32UVStride),
                     pics.plane(r.s32Width / 2, r.s32Height / 2, r.s32UVStride),
                     1 + pics.byte() % 31};
    return e.Process(h, &d, &d);
  };
  pft::set_null_codes(
      m, {0xC2C00001, 0xC2C00009, 0xC2C00009, 0xC2C0000A, 0xC2C0000B, 0xC2C0000F, 0xC2C00006});
  m.open_failures = {0xC2C00002, 0xC2C00011};
  m.dma_failure = 0xC2C00012;
  m.rows = {
      PF_REFUSED(P, "width 0 before height", 0xC2C00003, p.s32Width = 0, p.s32Height = 0),
      PF_REFUSED(P, "width 20", 0xC2C00003, p.s32Width = 20),
      PF_REFUSED(P, "height -8", 0xC2C00004, p.s32Height = -8),
      PF_REFUSED(P, "height 12 before stride", 0xC2C00004, p.s32Height = 12, p.s32YStride = 1),
      PF_REFUSED(P, "stride", 0xC2C00005, p.s32YStride = 16),
      PF_REFUSED(P, "chroma stride", 0xC2C00005, p.s32UVStride = 11),
  };
  return m;
}
PF_MODULE_CASE(dering_case);

Grid dering_model(Grid g, int qp) {
  if (g.rows < 17 || g.w < 17) return g;
  const int m = std::max(qp, 0) / 2;
  for (int by = 8; by + 8 < g.rows; by += 8) {
    for (int bx = 8; bx + 8 < g.w; bx += 8) {
      int lo = 255, hi = 0;
      for (int y = by; y < by + 8; ++y)
        for (int x = bx; x < bx + 8; ++x)
          lo = std::min(lo, g.at(x, y)), hi = std::max(hi, g.at(x, y));
      const int t = (lo + hi) / 2;
      const Grid before = g;
      auto cls = [&](int x, int y) { return before.v[size_t(y) * g.w + x] >= t; };
      auto px = [&](int x, int y) { return before.v[size_t(y) * g.w + x]; };
      for (int y = by; y < by + 8; ++y) {
        for (int x = bx; x < bx + 8; ++x) {
          bool same = true;
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) same = same && cls(x + dx, y + dy) == cls(x, y);
          if (!same) continue;
          const int f =
              (px(x - 1, y - 1) + px(x + 1, y - 1) + px(x - 1, y + 1) + px(x + 1, y + 1) +
               2 * (px(x, y - 1) + px(x - 1, y) + px(x + 1, y) + px(x, y + 1)) + 4 * px(x, y)) /
              16;
          const int p = px(x, y);
          g.at(x, y) = std::clamp(f, p - m, p + m);
        }
      }
    }
  }
  return g;
}

class Dering : public pft::VmemTest {
 protected:
  std::vector<Grid> run(pft::GuardedPicture& pic, int32_t qp) {
    const P p{int32_t(pic.width()), int32_t(pic.height()), int32_t(pic.planes()[0].pitch()),
              int32_t(pic.planes()[1].pitch())};
    void* handle = nullptr;
    EXPECT_EQ(ImgDeringOpen_c(&handle, &p, mem()), 0u);
    tImgDeringData d{pic.planes()[0].data(), pic.planes()[1].data(), pic.planes()[2].data(), qp};
    EXPECT_EQ(ImgDeringProcess_c(handle, &d, &d), 0u);
    EXPECT_EQ(ImgDeringClose_c(handle), 0u);
    EXPECT_EQ(pic.check_guards(), "");
    return pft::grids(pic);
  }
};

TEST_F(Dering, MatchesTheModelOnRandomBlockyPictures) {
  pft::Rng rng(20261209);
  for (int c = 0; c < 50; ++c) {
    const uint32_t w = 8 * uint32_t(rng.range(1, 24)), h = 8 * uint32_t(rng.range(1, 12));
    const int32_t qp = pft::random_qp(rng);
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " QP " + std::to_string(qp));
    pft::GuardedPicture pic(PF_YUV_420, w, h, rng, 24);
    pft::fill_blocky_content(pic, rng);
    std::vector<Grid> expected = pft::grids(pic);
    for (Grid& g : expected) g = dering_model(g, qp);
    const std::vector<Grid> actual = run(pic, qp);
    for (size_t k = 0; k < 3; ++k) ASSERT_EQ(actual[k].v, expected[k].v) << "plane " << k;
  }
}

TEST_F(Dering, LeavesAlone) {
  struct Row {
    const char* what;
    uint32_t w, h;
    int32_t qp;
    bool flat;
  };
  const Row rows[] = {
      {"QP 1 allows no change", 64, 48, 1, false},
      {"QP 0", 64, 48, 0, false},
      {"flat blocks", 64, 48, 40, true},
      {"16 lines high", 64, 16, 40, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    pft::Rng rng(4);
    pft::GuardedPicture pic(PF_YUV_420, r.w, r.h, rng, 8);
    if (r.flat) {
      for (auto& plane : pic.planes()) plane.fill(93);
    } else {
      pft::fill_blocky_content(pic, rng);
    }
    const std::vector<Grid> before = pft::grids(pic);
    const std::vector<Grid> after = run(pic, r.qp);
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(after[k].v, before[k].v) << "plane " << k;
  }
}

}  // namespace
