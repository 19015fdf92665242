// SPDX-License-Identifier: BSD-2-Clause
// The resizer's same-size copy and re-layout kernels, driven through the resizer, against a
// per-pixel model of which source line every destination line comes from.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "guarded.hpp"
#include "img_resizer.h"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using pft::GuardedPicture;
using pft::Rng;

struct Margins {
  int32_t top = 0, bottom = 0, left = 0, right = 0;
};

// A same-size conversion: w x h picture, types, margins and fill colour.
struct Conversion {
  uint32_t st, si, dt, di;
  int32_t w, h;
  Margins cut, offset, fill;
  uint8_t colour[3] = {16, 128, 128};
};

tImageResizerParam param_of(const Conversion& s) {
  tImageResizerParam p{};
  p.s32SrcWidth = s.w + s.cut.left + s.cut.right;
  p.s32SrcHeight = s.h + s.cut.top + s.cut.bottom;
  p.u32SrcYuvType = s.st;
  p.u32SrcImageType = s.si;
  p.s32CutTop = s.cut.top;
  p.s32CutBottom = s.cut.bottom;
  p.s32CutLeft = s.cut.left;
  p.s32CutRight = s.cut.right;
  p.s32DstWidth = s.w + s.offset.left + s.offset.right + s.fill.left + s.fill.right;
  p.s32DstHeight = s.h + s.offset.top + s.offset.bottom + s.fill.top + s.fill.bottom;
  p.u32DstYuvType = s.dt;
  p.u32DstImageType = s.di;
  p.s32OffsetTop = s.offset.top;
  p.s32OffsetBottom = s.offset.bottom;
  p.s32OffsetLeft = s.offset.left;
  p.s32OffsetRight = s.offset.right;
  p.s32FillTop = s.fill.top;
  p.s32FillBottom = s.fill.bottom;
  p.s32FillLeft = s.fill.left;
  p.s32FillRight = s.fill.right;
  p.u32FillY = s.colour[0];
  p.u32FillU = s.colour[1];
  p.u32FillV = s.colour[2];
  return p;
}

// Chroma lines per luma line: 2 for planar 4:2:0; 1 for 4:2:2, whose packed form keeps the
// chroma of every line in that line.
int chroma_div(uint32_t type) { return type == PF_YUV_420 || type == PF_YUV_420_VU ? 2 : 1; }

// Component c (0 Y, 1 U, 2 V) at column x (in chroma columns for U and V) of plane line `row`.
uint8_t& sample(GuardedPicture& p, int c, int x, int row) {
  const auto line = static_cast<uint32_t>(row);
  if (p.yuv_type() == PF_YUV_UYVY) {
    const int byte = c == 0 ? 2 * x + 1 : 4 * x + (c == 1 ? 0 : 2);
    return p.planes()[0].at(static_cast<uint32_t>(byte), line);
  }
  return p.planes()[static_cast<size_t>(c)].at(static_cast<uint32_t>(x), line);
}

std::vector<uint8_t> row_of(GuardedPicture& p, int c, int row) {
  const int width = static_cast<int>(p.width()) / (c == 0 ? 1 : 2);
  std::vector<uint8_t> out;
  for (int x = 0; x < width; ++x) out.push_back(sample(p, c, x, row));
  return out;
}

std::string first_difference(const GuardedPicture& expected, const GuardedPicture& actual) {
  for (size_t i = 0; i < expected.planes().size(); ++i) {
    const auto& want = expected.planes()[i].raw();
    const auto& got = actual.planes()[i].raw();
    for (size_t k = 0; k < want.size(); ++k) {
      if (want[k] != got[k]) {
        return "plane " + std::to_string(i) + " " + actual.planes()[i].describe(k) + ": got " +
               std::to_string(got[k]) + ", want " + std::to_string(want[k]);
      }
    }
  }
  return {};
}

class CopyKernelTest : public pft::VmemTest {
 protected:
  GuardedPicture source(const Conversion& s, Rng& rng, uint32_t slack = 0) {
    const tImageResizerParam p = param_of(s);
    return GuardedPicture(s.st, static_cast<uint32_t>(p.s32SrcWidth),
                          static_cast<uint32_t>(p.s32SrcHeight), rng, slack);
  }
  GuardedPicture destination(const Conversion& s, Rng& rng, uint32_t slack = 0) {
    const tImageResizerParam p = param_of(s);
    return GuardedPicture(s.dt, static_cast<uint32_t>(p.s32DstWidth),
                          static_cast<uint32_t>(p.s32DstHeight), rng, slack);
  }
  // Open, Process, Close; when `expected` is given, Open must have chosen its current kernel.
  void convert(const Conversion& s, GuardedPicture& src, GuardedPicture& dst,
               const tResizerKernel* expected = nullptr) {
    const tImageResizerParam p = param_of(s);
    void* handle = nullptr;
    ASSERT_EQ(ImageResizerOpen_c(&handle, &p, mem()), 0u);
    if (expected != nullptr) {
      EXPECT_TRUE(static_cast<tImageResizerInstance*>(handle)->pfnKernel == *expected);
    }
    tImgPicture in = src.record(), out = dst.record();
    EXPECT_EQ(ImageResizerProcess_c(handle, &in, &out), 0u);
    EXPECT_EQ(ImageResizerClose_c(handle), 0u);
  }
};

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

const Rule kStraight{1, straight_luma, [](const Src& s, int, int m) { return s.c0 + m; }};
const Rule kRepeat{1, straight_luma, [](const Src& s, int, int j) { return s.c0 + j / 2; }};
const Rule kKeepEven{1, straight_luma, [](const Src& s, int, int m) { return s.c0 + 2 * m; }};
const Rule kSplit{2, split_luma, [](const Src& s, int p, int m) { return s.c0 + 2 * m + p; }};
const Rule kSplitKeepEven{2, split_luma,
                          [](const Src& s, int p, int m) { return s.c0 + 4 * m + p; }};
const Rule kFieldToField{2, [](const Src& s, int p, int k) { return p * s.yf + s.y0 + k; },
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

GuardedPicture expected_destination(const Conversion& s, const Rule& rule, GuardedPicture& src,
                                    const GuardedPicture& dst_before) {
  GuardedPicture want = dst_before;
  const bool field_src = s.si == PF_IMAGE_FIELD;
  const int sdiv = chroma_div(s.st), ddiv = chroma_div(s.dt);
  const int hs = s.h + s.cut.top + s.cut.bottom;
  const Src at{field_src ? s.cut.top / 2 : s.cut.top, s.cut.top / (field_src ? 2 * sdiv : sdiv),
               hs / 2, hs / (2 * sdiv), s.h / 2};
  const int pass_lines = (s.fill.top + s.h + s.fill.bottom) / rule.passes;
  const int pass_fill_top = s.fill.top / rule.passes, pass_h = s.h / rule.passes;
  const int pw = s.fill.left + s.w + s.fill.right;
  for (int p = 0; p < rule.passes; ++p) {
    for (int c = 0; c < 3; ++c) {
      const int vdiv = c == 0 ? 1 : ddiv, hdiv = c == 0 ? 1 : 2;
      const int top = (s.offset.top + p * pass_lines) / vdiv, left = s.offset.left / hdiv;
      for (int y = 0; y < pass_lines / vdiv; ++y) {
        for (int x = 0; x < pw / hdiv; ++x) sample(want, c, left + x, top + y) = s.colour[c];
      }
      for (int j = 0; j < pass_h / vdiv; ++j) {
        const int from = c == 0 ? rule.luma(at, p, j) : rule.chroma(at, p, j);
        for (int x = 0; x < s.w / hdiv; ++x) {
          sample(want, c, left + s.fill.left / hdiv + x, top + pass_fill_top / vdiv + j) =
              sample(src, c, s.cut.left / hdiv + x, from);
        }
      }
    }
  }
  return want;
}

struct MemberCase {
  const char* name;
  Conversion setup;
  const tResizerKernel* kernel;
  const Rule* rule;
};

constexpr uint32_t k420 = PF_YUV_420, kUyvy = PF_YUV_UYVY, k422p = PF_YUV_422P;
constexpr uint32_t kFrame = PF_IMAGE_FRAME, kField = PF_IMAGE_FIELD, kInter = PF_IMAGE_INTERLACED;

// Cuts, offsets and fills obey the resizer's rules: multiples of 4 lines around 4:2:0 field
// pictures and around 4:2:0 interlaced-to-interlaced destinations.
// clang-format off
const MemberCase kMembers[] = {
    {"420 frame copy",
     {k420, kFrame, k420, kFrame, 18, 12, {2, 4, 2, 4}, {2, 2, 4, 2}, {2, 4, 2, 4}},
     &CopyPic420to420, &kStraight},
    {"420 interlaced copy",
     {k420, kInter, k420, kInter, 34, 12, {2, 2, 4, 2}, {2, 2, 2, 2}, {4, 4, 2, 4}},
     &CopyPic420to420, &kStraight},
    {"4202 frame copy",
     {PF_YUV_420_VU, kFrame, PF_YUV_420_VU, kFrame, 18, 8, {}, {2, 2, 2, 4}, {2, 2, 4, 2}},
     &CopyPic420to420, &kStraight},
    {"420 frame to field",
     {k420, kFrame, k420, kField, 34, 12, {2, 2, 2, 4}, {4, 0, 2, 2}, {4, 4, 4, 2}},
     &FrametoField420to420, &kSplit},
    {"420 interlaced to field",
     {k420, kInter, k420, kField, 18, 16, {2, 4, 2, 2}, {0, 4, 4, 2}, {4, 8, 2, 2}},
     &FrametoField420to420, &kSplit},
    {"420 field to field",
     {k420, kField, k420, kField, 18, 12, {4, 4, 2, 2}, {4, 4, 2, 2}, {4, 8, 2, 4}},
     &FieldtoField420to420, &kFieldToField},
    {"420 field to frame",
     {k420, kField, k420, kFrame, 18, 12, {4, 0, 2, 2}, {2, 2, 2, 2}, {2, 4, 4, 2}},
     &FieldtoFrame420to420, &kWeave},
    {"420 field to interlaced",
     {k420, kField, k420, kInter, 34, 16, {0, 4, 0, 2}, {2, 0, 2, 2}, {2, 2, 2, 2}},
     &FieldtoFrame420to420, &kWeave},
    {"420 frame to UYVY",
     {k420, kFrame, kUyvy, kFrame, 18, 10, {2, 2, 4, 2}, {2, 2, 2, 2}, {2, 4, 2, 4}},
     &FrametoFrame420to422, &kRepeat},
    {"420 interlaced to UYVY",
     {k420, kInter, kUyvy, kInter, 34, 12, {2, 0, 2, 2}, {0, 2, 2, 0}, {2, 2, 4, 2}},
     &FrametoFrame420to422, &kRepeat},
    {"420 field to UYVY frame",
     {k420, kField, kUyvy, kFrame, 18, 16, {4, 4, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 4}},
     &FieldtoFrame420to422, &kWeaveRepeat},
    {"UYVY to 420 frame",
     {kUyvy, kFrame, k420, kFrame, 18, 12, {2, 2, 2, 4}, {2, 4, 2, 2}, {2, 2, 4, 2}},
     &FrametoFrame422to420, &kKeepEven},
    {"UYVY interlaced to 420",
     {kUyvy, kInter, k420, kInter, 34, 12, {2, 2, 2, 2}, {2, 2, 0, 2}, {4, 4, 2, 2}},
     &FrametoFrame422to420, &kKeepEven},
    {"UYVY to 420 field",
     {kUyvy, kFrame, k420, kField, 18, 16, {2, 2, 2, 2}, {4, 4, 2, 2}, {4, 8, 2, 2}},
     &FrametoField422to420, &kSplitKeepEven},
    {"UYVY copy",
     {kUyvy, kFrame, kUyvy, kFrame, 18, 10, {2, 2, 2, 2}, {2, 2, 4, 2}, {2, 4, 2, 2}},
     &CopyPic422to422, &kStraight},
    {"420 frame to 4:2:2",
     {k420, kFrame, k422p, kFrame, 18, 12, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 4, 2, 2}},
     &CopyPic420to422P, &kRepeat},
    {"420 interlaced to 4:2:2 interlaced",
     {k420, kInter, k422p, kInter, 18, 12, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 4, 2}},
     &CopyPic420Ito422PI, &kInterlacedRepeat},
    {"420 interlaced to 4:2:2, height 2 mod 4",
     {k420, kInter, k422p, kInter, 18, 10, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}},
     &CopyPic420Ito422PI, &kInterlacedRepeat},
    {"420 field to 4:2:2 interlaced",
     {k420, kField, k422p, kInter, 18, 12, {4, 4, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}},
     &CopyPic420Fieldto422PFrameI, &kWeaveFieldRepeat},
    {"4:2:2 to 420",
     {k422p, kFrame, k420, kFrame, 18, 12, {2, 2, 2, 2}, {2, 2, 4, 2}, {2, 2, 2, 4}},
     &CopyPic422Pto420, &kKeepEven},
    {"4:2:2 field to 420 field, stored order",
     {k422p, kField, k420, kField, 18, 12, {4, 4, 2, 2}, {4, 4, 2, 2}, {4, 4, 2, 2}},
     &CopyPic422Pto420, &kKeepEven},
    {"4:2:2 copy",
     {k422p, kFrame, k422p, kFrame, 34, 10, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 4, 2, 2}},
     &CopyPic422Pto422P, &kStraight},
};
// clang-format on

// Every member, with cuts, offsets and fills, random pitches and colours: the destination is
// exactly the model's (offset area and guards untouched) and the source is left as it was.
TEST_F(CopyKernelTest, EveryMemberMatchesTheLineModel) {
  for (const MemberCase& row : kMembers) {
    for (uint64_t seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(std::string(row.name) + ", seed " + std::to_string(seed));
      Rng rng(seed);
      Conversion s = row.setup;
      for (uint8_t& c : s.colour) c = rng.byte();
      GuardedPicture src = source(s, rng, 16), dst = destination(s, rng, 16);
      GuardedPicture src_before = src;
      const GuardedPicture dst_before = dst;
      convert(s, src, dst, row.kernel);
      EXPECT_EQ(src.check_guards() + dst.check_guards(), "");
      EXPECT_EQ(first_difference(src_before, src), "") << "source changed";
      const GuardedPicture want = expected_destination(s, *row.rule, src_before, dst_before);
      EXPECT_EQ(first_difference(want, dst), "");
    }
  }
}

struct LineMove {
  int component, from, to;
};

// Full-size D1 re-layouts: single source lines land on the expected destination lines.
TEST_F(CopyKernelTest, D1LinesLandWhereTheStoragesSay) {
  struct Row {
    const char* name;
    uint32_t st, si, dt, di;
    std::vector<LineMove> moves;
  } const rows[] = {
      {"frame to field",
       k420,
       kFrame,
       k420,
       kField,
       {{0, 0, 0}, {0, 1, 288}, {0, 2, 1}, {0, 575, 575}, {1, 1, 144}, {1, 2, 1}, {2, 287, 287}}},
      {"field to frame",
       k420,
       kField,
       k420,
       kFrame,
       {{0, 288, 1}, {0, 1, 2}, {0, 287, 574}, {1, 144, 1}, {2, 1, 2}, {2, 287, 287}}},
      {"field to UYVY",
       k420,
       kField,
       kUyvy,
       kFrame,
       {{0, 288, 1}, {1, 0, 1}, {1, 144, 2}, {2, 144, 3}, {1, 1, 4}, {2, 287, 575}}},
      {"field to 4:2:2 interlaced",
       k420,
       kField,
       k422p,
       kInter,
       {{0, 288, 1}, {1, 0, 2}, {1, 144, 1}, {2, 144, 3}, {1, 1, 4}, {2, 1, 6}}},
      {"interlaced to 4:2:2 interlaced",
       k420,
       kInter,
       k422p,
       kInter,
       {{0, 7, 7}, {1, 2, 4}, {1, 2, 6}, {2, 3, 5}, {2, 3, 7}, {1, 287, 575}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rng rng(7);
    const Conversion s{row.st, row.si, row.dt, row.di, 720, 576, {}, {}, {}};
    GuardedPicture src = source(s, rng), dst = destination(s, rng);
    convert(s, src, dst);
    for (const LineMove& m : row.moves) {
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
    int (*chroma_from)(int line, int lines);           // final chroma line -> original line
  } const rows[] = {
      {"frame, field, frame",
       {{k420, kFrame}, {k420, kField}, {k420, kFrame}},
       [](int m, int) { return m; }},
      {"420, 4:2:2, 420",
       {{k420, kFrame}, {k422p, kFrame}, {k420, kFrame}},
       [](int m, int) { return m; }},
      {"420, UYVY, 420",
       {{k420, kFrame}, {kUyvy, kFrame}, {k420, kFrame}},
       [](int m, int) { return m; }},
      // UYVY to a field picture takes each field's chroma from its first line of a pair, which
      // after the weave carries field one's chroma: field two ends up with field one's.
      {"field, UYVY, field",
       {{k420, kField}, {kUyvy, kFrame}, {k420, kField}},
       [](int m, int lines) { return m % (lines / 2); }},
      // Keeping the even 4:2:2 lines keeps the even field's chroma on both fields.
      {"interlaced, 4:2:2 interlaced, interlaced",
       {{k420, kInter}, {k422p, kInter}, {k420, kInter}},
       [](int m, int) { return m & ~1; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rng rng(11);
    const int w = 36, h = 24;
    GuardedPicture original(row.chain[0].first, w, h, rng, 8);
    GuardedPicture current = original;
    for (size_t i = 1; i < row.chain.size(); ++i) {
      const Conversion s{row.chain[i - 1].first,
                         row.chain[i - 1].second,
                         row.chain[i].first,
                         row.chain[i].second,
                         w,
                         h,
                         {},
                         {},
                         {}};
      GuardedPicture next = destination(s, rng, 8);
      convert(s, current, next);
      current = next;
    }
    for (int y = 0; y < h; ++y) ASSERT_EQ(row_of(current, 0, y), row_of(original, 0, y)) << y;
    for (int c = 1; c < 3; ++c) {
      for (int m = 0; m < h / 2; ++m) {
        EXPECT_EQ(row_of(current, c, m), row_of(original, c, row.chroma_from(m, h / 2)))
            << "component " << c << ", chroma line " << m;
      }
    }
  }
}

// Fill top 2 and fill left 4 put the picture at line 2, column 4 (4:2:0 chroma at line 1,
// column 2); the fill holds the fill colour and the offsets at the right and bottom keep theirs.
TEST_F(CopyKernelTest, FillPlacesThePictureAndSparesTheOffsets) {
  for (const uint32_t dt : {k420, k422p}) {
    SCOPED_TRACE(dt);
    Rng rng(3);
    const Conversion s{k420, kFrame, dt,           kFrame,       16,
                       8,    {},     {0, 2, 0, 2}, {2, 2, 4, 2}, {20, 30, 40}};
    GuardedPicture src = source(s, rng), dst = destination(s, rng);
    GuardedPicture before = dst;
    convert(s, src, dst);
    const int crow = dt == k420 ? 1 : 2;  // chroma line of the picture's first line
    EXPECT_EQ(sample(dst, 0, 4, 2), sample(src, 0, 0, 0));
    EXPECT_EQ(sample(dst, 0, 19, 9), sample(src, 0, 15, 7));
    EXPECT_EQ(sample(dst, 1, 2, crow), sample(src, 1, 0, 0));
    EXPECT_EQ(sample(dst, 2, 2, crow), sample(src, 2, 0, 0));
    EXPECT_EQ(sample(dst, 0, 3, 2), 20);
    EXPECT_EQ(sample(dst, 0, 4, 1), 20);
    EXPECT_EQ(sample(dst, 0, 21, 11), 20);
    EXPECT_EQ(sample(dst, 1, 1, crow), 30);
    EXPECT_EQ(sample(dst, 2, 2, 0), 40);
    for (int y = 0; y < 14; ++y) EXPECT_EQ(sample(dst, 0, 22, y), sample(before, 0, 22, y)) << y;
    for (int x = 0; x < 24; ++x) EXPECT_EQ(sample(dst, 0, x, 12), sample(before, 0, x, 12)) << x;
  }
}

// Called directly, every kernel leaves the geometry and both records as given, writes only
// inside the destination's planes, and ignores a null geometry or record.
TEST_F(CopyKernelTest, KernelsLeaveTheirArgumentsAsGiven) {
  for (const MemberCase& row : kMembers) {
    SCOPED_TRACE(row.name);
    Rng rng(5);
    const Conversion& s = row.setup;
    const Margins& f = s.fill;
    GuardedPicture src(s.st, static_cast<uint32_t>(s.w), static_cast<uint32_t>(s.h), rng, 4);
    GuardedPicture dst(s.dt, static_cast<uint32_t>(s.w + f.left + f.right),
                       static_cast<uint32_t>(s.h + f.top + f.bottom), rng, 4);
    tResizerGeometry g{};
    g.u32SrcWidth = g.u32DstWidth = static_cast<uint32_t>(s.w);
    g.u32SrcHeight = g.u32DstHeight = static_cast<uint32_t>(s.h);
    g.u32FillTop = static_cast<uint32_t>(f.top);
    g.u32FillBottom = static_cast<uint32_t>(f.bottom);
    g.u32FillLeft = static_cast<uint32_t>(f.left);
    g.u32FillRight = static_cast<uint32_t>(f.right);
    tImgPicture in = src.record(), out = dst.record();
    const tResizerGeometry g_before = g;
    const tImgPicture in_before = in, out_before = out;
    void* scratch = nullptr;
    (*row.kernel)(&scratch, &g, &in, &out);
    EXPECT_EQ(std::memcmp(&g, &g_before, sizeof g), 0);
    EXPECT_EQ(std::memcmp(&in, &in_before, sizeof in), 0);
    EXPECT_EQ(std::memcmp(&out, &out_before, sizeof out), 0);
    EXPECT_EQ(src.check_guards() + dst.check_guards(), "");
    const GuardedPicture dst_after = dst;
    (*row.kernel)(&scratch, nullptr, &in, &out);
    (*row.kernel)(&scratch, &g, nullptr, &out);
    (*row.kernel)(&scratch, &g, &in, nullptr);
    EXPECT_EQ(first_difference(dst_after, dst), "");
  }
}

}  // namespace
