// SPDX-License-Identifier: BSD-2-Clause
// The deinterlace module: every mode's picture against a model written here from the formulas
// (whole-picture arrays where the kernels keep ring buffers, the original picture where they work
// in place), on random geometries, strides and contents; the history mode 3 carries between
// pictures, across SetParam and a new Open; what SetParam stores and when it grows the buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "filter_cases.hpp"
#include "guarded.hpp"
#include "img_deinterlace.h"
#include "img_deinterlace_internal.hpp"
#include "module_cases.hpp"
#include "parity.hpp"
#include "picture_data.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using P = tImgDeinterlaceParam;
using pft::Grid;

pft::ModuleCase deinterlace_case() {
  pft::ModuleCase m;
  m.name = "deinterlace";
  m.family = pft::Family::kFilters;
  m.entry = PF_ENTRY_POINTS(ImgDeinterlace);
  m.table = &tImgDeinterlaceFunc;
  m.id = 32;
  pft::set_names(m, pas8DeinterlaceAnalyzeErrorCode, ERR_IMG_DEINTERLACE_START_CODE,
                 ERR_IMG_DEINTERLACE_OPEN_HANDLE, ERR_IMG_DEINTERLACE_SELF_GETMEMSIZE_PARAM_POINTER,
                 0xC7400012);
  pft::set_version(m, "pelforge_v300.deinterlace.009", 0xC740000E, 0xC740000F, 0xC7400010);
  m.param = pft::record_bytes(P{32, 16, 40, 24, 3, 1});
  m.mem_size = 10 * 32 + 32 * 16 / 2 + 144;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const P*>(record);
    const int32_t uvs = p.s32UVStride != 0 ? p.s32UVStride : p.s32YStride / 2;
    uint8_t* planes[3] = {pics.plane(p.s32Width, p.s32Height, p.s32YStride),
                          pics.plane(p.s32Width / 2, p.s32Height / 2, uvs),
                          pics.plane(p.s32Width / 2, p.s32Height / 2, uvs)};
    // Several pictures: mode 3 keeps a reduced copy of the last one.
    for (int i = 0; i < 3; ++i) {
      if (const uint32_t status = e.Process(h, planes, planes)) return status;
    }
    return 0u;
  };
  pft::set_null_codes(
      m, {0xC7400001, 0xC740000B, 0xC740000B, 0xC740000C, 0xC740000D, 0xC7400011, 0xC7400008});
  m.open_failures = {0xC7400002, 0xC7400004, 0xC7400013};  // instance, history, line buffer
  m.dma_failure = 0xC7400014;
  m.rows = {
      PF_REFUSED(P, "width 12", 0xC7400005, p.s32Width = 12),
      PF_REFUSED(P, "width 0 before height 0", 0xC7400005, p.s32Width = p.s32Height = 0),
      PF_REFUSED(P, "width -8", 0xC7400005, p.s32Width = -8),
      PF_REFUSED(P, "height 0 before stride", 0xC7400006, p.s32Height = 0, p.s32YStride = 8),
      PF_REFUSED(P, "height 20", 0xC7400006, p.s32Height = 20),
      PF_REFUSED(P, "stride below width", 0xC7400007, p.s32YStride = 24),
      PF_REFUSED(P, "chroma stride -1 before mode", 0xC7400007, p.s32UVStride = -1, p.s32Mode = 9),
      PF_REFUSED(P, "mode 4", 0xC7400015, p.s32Mode = 4),
      PF_REFUSED(P, "mode -1 before type", 0xC7400015, p.s32Mode = -1, p.s32FrameType = 0),
      PF_REFUSED(P, "type 0", 0xC7400016, p.s32FrameType = 0),
      PF_REFUSED(P, "type 4", 0xC7400016, p.s32FrameType = 4),
  };
  return m;
}
PF_MODULE_CASE(deinterlace_case);

// ---------------------------------------------------------------- the model

int h(int v) { return (v + 1) >> 1; }
int avg(int a, int b) { return (a + b + 1) >> 1; }
int median3(int a, int b, int c) { return a + b + c - std::min({a, b, c}) - std::max({a, b, c}); }

// Line numbers of field A and field B in a plane of `rows` lines.
struct Fields {
  int rows;
  bool separated;
  int a(int k) const { return separated ? k : 2 * k; }
  int b(int k) const { return separated ? rows / 2 + k : 2 * k + 1; }
};

void comb_model(Grid& g, bool simple) {
  const Grid in = g;
  const int last = simple ? g.rows - 3 : g.rows - 5;
  if (g.rows / 2 < 3) return;
  for (int l = 1; l <= last; l += 2) {
    for (int x0 = 0; x0 < g.w; x0 += 8) {
      int s1 = 0, s2 = 0, s3 = 0, s4 = 0;
      for (int x = x0; x < std::min(g.w, x0 + 8); ++x) {
        s1 += std::abs(in.at(x, l - 1) - in.at(x, l));
        s2 += std::abs(in.at(x, l) - in.at(x, l + 1));
        s3 += std::abs(in.at(x, l) - in.at(x, l + 2));
        s4 += std::abs(in.at(x, l - 1) - in.at(x, l + 1));
      }
      const bool replace =
          simple ? s1 + s2 > s3 + s4
                 : std::min(s1, s2) > std::min(s3, s4) && (s1 + s2) / 2 - 16 > (s3 + s4) / 2;
      if (!replace) continue;
      for (int x = x0; x < std::min(g.w, x0 + 8); ++x)
        g.at(x, l) = avg(in.at(x, l - 1), in.at(x, l + 1));
    }
  }
}

void repeat_model(Grid& g, bool separated) {
  const Fields f{g.rows, separated};
  for (int k = 0; k < g.rows / 2; ++k) {
    for (int x = 0; x < g.w; ++x) g.at(x, f.b(k)) = g.at(x, f.a(k));
  }
}

void median_model(Grid& g, bool separated) {
  const Fields f{g.rows, separated};
  const int n = g.rows / 2;
  for (int k = 0; k < n; ++k) {
    const int below = f.a(k + 1 < n ? k + 1 : k);  // the last line of field B has no A below
    for (int x = 0; x < g.w; ++x)
      g.at(x, f.b(k)) = median3(g.at(x, f.a(k)), g.at(x, f.b(k)), g.at(x, below));
  }
}

// Modes 2 and 3 on luma. `history` (width x (n - 1) bytes, mode 3 only) is read and rewritten.
void blend_model(Grid& g, bool separated, std::vector<int>* history) {
  const Grid in = g;
  const Fields f{g.rows, separated};
  const int n = g.rows / 2, w = g.w;
  auto x_in = [&](int x) { return std::clamp(x, 0, w - 1); };
  auto A = [&](int k, int x) { return in.at(x_in(x), f.a(std::min(k, n - 1))); };
  auto B = [&](int k, int x) { return in.at(x_in(x), f.b(std::min(k, n - 1))); };
  std::vector<std::vector<int>> M(n, std::vector<int>(w, 0)), D = M, dir = M;
  std::vector<std::vector<int>> E(n + 1, std::vector<int>(w, 16));  // E[j + 1] is E(j)
  for (int j = 1; j < n; ++j) {
    for (int x = 0; x < w; ++x) {
      const int da = std::abs(A(j, x) - avg(A(j - 1, x), A(j + 1, x)));
      const int db = std::abs(B(j, x) - avg(B(j - 1, x), B(j + 1, x)));
      M[j][x] = std::min(16, h(h(h(h(da + db)))));
      const int pa = h(h(A(j, x)) + avg(A(j - 1, x), A(j + 1, x)));
      const int pb = h(h(B(j, x)) + avg(B(j - 1, x), B(j + 1, x)));
      D[j][x] = (pa - pb) >= 0 ? (pa - pb) / 2 : -((pb - pa + 1) / 2);
      int e = h(std::max(0, std::abs(B(j, x) - avg(A(j, x), A(j + 1, x))) - std::max(da, db)));
      if (history != nullptr) {
        const int t = h(avg(A(j, x), A(j, x + 1)) + avg(A(j + 1, x), A(j + 1, x + 1)));
        int& s = (*history)[size_t(j - 1) * w + x];
        e = std::max(e, std::abs(s - t));
        s = t;
        int best_d = 0, best_key = 1 << 30;
        const int order[5] = {0, 1, -1, 2, -2}, tags[5] = {0, 2, 3, 4, 5};
        for (int i = 0; i < 5; ++i) {
          const int d = order[i];
          const int key =
              (std::abs(A(j, x) - avg(A(j - 1, x + d), A(j + 1, x - d))) / 8 * 8) + tags[i];
          if (key < best_key) best_key = key, best_d = d;
          if (i == 2 && best_d == 0) break;  // vertical wins among the three nearest
        }
        dir[j][x] = best_d;
      }
      E[j + 1][x] = e;
    }
  }
  for (int k = 0; k + 1 < n; ++k) {
    for (int x = 0; x < w; ++x) {
      int interp = avg(A(k, x), A(k + 1, x));
      if (history != nullptr && x >= 1 && x <= w - 2) {
        const int sum = dir[k][x - 1] + 2 * dir[k][x] + dir[k][x + 1] + dir[k + 1][x - 1] +
                        2 * dir[k + 1][x] + dir[k + 1][x + 1];
        const int ds = sum >= 0 ? sum / 8 : -(-sum / 8);
        interp = avg(A(k, x + ds), A(k + 1, x - ds));
      }
      const int b = B(k, x);
      const int v = std::clamp(h(b + interp) + D[k][x], 0, 255);
      const int inner = (b * M[k][x] + (16 - M[k][x]) * v) >> 4;
      const auto& e = E[k + 1];
      const int wgt =
          std::min(16, h(e[x] + h(h(e[x_in(x - 1)] + e[x_in(x + 1)]) + h(E[k][x] + E[k + 2][x]))));
      g.at(x, f.b(k)) = (interp * wgt + (16 - wgt) * inner) >> 4;
    }
  }
}

// The expected picture after one Process of `p` (strides aside), carrying `history`.
void model(const P& p, std::vector<Grid>& planes, std::vector<int>& history, bool sse2_comb) {
  const bool separated = p.s32FrameType == PF_DEINTERLACE_FIELDS;
  switch (p.s32Mode) {
    case 0:
      for (Grid& g : planes) comb_model(g, sse2_comb);
      break;
    case 1:
      for (Grid& g : planes) repeat_model(g, separated);
      break;
    default:
      blend_model(planes[0], separated, p.s32Mode == 3 ? &history : nullptr);
      median_model(planes[1], separated);
      median_model(planes[2], separated);
      break;
  }
}

// ---------------------------------------------------------------- driving the module

class Deinterlace : public pft::VmemTest {
 protected:
  static bool sse2_comb() { return (pft::cpu_flags() & 0x8) != 0; }

  static pft::GuardedPicture picture(const P& p, uint64_t seed) {
    pft::Rng rng(seed);
    return pft::GuardedPicture(PF_YUV_420, uint32_t(p.s32Width), uint32_t(p.s32Height), rng, 24);
  }
  static P with_strides(P p, const pft::GuardedPicture& pic) {
    p.s32YStride = int32_t(pic.planes()[0].pitch());
    p.s32UVStride = int32_t(pic.planes()[1].pitch());
    return p;
  }
  static void process(void* handle, pft::GuardedPicture& pic) {
    uint8_t* planes[3] = {pic.planes()[0].data(), pic.planes()[1].data(), pic.planes()[2].data()};
    ASSERT_EQ(ImgDeinterlaceProcess_c(handle, planes, planes), 0u);
  }
  // Runs the model on the picture's present content and checks the module's result against it.
  static void process_and_check(void* handle, const P& p, pft::GuardedPicture& pic,
                                std::vector<int>& history) {
    std::vector<Grid> expected = pft::grids(pic);
    const std::vector<Grid> before = expected;
    model(p, expected, history, sse2_comb());
    process(handle, pic);
    ASSERT_EQ(pic.check_guards(), "");
    const Fields luma{p.s32Height, p.s32FrameType == PF_DEINTERLACE_FIELDS};
    for (size_t k = 0; k < 3; ++k) {
      const Grid actual(pic.planes()[k]);
      for (int y = 0; y < actual.rows; ++y) {
        for (int x = 0; x < actual.w; ++x) {
          ASSERT_EQ(actual.at(x, y), expected[k].at(x, y))
              << "plane " << k << " at " << x << "," << y << " (was " << before[k].at(x, y) << ")";
        }
      }
      if (k == 0 && p.s32Mode != 0) {  // field A passes unchanged (mode 0: the even lines)
        for (int j = 0; j < p.s32Height / 2; ++j)
          ASSERT_EQ(actual.at(0, luma.a(j)), before[0].at(0, luma.a(j)));
      }
    }
  }
};

// ---------------------------------------------------------------- tests

TEST_F(Deinterlace, EveryModeMatchesTheModelOnRandomPicturesAndStrides) {
  pft::Rng rng(20261207);
  for (int mode = 0; mode < 4; ++mode) {
    for (int c = 0; c < 20; ++c) {
      const P base = pft::random_deinterlace_param(rng, mode, 136, 72);
      const uint64_t seed = rng.next();
      pft::GuardedPicture pic = picture(base, seed);
      const P p = with_strides(base, pic);
      SCOPED_TRACE(pft::describe(p) + " seed " + std::to_string(seed));
      void* handle = nullptr;
      ASSERT_EQ(ImgDeinterlaceOpen_c(&handle, &p, mem()), 0u);
      std::vector<int> history(size_t(p.s32Width) * p.s32Height / 2, 0);
      // A short sequence: mode 3's history ties each picture to the one before.
      for (int frame = 0; frame < 3; ++frame) {
        if (frame == 0 || rng.chance(50)) pft::fill_filter_content(pic, rng);
        process_and_check(handle, p, pic, history);
      }
      EXPECT_EQ(ImgDeinterlaceClose_c(handle), 0u);
    }
  }
}

TEST_F(Deinterlace, WorkedCases) {
  struct Row {
    const char* what;
    P p;
    void (*fill)(Grid&);  // on every plane
    bool unchanged;
  };
  const Row rows[] = {
      // Identical fields are never taken for combing: the margin is never reached.
      {"mode 0, identical fields",
       {64, 32, 64, 32, 0, 1},
       [](Grid& g) {
         for (int y = 0; y < g.rows; ++y)
           for (int x = 0; x < g.w; ++x) g.at(x, y) = (x * 37 + (y / 2) * 91) % 256;
       },
       true},
      {"mode 0, chroma 4 lines high",
       {16, 8, 16, 8, 0, 3},
       [](Grid& g) {
         for (int y = 0; y < g.rows; ++y)
           for (int x = 0; x < g.w; ++x) g.at(x, y) = y % 2 == 0 ? 0 : 255;
       },
       false},
      {"mode 2, flat picture",
       {48, 24, 48, 24, 2, 2},
       [](Grid& g) { std::fill(g.v.begin(), g.v.end(), 90); },
       true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    pft::GuardedPicture pic = picture(r.p, 5);
    const P p = with_strides(r.p, pic);
    for (auto& plane : pic.planes()) {
      Grid g(plane);
      r.fill(g);
      for (int y = 0; y < g.rows; ++y)
        for (int x = 0; x < g.w; ++x) plane.at(uint32_t(x), uint32_t(y)) = uint8_t(g.at(x, y));
    }
    const Grid before_y(pic.planes()[0]), before_u(pic.planes()[1]);
    void* handle = nullptr;
    ASSERT_EQ(ImgDeinterlaceOpen_c(&handle, &p, mem()), 0u);
    std::vector<int> history(size_t(p.s32Width) * p.s32Height / 2, 0);
    process_and_check(handle, p, pic, history);
    if (r.unchanged) {
      EXPECT_EQ(Grid(pic.planes()[0]).v, before_y.v);
    }
    if (p.s32Height == 8) {  // 4-line chroma planes have no comb test at all
      EXPECT_EQ(Grid(pic.planes()[1]).v, before_u.v);
    }
    EXPECT_EQ(ImgDeinterlaceClose_c(handle), 0u);
  }
}

TEST_F(Deinterlace, HistorySurvivesSetParamOfTheSameSizeAndStartsAgainOnOpenOrGrowth) {
  pft::Rng rng(7);
  P p = pft::random_deinterlace_param(rng, 3, 64, 32);
  p.s32Width = 64, p.s32Height = 32, p.s32FrameType = 3;
  pft::GuardedPicture pic = picture(p, 11);
  p = with_strides(p, pic);
  void* handle = nullptr;
  ASSERT_EQ(ImgDeinterlaceOpen_c(&handle, &p, mem()), 0u);
  std::vector<int> history(size_t(p.s32Width) * p.s32Height / 2, 0);
  pft::fill_filter_content(pic, rng);
  process_and_check(handle, p, pic, history);
  // Mode 2 in between neither reads nor writes the history; back in mode 3 it is still there.
  P blend = p;
  blend.s32Mode = 2;
  ASSERT_EQ(ImgDeinterlaceSetParam_c(handle, &blend), 0u);
  pft::fill_filter_content(pic, rng);
  process_and_check(handle, blend, pic, history);
  ASSERT_EQ(ImgDeinterlaceSetParam_c(handle, &p), 0u);
  pft::fill_filter_content(pic, rng);
  process_and_check(handle, p, pic, history);
  // A new instance starts from zero.
  void* fresh = nullptr;
  ASSERT_EQ(ImgDeinterlaceOpen_c(&fresh, &p, mem()), 0u);
  std::vector<int> zero(history.size(), 0);
  pft::fill_filter_content(pic, rng);
  process_and_check(fresh, p, pic, zero);
  EXPECT_EQ(ImgDeinterlaceClose_c(fresh), 0u);
  // A larger picture than Open's gets new buffers, and a history from zero; a failed allocation
  // changes nothing.
  P large = p;
  large.s32Width = 2 * p.s32Width, large.s32Height = 2 * p.s32Height;
  pft::GuardedPicture big = picture(large, 13);
  large = with_strides(large, big);
  for (uint32_t n : {1u, 2u}) {
    VideoMemFailAllocation(mem(), n);
    EXPECT_EQ(ImgDeinterlaceSetParam_c(handle, &large), n == 1 ? 0xC7400004u : 0xC7400013u);
    VideoMemFailAllocation(mem(), 0);
    P status{};
    ASSERT_EQ(ImgDeinterlaceGetStatus_c(handle, &status), 0u);
    EXPECT_EQ(std::memcmp(&status, &p, sizeof p), 0);
  }
  const uint64_t live = live_blocks();
  ASSERT_EQ(ImgDeinterlaceSetParam_c(handle, &large), 0u);
  EXPECT_EQ(live_blocks(), live);  // the old buffers went back
  std::vector<int> grown(size_t(large.s32Width) * large.s32Height / 2, 0);
  pft::fill_filter_content(big, rng);
  process_and_check(handle, large, big, grown);
  EXPECT_EQ(ImgDeinterlaceClose_c(handle), 0u);
}

TEST_F(Deinterlace, StatusDefaultsAndTheModeWithoutAFieldSeparatedForm) {
  const P p{64, 32, 80, 0, 1, 1};
  void* handle = nullptr;
  ASSERT_EQ(ImgDeinterlaceOpen_c(&handle, &p, mem()), 0u);
  P status{};
  ASSERT_EQ(ImgDeinterlaceGetStatus_c(handle, &status), 0u);
  EXPECT_EQ(status.s32UVStride, 40);  // 0 means half the luma stride
  ASSERT_EQ(ImgDeinterlaceSetParam_c(handle, &p), 0u);
  // Mode 0 has no field-separated form: refused after the values are stored, and the kernel
  // chosen before (line repetition) now repeats field-separated pictures.
  const P comb_fields{64, 32, 80, 0, 0, 2};
  EXPECT_EQ(ImgDeinterlaceSetParam_c(handle, &comb_fields), 0xC7400016u);
  ASSERT_EQ(ImgDeinterlaceGetStatus_c(handle, &status), 0u);
  EXPECT_EQ(status.s32Mode, 0);
  EXPECT_EQ(status.s32FrameType, 2);
  std::vector<uint8_t> frame(80 * 32 * 3 / 2);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i * 7);
  uint8_t* planes[3] = {frame.data(), nullptr, nullptr};
  ASSERT_EQ(ImgDeinterlaceProcess_c(handle, planes, planes), 0u);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(std::memcmp(&frame[size_t(16 + i) * 80], &frame[size_t(i) * 80], 64), 0) << i;
  // A chroma stride below the chroma width is accepted: the lines overlap, and every mode stays
  // inside the planes the record describes.
  for (int mode = 0; mode < 4; ++mode) {
    const P overlapping{64, 32, 80, 4, mode, 3};
    ASSERT_EQ(ImgDeinterlaceSetParam_c(handle, &overlapping), 0u);
    ASSERT_EQ(ImgDeinterlaceProcess_c(handle, planes, planes), 0u);
  }
  uint8_t* no_luma[3] = {nullptr, frame.data(), frame.data()};
  EXPECT_EQ(ImgDeinterlaceProcess_c(handle, no_luma, no_luma), 0xC7400009u);
  EXPECT_EQ(ImgDeinterlaceClose_c(handle), 0u);
  // Open refuses the same record once the instance exists, and gives it back.
  void* never = nullptr;
  EXPECT_EQ(ImgDeinterlaceOpen_c(&never, &comb_fields, mem()), 0xC7400016u);
  EXPECT_EQ(never, nullptr);
  EXPECT_EQ(live_blocks(), 0u);
}

TEST(DeinterlaceMemSize, StatedFormula) {
  struct Row {
    P p;
    uint32_t size;
  };
  const Row rows[] = {{{720, 576, 720, 360, 3, 1}, 214704},
                      {{16, 8, 16, 8, 0, 1}, 160 + 64 + 144},
                      {{0, 0, 0, 0, 9, 9}, 144}};  // not validated: any record is sized
  for (const Row& r : rows) {
    uint32_t size = 0;
    EXPECT_EQ(ImgDeinterlaceGetMemSize_c(&r.p, &size), 0u);
    EXPECT_EQ(size, r.size);
  }
  uint32_t size = 0;
  EXPECT_EQ(ImgDeinterlaceGetMemSize_c(nullptr, &size), 0xC7400017u);
  EXPECT_EQ(ImgDeinterlaceGetMemSize_c(&rows[0].p, nullptr), 0xC7400017u);
}

}  // namespace
