// SPDX-License-Identifier: BSD-2-Clause
// The resizer's same-size copy and re-layout kernels, D1 UYVY conversions included: through the
// resizer against a per-pixel model of which source line every destination line comes from, line
// moves of full-size pictures worked out by hand, round trips, and the kernels called directly.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "guarded.hpp"
#include "img_resizer.h"
#include "parity.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"
#include "yuv_samples.hpp"

namespace {

using pft::GuardedPicture;
using pft::Rng;
using pft::sample;

constexpr uint32_t k420 = PF_YUV_420, kUyvy = PF_YUV_UYVY, k422p = PF_YUV_422P;
constexpr uint32_t kFrame = PF_IMAGE_FRAME, kField = PF_IMAGE_FIELD, kInter = PF_IMAGE_INTERLACED;

struct Margins {
  int32_t top = 0, bottom = 0, left = 0, right = 0;
};

// A same-size conversion of a w x h picture between two storages, with its borders.
struct Conversion {
  uint32_t st, si, dt, di;
  int32_t w, h;
  Margins cut, offset, fill;
};

tImageResizerParam param_of(const Conversion& s) {
  tImageResizerParam p{};
  p.u32SrcYuvType = s.st, p.u32SrcImageType = s.si;
  p.u32DstYuvType = s.dt, p.u32DstImageType = s.di;
  p.s32CutTop = s.cut.top, p.s32CutBottom = s.cut.bottom;
  p.s32CutLeft = s.cut.left, p.s32CutRight = s.cut.right;
  p.s32OffsetTop = s.offset.top, p.s32OffsetBottom = s.offset.bottom;
  p.s32OffsetLeft = s.offset.left, p.s32OffsetRight = s.offset.right;
  p.s32FillTop = s.fill.top, p.s32FillBottom = s.fill.bottom;
  p.s32FillLeft = s.fill.left, p.s32FillRight = s.fill.right;
  p.s32SrcWidth = s.w + s.cut.left + s.cut.right;
  p.s32SrcHeight = s.h + s.cut.top + s.cut.bottom;
  p.s32DstWidth = s.w + s.offset.left + s.offset.right + s.fill.left + s.fill.right;
  p.s32DstHeight = s.h + s.offset.top + s.offset.bottom + s.fill.top + s.fill.bottom;
  p.u32FillY = 16, p.u32FillU = 128, p.u32FillV = 128;
  return p;
}

std::vector<uint8_t> row_of(const GuardedPicture& p, int c, uint32_t line) {
  std::vector<uint8_t> out;
  for (uint32_t x = 0; x < p.width() / (c == 0 ? 1 : 2); ++x) out.push_back(sample(p, c, x, line));
  return out;
}

using CopyKernelTest = pft::ResizerRunTest;

// Where the source record points after the resizer's addressing, in source plane lines.
struct Src {
  int y0, c0;  // first luma and chroma line of the picture (field one's for a field picture)
  int yf, cf;  // luma and chroma lines from field one to field two
  int chroma_rows;
};

// Which source line fills destination picture line j of pass p (one pass per field when the
// destination is written field by field). Chroma lines are counted in each side's own lines.
struct Rule {
  int passes;
  int (*luma)(const Src&, int p, int j);
  int (*chroma)(const Src&, int p, int j);
};

int straight_luma(const Src& s, int, int j) { return s.y0 + j; }
int weave_luma(const Src& s, int, int j) { return (j & 1) * s.yf + s.y0 + (j >> 1); }
int split_luma(const Src& s, int p, int k) { return s.y0 + 2 * k + p; }
int field_luma(const Src& s, int p, int k) { return p * s.yf + s.y0 + k; }

const Rule kStraight{1, straight_luma, [](const Src& s, int, int m) { return s.c0 + m; }};
const Rule kRepeat{1, straight_luma, [](const Src& s, int, int j) { return s.c0 + j / 2; }};
const Rule kKeepEven{1, straight_luma, [](const Src& s, int, int m) { return s.c0 + 2 * m; }};
const Rule kSplit{2, split_luma, [](const Src& s, int p, int m) { return s.c0 + 2 * m + p; }};
const Rule kSplitKeepEven{2, split_luma,
                          [](const Src& s, int p, int m) { return s.c0 + 4 * m + p; }};
const Rule kFieldToField{2, field_luma,
                         [](const Src& s, int p, int m) { return p * s.cf + s.c0 + m; }};
const Rule kWeave{1, weave_luma,
                  [](const Src& s, int, int m) { return (m & 1) * s.cf + s.c0 + (m >> 1); }};
const Rule kWeaveRepeat{1, weave_luma, [](const Src& s, int, int j) {
                          const int c = j >> 1;
                          return (c & 1) * s.cf + s.c0 + (c >> 1);
                        }};
const Rule kWeaveFieldRepeat{
    1, weave_luma, [](const Src& s, int, int j) { return (j & 1) * s.cf + s.c0 + (j >> 2); }};
// Past the last chroma line, an odd-field line repeats its field's previous chroma line.
const Rule kInterlacedRepeat{1, straight_luma, [](const Src& s, int, int j) {
                               int c = 2 * (j >> 2) + (j & 1);
                               if (c >= s.chroma_rows) c = c >= 2 ? c - 2 : s.chroma_rows - 1;
                               return s.c0 + c;
                             }};
// D1 frames split into fields like 4:2:0 frame chroma: field two's chroma from line 4m + 2.
const Rule kD1Split{2, split_luma, [](const Src& s, int p, int m) { return s.c0 + 4 * m + 2 * p; }};
const Rule kD1Fields{2, field_luma,
                     [](const Src& s, int p, int m) { return p * s.cf + s.c0 + 2 * m; }};

pft::SampleModel line_model(const Conversion& s, const Rule& rule, const GuardedPicture& src) {
  const bool field_src = s.si == PF_IMAGE_FIELD;
  const int sdiv = static_cast<int>(pft::chroma_div_y(s.st)), hs = s.h + s.cut.top + s.cut.bottom;
  const Src at{field_src ? s.cut.top / 2 : s.cut.top, s.cut.top / (field_src ? 2 * sdiv : sdiv),
               hs / 2, hs / (2 * sdiv), s.h / 2};
  return [&src, &rule, at, left = s.cut.left](int c, int pass, uint32_t x, uint32_t j) {
    const int line = c == 0 ? rule.luma(at, pass, int(j)) : rule.chroma(at, pass, int(j));
    return sample(src, c, uint32_t(left / (c == 0 ? 1 : 2)) + x, uint32_t(line));
  };
}

struct MemberCase {
  const char* name;
  const tResizerKernel* kernel;
  const Rule* rule;
  Conversion setup;
};

// Cuts, offsets and fills obey the resizer's rules: multiples of 4 lines around 4:2:0 field
// pictures and around 4:2:0 interlaced-to-interlaced destinations.
// clang-format off
const MemberCase kCopies[] = {
  {"420 frame copy", &CopyPic420to420, &kStraight,
   {k420, kFrame, k420, kFrame, 18, 12, {2, 4, 2, 4}, {2, 2, 4, 2}, {2, 4, 2, 4}}},
  {"4202 frame copy", &CopyPic420to420, &kStraight,
   {PF_YUV_420_VU, kFrame, PF_YUV_420_VU, kFrame, 18, 8, {}, {2, 2, 2, 4}, {2, 2, 4, 2}}},
  {"420 frame to field", &FrametoField420to420, &kSplit,
   {k420, kFrame, k420, kField, 34, 12, {2, 2, 2, 4}, {4, 0, 2, 2}, {4, 4, 4, 2}}},
  {"420 field to field", &FieldtoField420to420, &kFieldToField,
   {k420, kField, k420, kField, 18, 12, {4, 4, 2, 2}, {4, 4, 2, 2}, {4, 8, 2, 4}}},
  {"420 field to frame", &FieldtoFrame420to420, &kWeave,
   {k420, kField, k420, kFrame, 18, 12, {4, 0, 2, 2}, {2, 2, 2, 2}, {2, 4, 4, 2}}},
  {"420 frame to UYVY", &FrametoFrame420to422, &kRepeat,
   {k420, kFrame, kUyvy, kFrame, 18, 10, {2, 2, 4, 2}, {2, 2, 2, 2}, {2, 4, 2, 4}}},
  {"420 field to UYVY frame", &FieldtoFrame420to422, &kWeaveRepeat,
   {k420, kField, kUyvy, kFrame, 18, 16, {4, 4, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 4}}},
  {"UYVY to 420 frame", &FrametoFrame422to420, &kKeepEven,
   {kUyvy, kFrame, k420, kFrame, 18, 12, {2, 2, 2, 4}, {2, 4, 2, 2}, {2, 2, 4, 2}}},
  {"UYVY to 420 field", &FrametoField422to420, &kSplitKeepEven,
   {kUyvy, kFrame, k420, kField, 18, 16, {2, 2, 2, 2}, {4, 4, 2, 2}, {4, 8, 2, 2}}},
  {"UYVY copy", &CopyPic422to422, &kStraight,
   {kUyvy, kFrame, kUyvy, kFrame, 18, 10, {2, 2, 2, 2}, {2, 2, 4, 2}, {2, 4, 2, 2}}},
  {"420 frame to 4:2:2", &CopyPic420to422P, &kRepeat,
   {k420, kFrame, k422p, kFrame, 18, 12, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 4, 2, 2}}},
  {"420 interlaced to 4:2:2 interlaced", &CopyPic420Ito422PI, &kInterlacedRepeat,
   {k420, kInter, k422p, kInter, 18, 12, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 4, 2}}},
  {"420 interlaced to 4:2:2, height 2 mod 4", &CopyPic420Ito422PI, &kInterlacedRepeat,
   {k420, kInter, k422p, kInter, 18, 10, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}}},
  {"420 field to 4:2:2 interlaced", &CopyPic420Fieldto422PFrameI, &kWeaveFieldRepeat,
   {k420, kField, k422p, kInter, 18, 12, {4, 4, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}}},
  {"4:2:2 to 420", &CopyPic422Pto420, &kKeepEven,
   {k422p, kFrame, k420, kFrame, 18, 12, {2, 2, 2, 2}, {2, 2, 4, 2}, {2, 2, 2, 4}}},
  {"4:2:2 field to 420 field, stored order", &CopyPic422Pto420, &kKeepEven,
   {k422p, kField, k420, kField, 18, 12, {4, 4, 2, 2}, {4, 4, 2, 2}, {4, 4, 2, 2}}},
  {"4:2:2 copy", &CopyPic422Pto422P, &kStraight,
   {k422p, kFrame, k422p, kFrame, 34, 10, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 4, 2, 2}}},
};
// The D1 conversions paint no border and report the picture's means (see d1_kernels_test.cpp).
const MemberCase kD1[] = {
  {"D1 frame", &YUV422toYUV420D1FrametoD1Frame, &kKeepEven,
   {kUyvy, kFrame, k420, kFrame, 720, 576, {}, {}, {}}},
  {"D1 frame to field", &YUV422toYUV420D1FrametoD1Field, &kD1Split,
   {kUyvy, kFrame, k420, kField, 720, 576, {}, {}, {}}},
  {"D1 field to field", &YUV422toYUV420D1FieldtoD1Field, &kD1Fields,
   {kUyvy, kField, k420, kField, 720, 576, {}, {}, {}}},
};
// clang-format on

// Every member, with cuts, offsets, fills, random pitches and colours: the whole destination
// (offset area and guards included) is the model's and the source is left as it was.
TEST_F(CopyKernelTest, EveryMemberMatchesTheLineModel) {
  for (auto table : {std::span<const MemberCase>(kCopies), std::span<const MemberCase>(kD1)}) {
    for (const MemberCase& row : table) {
      for (uint64_t seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(std::string(row.name) + ", seed " + std::to_string(seed));
        Rng rng(seed);
        tImageResizerParam p = param_of(row.setup);
        p.u32FillY = rng.byte(), p.u32FillU = rng.byte(), p.u32FillV = rng.byte();
        auto [src, dst] = pft::pictures_for(p, rng, 16);
        const GuardedPicture src_before = src, dst_before = dst;
        const tResizerKernel chosen = run(p, src, dst);
        EXPECT_TRUE(chosen == *row.kernel) << "another kernel chosen";
        const GuardedPicture want = pft::expected_destination(
            dst_before, p, row.rule->passes, line_model(row.setup, *row.rule, src_before));
        EXPECT_EQ(pft::first_difference({src_before, want}, {src, dst}), "");
      }
    }
  }
}

// Full-size pictures: single source lines (component, line) land on the destination lines
// their storages give them.
TEST_F(CopyKernelTest, FullSizeLinesLandWhereTheStoragesSay) {
  struct Move {
    int component;
    uint32_t from, to;
  };
  struct Row {
    const char* name;
    uint32_t st, si, dt, di;
    std::vector<Move> moves;
  };
  // clang-format off
  const Row rows[] = {
    {"frame to field", k420, kFrame, k420, kField,
     {{0, 0, 0}, {0, 1, 288}, {0, 2, 1}, {0, 575, 575}, {1, 1, 144}, {1, 2, 1}, {2, 287, 287}}},
    {"field to UYVY", k420, kField, kUyvy, kFrame,
     {{0, 288, 1}, {1, 0, 1}, {1, 144, 2}, {2, 144, 3}, {1, 1, 4}, {2, 287, 575}}},
    {"interlaced to 4:2:2 interlaced", k420, kInter, k422p, kInter,
     {{0, 7, 7}, {1, 2, 4}, {1, 2, 6}, {2, 3, 5}, {2, 3, 7}, {1, 287, 575}}},
    {"UYVY frame to field", kUyvy, kFrame, k420, kField,
     {{0, 1, 288}, {0, 574, 287}, {1, 0, 0}, {2, 2, 144}, {1, 4, 1}, {1, 6, 145}, {2, 574, 287}}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rng rng(7);
    const tImageResizerParam p = param_of({row.st, row.si, row.dt, row.di, 720, 576, {}, {}, {}});
    auto [src, dst] = pft::pictures_for(p, rng, 0);
    run(p, src, dst);
    for (const Move& m : row.moves) {
      EXPECT_EQ(row_of(src, m.component, m.from), row_of(dst, m.component, m.to))
          << "component " << m.component << ", line " << m.from << " -> " << m.to;
    }
  }
}

// Converting there and back gives the picture back, except the chroma that the rules drop.
TEST_F(CopyKernelTest, RoundTripsKeepWhatTheRulesKeep) {
  struct Row {
    const char* name;
    std::vector<std::pair<uint32_t, uint32_t>> chain;  // (YUV type, image type), first = source
    uint32_t (*chroma_from)(uint32_t line, uint32_t lines);  // final chroma line -> original
  };
  auto same = [](uint32_t m, uint32_t) { return m; };
  const Row rows[] = {
      {"frame, field, frame", {{k420, kFrame}, {k420, kField}, {k420, kFrame}}, same},
      // UYVY to a field picture takes each field's chroma from its first line of a pair, which
      // after the weave carries field one's chroma: field two ends up with field one's.
      {"field, UYVY, field",
       {{k420, kField}, {kUyvy, kFrame}, {k420, kField}},
       [](uint32_t m, uint32_t lines) { return m % (lines / 2); }},
      // Keeping the even 4:2:2 lines keeps the even field's chroma on both fields.
      {"interlaced, 4:2:2 interlaced, interlaced",
       {{k420, kInter}, {k422p, kInter}, {k420, kInter}},
       [](uint32_t m, uint32_t) { return m & ~1u; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rng rng(11);
    const uint32_t w = 36, h = 24;
    const GuardedPicture original(row.chain[0].first, w, h, rng, 8);
    GuardedPicture current = original;
    for (size_t i = 1; i < row.chain.size(); ++i) {
      const auto [st, si] = row.chain[i - 1];
      const auto [dt, di] = row.chain[i];
      const tImageResizerParam p = param_of({st, si, dt, di, int32_t(w), int32_t(h), {}, {}, {}});
      GuardedPicture next(dt, w, h, rng, 8);
      run(p, current, next);
      current = next;
    }
    for (uint32_t y = 0; y < h; ++y) ASSERT_EQ(row_of(current, 0, y), row_of(original, 0, y)) << y;
    for (int c = 1; c < 3; ++c) {
      for (uint32_t m = 0; m < h / 2; ++m) {
        EXPECT_EQ(row_of(current, c, m), row_of(original, c, row.chroma_from(m, h / 2)))
            << "component " << c << ", chroma line " << m;
      }
    }
  }
}

// Every same-size and packed kernel called directly on exactly sized source planes (the sanitizer
// build catches reads past them), odd sizes included, into a guarded destination: nothing outside
// the destination's planes is written, the geometry (but for the D1 means) and both records are
// given back as they were, and a null geometry or record is ignored.
TEST(ResizerKernels, DirectCallsStayInsideAndRestoreTheirArguments) {
  constexpr uint32_t kYuyv = PF_YUV_YUYV, kNv12 = PF_YUV_NV12, kNv21 = PF_YUV_NV21;
  struct Row {
    const char* name;
    const tResizerKernel* kernel;
    uint32_t st, dt, sw, sh, dw, dh;
    Margins fill;
  };
  // clang-format off
  const Row rows[] = {
    {"YUYV to 420", &YUYVtoYUV420Conversion, kYuyv, k420, 10, 5, 10, 5, {}},
    {"420 to YUYV", &YUV420toYUYVConversion, k420, kYuyv, 9, 5, 9, 5, {}},
    {"420 to NV12", &YUV420toNV12Conversion, k420, kNv12, 10, 7, 10, 7, {}},
    {"NV21 to 420", &NV21toYUV420Conversion, kNv21, k420, 10, 7, 10, 7, {}},
    {"NV12 to NV21", &NV12toNV21Conversion, kNv12, kNv21, 10, 7, 10, 7, {}},
    {"NV12 to 420 field", &FrametoFieldNV12to420, kNv12, k420, 10, 6, 10, 6, {}},
    {"YUYV up", &BilinearframetoframeYUYVtoYUYV, kYuyv, kYuyv, 6, 4, 14, 11, {2, 2, 2, 2}},
    {"YUYV down", &BilinearframetoframeYUYVtoYUYV, kYuyv, kYuyv, 30, 21, 9, 7, {}},
    {"YUYV 2 wide", &BilinearframetoframeYUYVtoYUYV, kYuyv, kYuyv, 2, 2, 8, 5, {}},
    {"YUYV to NV12 up", &BilinearConverframetoframeYUYVtoNV12, kYuyv, kNv12, 6, 4, 14, 11, {}},
    {"YUYV to NV12 edge", &BilinearConverframetoframeYUYVtoNV12, kYuyv, kNv12, 8, 4, 12, 4,
     {2, 2, 2, 2}},
    {"NV12 scaled", &Bilinearframetoframe420SPto420SP, kNv12, kNv12, 6, 6, 2, 2, {}},
    {"nearest 420", &Nearestframetoframe420to420, k420, k420, 2, 2, 14, 9, {}},
    {"nearest 422P", &Nearestframetoframe422Pto422P, k422p, k422p, 16, 9, 6, 3, {2, 2, 2, 2}},
    {"D1 frame, 7 lines", &YUV422toYUV420D1FrametoD1Frame, kUyvy, k420, 14, 7, 14, 7, {}},
    {"D1 frame, 1 line", &YUV422toYUV420D1FrametoD1Frame, kUyvy, k420, 14, 1, 14, 1, {}},
    {"D1 to field, 6 lines", &YUV422toYUV420D1FrametoD1Field, kUyvy, k420, 14, 6, 14, 6, {}},
    {"D1 fields, 7 lines", &YUV422toYUV420D1FieldtoD1Field, kUyvy, k420, 14, 7, 14, 7, {}},
  };
  // clang-format on
  std::vector<Row> all(std::begin(rows), std::end(rows));
  for (const MemberCase& m : kCopies) {
    const auto w = uint32_t(m.setup.w), h = uint32_t(m.setup.h);
    all.push_back({m.name, m.kernel, m.setup.st, m.setup.dt, w, h, w, h, m.setup.fill});
  }
  ImageResizerGlobalInit();  // the processor's variants, as Open installs them
  for (const Row& r : all) {
    SCOPED_TRACE(r.name);
    Rng rng(3);
    // Tightly packed planes of the source type: pitches in pixels for packed types.
    std::vector<std::vector<uint8_t>> planes;
    const GuardedPicture shape(r.st, r.sw, r.sh, rng);
    for (const auto& plane : shape.planes()) {
      planes.emplace_back(size_t(plane.width()) * plane.rows());
      for (auto& b : planes.back()) b = rng.byte();
    }
    tImgPicture in{planes[0].data(), nullptr, nullptr, r.sw, 0, 0, 0};
    if (planes.size() == 3) {
      in = {planes[0].data(), planes[1].data(), planes[2].data(), r.sw, r.sw / 2, 0, 0};
    } else if (planes.size() == 2) {
      const bool nv21 = r.st == kNv21;
      in = {planes[0].data(), planes[1].data() + nv21, planes[1].data() + !nv21, r.sw, r.sw, 0, 0};
    }
    const Margins& f = r.fill;
    GuardedPicture dst(r.dt, r.dw + uint32_t(f.left + f.right), r.dh + uint32_t(f.top + f.bottom),
                       rng, 6);
    tResizerGeometry g{};
    g.u32SrcWidth = r.sw, g.u32SrcHeight = r.sh, g.u32DstWidth = r.dw, g.u32DstHeight = r.dh;
    g.u32FillTop = uint32_t(f.top), g.u32FillBottom = uint32_t(f.bottom);
    g.u32FillLeft = uint32_t(f.left), g.u32FillRight = uint32_t(f.right);
    tImgPicture out = dst.record();
    const tResizerGeometry g_before = g;
    const tImgPicture in_before = in, out_before = out;
    void* scratch = nullptr;
    (*r.kernel)(&scratch, &g, &in, &out);
    g.u32MeanY = g_before.u32MeanY, g.u32MeanU = g_before.u32MeanU, g.u32MeanV = g_before.u32MeanV;
    out.u32Spare1 = out_before.u32Spare1;  // the D1 scene-change flag
    EXPECT_EQ(std::memcmp(&g, &g_before, sizeof g), 0) << "geometry";
    EXPECT_EQ(std::memcmp(&in, &in_before, sizeof in), 0) << "source record";
    EXPECT_EQ(std::memcmp(&out, &out_before, sizeof out), 0) << "destination record";
    EXPECT_EQ(dst.check_guards(), "");
    const GuardedPicture dst_after = dst;
    (*r.kernel)(&scratch, nullptr, &in, &out);
    (*r.kernel)(&scratch, &g, nullptr, &out);
    (*r.kernel)(&scratch, &g, &in, nullptr);
    EXPECT_EQ(pft::first_difference({dst_after}, {dst}), "");
  }
}

}  // namespace
