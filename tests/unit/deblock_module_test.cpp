// SPDX-License-Identifier: BSD-2-Clause
// The deblock module: pictures against a model written from the written-out filter formulas, on
// random blocky pictures, quantisers and strides, from source to destination and in place; the
// worked edges (the step of 20 at QP 10 and 11, QP 0, flat pictures).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "filter_cases.hpp"
#include "guarded.hpp"
#include "img_deblock.h"
#include "module_cases.hpp"
#include "picture_data.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using P = tImgDeblockParam;
using pft::Grid;

pft::ModuleCase deblock_case() {
  pft::ModuleCase m;
  m.name = "deblock";
  m.family = pft::Family::kFilters;
  m.entry = PF_ENTRY_POINTS_WITH(ImgDeblock, ImageDeblockDebug_c, ImageDeblockGetMemSize_c);
  pft::set_names(m, pas8DeblockAnalyzeErrorCode, ERR_IMG_DEBLOCK_MOD_START,
                 ERR_IMG_DEBLOCK_OPEN_HANDLE, ERR_IMG_DEBLOCK_GET_DMA_HANDLE, 0xC2400012);
  pft::set_version(m, "pelforge_v300.deblock.003", 0xC240000E, 0xC240000F, 0xC2400010);
  m.param = pft::record_bytes(P{16, 16, 16, 8, 16, 16, 24, 12});
  m.mem_size = 72;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& r = *static_cast<const P*>(record);
    tImgDeblockData d{pics.plane(r.s32SrcWidth, r.s32SrcHeight, r.s32SrcYStride),
                      pics.plane(r.s32SrcWidth / 2, r.s32SrcHeight / 2, r.s32SrcUVStride),
                      pics.plane(r.s32SrcWidth / 2, r.s32SrcHeight / 2, r.s32SrcUVStride),
                      pics.plane(r.s32DstWidth, r.s32DstHeight, r.s32DstYStride),
                      pics.plane(r.s32DstWidth / 2, r.s32DstHeight / 2, r.s32DstUVStride),
                      pics.plane(r.s32DstWidth / 2, r.s32DstHeight / 2, r.s32DstUVStride),
                      1 + pics.byte() % 31};
    return e.Process(h, &d, &d);
  };
  pft::set_null_codes(
      m, {0xC2400001, 0xC240000B, 0xC240000B, 0xC240000C, 0xC240000D, 0xC2400011, 0xC2400008});
  m.open_failures = {0xC2400002, 0xC2400013};
  m.dma_failure = 0xC2400014;
  m.rows = {
      PF_REFUSED(P, "width 12 before the strides", 0xC2400003, p.s32SrcWidth = 12,
                 p.s32DstYStride = 1),
      PF_REFUSED(P, "height 20", 0xC2400004, p.s32SrcHeight = 20, p.s32DstHeight = 20),
      PF_REFUSED(P, "destination width differs", 0xC2400005, p.s32DstWidth = 8),
      PF_REFUSED(P, "width 0, destination 16", 0xC2400005, p.s32SrcWidth = 0),
      PF_REFUSED(P, "destination height differs", 0xC2400005, p.s32DstHeight = 8),
      PF_REFUSED(P, "source stride", 0xC2400006, p.s32SrcYStride = 15),
      PF_REFUSED(P, "source chroma stride", 0xC2400006, p.s32SrcUVStride = 7),
      PF_REFUSED(P, "destination stride", 0xC2400007, p.s32DstYStride = 8),
      PF_REFUSED(P, "destination chroma stride", 0xC2400007, p.s32DstUVStride = 7),
  };
  return m;
}
PF_MODULE_CASE(deblock_case);

// ---------------------------------------------------------------- the model

using Seg = std::array<int, 8>;

Seg smoothed(const Seg& s) {
  return {(10 * s[0] + 2 * s[1] + 2 * s[2] + s[3] + s[4]) >> 4,
          (6 * s[0] + 4 * s[1] + 2 * s[2] + 2 * s[3] + s[4] + s[5]) >> 4,
          (4 * s[0] + 2 * s[1] + 4 * s[2] + 2 * s[3] + 2 * s[4] + s[5] + s[6]) >> 4,
          (2 * s[0] + 2 * s[1] + 2 * s[2] + 4 * s[3] + 2 * s[4] + 2 * s[5] + s[6] + s[7]) >> 4,
          (s[0] + s[1] + 2 * s[2] + 2 * s[3] + 4 * s[4] + 2 * s[5] + 2 * s[6] + 2 * s[7]) >> 4,
          (s[1] + s[2] + 2 * s[3] + 2 * s[4] + 2 * s[6] + 4 * s[5] + 4 * s[7]) >> 4,
          (s[2] + s[3] + 2 * s[4] + 2 * s[5] + 4 * s[6] + 6 * s[7]) >> 4,
          (s[3] + s[4] + 2 * s[5] + 2 * s[6] + 10 * s[7]) >> 4};
}

Seg corrected(Seg s, int64_t qp) {
  const int a0 = 5 * (s[3] - s[4]) + 2 * (s[5] - s[2]);
  const int a1 = 2 * (s[4] - s[7]) - 5 * (s[5] - s[6]);
  const int a2 = 2 * (s[0] - s[3]) - 5 * (s[1] - s[2]);
  const int e =
      std::abs(a0) < 8 * qp ? std::max(std::abs(a0) - std::min(std::abs(a1), std::abs(a2)), 0) : 0;
  const int d = (a0 < 0 ? -1 : 1) * ((5 * e + 32) >> 6);
  const int h = (s[3] - s[4]) >> 1;
  int c = 0;
  if (h * d > 0) c = h > 0 ? std::min(d, h) : std::max(d, h);
  s[3] -= c;
  s[4] += c;
  return s;
}

int flat_pairs(const Seg& s) {
  int n = 0;
  for (int i = 0; i < 7; ++i) n += std::abs(s[i] - s[i + 1]) < 2;
  return n;
}

// One group of segments across an edge: four lines of the horizontal pass (vertical edges), or
// eight columns of the vertical pass.
void horizontal_group(std::vector<Seg>& s, int64_t qp) {
  int count = 0;
  for (const Seg& seg : s) count += flat_pairs(seg);
  const bool smooth = std::abs(s[0][0] - s[0][7]) < 2 * qp;
  for (Seg& seg : s) {
    if (count * 4 < 20 * int(s.size())) {
      seg = corrected(seg, qp);
    } else if (smooth) {
      seg = smoothed(seg);
    }
  }
}

void vertical_group(std::vector<Seg>& s, int64_t qp) {
  int count = 0;
  bool all_within = true;
  for (const Seg& seg : s) {
    count += flat_pairs(seg);
    all_within = all_within && std::abs(seg[0] - seg[7]) <= 2 * qp;
  }
  for (Seg& seg : s) {
    if (count * 8 <= 40 * int(s.size())) {
      seg = corrected(seg, qp);
    } else if (all_within) {
      seg = smoothed(seg);
    }
  }
}

Grid deblock_model(Grid g, int64_t qp) {
  const Grid src = g;
  // Across vertical edges, from the source, four lines at a time.
  for (int y0 = 0; y0 < g.rows; y0 += 4) {
    for (int x = 8; x + 4 <= g.w; x += 8) {
      std::vector<Seg> s(static_cast<size_t>(std::min(4, g.rows - y0)));
      for (size_t l = 0; l < s.size(); ++l)
        for (int i = 0; i < 8; ++i) s[l][i] = src.v[(y0 + l) * g.w + x - 4 + i];
      horizontal_group(s, qp);
      for (size_t l = 0; l < s.size(); ++l)
        for (int i = 0; i < 8; ++i) g.at(x - 4 + i, y0 + int(l)) = s[l][i];
    }
  }
  // Across horizontal edges, in place, eight columns at a time.
  for (int y = 8; y + 4 <= g.rows; y += 8) {
    for (int x0 = 0; x0 < g.w; x0 += 8) {
      std::vector<Seg> s(static_cast<size_t>(std::min(8, g.w - x0)));
      for (size_t c = 0; c < s.size(); ++c)
        for (int i = 0; i < 8; ++i) s[c][i] = g.at(x0 + int(c), y - 4 + i);
      vertical_group(s, qp);
      for (size_t c = 0; c < s.size(); ++c)
        for (int i = 0; i < 8; ++i) g.at(x0 + int(c), y - 4 + i) = s[c][i];
    }
  }
  return g;
}

class Deblock : public pft::VmemTest {
 protected:
  // Deblocks `src` into `dst` (the same picture: in place) through the module; returns the
  // planes of the result.
  std::vector<Grid> run(pft::GuardedPicture& src, pft::GuardedPicture& dst, int32_t qp) {
    const int32_t w = int32_t(src.width()), h = int32_t(src.height());
    auto pitch = [](pft::GuardedPicture& p, int k) { return int32_t(p.planes()[k].pitch()); };
    const P p{w, h, pitch(src, 0), pitch(src, 1), w, h, pitch(dst, 0), pitch(dst, 1)};
    void* handle = nullptr;
    EXPECT_EQ(ImgDeblockOpen_c(&handle, &p, mem()), 0u);
    tImgDeblockData d{src.planes()[0].data(),
                      src.planes()[1].data(),
                      src.planes()[2].data(),
                      dst.planes()[0].data(),
                      dst.planes()[1].data(),
                      dst.planes()[2].data(),
                      qp};
    EXPECT_EQ(ImgDeblockProcess_c(handle, &d, &d), 0u);
    EXPECT_EQ(ImgDeblockClose_c(handle), 0u);
    EXPECT_EQ(dst.check_guards(), "");
    return pft::grids(dst);
  }
};

TEST_F(Deblock, MatchesTheModelOnRandomBlockyPictures) {
  pft::Rng rng(20261208);
  for (int c = 0; c < 60; ++c) {
    const uint32_t w = 8 * uint32_t(rng.range(1, 24)), h = 8 * uint32_t(rng.range(1, 12));
    const int32_t qp = pft::random_qp(rng);
    const bool in_place = rng.chance(30);
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " QP " + std::to_string(qp) +
                 (in_place ? " in place" : ""));
    pft::GuardedPicture src(PF_YUV_420, w, h, rng, 24);
    pft::fill_blocky_content(src, rng);
    std::vector<Grid> expected = pft::grids(src);
    for (Grid& g : expected) g = deblock_model(g, qp);
    pft::GuardedPicture other(PF_YUV_420, w, h, rng, 24);
    const std::vector<Grid> actual = run(src, in_place ? src : other, qp);
    for (size_t k = 0; k < 3; ++k) ASSERT_EQ(actual[k].v, expected[k].v) << "plane " << k;
  }
}

TEST_F(Deblock, WorkedEdges) {
  struct Row {
    const char* what;
    int32_t qp;
    int (*luma)(int x, int y);
    std::vector<int> line;  // expected line 0 (x 0..15); empty: the picture is unchanged
  };
  const Row rows[] = {
      {"flat, QP 31", 31, [](int, int) { return 77; }, {}},
      // Only the pair s3 s4 differs: 24 flat pairs of 28, but |s0 - s7| = 20 is not below 20.
      {"step of 20, QP 10", 10, [](int x, int) { return x < 8 ? 100 : 120; }, {}},
      {"step of 20, QP 11",
       11,
       [](int x, int) { return x < 8 ? 100 : 120; },
       {100, 100, 100, 100, 101, 102, 105, 107, 112, 115, 117, 118, 120, 120, 120, 120}},
      // QP 0: no correction, but a flat group whose columns end where they start is smoothed.
      {"QP 0 bump across y = 8", 0, [](int, int y) { return y == 7 || y == 8 ? 51 : 50; }, {}},
      {"QP 0 texture", 0, [](int x, int y) { return (x * 29 + y * 53) % 256; }, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    pft::Rng rng(3);
    pft::GuardedPicture src(PF_YUV_420, 16, 16, rng, 5), dst(PF_YUV_420, 16, 16, rng, 3);
    for (uint32_t y = 0; y < 16; ++y)
      for (uint32_t x = 0; x < 16; ++x) src.planes()[0].at(x, y) = uint8_t(r.luma(int(x), int(y)));
    const Grid before(src.planes()[0]);
    Grid out = run(src, dst, r.qp)[0];
    if (std::string(r.what) == "QP 0 bump across y = 8") {
      EXPECT_EQ(out.v, std::vector<int>(256, 50));  // the bump is smoothed away
    } else if (r.line.empty()) {
      EXPECT_EQ(out.v, before.v);
    } else {
      for (int y = 0; y < 16; ++y) {
        EXPECT_EQ(std::vector<int>(out.v.begin() + y * 16, out.v.begin() + y * 16 + 16), r.line)
            << "line " << y;
      }
    }
  }
}

// The SSE2 kernel's two tile helpers, on their own: the transpose, and one tile filtered across
// the edge between its rows 3 and 4, by columns (group 8) or as four-line groups (group 4).
TEST(DeblockTiles, TransposeAndFilterOneTile) {
  pft::Rng rng(11);
  for (int c = 0; c < 200; ++c) {
    const int32_t qp = pft::random_qp(rng), group = rng.chance(50) ? 4 : 8;
    uint8_t tile[8][13], transposed[8][9];
    const int base = rng.range(0, 255), spread = rng.range(0, 40);
    for (auto& row : tile)
      for (auto& v : row) v = uint8_t(std::clamp(base + rng.range(-spread, spread), 0, 255));
    ImageTranspose8x8_sse2(&tile[0][0], 13, &transposed[0][0], 9);
    for (int r = 0; r < 8; ++r)
      for (int k = 0; k < 8; ++k) ASSERT_EQ(transposed[k][r], tile[r][k]);
    std::vector<Seg> columns(group == 8 ? 8 : 4), second(4);
    for (int k = 0; k < 8; ++k) {
      for (int i = 0; i < 8; ++i)
        (k < 4 || group == 8 ? columns[k] : second[k - 4])[i] = tile[i][k];
    }
    if (group == 8) {
      vertical_group(columns, qp);
    } else {
      horizontal_group(columns, qp);
      horizontal_group(second, qp);
      columns.insert(columns.end(), second.begin(), second.end());
    }
    ImageDeblock8x8Horiz_sse2(&tile[0][0], 13, qp, group);
    for (int k = 0; k < 8; ++k)
      for (int i = 0; i < 8; ++i)
        ASSERT_EQ(tile[i][k], columns[k][i]) << "QP " << qp << " group " << group;
  }
}

}  // namespace
