// SPDX-License-Identifier: BSD-2-Clause
// Bilinear scaling kernels: the three fixed-point styles on worked numbers and at their edges, the
// field, interlaced and windowed members against their definitions in terms of the frame kernels,
// and the resizer runs whose fill bands or kernel choice are a deliberate rule.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/fill.hpp"
#include "divergent.hpp"
#include "guarded.hpp"
#include "img_resizer.h"
#include "img_resizer_simd.h"
#include "parity.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"
#include "yuv_samples.hpp"

namespace {

using pft::GuardedPicture;
using pft::Rng;
using pft::sample;

constexpr uint32_t k420 = PF_YUV_420, k422P = PF_YUV_422P, kUyvy = PF_YUV_UYVY;
constexpr uint32_t kFrame = PF_IMAGE_FRAME, kField = PF_IMAGE_FIELD, kInter = PF_IMAGE_INTERLACED;

// Calls f(plane, x, y, plane width, plane height) for every sample of a w x h picture.
template <class F>
void each_sample(uint32_t type, uint32_t w, uint32_t h, F f) {
  for (int p = 0; p < 3; ++p) {
    const uint32_t pw = p ? w / 2 : w, ph = p && type == k420 ? h / 2 : h;
    for (uint32_t i = 0; i < pw * ph; ++i) f(p, i % pw, i / pw, pw, ph);
  }
}

struct Shape {
  uint32_t sw, sh, dw, dh;
  uint32_t ft = 0, fb = 0, fl = 0, fr = 0;
  uint32_t pw() const { return dw + fl + fr; }
  uint32_t ph() const { return dh + ft + fb; }
};

tResizerGeometry geometry(uint32_t st, uint32_t si, uint32_t dt, uint32_t di, const Shape& s) {
  tResizerGeometry g{};
  g.u32SrcWidth = s.sw, g.u32SrcHeight = s.sh, g.u32SrcYuvType = st, g.u32SrcImageType = si;
  g.u32DstWidth = s.dw, g.u32DstHeight = s.dh, g.u32DstYuvType = dt, g.u32DstImageType = di;
  g.u32FillTop = s.ft, g.u32FillBottom = s.fb, g.u32FillLeft = s.fl, g.u32FillRight = s.fr;
  g.u32FillY = 16, g.u32FillU = 128, g.u32FillV = 240;
  return g;
}

void call(tResizerKernel kernel, tResizerGeometry g, tImgPicture src, tImgPicture dst) {
  void* scratch = nullptr;
  kernel(&scratch, &g, &src, &dst);
}

// ---- The styles on worked numbers and at their edges ----

TEST(BilinearZoom, WorkedNumbers) {
  Rng rng(1);
  // 720 -> 360 and 576 -> 288: 719/359 has a fraction below 1/32, so both steps become exactly
  // 2.0 from half a pixel in and every output is the rounded mean of a 2 x 2 block.
  std::vector<uint8_t> src(720 * 576), dst(360 * 288);
  for (auto& b : src) b = rng.byte();
  BilinearZoom_c(nullptr, src.data(), dst.data(), 720, 576, 720, 360, 288, 360);
  int wrong = 0;
  for (uint32_t i = 0; i < 360 * 288; ++i) {
    const uint8_t* s = &src[i / 360 * 1440 + i % 360 * 2];
    wrong += dst[i] != ((s[0] + s[1] + s[720] + s[721] + 2) >> 2);
  }
  EXPECT_EQ(wrong, 0) << "720x576 -> 360x288";
  // Same size is no copy: step 6/7 from half a pixel in blurs the ramp 0, 16, ..., 112.
  std::vector<uint8_t> ramp(64), blurred(64);
  for (size_t i = 0; i < 64; ++i) ramp[i] = static_cast<uint8_t>(16 * (i % 8));
  BilinearZoom_c(nullptr, ramp.data(), blurred.data(), 8, 8, 8, 8, 8, 8);
  const uint8_t row[] = {8, 20, 34, 48, 62, 76, 90, 102};
  for (size_t i = 0; i < 64; ++i) EXPECT_EQ(blurred[i], row[i % 8]) << "same size, sample " << i;
  // 5 -> 9 steps by one half from 0: even outputs sit at phase 0 and return the source samples.
  // Exact-size planes: reading the line or column after the last one is an ASan error.
  std::vector<uint8_t> small(25), big(81);
  for (auto& b : small) b = rng.byte();
  BilinearZoom_c(nullptr, small.data(), big.data(), 5, 5, 5, 9, 9, 9);
  for (uint32_t i = 0; i < 25; ++i) EXPECT_EQ(big[i / 5 * 18 + i % 5 * 2], small[i]) << i;
}

TEST(BilinearZoom, OneSampleAxesTakeTheFirstSample) {
  const Shape rows[] = {{1, 1, 4, 3}, {1, 5, 3, 6}, {6, 1, 4, 2}, {6, 5, 1, 1},
                        {6, 5, 1, 7}, {6, 5, 7, 1}, {2, 2, 9, 9}, {720, 3, 1, 2}};
  for (const Shape& r : rows) {
    // Exact-size planes: any read or write past them is an address-sanitizer error.
    std::vector<uint8_t> src(r.sw * r.sh), dst(r.dw * r.dh);
    for (const bool along_x : {false, true}) {
      for (uint32_t i = 0; i < r.sw * r.sh; ++i) {
        src[i] = static_cast<uint8_t>(10 + (along_x ? i % r.sw : i / r.sw) % 200);
      }
      BilinearZoom_c(nullptr, src.data(), dst.data(), r.sw, r.sh, r.sw, r.dw, r.dh, r.dw);
      const bool single = along_x ? (r.sw == 1 || r.dw == 1) : (r.sh == 1 || r.dh == 1);
      EXPECT_TRUE(!single || dst == std::vector<uint8_t>(dst.size(), 10))
          << r.sw << "x" << r.sh << " -> " << r.dw << "x" << r.dh << (along_x ? " across" : "");
    }
  }
}

TEST(BilinearKernels, PackedStylesTruncateOrRoundAndStopAtTheLastSample) {
  Rng rng(2);
  // 4:2:0 -> UYVY, 4 -> 6 wide (step 0.6): the second luma sample sits half way between 10 | 11,
  // the second pair's chroma between 10 | 11 and 20 | 21; this style truncates.
  GuardedPicture planar(k420, 4, 2, rng), packed(kUyvy, 6, 2, rng);
  const uint8_t values[3][2] = {{10, 11}, {10, 11}, {20, 21}};
  for (int p = 0; p < 6; ++p) sample(planar, p / 2, p % 2, 0) = values[p / 2][p % 2];
  call(GeneralBilinearframetoframe420to422_c, geometry(k420, kFrame, kUyvy, kFrame, {4, 2, 6, 2}),
       planar.record(), packed.record());
  for (int p = 0; p < 3; ++p) EXPECT_EQ(sample(packed, p, 1, 0), values[p][0]) << "plane " << p;
  // UYVY -> UYVY, 2 -> 3 lines: the middle line is half way between luma 10 and 11; this rounds.
  GuardedPicture src(kUyvy, 4, 2, rng), dst(kUyvy, 4, 3, rng);
  for (uint32_t x = 0; x < 8; ++x) sample(src, 0, x % 4, x / 4) = static_cast<uint8_t>(10 + x / 4);
  call(Bilinearframetoframe422to422_c, geometry(kUyvy, kFrame, kUyvy, kFrame, {4, 2, 4, 3}),
       src.record(), dst.record());
  for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(sample(dst, 0, x, 1), 11) << "column " << x;
  // Steps landing the last output on the last source line and column, whose named neighbour does
  // not exist (exact-size sources); a one-pair UYVY line is read at its first pixel only.
  using Row = std::tuple<tResizerKernel, uint32_t, uint32_t, Shape>;
  for (const auto& [kernel, st, dt, shape] :
       {Row{GeneralBilinearframetoframe420to422_c, k420, kUyvy, {10, 10, 4, 4}},
        Row{Bilinearframetoframe422to420_c, kUyvy, k420, {10, 10, 8, 4}},
        Row{Bilinearframetoframe422to422_c, kUyvy, kUyvy, {2, 4, 6, 4}}}) {
    const uint32_t w = shape.sw, h = shape.sh;
    std::vector<uint8_t> y(st == kUyvy ? 2 * w * h : w * h), u(w * h / 4), v(w * h / 4);
    for (auto& b : y) b = rng.byte();
    GuardedPicture out(dt, shape.dw, shape.dh, rng);
    call(kernel, geometry(st, kFrame, dt, kFrame, shape),
         {y.data(), u.data(), v.data(), w, w / 2, 0, 0}, out.record());
    EXPECT_EQ(out.check_guards(), "") << w << " -> " << shape.dw;
    for (uint32_t x = 0; x < shape.dw && w == 2; ++x) {
      EXPECT_EQ(sample(out, 0, x, 0), y[1]) << "one-pair line, column " << x;
    }
  }
}

TEST(BilinearKernels, ConstantsStayConstantAndRampsStayMonotonic) {
  using K = std::tuple<tResizerKernel, uint32_t, uint32_t>;  // kernel, source and destination type
  const K kernels[] = {{GeneralBilinearframetoframe420to420_c, k420, k420},
                       {Bilinearframetoframe420to422P_c, k420, k422P},
                       {Bilinearframetoframe422Pto420_c, k422P, k420},
                       {Bilinearframetoframe422Pto422P_c, k422P, k422P},
                       {GeneralBilinearframetoframe420to422_c, k420, kUyvy},
                       {Bilinearframetoframe422to420_c, kUyvy, k420},
                       {Bilinearframetoframe422to422_c, kUyvy, kUyvy}};
  Rng rng(3);
  for (const auto& [kernel, st_binding, dt_binding] : kernels) {
    // Named copies: lambdas below capture them, which structured bindings allow only from C++20
    // compilers that some of ours predate.
    const uint32_t st = st_binding, dt = dt_binding;
    for (const Shape& s : {Shape{20, 12, 34, 18}, Shape{40, 24, 14, 10}, Shape{2, 2, 8, 4}}) {
      for (int pattern = 0; pattern < 3; ++pattern) {  // constant, ramp across, ramp down
        GuardedPicture src(st, s.sw, s.sh, rng), dst(dt, s.dw, s.dh, rng);
        each_sample(st, s.sw, s.sh, [&](int p, uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
          const uint32_t ramp =
              pattern == 1 ? x * 255 / std::max(w - 1, 1u) : y * 255 / std::max(h - 1, 1u);
          sample(src, p, x, y) = static_cast<uint8_t>(pattern == 0 ? 40 + 60 * p : ramp);
        });
        call(kernel, geometry(st, kFrame, dt, kFrame, s), src.record(), dst.record());
        // 4:2:0 -> UYVY weighs chroma lines by the luma line's phase: its chroma steps back down.
        int bad = 0;
        each_sample(dt, s.dw, s.dh, [&](int p, uint32_t x, uint32_t y, uint32_t, uint32_t) {
          const uint8_t v = sample(dst, p, x, y);
          bad += pattern == 0   ? v != 40 + 60 * p
                 : pattern == 1 ? x > 0 && v < sample(dst, p, x - 1, y)
                                : !(dt == kUyvy && st == k420 && p > 0) && y > 0 &&
                                      v < sample(dst, p, x, y - 1);
        });
        EXPECT_EQ(bad, 0) << st << " -> " << dt << ", " << s.sw << " -> " << s.dw << ", pattern "
                          << pattern;
        EXPECT_EQ(dst.check_guards(), "");
      }
    }
  }
}

// ---- Members against their definitions ----

tResizerGeometry per_field(tResizerGeometry g) {
  g.u32SrcHeight /= 2, g.u32DstHeight /= 2, g.u32FillTop /= 2, g.u32FillBottom /= 2;
  return g;
}

tImgPicture doubled(tImgPicture p) {
  p.u32YPitch *= 2, p.u32UVPitch *= 2;
  return p;
}

// One line down: the other field of an interlaced picture. A 2-line 4:2:0 frame has one chroma
// line, which both fields share.
tImgPicture line_down(tImgPicture p, uint32_t type, uint32_t height = 0) {
  p.pu8Y += type == kUyvy ? 2 * p.u32YPitch : p.u32YPitch;
  if (type != kUyvy && height != 2) p.pu8U += p.u32UVPitch, p.pu8V += p.u32UVPitch;
  return p;
}

// The second field of a 4:2:0 field picture `height` lines high.
tImgPicture field_two(tImgPicture p, uint32_t height) {
  p.pu8Y += height / 2 * p.u32YPitch;
  p.pu8U += height / 4 * p.u32UVPitch, p.pu8V += height / 4 * p.u32UVPitch;
  return p;
}

using Reference = std::function<void(tResizerGeometry, tImgPicture, tImgPicture)>;

// BilinearZoom_c on each plane of a planar picture into `lines` lines from `first_line` down, a
// `pitch_times` multiple of the destination pitch apart (2: every other line).
void zoom_planes(const tResizerGeometry& g, const tImgPicture& s, const tImgPicture& d,
                 uint32_t src_lines, const uint32_t (&lines)[3], const uint32_t (&first_line)[3],
                 uint32_t pitch_times) {
  const uint8_t* in[] = {s.pu8Y, s.pu8U, s.pu8V};
  uint8_t* out[] = {d.pu8Y, d.pu8U, d.pu8V};
  for (int p = 0; p < 3; ++p) {
    const uint32_t c = p ? 2 : 1, pitch = p ? d.u32UVPitch : d.u32YPitch;
    BilinearZoom_c(nullptr, in[p], out[p] + first_line[p] * pitch + g.u32FillLeft / c,
                   g.u32SrcWidth / c, p ? src_lines : g.u32SrcHeight,
                   p ? s.u32UVPitch : s.u32YPitch, g.u32DstWidth / c, lines[p],
                   pitch_times * pitch);
  }
}
// The planar frame kernels: fill, then each plane scaled.
Reference planes(bool src_422p, bool dst_422p) {
  return [=](tResizerGeometry g, tImgPicture s, tImgPicture d) {
    dst_422p ? pf::paint_fill_422p(g, d) : pf::paint_fill_420(g, d);
    const uint32_t c = dst_422p ? 1 : 2, dh = g.u32DstHeight, ft = g.u32FillTop;
    zoom_planes(g, s, d, src_422p ? g.u32SrcHeight : g.u32SrcHeight / 2, {dh, dh / c, dh / c},
                {ft, ft / c, ft / c}, 1);
  };
}
// A 4:2:0 field picture woven into a 4:2:0 frame: fill, then each field scaled on its own. The
// picture's chroma lines alternate between the fields; field one takes an odd count's extra one.
void woven_420(tResizerGeometry g, tImgPicture s, tImgPicture d) {
  pf::paint_fill_420(g, d);
  const uint32_t dh = g.u32DstHeight, ft = g.u32FillTop;
  zoom_planes(per_field(g), s, d, g.u32SrcHeight / 4, {dh / 2, (dh / 2 + 1) / 2, (dh / 2 + 1) / 2},
              {ft, ft / 2, ft / 2}, 2);
  zoom_planes(per_field(g), field_two(s, g.u32SrcHeight), d, g.u32SrcHeight / 4,
              {dh / 2, dh / 4, dh / 4}, {ft + 1, ft / 2 + 1, ft / 2 + 1}, 2);
}
// `base` on each field: a frame's even and odd lines (or a field picture's two fields) into an
// interlaced destination's even and odd lines (`dt`), or into a field picture's fields (dt 0).
Reference fields(tResizerKernel base, uint32_t st, uint32_t si, uint32_t dt) {
  return [=](tResizerGeometry g, tImgPicture s, tImgPicture d) {
    const bool stored = si == kField;
    const uint32_t dst_height = g.u32DstHeight + g.u32FillTop + g.u32FillBottom;
    call(base, per_field(g), stored ? s : doubled(s), dt ? doubled(d) : d);
    call(base, per_field(g),
         stored ? field_two(s, g.u32SrcHeight) : doubled(line_down(s, st, g.u32SrcHeight)),
         dt ? doubled(line_down(d, dt)) : field_two(d, dst_height));
  };
}
// One field scaled to the whole destination: every other line of a frame, or the first half of a
// field picture; a 720-wide source through the 704 pixels 8 in from each side.
Reference one_field(tResizerKernel base, uint32_t si = kInter, bool halve = true) {
  return [=](tResizerGeometry g, tImgPicture s, tImgPicture d) {
    if (halve) g.u32SrcHeight /= 2;
    if (halve && si != kField) s = doubled(s);
    if (g.u32SrcWidth == 720 && g.u32SrcYuvType == kUyvy) g.u32SrcWidth = 704, s.pu8Y += 16;
    if (g.u32SrcWidth == 720) g.u32SrcWidth = 704, s.pu8Y += 8, s.pu8U += 4, s.pu8V += 4;
    call(base, g, s, d);
  };
}

TEST(BilinearKernels, MembersMatchTheirDefinitions) {
  const auto base420 = GeneralBilinearframetoframe420to420_c;
  const auto base422p = Bilinearframetoframe420to422P_c;
  const auto base_uyvy = GeneralBilinearframetoframe420to422_c;
  const auto uyvy420 = Bilinearframetoframe422to420_c;
  const Shape small{24, 20, 34, 12, 4, 8, 2, 6};
  const Shape odd_fields{24, 12, 30, 10, 2, 6, 4, 2};  // 5 lines per destination field
  const Shape two_lines{8, 2, 12, 8, 4, 4}, d1{720, 16, 40, 10, 2, 2};
  const Shape d1_down{720, 12, 96, 6}, d1_cif{720, 12, 352, 6}, d1_cif_field{720, 12, 352, 8};
  struct Member {
    const char* name;
    tResizerKernel kernel;
    uint32_t st, si, dt, di;
    Shape shape;
    Reference reference;
  };
  // One row per way of building a member, each layout it re-addresses at least once.
  const Member members[] = {
      {"420 frame", base420, k420, kFrame, k420, kFrame, small, planes(false, false)},
      {"420->422P", base422p, k420, kFrame, k422P, kFrame, small, planes(false, true)},
      {"422P->420", Bilinearframetoframe422Pto420_c, k422P, kFrame, k420, kFrame, small,
       planes(true, false)},
      {"422P->422P", Bilinearframetoframe422Pto422P_c, k422P, kFrame, k422P, kFrame, small,
       planes(true, true)},
      {"420 frame->field", GeneralBilinearframetofield420to420_c, k420, kFrame, k420, kField, small,
       fields(base420, k420, kFrame, 0)},
      {"420 2-line frame->field", GeneralBilinearframetofield420to420_c, k420, kFrame, k420, kField,
       two_lines, fields(base420, k420, kFrame, 0)},
      {"UYVY->420 frame->field", Bilinearframetofield422to420_c, kUyvy, kFrame, k420, kField, small,
       fields(uyvy420, kUyvy, kFrame, 0)},
      {"420 field->field", GeneralBilinearfieldtofield420to420_c, k420, kField, k420, kField, small,
       fields(base420, k420, kField, 0)},
      {"420 field->frame", GeneralBilinearfieldtoframe420to420_c, k420, kField, k420, kFrame,
       odd_fields, woven_420},
      {"420->UYVY field->frame", GeneralBilinearfieldtoframe420to422_c, k420, kField, kUyvy, kFrame,
       odd_fields, fields(base_uyvy, k420, kField, kUyvy)},
      {"420->422P I->I", BilinearframeItoframeI420to422P_c, k420, kInter, k422P, kInter, odd_fields,
       fields(base422p, k420, kInter, k422P)},
      {"420->UYVY I->I", GeneralBilinearframeItoframeI420to422_c, k420, kInter, kUyvy, kInter,
       odd_fields, fields(base_uyvy, k420, kInter, kUyvy)},
      {"UYVY->420 I->I", BilinearFrameItoFrameI422to420_c, kUyvy, kInter, k420, kInter, small,
       fields(uyvy420, kUyvy, kInter, k420)},
      {"420 I->P", GeneralBilinearframeItoframe420to420_c, k420, kInter, k420, kFrame, small,
       one_field(base420)},
      {"420 720 field->frame", GeneralBilinearfieldtoframe420to420ItoF_c, k420, kField, k420,
       kFrame, d1, one_field(base420, kField)},
      {"UYVY 720 scale down", YUV422toYUV420ScaleDown_c, kUyvy, kFrame, k420, kFrame, d1_down,
       one_field(uyvy420, kFrame)},
      {"UYVY 720->352 frame", YUV422Width720toYUV420Width352Cut16Point_c, kUyvy, kFrame, k420,
       kFrame, d1_cif, one_field(uyvy420, kFrame)},
      {"UYVY 720->352 field", YUV422Width720toYUV420Width352Cut16Point_c, kUyvy, kFrame, k420,
       kField, d1_cif_field, one_field(Bilinearframetofield422to420_c, kFrame, false)},
  };
  for (const Member& m : members) {
    const Shape& s = m.shape;
    Rng rng(s.sw + s.dh), same(7), twin(7);
    GuardedPicture src(m.st, s.sw, s.sh, rng, 16);
    GuardedPicture actual(m.dt, s.pw(), s.ph(), same, 16), expected(m.dt, s.pw(), s.ph(), twin, 16);
    const tResizerGeometry g = geometry(m.st, m.si, m.dt, m.di, s);
    tResizerGeometry g_run = g;
    tImgPicture s_run = src.record(), d_run = actual.record();
    void* scratch = nullptr;
    m.kernel(&scratch, &g_run, &s_run, &d_run);
    m.reference(g, src.record(), expected.record());
    EXPECT_EQ(std::memcmp(&g_run, &g, sizeof g), 0) << m.name << ": geometry changed";
    EXPECT_EQ(pft::first_difference({expected}, {actual}), "") << m.name;
  }
}

// ---- Through the resizer ----

using BilinearResizer = pft::ResizerRunTest;

TEST_F(BilinearResizer, InterlacedDestinationsKeepEachFillBandExact) {
  // Fills of 4k + 2 lines on interlaced UYVY and 4:2:2 planar destinations: each field gets half
  // of every band, so the bands and a constant picture are exactly where the caller put them.
  for (const auto& [st, dt] :
       {std::pair{k420, kUyvy}, std::pair{k420, k422P}, std::pair{kUyvy, kUyvy}}) {
    for (const auto& [top, bottom] : {std::pair{2u, 6u}, std::pair{6u, 2u}, std::pair{2u, 2u}}) {
      tImageResizerParam p{};
      p.s32SrcWidth = 16, p.s32SrcHeight = 12, p.u32SrcYuvType = st, p.u32DstYuvType = dt;
      p.u32SrcImageType = p.u32DstImageType = kInter, p.s32DstWidth = 28;
      p.s32DstHeight = 20 + top + bottom, p.s32FillTop = top, p.s32FillBottom = bottom;
      p.s32FillLeft = 2, p.u32FillY = 1, p.u32FillU = 2, p.u32FillV = 3;
      Rng rng(5);
      GuardedPicture src(st, 16, 12, rng), dst(dt, 28, static_cast<uint32_t>(p.s32DstHeight), rng);
      for (auto& plane : src.planes()) plane.fill(200);
      run(p, src, dst);
      for (size_t k = 0; k < dst.planes().size(); ++k) {
        const pft::GuardedPlane& out = dst.planes()[k];
        const uint32_t left = dt == kUyvy ? 4 : k == 0 ? 2 : 1;  // fill left, in bytes
        for (uint32_t i = 0; i < out.width() * out.rows(); ++i) {
          const uint32_t x = i % out.width(), y = i / out.width();
          const bool fill = y < top || y >= top + 20 || x < left;
          const uint32_t colour = dt == kUyvy ? (x % 2 ? 1 : x % 4 / 2 + 2) : k + 1;
          ASSERT_EQ(out.at(x, y), fill ? colour : 200)
              << st << " -> " << dt << " fills " << top << "/" << bottom << ": plane " << k
              << " at (" << x << ", " << y << ")";
        }
      }
      EXPECT_EQ(dst.check_guards(), "");
    }
  }
}

bool have_ssse3() { return (pft::cpu_flags() & VIDEOMEM_CPU_SSSE3) != 0; }

// The CIF field filter's picture: each plane of the frame scaled whole by BilinearZoom_c, its
// line j stored at line j/2 (even j) or height/2 + j/2 (odd j) from where the record points;
// nothing else is written, not even the fill the geometry asks for.
bool field_filtered(GuardedPicture& src, GuardedPicture before, const GuardedPicture& after,
                    const Shape& s) {
  tResizerGeometry g = geometry(k420, kFrame, k420, kField, s);
  tImgPicture in = src.record(), out = before.record();
  pft::cif_field_filter_model(nullptr, &g, &in, &out);
  return pft::first_difference({before}, {after}).empty();
}

TEST_F(BilinearResizer, CifFrameToD1FieldIsTheFieldFilterWithSsse3) {
  if (!have_ssse3()) GTEST_SKIP() << "no SSSE3";
  Rng rng(7);
  // Called directly, with and without scratch, also on sizes with a fill and 1-pixel chroma.
  std::vector<uint8_t> memory(0x18000);
  for (const Shape& r : {Shape{12, 8, 20, 12, 4, 4, 2, 2}, Shape{2, 4, 2, 8}}) {
    for (void* scratch : {static_cast<void*>(memory.data()), static_cast<void*>(nullptr)}) {
      GuardedPicture src(k420, r.sw, r.sh, rng, 9), dst(k420, r.pw(), r.ph(), rng, 9), old = dst;
      tResizerGeometry g = geometry(k420, kFrame, k420, kField, r);
      tImgPicture s = src.record(), d = dst.record();
      ConvertCifFrameto720x576FieldFilter_ssse3(&scratch, &g, &s, &d);
      EXPECT_TRUE(field_filtered(src, old, dst, r)) << r.sw << (scratch ? "" : ", no scratch");
    }
  }
  // Through the resizer, without a border the filter kernel runs; with one (4:2:0 field pictures
  // take fills in multiples of 4) the bordered kernel does. With SSSE3 both are the field filter.
  const Shape cif{352, 288, 720, 576};
  GuardedPicture src(k420, 352, 288, rng);
  for (const uint32_t fill_top : {0u, 4u}) {
    tImageResizerParam p{};
    p.s32SrcWidth = 352, p.s32SrcHeight = 288, p.u32SrcYuvType = k420, p.u32SrcImageType = kFrame;
    p.s32DstWidth = 720, p.s32DstHeight = static_cast<int32_t>(576 + fill_top);
    p.u32DstYuvType = k420, p.u32DstImageType = kField,
    p.s32FillTop = static_cast<int32_t>(fill_top);
    GuardedPicture dst(k420, 720, 576 + fill_top, rng), old = dst;
    EXPECT_TRUE(run(p, src, dst) == ConvertCifFrameto720x576FieldFilter_ssse3);
    EXPECT_TRUE(field_filtered(src, old, dst, cif)) << "fill " << fill_top;
  }
}

}  // namespace
