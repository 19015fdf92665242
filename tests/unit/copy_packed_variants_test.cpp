// SPDX-License-Identifier: BSD-2-Clause
// The SSE2 copy and SSSE3 packed / D1 variants against their scalar kernels, called directly on
// widths around their block sizes, the D1 scene-change flag they compute while writing, and the
// run-at-once paths of the scalar copies and semi-planar conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "guarded.hpp"
#include "img_resizer_simd.h"
#include "parity.hpp"
#include "rng.hpp"

namespace {

using pft::GuardedPicture;
using pft::Rng;

constexpr uint32_t kSse2 = 0x8, kSsse3 = 0x20;

bool processor_has(uint32_t flag) { return (pft::cpu_flags() & flag) != 0; }

struct Variant {
  const char* name;
  tResizerKernel scalar, variant;
  uint32_t isa;
  uint32_t st, si, dt, di;
  bool border;  // whether the kernel paints fill areas (the conversions are chosen without)
};

const Variant kVariants[] = {
    {"CopyPic420to420", CopyPic420to420_c, CopyPic420to420_sse2, kSse2, 420, 1, 420, 1, true},
    {"FrametoField420to420", FrametoField420to420_c, FrametoField420to420_sse2, kSse2, 420, 1, 420,
     2, true},
    {"FieldtoField420to420", FieldtoField420to420_c, FieldtoField420to420_sse2, kSse2, 420, 2, 420,
     2, true},
    {"FieldtoFrame420to420", FieldtoFrame420to420_c, FieldtoFrame420to420_sse2, kSse2, 420, 2, 420,
     1, true},
    {"CopyPic422to422", CopyPic422to422_c, CopyPic422to422_sse2, kSse2, 422, 1, 422, 1, true},
    {"CopyPic420to422P", CopyPic420to422P_c, CopyPic420to422P_sse2, kSse2, 420, 1, 4221, 1, true},
    {"CopyPic420Ito422PI", CopyPic420Ito422PI_c, CopyPic420Ito422PI_sse2, kSse2, 420, 3, 4221, 3,
     true},
    {"CopyPic420Fieldto422PFrameI", CopyPic420Fieldto422PFrameI_c, CopyPic420Fieldto422PFrameI_sse2,
     kSse2, 420, 2, 4221, 3, true},
    {"CopyPic422Pto420", CopyPic422Pto420_c, CopyPic422Pto420_sse2, kSse2, 4221, 1, 420, 1, true},
    {"CopyPic422Pto422P", CopyPic422Pto422P_c, CopyPic422Pto422P_sse2, kSse2, 4221, 1, 4221, 1,
     true},
    {"FrametoFrame420to422", FrametoFrame420to422_c, FrametoFrame420to422_ssse3, kSsse3, 420, 1,
     422, 1, true},
    {"FieldtoFrame420to422", FieldtoFrame420to422_c, FieldtoFrame420to422_ssse3, kSsse3, 420, 2,
     422, 1, true},
    {"FrametoFrame422to420", FrametoFrame422to420_c, FrametoFrame422to420_ssse3, kSsse3, 422, 1,
     420, 1, true},
    {"FrametoField422to420", FrametoField422to420_c, FrametoField422to420_ssse3, kSsse3, 422, 1,
     420, 2, true},
    {"YUYVtoYUV420Conversion", YUYVtoYUV420Conversion_c, YUYVtoYUV420Conversion_ssse3, kSsse3, 4201,
     1, 420, 1, false},
    {"D1FrametoD1Frame", YUV422toYUV420D1FrametoD1Frame_c, YUV422toYUV420D1FrametoD1Frame_ssse3,
     kSsse3, 422, 1, 420, 1, false},
    {"D1FrametoD1Field", YUV422toYUV420D1FrametoD1Field_c, YUV422toYUV420D1FrametoD1Field_ssse3,
     kSsse3, 422, 1, 420, 2, false},
    {"D1FieldtoD1Field", YUV422toYUV420D1FieldtoD1Field_c, YUV422toYUV420D1FieldtoD1Field_ssse3,
     kSsse3, 422, 2, 420, 2, false},
};

// A same-size geometry of w x h with the given fill widths; the destination picture measures the
// picture plus its fill.
tResizerGeometry same_size(const Variant& v, uint32_t w, uint32_t h, uint32_t top, uint32_t bottom,
                           uint32_t left, uint32_t right, Rng& rng) {
  tResizerGeometry g{};
  g.u32SrcWidth = g.u32DstWidth = w;
  g.u32SrcHeight = g.u32DstHeight = h;
  g.u32SrcYuvType = v.st, g.u32SrcImageType = v.si;
  g.u32DstYuvType = v.dt, g.u32DstImageType = v.di;
  g.u32FillTop = top, g.u32FillBottom = bottom, g.u32FillLeft = left, g.u32FillRight = right;
  g.u32FillY = rng.byte(), g.u32FillU = rng.byte(), g.u32FillV = rng.byte();
  g.u32MeanY = rng.below(256), g.u32MeanU = rng.below(256), g.u32MeanV = rng.below(256);
  return g;
}

struct KernelRun {
  std::vector<GuardedPicture> pictures;
  tResizerGeometry geometry;
  tImgPicture dst_record;
};

KernelRun run(tResizerKernel kernel, const Variant& v, const tResizerGeometry& g, uint64_t seed,
              uint32_t slack) {
  Rng rng(seed);
  KernelRun r{{}, g, {}};
  r.pictures.emplace_back(v.st, g.u32SrcWidth, g.u32SrcHeight, rng, slack);
  r.pictures.emplace_back(v.dt, g.u32DstWidth + g.u32FillLeft + g.u32FillRight,
                          g.u32DstHeight + g.u32FillTop + g.u32FillBottom, rng, slack);
  tImgPicture src = r.pictures[0].record();
  r.dst_record = r.pictures[1].record();
  void* scratch = nullptr;
  kernel(&scratch, &r.geometry, &src, &r.dst_record);
  return r;
}

// Widths on both sides of the vector blocks: 16-byte rows, 64-byte copy steps, 8 and 16 pixel
// pairs (16 and 32 pixels) of the packed rows, and a full D1 line.
TEST(CopyPackedVariants, MatchTheScalarKernelsAroundBlockSizes) {
  const uint32_t widths[] = {2, 4, 14, 16, 18, 30, 32, 34, 48, 62, 64, 66, 96, 130, 720};
  const uint32_t heights[] = {4, 8, 20};
  for (const Variant& v : kVariants) {
    if (!processor_has(v.isa)) continue;
    uint64_t seed = 1;
    for (uint32_t w : widths) {
      for (uint32_t h : heights) {
        for (int layout = 0; layout < 3; ++layout, ++seed) {
          // layout 0: rows without gaps; 1: odd pitch slack; 2: slack and a border.
          Rng rng(seed);
          const bool border = v.border && layout == 2;
          const tResizerGeometry g =
              border ? same_size(v, w, h, 4, 8, 2, 6, rng) : same_size(v, w, h, 0, 0, 0, 0, rng);
          const uint32_t slack = layout == 0 ? 0 : 17;
          const KernelRun expected = run(v.scalar, v, g, seed, slack);
          const KernelRun actual = run(v.variant, v, g, seed, slack);
          std::ostringstream where;
          where << v.name << " " << w << "x" << h << " layout " << layout;
          EXPECT_EQ(pft::first_difference(expected.pictures, actual.pictures), "") << where.str();
          EXPECT_EQ(std::memcmp(&expected.geometry, &actual.geometry, sizeof g), 0)
              << where.str() << ": geometry (means) differ";
          EXPECT_EQ(expected.dst_record.u32Spare1, actual.dst_record.u32Spare1)
              << where.str() << ": scene-change flag";
        }
      }
    }
  }
}

// The D1 variants add the samples up while they write them; the flag and the stored means must
// be those of the scalar kernels, which sum the planes afterwards, over a sequence of pictures.
TEST(CopyPackedVariants, D1SceneChangeFollowsTheScalarKernels) {
  if (!processor_has(kSsse3)) GTEST_SKIP() << "no SSSE3";
  enum Content { kRandom, kBlack, kWhite, kGrey, kDarkerGrey };
  const Content sequence[] = {kGrey, kGrey, kBlack, kWhite, kRandom, kDarkerGrey, kWhite, kWhite};
  struct Row {
    const char* name;
    tResizerKernel scalar, variant;
    uint32_t w, h, fill_bottom;
    bool shared_chroma;  // U and V written to the same plane: what is summed is what stays
  } rows[] = {
      {"frame D1", YUV422toYUV420D1FrametoD1Frame_c, YUV422toYUV420D1FrametoD1Frame_ssse3, 720, 16,
       0, false},
      // 2400 pairs: several runs of 16-bit partial sums, all at 255 when the picture is white.
      {"frame wide", YUV422toYUV420D1FrametoD1Frame_c, YUV422toYUV420D1FrametoD1Frame_ssse3, 4800,
       6, 0, false},
      {"frame odd width and height", YUV422toYUV420D1FrametoD1Frame_c,
       YUV422toYUV420D1FrametoD1Frame_ssse3, 45, 7, 0, false},
      {"frame shared chroma", YUV422toYUV420D1FrametoD1Frame_c,
       YUV422toYUV420D1FrametoD1Frame_ssse3, 64, 8, 0, true},
      {"field D1", YUV422toYUV420D1FrametoD1Field_c, YUV422toYUV420D1FrametoD1Field_ssse3, 720, 16,
       0, false},
      {"field wide", YUV422toYUV420D1FrametoD1Field_c, YUV422toYUV420D1FrametoD1Field_ssse3, 4800,
       8, 0, false},
      // Fill lines move the second field away from the summed lines.
      {"field with fill lines", YUV422toYUV420D1FrametoD1Field_c,
       YUV422toYUV420D1FrametoD1Field_ssse3, 96, 8, 4, false},
      {"field 6 lines", YUV422toYUV420D1FrametoD1Field_c, YUV422toYUV420D1FrametoD1Field_ssse3, 40,
       6, 0, false},
  };
  for (const Row& r : rows) {
    tResizerGeometry gs{}, gv{};
    gs.u32SrcWidth = gs.u32DstWidth = r.w;
    gs.u32SrcHeight = gs.u32DstHeight = r.h;
    gs.u32FillBottom = r.fill_bottom;
    gv = gs;
    for (size_t step = 0; step < std::size(sequence); ++step) {
      SCOPED_TRACE(std::string(r.name) + ", picture " + std::to_string(step));
      Rng rng(step + 1);
      std::vector<uint8_t> uyvy(size_t(2) * r.w * r.h);
      for (size_t i = 0; i < uyvy.size(); ++i) {
        switch (sequence[step]) {
          case kRandom:
            uyvy[i] = rng.byte();
            break;
          case kBlack:
            uyvy[i] = i % 2 == 0 ? 128 : 16;
            break;
          case kWhite:
            uyvy[i] = 255;
            break;
          case kGrey:
            uyvy[i] = i % 2 == 0 ? 120 : 128;
            break;
          case kDarkerGrey:
            uyvy[i] = i % 2 == 0 ? 126 : 112;
            break;
        }
      }
      const size_t luma = size_t(r.w) * (r.h + r.fill_bottom);
      std::vector<uint8_t> out_s(luma * 2, 0), out_v(luma * 2, 0);
      auto record = [&](std::vector<uint8_t>& out) {
        uint8_t* u = out.data() + luma;
        return tImgPicture{out.data(), u, r.shared_chroma ? u : u + luma / 2, r.w, r.w / 2, 0, 0};
      };
      tImgPicture src{uyvy.data(), nullptr, nullptr, r.w, 0, 0, 0};
      tImgPicture ds = record(out_s), dv = record(out_v);
      r.scalar(nullptr, &gs, &src, &ds);
      r.variant(nullptr, &gv, &src, &dv);
      EXPECT_TRUE(out_s == out_v) << "pictures differ";
      EXPECT_EQ(dv.u32Spare1, ds.u32Spare1) << "flag";
      EXPECT_EQ(gv.u32MeanY, gs.u32MeanY);
      EXPECT_EQ(gv.u32MeanU, gs.u32MeanU);
      EXPECT_EQ(gv.u32MeanV, gs.u32MeanV);
    }
  }
}

// Rows without gaps are copied or converted as one run; the picture must not depend on whether
// the pitches leave gaps. Scalar kernels, so this runs on every processor.
TEST(CopyPackedVariants, GaplessAndPaddedPitchesGiveTheSamePicture) {
  struct Row {
    const char* name;
    tResizerKernel kernel;
    uint32_t st, si, dt, di;
  } rows[] = {
      {"CopyPic420to420", CopyPic420to420_c, 420, 1, 420, 1},
      {"CopyPic420to422P", CopyPic420to422P_c, 420, 1, 4221, 1},
      {"CopyPic422Pto420", CopyPic422Pto420_c, 4221, 1, 420, 1},
      {"FieldtoFrame420to420", FieldtoFrame420to420_c, 420, 2, 420, 1},
      {"YUV420toNV12", YUV420toNV12Conversion_c, 420, 1, 42012, 1},
      {"YUV420toNV21", YUV420toNV21Conversion_c, 420, 1, 42021, 1},
      {"NV12toYUV420", NV12toYUV420Conversion_c, 42012, 1, 420, 1},
      {"NV21toYUV420", NV21toYUV420Conversion_c, 42021, 1, 420, 1},
  };
  for (const Row& r : rows) {
    for (uint32_t w : {2u, 6u, 34u, 66u}) {
      const uint32_t h = 8;
      SCOPED_TRACE(std::string(r.name) + " width " + std::to_string(w));
      Rng rng(w);
      GuardedPicture src_gapless(r.st, w, h, rng, 0), src_padded(r.st, w, h, rng, 11);
      GuardedPicture gapless(r.dt, w, h, rng, 0), padded(r.dt, w, h, rng, 11);
      for (size_t p = 0; p < src_gapless.planes().size(); ++p) {
        auto& from = src_gapless.planes()[p];
        auto& to = src_padded.planes()[p];
        for (uint32_t y = 0; y < from.rows(); ++y) {
          std::memcpy(&to.at(0, y), &from.at(0, y), from.width());
        }
      }
      tResizerGeometry g{};
      g.u32SrcWidth = g.u32DstWidth = w;
      g.u32SrcHeight = g.u32DstHeight = h;
      g.u32SrcYuvType = r.st, g.u32SrcImageType = r.si;
      g.u32DstYuvType = r.dt, g.u32DstImageType = r.di;
      for (auto [src, dst] : {std::pair{&src_gapless, &gapless}, std::pair{&src_padded, &padded}}) {
        tImgPicture s = src->record(), d = dst->record();
        r.kernel(nullptr, &g, &s, &d);
      }
      ASSERT_EQ(gapless.planes().size(), padded.planes().size());
      for (size_t p = 0; p < gapless.planes().size(); ++p) {
        const auto& a = gapless.planes()[p];
        const auto& b = padded.planes()[p];
        for (uint32_t y = 0; y < a.rows(); ++y) {
          ASSERT_EQ(std::memcmp(a.data() + size_t(y) * a.pitch(), b.data() + size_t(y) * b.pitch(),
                                a.width()),
                    0)
              << "plane " << p << " row " << y;
        }
      }
      EXPECT_EQ(gapless.check_guards() + padded.check_guards(), "");
    }
  }
}

}  // namespace
