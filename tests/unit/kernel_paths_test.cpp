// SPDX-License-Identifier: BSD-2-Clause
// Kernel paths neither the parity harness nor the resizer sweep reaches: the SSSE3 packed scaling
// passes called directly, the D1 scene-change sums taken while writing, the copies' gapless runs.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "bilinear/bilinear.hpp"
#include "guarded.hpp"
#include "img_resizer_simd.h"
#include "parity.hpp"
#include "rng.hpp"

namespace {

using pft::GuardedPicture;
using pft::Rng;

bool have_ssse3() { return (pft::cpu_flags() & VIDEOMEM_CPU_SSSE3) != 0; }

struct Size {
  uint32_t sw, sh, dw, dh;
};

// Widths around the 32-byte windows and the vector lengths, steep reductions (gathers), strong
// widening (down first), one-pixel chroma and single lines, and tables beyond the scratch.
const Size kSizes[] = {{1, 1, 1, 1},      {2, 1, 6, 3},      {3, 5, 7, 2},     {4, 2, 30, 9},
                       {31, 7, 33, 8},    {34, 9, 34, 6},    {66, 2, 130, 9},  {100, 6, 9, 3},
                       {128, 40, 60, 22}, {176, 20, 720, 7}, {720, 4, 352, 5}, {12288, 2, 12288, 2},
                       {9000, 3, 40, 2}};

// Bytes whose last one is the last before an inaccessible page: reading past it faults.
struct PageEnd {
  size_t size, mapped;
  uint8_t* base;
  uint8_t* data;
  explicit PageEnd(size_t bytes) : size(bytes) {
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    mapped = (bytes + page - 1) / page * page + page;
    void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base = static_cast<uint8_t*>(p);
    if (p == MAP_FAILED || mprotect(base + mapped - page, page, PROT_NONE) != 0) std::abort();
    data = base + mapped - page - bytes;
  }
  ~PageEnd() { munmap(base, mapped); }
  PageEnd(const PageEnd&) = delete;
  PageEnd& operator=(const PageEnd&) = delete;
};

// The passes as the resizer never calls them: every size, no scratch, and source lines packed
// without slack against the end of a page, so that reading past them faults. The comparisons
// run in a child process, which reports what differs and exits with 1.
TEST(BilinearPackedSsse3DeathTest, PassesAreTheScalarPassesAndReadNothingPastTheSource) {
  if (!have_ssse3()) GTEST_SKIP() << "no SSSE3";
  auto compare = [] {
    std::vector<uint8_t> memory(0x18000);
    std::string failures;
    Rng rng(20261206);
    for (const Size& s : kSizes) {
      // Random, all 255 (the 16-bit lanes' largest sums), 0/255 checkerboard; random, no scratch.
      for (int run = 0; run < 4; ++run) {
        const std::string where = std::to_string(s.sw) + " -> " + std::to_string(s.dw) +
                                  " wide, run " + std::to_string(run) + ": ";
        void* scratch = run < 3 ? memory.data() : nullptr;
        const uint32_t cw = std::max(s.sw / 2, 1u), ch = std::max(s.sh / 2, 1u);
        PageEnd y(size_t{s.sw} * s.sh), u(size_t{cw} * ch), v(size_t{cw} * ch),
            uyvy(2 * size_t{s.sw} * s.sh);
        for (PageEnd* plane : {&y, &u, &v, &uyvy}) {
          for (size_t i = 0; i < plane->size; ++i) {
            plane->data[i] = run == 1 ? 255 : run == 2 ? 255 * ((i + i / s.sw) & 1) : rng.byte();
          }
        }
        const tImgPicture planar{y.data, u.data, v.data, s.sw, cw, 0, 0};
        // 4:2:0 -> UYVY, UYVY -> UYVY and UYVY -> 4:2:0, each scalar pass into one picture and
        // the variant into its twin (same canaries). A one-pixel UYVY line has no complete pixel
        // pair; the scalar pass reads past it.
        for (int pass = 0; pass < 3 && (pass == 0 || s.sw >= 2); ++pass) {
          const uint32_t type = pass == 2 ? PF_YUV_420 : PF_YUV_UYVY;
          const uint64_t seed = rng.next();
          Rng a(seed), b(seed);
          GuardedPicture want(type, s.dw, s.dh, a, 5), got(type, s.dw, s.dh, b, 5);
          const tImgPicture ref = want.record(), out = got.record();
          const size_t stride = 2 * size_t{ref.u32YPitch};
          if (pass == 0) {
            pf::zoom_420_to_uyvy_c(nullptr, planar, s.sw, s.sh, ref.pu8Y, stride, s.dw, s.dh);
            BilinearZoom420_422YUV(scratch, &planar, s.sw, s.sh, out.pu8Y, stride, s.dw, s.dh);
          } else if (pass == 1) {
            pf::zoom_uyvy_to_uyvy_c(nullptr, uyvy.data, 2 * s.sw, s.sw, s.sh, ref.pu8Y, stride,
                                    s.dw, s.dh);
          } else {
            pf::zoom_uyvy_to_420_c(nullptr, uyvy.data, 2 * s.sw, s.sw, s.sh, ref, s.dw, s.dh);
          }
          if (pass > 0) {
            BilinearZoom422_420YUV(scratch, uyvy.data, 2 * s.sw, s.sw, s.sh, &out, s.dw, s.dh,
                                   type);
          }
          if (!pft::first_difference({want}, {got}).empty()) {
            failures += where + "pass " + std::to_string(pass) + "\n";
          }
        }
      }
    }
    std::fputs(failures.c_str(), stderr);
    std::exit(failures.empty() ? 0 : 1);
  };
  EXPECT_EXIT(compare(), ::testing::ExitedWithCode(0), "");
}

// The SSSE3 D1 kernels add the samples up while they write them, and sum the planes afterwards
// where that would differ; the flag and the stored means must be those of the scalar kernels,
// which always sum afterwards, over a sequence of pictures.
TEST(CopyPackedVariants, D1SceneChangeFollowsTheScalarKernels) {
  if (!have_ssse3()) GTEST_SKIP() << "no SSSE3";
  // Picture contents as (chroma, luma) bytes, random where 0/0: grey, black, white, darker grey.
  const uint8_t sequence[][2] = {{120, 128}, {120, 128}, {128, 16},  {255, 255},
                                 {0, 0},     {126, 112}, {255, 255}, {255, 255}};
  // 4800 wide: several runs of 16-bit partial sums, all at 255 when the picture is white; odd
  // sizes; U and V written to the same plane (what is summed is what stays); fill lines, which
  // move the second field away from the summed lines, and a 6-line field picture's odd chroma
  // line pair.
  using Row = std::tuple<bool, uint32_t, uint32_t, uint32_t, bool>;  // field, w, h, fill, shared
  const Row rows[] = {{false, 4800, 6, 0, false}, {true, 4800, 8, 0, false},
                      {false, 720, 16, 0, false}, {false, 45, 7, 0, false},
                      {false, 64, 8, 0, true},    {true, 720, 16, 0, false},
                      {true, 96, 8, 4, false},    {true, 40, 6, 0, false}};
  for (const auto& [field, w, h, fill_bottom, shared] : rows) {
    tResizerGeometry gs{}, gv{};
    gs.u32SrcWidth = gs.u32DstWidth = w, gs.u32SrcHeight = gs.u32DstHeight = h;
    gs.u32FillBottom = fill_bottom, gv = gs;
    for (size_t step = 0; step < std::size(sequence); ++step) {
      const std::string where = (field ? "field " : "frame ") + std::to_string(w) + "x" +
                                std::to_string(h) + ", picture " + std::to_string(step);
      Rng rng(step);
      std::vector<uint8_t> uyvy(size_t{2} * w * h);
      for (size_t i = 0; i < uyvy.size(); ++i) {
        uyvy[i] = sequence[step][0] == 0 ? rng.byte() : sequence[step][i % 2];
      }
      const size_t luma = size_t{w} * (h + fill_bottom);
      std::vector<uint8_t> out_s(luma * 2, 0), out_v(luma * 2, 0);
      uint8_t *us = out_s.data() + luma, *uv = out_v.data() + luma;
      tImgPicture ds{out_s.data(), us, shared ? us : us + luma / 2, w, w / 2, 0, 0};
      tImgPicture dv{out_v.data(), uv, shared ? uv : uv + luma / 2, w, w / 2, 0, 0};
      tImgPicture src{uyvy.data(), nullptr, nullptr, w, 0, 0, 0};
      (field ? YUV422toYUV420D1FrametoD1Field_c : YUV422toYUV420D1FrametoD1Frame_c)(nullptr, &gs,
                                                                                    &src, &ds);
      (field ? YUV422toYUV420D1FrametoD1Field_ssse3 : YUV422toYUV420D1FrametoD1Frame_ssse3)(
          nullptr, &gv, &src, &dv);
      EXPECT_TRUE(out_s == out_v) << where << ": pictures differ";
      EXPECT_EQ(dv.u32Spare1, ds.u32Spare1) << where << ": flag";
      EXPECT_EQ(std::memcmp(&gv, &gs, sizeof gs), 0) << where << ": means";
    }
  }
}

// Rows without gaps are copied or converted as one run; the picture must not depend on whether
// the pitches leave gaps. Scalar kernels, so this runs on every processor.
TEST(CopyPackedVariants, GaplessAndPaddedPitchesGiveTheSamePicture) {
  const uint32_t k420 = PF_YUV_420, kFrame = PF_IMAGE_FRAME;
  // Kernel, source type and image type, destination type.
  using Row = std::tuple<tResizerKernel, uint32_t, uint32_t, uint32_t>;
  const Row rows[] = {{CopyPic420to420_c, k420, kFrame, k420},
                      {CopyPic420to422P_c, k420, kFrame, PF_YUV_422P},
                      {CopyPic422Pto420_c, PF_YUV_422P, kFrame, k420},
                      {FieldtoFrame420to420_c, k420, PF_IMAGE_FIELD, k420},
                      {YUV420toNV12Conversion_c, k420, kFrame, PF_YUV_NV12},
                      {YUV420toNV21Conversion_c, k420, kFrame, PF_YUV_NV21},
                      {NV12toYUV420Conversion_c, PF_YUV_NV12, kFrame, k420},
                      {NV21toYUV420Conversion_c, PF_YUV_NV21, kFrame, k420}};
  for (const auto& [kernel, st, si, dt] : rows) {
    for (const uint32_t w : {2u, 6u, 34u, 66u}) {
      Rng rng(w);
      GuardedPicture src_gapless(st, w, 8, rng, 0), src_padded(st, w, 8, rng, 11);
      GuardedPicture gapless(dt, w, 8, rng, 0), padded(dt, w, 8, rng, 11);
      for (size_t p = 0; p < src_gapless.planes().size(); ++p) {
        auto &from = src_gapless.planes()[p], &to = src_padded.planes()[p];
        for (uint32_t y = 0; y < from.rows(); ++y)
          std::memcpy(&to.at(0, y), &from.at(0, y), from.width());
      }
      tResizerGeometry g{};
      g.u32SrcWidth = g.u32DstWidth = w, g.u32SrcHeight = g.u32DstHeight = 8;
      g.u32SrcYuvType = st, g.u32SrcImageType = si, g.u32DstYuvType = dt,
      g.u32DstImageType = kFrame;
      tImgPicture s1 = src_gapless.record(), d1 = gapless.record();
      tImgPicture s2 = src_padded.record(), d2 = padded.record();
      kernel(nullptr, &g, &s1, &d1);
      kernel(nullptr, &g, &s2, &d2);
      int differ = 0;
      for (size_t p = 0; p < gapless.planes().size(); ++p) {
        auto &a = gapless.planes()[p], &b = padded.planes()[p];
        for (uint32_t y = 0; y < a.rows(); ++y) {
          differ += std::memcmp(&a.at(0, y), &b.at(0, y), a.width()) != 0;
        }
      }
      EXPECT_EQ(differ, 0) << st << " -> " << dt << ", width " << w << ": rows differ";
      EXPECT_EQ(gapless.check_guards() + padded.check_guards(), "");
    }
  }
}

}  // namespace
