// SPDX-License-Identifier: BSD-2-Clause
// The exported SSSE3 passes of the packed bilinear styles against the scalar passes, on sizes the
// resizer never hands them: widths around the vector and window lengths, one-pixel chroma,
// single lines, odd pitches, tables too large for the scratch, and no scratch at all.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bilinear/bilinear.hpp"
#include "guarded.hpp"
#include "img_resizer_simd.h"
#include "parity.hpp"
#include "rng.hpp"
#include "video_mem.h"

namespace {

using pft::GuardedPlane;
using pft::Rng;

struct Size {
  uint32_t sw, sh, dw, dh;
};

// Sizes that reach each way through the passes: across with 32-byte windows (moderate steps,
// lines of 32 bytes or more), across with gathers (steep reductions), down first (widening past
// what the across tables may take), and the scalar pass (tables beyond the scratch).
const Size kSizes[] = {
    {1, 1, 1, 1},     {2, 2, 2, 2},      {2, 1, 6, 3},         {3, 5, 7, 2},     {4, 4, 2, 2},
    {4, 2, 30, 9},    {6, 3, 5, 7},      {14, 6, 16, 4},       {16, 8, 18, 5},   {18, 10, 14, 12},
    {31, 7, 33, 8},   {34, 9, 34, 6},    {40, 12, 17, 25},     {64, 16, 64, 5},  {66, 2, 130, 9},
    {100, 6, 9, 3},   {128, 40, 60, 22}, {176, 20, 720, 7},    {352, 9, 176, 4}, {704, 6, 96, 3},
    {720, 4, 352, 5}, {720, 6, 1920, 3}, {12288, 2, 12288, 2}, {9000, 3, 40, 2},
};

bool have_ssse3() { return (pft::cpu_flags() & VIDEOMEM_CPU_SSSE3) != 0; }

// Source contents that stress the 16-bit lanes and the rounding: random, all 255, a 0/255
// checkerboard and a ramp.
void paint(GuardedPlane& plane, int pattern, Rng& rng) {
  for (uint32_t y = 0; y < plane.rows(); ++y) {
    for (uint32_t x = 0; x < plane.width(); ++x) {
      uint8_t v = rng.byte();
      if (pattern == 1) v = 255;
      if (pattern == 2) v = ((x + y) & 1) != 0 ? 255 : 0;
      if (pattern == 3) v = static_cast<uint8_t>(x * 3 + y * 5);
      plane.at(x, y) = v;
    }
  }
}

// Two copies of a destination plane with the same canaries: scalar pass, then the variant.
struct DestinationPair {
  GuardedPlane ref, got;
  DestinationPair(uint32_t width, uint32_t rows, uint32_t pitch, uint64_t seed) {
    Rng a(seed), b(seed);
    ref = GuardedPlane(width, rows, pitch, a);
    got = GuardedPlane(width, rows, pitch, b);
  }
  std::string compare() const {
    if (ref.raw() != got.raw()) {
      for (size_t i = 0; i < ref.raw().size(); ++i) {
        if (ref.raw()[i] != got.raw()[i]) return "differs " + ref.describe(i);
      }
    }
    return {};
  }
};

std::string row_name(const Size& s, int pattern, bool scratch, uint32_t slack) {
  return std::to_string(s.sw) + "x" + std::to_string(s.sh) + " -> " + std::to_string(s.dw) + "x" +
         std::to_string(s.dh) + " pattern " + std::to_string(pattern) +
         (scratch ? " with scratch" : " without scratch") + " slack " + std::to_string(slack);
}

TEST(BilinearPackedSsse3, FourTwoZeroToUyvyMatchesScalarPass) {
  if (!have_ssse3()) GTEST_SKIP() << "no SSSE3";
  std::vector<uint8_t> scratch(0x18000);
  Rng rng(20261206);
  for (const Size& s : kSizes) {
    for (int pattern = 0; pattern < 4; ++pattern) {
      for (const bool with_scratch : {true, false}) {
        if (!with_scratch && pattern != 0) continue;
        const uint32_t slack = rng.below(5);
        const std::string name = row_name(s, pattern, with_scratch, slack);
        const uint32_t cw = s.sw / 2 > 0 ? s.sw / 2 : 1;
        const uint32_t ch = s.sh > 1 ? s.sh / 2 : 1;
        const uint32_t chroma_pitch = cw + slack + 1;
        GuardedPlane y(s.sw, s.sh, s.sw + slack, rng), u(cw, ch, chroma_pitch, rng),
            v(cw, ch, chroma_pitch, rng);
        paint(y, pattern, rng);
        paint(u, pattern, rng);
        paint(v, pattern, rng);
        tImgPicture src{y.data(), u.data(), v.data(), y.pitch(), chroma_pitch, 0, 0};
        // An odd stride: the pass writes whole lines of bytes, no pitch unit involved.
        const uint32_t stride = 2 * s.dw + 2 * slack + 1;
        DestinationPair dst(4 * (s.dw / 2), s.dh, stride, rng.next());
        void* pass_scratch = with_scratch ? scratch.data() : nullptr;
        pf::zoom_420_to_uyvy_c(nullptr, src, s.sw, s.sh, dst.ref.data(), stride, s.dw, s.dh);
        BilinearZoom420_422YUV(pass_scratch, &src, s.sw, s.sh, dst.got.data(), stride, s.dw, s.dh);
        EXPECT_EQ(dst.compare(), "") << name;
        EXPECT_EQ(y.check_guards() + u.check_guards() + v.check_guards(), "") << name;
      }
    }
  }
}

TEST(BilinearPackedSsse3, UyvySourceMatchesScalarPasses) {
  if (!have_ssse3()) GTEST_SKIP() << "no SSSE3";
  std::vector<uint8_t> scratch(0x18000);
  Rng rng(77);
  for (const Size& s : kSizes) {
    // A one-pixel UYVY line has no complete pixel pair; the scalar pass reads past it.
    if (s.sw < 2) continue;
    for (int pattern = 0; pattern < 4; ++pattern) {
      for (const bool with_scratch : {true, false}) {
        if (!with_scratch && pattern != 0) continue;
        const uint32_t slack = rng.below(5);
        const std::string name = row_name(s, pattern, with_scratch, slack);
        const uint32_t src_stride = 2 * s.sw + slack;
        GuardedPlane src(2 * s.sw, s.sh, src_stride, rng);
        paint(src, pattern, rng);
        void* pass_scratch = with_scratch ? scratch.data() : nullptr;
        {
          // UYVY destination: pitch in pixels, lines 2 x pitch bytes apart.
          const uint32_t pitch = s.dw + slack;
          DestinationPair dst(4 * (s.dw / 2), s.dh, 2 * pitch, rng.next());
          tImgPicture out{dst.got.data(), nullptr, nullptr, pitch, 0, 0, 0};
          pf::zoom_uyvy_to_uyvy_c(nullptr, src.data(), src_stride, s.sw, s.sh, dst.ref.data(),
                                  2 * size_t{pitch}, s.dw, s.dh);
          BilinearZoom422_420YUV(pass_scratch, src.data(), src_stride, s.sw, s.sh, &out, s.dw, s.dh,
                                 PF_YUV_UYVY);
          EXPECT_EQ(dst.compare(), "") << "UYVY " << name;
        }
        {
          const uint32_t pitch = s.dw + slack + 1, chroma_pitch = s.dw / 2 + slack + 3;
          const uint64_t seed = rng.next();
          DestinationPair y(s.dw, s.dh, pitch, seed), u(s.dw / 2, s.dh / 2, chroma_pitch, seed + 1),
              v(s.dw / 2, s.dh / 2, chroma_pitch, seed + 2);
          const tImgPicture ref{
              y.ref.data(), u.ref.data(), v.ref.data(), pitch, chroma_pitch, 0, 0};
          const tImgPicture got{
              y.got.data(), u.got.data(), v.got.data(), pitch, chroma_pitch, 0, 0};
          pf::zoom_uyvy_to_420_c(nullptr, src.data(), src_stride, s.sw, s.sh, ref, s.dw, s.dh);
          BilinearZoom422_420YUV(pass_scratch, src.data(), src_stride, s.sw, s.sh, &got, s.dw, s.dh,
                                 PF_YUV_420);
          EXPECT_EQ(y.compare() + u.compare() + v.compare(), "") << "4:2:0 " << name;
        }
        EXPECT_EQ(src.check_guards(), "") << name;
      }
    }
  }
}

// A plane whose last byte is the last one before an inaccessible page, so that a read past the
// end of its last line faults.
class PageEndPlane {
 public:
  explicit PageEndPlane(size_t bytes) {
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    mapped_ = (bytes + page - 1) / page * page + page;
    void* p = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) std::abort();
    base_ = static_cast<uint8_t*>(p);
    mprotect(base_ + mapped_ - page, page, PROT_NONE);
    data_ = base_ + mapped_ - page - bytes;
    for (size_t i = 0; i < bytes; ++i) data_[i] = static_cast<uint8_t>(i * 13);
  }
  ~PageEndPlane() { munmap(base_, mapped_); }
  PageEndPlane(const PageEndPlane&) = delete;
  PageEndPlane& operator=(const PageEndPlane&) = delete;
  uint8_t* data() { return data_; }

 private:
  uint8_t* base_ = nullptr;
  uint8_t* data_ = nullptr;
  size_t mapped_ = 0;
};

// Every size, with source lines packed without slack against the inaccessible page.
void run_against_page_ends() {
  std::vector<uint8_t> scratch(0x18000);
  for (const Size& s : kSizes) {
    const uint32_t cw = s.sw / 2 > 0 ? s.sw / 2 : 1, ch = s.sh > 1 ? s.sh / 2 : 1;
    PageEndPlane y(size_t{s.sw} * s.sh), u(size_t{cw} * ch), v(size_t{cw} * ch);
    const tImgPicture planar{y.data(), u.data(), v.data(), s.sw, cw, 0, 0};
    std::vector<uint8_t> packed_out(4 * size_t{s.dw} * s.dh + 4);
    BilinearZoom420_422YUV(scratch.data(), &planar, s.sw, s.sh, packed_out.data(), 2 * s.dw, s.dw,
                           s.dh);
    if (s.sw < 2) continue;
    PageEndPlane packed(2 * size_t{s.sw} * s.sh);
    const tImgPicture uyvy_out{packed_out.data(), nullptr, nullptr, s.dw, 0, 0, 0};
    BilinearZoom422_420YUV(scratch.data(), packed.data(), 2 * s.sw, s.sw, s.sh, &uyvy_out, s.dw,
                           s.dh, PF_YUV_UYVY);
    std::vector<uint8_t> y_out(size_t{s.dw} * s.dh + 1), c_out(size_t{s.dw} * s.dh / 4 + 1);
    const tImgPicture planar_out{y_out.data(), c_out.data(), c_out.data(), s.dw, s.dw / 2, 0, 0};
    BilinearZoom422_420YUV(scratch.data(), packed.data(), 2 * s.sw, s.sw, s.sh, &planar_out, s.dw,
                           s.dh, PF_YUV_420);
  }
}

TEST(BilinearPackedSsse3DeathTest, ReadsNothingPastTheSourceLines) {
  if (!have_ssse3()) GTEST_SKIP() << "no SSSE3";
  EXPECT_EXIT(
      {
        run_against_page_ends();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
