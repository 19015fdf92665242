// SPDX-License-Identifier: BSD-2-Clause
// Bilinear scaling kernels: the fixed-point styles on worked numbers, the field, interlaced and
// windowed members against their definitions, and every scaling combination through the resizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/fill.hpp"
#include "divergent.hpp"
#include "guarded.hpp"
#include "img_resizer.h"
#include "img_resizer_internal.hpp"
#include "parity.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using pft::GuardedPicture;
using pft::Rng;

constexpr uint32_t k420 = PF_YUV_420, k422P = PF_YUV_422P, kUyvy = PF_YUV_UYVY;
constexpr uint32_t kFrame = PF_IMAGE_FRAME, kField = PF_IMAGE_FIELD, kInter = PF_IMAGE_INTERLACED;

// Sample (x, y) of plane 0 (Y), 1 (U) or 2 (V) of any layout used here.
uint8_t& sample(GuardedPicture& pic, int plane, uint32_t x, uint32_t y) {
  if (pic.yuv_type() != kUyvy) return pic.planes()[plane].at(x, y);
  static constexpr uint32_t kByte[] = {1, 0, 2};
  return pic.planes()[0].at(plane == 0 ? 2 * x + 1 : 4 * x + kByte[plane], y);
}

std::pair<uint32_t, uint32_t> plane_size(uint32_t type, int plane, uint32_t w, uint32_t h) {
  if (plane == 0) return {w, h};
  return {w / 2, type == k420 ? h / 2 : h};
}

struct Shape {
  uint32_t sw, sh, dw, dh;
  uint32_t ft = 0, fb = 0, fl = 0, fr = 0;
  uint32_t pw() const { return dw + fl + fr; }
  uint32_t ph() const { return dh + ft + fb; }
};

tResizerGeometry geometry(uint32_t st, uint32_t si, uint32_t dt, uint32_t di, const Shape& s) {
  tResizerGeometry g{};
  g.u32SrcWidth = s.sw;
  g.u32SrcHeight = s.sh;
  g.u32SrcYuvType = st;
  g.u32SrcImageType = si;
  g.u32DstWidth = s.dw;
  g.u32DstHeight = s.dh;
  g.u32DstYuvType = dt;
  g.u32DstImageType = di;
  g.u32FillTop = s.ft;
  g.u32FillBottom = s.fb;
  g.u32FillLeft = s.fl;
  g.u32FillRight = s.fr;
  g.u32FillY = 16;
  g.u32FillU = 128;
  g.u32FillV = 240;
  return g;
}

void call(tResizerKernel kernel, tResizerGeometry g, tImgPicture src, tImgPicture dst) {
  void* scratch = nullptr;
  kernel(&scratch, &g, &src, &dst);
}

// ---- Style A on worked numbers ----

TEST(BilinearZoom, WorkedNumbers) {
  Rng rng(1);
  {
    // 720 -> 360 and 576 -> 288: 719/359 has a fraction below 1/32, so both steps become exactly
    // 2.0 from half a pixel in and every output is the rounded mean of a 2 x 2 block.
    std::vector<uint8_t> src(720 * 576), dst(360 * 288);
    for (auto& b : src) b = rng.byte();
    BilinearZoom_c(nullptr, src.data(), dst.data(), 720, 576, 720, 360, 288, 360);
    int failures = 0;
    for (uint32_t y = 0; y < 288 && failures < 3; ++y) {
      for (uint32_t x = 0; x < 360 && failures < 3; ++x) {
        const uint8_t* s = &src[2 * y * 720 + 2 * x];
        const int mean = (s[0] + s[1] + s[720] + s[721] + 2) >> 2;
        if (dst[y * 360 + x] != mean) {
          ++failures;
          ADD_FAILURE() << "720x576 -> 360x288 at (" << x << ", " << y << ")";
        }
      }
    }
  }
  {
    // Same size is no copy: step 6/7 from half a pixel in blurs the ramp 0, 16, ..., 112.
    std::vector<uint8_t> src(64), dst(64);
    for (size_t i = 0; i < 64; ++i) src[i] = static_cast<uint8_t>(16 * (i % 8));
    BilinearZoom_c(nullptr, src.data(), dst.data(), 8, 8, 8, 8, 8, 8);
    const std::vector<uint8_t> blurred = {8, 20, 34, 48, 62, 76, 90, 102};
    for (size_t y = 0; y < 8; ++y) {
      EXPECT_EQ(std::vector<uint8_t>(dst.begin() + 8 * y, dst.begin() + 8 * y + 8), blurred)
          << "same-size row " << y;
    }
  }
  {
    // 5 -> 9 steps by exactly one half with no half-pixel start: the even outputs sit at phase
    // 0 in both directions and return the source samples.
    std::vector<uint8_t> src(25), dst(81);
    for (auto& b : src) b = rng.byte();
    BilinearZoom_c(nullptr, src.data(), dst.data(), 5, 5, 5, 9, 9, 9);
    for (uint32_t y = 0; y < 5; ++y) {
      for (uint32_t x = 0; x < 5; ++x) {
        EXPECT_EQ(dst[2 * y * 9 + 2 * x], src[y * 5 + x]) << "5 -> 9 at (" << x << ", " << y << ")";
      }
    }
  }
}

TEST(BilinearZoom, OneSampleAxesTakeTheFirstSample) {
  struct Row {
    uint32_t sw, sh, dw, dh;
  };
  const Row rows[] = {{1, 1, 4, 3}, {1, 5, 3, 6}, {6, 1, 4, 2}, {6, 5, 1, 1},
                      {6, 5, 1, 7}, {6, 5, 7, 1}, {2, 2, 9, 9}, {720, 3, 1, 2}};
  for (const Row& r : rows) {
    // Exact-size planes: any read or write past them is an address-sanitizer error.
    std::vector<uint8_t> src(r.sw * r.sh), dst(r.dw * r.dh);
    for (int along_x = 0; along_x < 2; ++along_x) {
      for (uint32_t y = 0; y < r.sh; ++y) {
        for (uint32_t x = 0; x < r.sw; ++x)
          src[y * r.sw + x] = static_cast<uint8_t>(10 + (along_x ? x : y) % 200);
      }
      BilinearZoom_c(nullptr, src.data(), dst.data(), r.sw, r.sh, r.sw, r.dw, r.dh, r.dw);
      const bool single = along_x ? (r.sw == 1 || r.dw == 1) : (r.sh == 1 || r.dh == 1);
      if (!single) continue;
      for (uint8_t v : dst) {
        ASSERT_EQ(v, 10) << r.sw << "x" << r.sh << " -> " << r.dw << "x" << r.dh
                         << (along_x ? " (columns)" : " (lines)");
      }
    }
  }
}

// ---- Packed styles on worked numbers ----

TEST(BilinearKernels, PackedStylesTruncateOrRound) {
  Rng rng(2);
  {
    // 4:2:0 -> UYVY, 4 -> 6 wide (step 0.6): the second luma sample sits half way between luma
    // 10 | 11, the second pair's chroma half way between 10 | 11 and 20 | 21, and the style
    // truncates the halves.
    GuardedPicture src(k420, 4, 2, rng), dst(kUyvy, 6, 2, rng);
    sample(src, 0, 0, 0) = 10;
    sample(src, 0, 1, 0) = 11;
    sample(src, 1, 0, 0) = 10;
    sample(src, 1, 1, 0) = 11;
    sample(src, 2, 0, 0) = 20;
    sample(src, 2, 1, 0) = 21;
    call(GeneralBilinearframetoframe420to422_c, geometry(k420, kFrame, kUyvy, kFrame, {4, 2, 6, 2}),
         src.record(), dst.record());
    EXPECT_EQ(sample(dst, 0, 1, 0), 10);
    EXPECT_EQ(sample(dst, 1, 1, 0), 10);
    EXPECT_EQ(sample(dst, 2, 1, 0), 20);
  }
  {
    // UYVY -> UYVY, 2 -> 3 lines: the middle line sits half way between luma lines 10 and 11,
    // and this style rounds.
    GuardedPicture src(kUyvy, 4, 2, rng), dst(kUyvy, 4, 3, rng);
    for (uint32_t x = 0; x < 4; ++x) {
      sample(src, 0, x, 0) = 10;
      sample(src, 0, x, 1) = 11;
    }
    call(Bilinearframetoframe422to422_c, geometry(kUyvy, kFrame, kUyvy, kFrame, {4, 2, 4, 3}),
         src.record(), dst.record());
    for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(sample(dst, 0, x, 1), 11) << "column " << x;
  }
}

// ---- Shape preservation of the frame kernels ----

TEST(BilinearKernels, ConstantsStayConstantAndRampsStayMonotonic) {
  struct Kernel {
    const char* name;
    tResizerKernel kernel;
    uint32_t st, dt;
  };
  const Kernel kernels[] = {
      {"420->420", GeneralBilinearframetoframe420to420_c, k420, k420},
      {"420->422P", Bilinearframetoframe420to422P_c, k420, k422P},
      {"422P->420", Bilinearframetoframe422Pto420_c, k422P, k420},
      {"422P->422P", Bilinearframetoframe422Pto422P_c, k422P, k422P},
      {"420->UYVY", GeneralBilinearframetoframe420to422_c, k420, kUyvy},
      {"UYVY->420", Bilinearframetoframe422to420_c, kUyvy, k420},
      {"UYVY->UYVY", Bilinearframetoframe422to422_c, kUyvy, kUyvy},
  };
  const Shape shapes[] = {
      {20, 12, 34, 18}, {40, 24, 14, 10}, {16, 16, 16, 10}, {4, 4, 10, 6}, {2, 2, 8, 4}};
  const char* const patterns[] = {"constant", "ramp across", "ramp down"};
  Rng rng(3);
  for (const Kernel& k : kernels) {
    for (const Shape& s : shapes) {
      for (int pattern = 0; pattern < 3; ++pattern) {
        const std::string where = std::string(k.name) + " " + std::to_string(s.sw) + "x" +
                                  std::to_string(s.sh) + " -> " + std::to_string(s.dw) + "x" +
                                  std::to_string(s.dh) + " " + patterns[pattern];
        GuardedPicture src(k.st, s.sw, s.sh, rng), dst(k.dt, s.dw, s.dh, rng);
        for (int p = 0; p < 3; ++p) {
          const auto [w, h] = plane_size(k.st, p, s.sw, s.sh);
          for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
              const uint32_t v = pattern == 0   ? 40 + 60 * p
                                 : pattern == 1 ? x * 255 / std::max(w - 1, 1u)
                                                : y * 255 / std::max(h - 1, 1u);
              sample(src, p, x, y) = static_cast<uint8_t>(v);
            }
          }
        }
        call(k.kernel, geometry(k.st, kFrame, k.dt, kFrame, s), src.record(), dst.record());
        bool ok = true;
        for (int p = 0; p < 3 && ok; ++p) {
          const auto [w, h] = plane_size(k.dt, p, s.dw, s.dh);
          for (uint32_t y = 0; y < h && ok; ++y) {
            for (uint32_t x = 0; x < w && ok; ++x) {
              const uint8_t v = sample(dst, p, x, y);
              // The 4:2:0 -> UYVY style weighs chroma lines by the luma line's phase, which
              // makes its chroma step back at every other chroma line: not monotonic downwards.
              const bool skip = pattern == 2 && p > 0 && k.dt == kUyvy && k.st == k420;
              ok = pattern == 0   ? v == 40 + 60 * p
                   : pattern == 1 ? x == 0 || v >= sample(dst, p, x - 1, y)
                                  : skip || y == 0 || v >= sample(dst, p, x, y - 1);
              EXPECT_TRUE(ok) << where << ": plane " << p << " at (" << x << ", " << y << ")";
            }
          }
        }
        EXPECT_EQ(dst.check_guards(), "") << where;
      }
    }
  }
}

// ---- Members against their definitions ----

tResizerGeometry per_field(tResizerGeometry g) {
  g.u32SrcHeight /= 2;
  g.u32DstHeight /= 2;
  g.u32FillTop /= 2;
  g.u32FillBottom /= 2;
  return g;
}

tImgPicture doubled(tImgPicture p) {
  p.u32YPitch *= 2;
  p.u32UVPitch *= 2;
  return p;
}

tImgPicture line_down(tImgPicture p, uint32_t type) {
  if (type == kUyvy) {
    p.pu8Y += 2 * p.u32YPitch;
  } else {
    p.pu8Y += p.u32YPitch;
    p.pu8U += p.u32UVPitch;
    p.pu8V += p.u32UVPitch;
  }
  return p;
}

// The second field of a 4:2:0 field picture `height` lines high.
tImgPicture field_two(tImgPicture p, uint32_t height) {
  p.pu8Y += height / 2 * p.u32YPitch;
  p.pu8U += height / 4 * p.u32UVPitch;
  p.pu8V += height / 4 * p.u32UVPitch;
  return p;
}

using Reference = std::function<void(const tResizerGeometry&, tImgPicture, tImgPicture)>;

// The kernel applied to each field of a frame, field picture or interlaced frame.
Reference frame_to_field(tResizerKernel base, uint32_t st) {
  return [=](const tResizerGeometry& g, tImgPicture s, tImgPicture d) {
    call(base, per_field(g), doubled(s), d);
    call(base, per_field(g), doubled(line_down(s, st)),
         field_two(d, g.u32DstHeight + g.u32FillTop + g.u32FillBottom));
  };
}
Reference interlaced(tResizerKernel base, uint32_t st, uint32_t dt) {
  return [=](const tResizerGeometry& g, tImgPicture s, tImgPicture d) {
    call(base, per_field(g), doubled(s), doubled(d));
    call(base, per_field(g), doubled(line_down(s, st)), doubled(line_down(d, dt)));
  };
}
Reference first_field(tResizerKernel base) {
  return [=](tResizerGeometry g, tImgPicture s, tImgPicture d) {
    g.u32SrcHeight /= 2;
    call(base, g, doubled(s), d);
  };
}

// Even source lines of a 704-wide window 8 pixels into a 720-wide UYVY line, into `base`.
Reference even_lines_704(tResizerKernel base) {
  return [=](tResizerGeometry g, tImgPicture s, tImgPicture d) {
    g.u32SrcHeight /= 2;
    g.u32SrcWidth = 704;
    s.pu8Y += 16;
    call(base, g, doubled(s), d);
  };
}

// Per-plane definitions of the planar frame kernels: fill, then BilinearZoom on each plane.
Reference planes(bool src_422p, bool dst_422p) {
  return [=](const tResizerGeometry& g, tImgPicture s, tImgPicture d) {
    dst_422p ? pf::paint_fill_422p(g, d) : pf::paint_fill_420(g, d);
    const uint32_t cft = dst_422p ? g.u32FillTop : g.u32FillTop / 2;
    BilinearZoom_c(nullptr, s.pu8Y, d.pu8Y + g.u32FillTop * d.u32YPitch + g.u32FillLeft,
                   g.u32SrcWidth, g.u32SrcHeight, s.u32YPitch, g.u32DstWidth, g.u32DstHeight,
                   d.u32YPitch);
    const uint8_t* const in[] = {s.pu8U, s.pu8V};
    uint8_t* const out[] = {d.pu8U, d.pu8V};
    for (int c = 0; c < 2; ++c) {
      BilinearZoom_c(nullptr, in[c], out[c] + cft * d.u32UVPitch + g.u32FillLeft / 2,
                     g.u32SrcWidth / 2, src_422p ? g.u32SrcHeight : g.u32SrcHeight / 2,
                     s.u32UVPitch, g.u32DstWidth / 2,
                     dst_422p ? g.u32DstHeight : g.u32DstHeight / 2, d.u32UVPitch);
    }
  };
}

struct Member {
  const char* name;
  tResizerKernel kernel;
  uint32_t st, si, dt, di;
  Shape shape;
  Reference reference;
};

TEST(BilinearKernels, MembersMatchTheirDefinitions) {
  const auto base420 = GeneralBilinearframetoframe420to420_c;
  const auto base422p = Bilinearframetoframe420to422P_c;
  const auto base420_uyvy = GeneralBilinearframetoframe420to422_c;
  const auto uyvy420 = Bilinearframetoframe422to420_c;
  const auto uyvy_uyvy = Bilinearframetoframe422to422_c;
  const Shape small{24, 20, 34, 12, 4, 8, 2, 6};
  const Shape odd_fields{24, 12, 30, 10, 2, 6, 4, 2};  // 5 lines per destination field
  const std::vector<Member> members = {
      {"420 frame", base420, k420, kFrame, k420, kFrame, small, planes(false, false)},
      {"420->422P frame", base422p, k420, kFrame, k422P, kFrame, small, planes(false, true)},
      {"422P->420 frame", Bilinearframetoframe422Pto420_c, k422P, kFrame, k420, kFrame, small,
       planes(true, false)},
      {"422P->422P frame", Bilinearframetoframe422Pto422P_c, k422P, kFrame, k422P, kFrame, small,
       planes(true, true)},
      {"420 frame->field", GeneralBilinearframetofield420to420_c, k420, kFrame, k420, kField, small,
       frame_to_field(base420, k420)},
      {"420 2-line frame->field",
       GeneralBilinearframetofield420to420_c,
       k420,
       kFrame,
       k420,
       kField,
       {8, 2, 12, 8, 4, 4},
       [=](const tResizerGeometry& g, tImgPicture s, tImgPicture d) {
         // The single chroma line of a 2-line frame serves both fields.
         call(base420, per_field(g), doubled(s), d);
         tImgPicture odd = doubled(s);
         odd.pu8Y += s.u32YPitch;
         call(base420, per_field(g), odd,
              field_two(d, g.u32DstHeight + g.u32FillTop + g.u32FillBottom));
       }},
      {"420 field->field", GeneralBilinearfieldtofield420to420_c, k420, kField, k420, kField, small,
       [=](const tResizerGeometry& g, tImgPicture s, tImgPicture d) {
         call(base420, per_field(g), s, d);
         call(base420, per_field(g), field_two(s, g.u32SrcHeight),
              field_two(d, g.u32DstHeight + g.u32FillTop + g.u32FillBottom));
       }},
      {"420 field->frame", GeneralBilinearfieldtoframe420to420_c, k420, kField, k420, kFrame,
       odd_fields,
       [](const tResizerGeometry& g, tImgPicture s, tImgPicture d) {
         pf::paint_fill_420(g, d);
         const uint32_t dh = g.u32DstHeight, cdh = dh / 2, sw = g.u32SrcWidth, dw = g.u32DstWidth;
         uint8_t* y = d.pu8Y + g.u32FillTop * d.u32YPitch + g.u32FillLeft;
         const uint32_t chroma_at = g.u32FillTop / 2 * d.u32UVPitch + g.u32FillLeft / 2;
         for (uint32_t k = 0; k < 2; ++k) {
           const tImgPicture f = k ? field_two(s, g.u32SrcHeight) : s;
           const uint32_t sh = g.u32SrcHeight / 2,
                          fcdh = (cdh + 1 - k) / 2;  // field one takes an odd line
           BilinearZoom_c(nullptr, f.pu8Y, y + k * d.u32YPitch, sw, sh, s.u32YPitch, dw, dh / 2,
                          2 * d.u32YPitch);
           BilinearZoom_c(nullptr, f.pu8U, d.pu8U + chroma_at + k * d.u32UVPitch, sw / 2, sh / 2,
                          s.u32UVPitch, dw / 2, fcdh, 2 * d.u32UVPitch);
           BilinearZoom_c(nullptr, f.pu8V, d.pu8V + chroma_at + k * d.u32UVPitch, sw / 2, sh / 2,
                          s.u32UVPitch, dw / 2, fcdh, 2 * d.u32UVPitch);
         }
       }},
      {"420 I->I",
       GeneralBilinearframeItoframeI420to420_c,
       k420,
       kInter,
       k420,
       kInter,
       {24, 20, 34, 12, 4, 8, 2, 6},
       interlaced(base420, k420, k420)},
      {"420 I->P", GeneralBilinearframeItoframe420to420_c, k420, kInter, k420, kFrame, small,
       first_field(base420)},
      {"420 720 field->frame",
       GeneralBilinearfieldtoframe420to420ItoF_c,
       k420,
       kField,
       k420,
       kFrame,
       {720, 16, 40, 10, 2, 2},
       [=](tResizerGeometry g, tImgPicture s, tImgPicture d) {
         g.u32SrcHeight /= 2;
         g.u32SrcWidth = 704;
         s.pu8Y += 8;
         s.pu8U += 4;
         s.pu8V += 4;
         call(base420, g, s, d);
       }},
      {"420 352 field->frame",
       GeneralBilinearfieldtoframe420to420ItoF_c,
       k420,
       kField,
       k420,
       kFrame,
       {352, 16, 40, 10},
       [=](tResizerGeometry g, tImgPicture s, tImgPicture d) {
         g.u32SrcHeight /= 2;
         call(base420, g, s, d);
       }},
      {"420->422P I->P", BilinearframeItoframe420to422P_c, k420, kInter, k422P, kFrame, small,
       first_field(base422p)},
      {"420->422P I->I", BilinearframeItoframeI420to422P_c, k420, kInter, k422P, kInter, odd_fields,
       interlaced(base422p, k420, k422P)},
      {"422P->420 I->P", BilinearframeItoframe422Pto420_c, k422P, kInter, k420, kFrame, small,
       first_field(Bilinearframetoframe422Pto420_c)},
      {"422P->422P I->P", BilinearframeItoframe422Pto422P_c, k422P, kInter, k422P, kFrame, small,
       first_field(Bilinearframetoframe422Pto422P_c)},
      {"420->UYVY field->frame", GeneralBilinearfieldtoframe420to422_c, k420, kField, kUyvy, kFrame,
       odd_fields,
       [=](const tResizerGeometry& g, tImgPicture s, tImgPicture d) {
         pf::paint_fill_uyvy(g, d);
         const Shape field{g.u32SrcWidth, g.u32SrcHeight / 2, g.u32DstWidth, g.u32DstHeight / 2};
         tImgPicture out = d;
         out.pu8Y += 2 * (g.u32FillTop * d.u32YPitch + g.u32FillLeft);
         call(base420_uyvy, geometry(k420, kFrame, kUyvy, kFrame, field), s, doubled(out));
         call(base420_uyvy, geometry(k420, kFrame, kUyvy, kFrame, field),
              field_two(s, g.u32SrcHeight), doubled(line_down(out, kUyvy)));
       }},
      {"420->UYVY I->I", GeneralBilinearframeItoframeI420to422_c, k420, kInter, kUyvy, kInter,
       odd_fields, interlaced(base420_uyvy, k420, kUyvy)},
      {"UYVY->420 frame->field", Bilinearframetofield422to420_c, kUyvy, kFrame, k420, kField, small,
       frame_to_field(uyvy420, kUyvy)},
      {"UYVY->420 I->I",
       BilinearFrameItoFrameI422to420_c,
       kUyvy,
       kInter,
       k420,
       kInter,
       {24, 20, 34, 12, 4, 8, 2, 6},
       interlaced(uyvy420, kUyvy, k420)},
      {"UYVY->420 I->P", BilinearFrameItoFrame422to420_c, kUyvy, kInter, k420, kFrame, small,
       first_field(uyvy420)},
      {"UYVY I->I", Bilinearframetoframe422to422ItoI_c, kUyvy, kInter, kUyvy, kInter, odd_fields,
       interlaced(uyvy_uyvy, kUyvy, kUyvy)},
      {"UYVY I->P", Bilinearframetoframe422to422ItoP_c, kUyvy, kInter, kUyvy, kFrame, small,
       first_field(uyvy_uyvy)},
      {"UYVY 720 scale down",
       YUV422toYUV420ScaleDown_c,
       kUyvy,
       kFrame,
       k420,
       kFrame,
       {720, 12, 96, 6},
       even_lines_704(uyvy420)},
      {"UYVY 720->352 frame",
       YUV422Width720toYUV420Width352Cut16Point_c,
       kUyvy,
       kFrame,
       k420,
       kFrame,
       {720, 12, 352, 6},
       even_lines_704(uyvy420)},
      {"UYVY 720->352 field",
       YUV422Width720toYUV420Width352Cut16Point_c,
       kUyvy,
       kFrame,
       k420,
       kField,
       {720, 12, 352, 8},
       [](tResizerGeometry g, tImgPicture s, tImgPicture d) {
         g.u32SrcWidth = 704;
         s.pu8Y += 16;
         call(Bilinearframetofield422to420_c, g, s, d);
       }},
  };
  for (size_t i = 0; i < members.size(); ++i) {
    const Member& m = members[i];
    const Shape& s = m.shape;
    Rng rng(100 + i), same(200 + i), twin(200 + i);
    GuardedPicture src(m.st, s.sw, s.sh, rng, 16);
    GuardedPicture actual(m.dt, s.pw(), s.ph(), same, 16), expected(m.dt, s.pw(), s.ph(), twin, 16);
    const tResizerGeometry g = geometry(m.st, m.si, m.dt, m.di, s);
    tResizerGeometry g_run = g;
    const tImgPicture src_rec = src.record(), dst_rec = actual.record();
    tImgPicture src_run = src_rec, dst_run = dst_rec;
    void* scratch = nullptr;
    m.kernel(&scratch, &g_run, &src_run, &dst_run);
    m.reference(g, src.record(), expected.record());
    EXPECT_EQ(std::memcmp(&g_run, &g, sizeof g), 0) << m.name << ": geometry not restored";
    EXPECT_EQ(std::memcmp(&src_run, &src_rec, sizeof src_rec), 0) << m.name << ": source record";
    EXPECT_EQ(std::memcmp(&dst_run, &dst_rec, sizeof dst_rec), 0)
        << m.name << ": destination record";
    for (size_t p = 0; p < actual.planes().size(); ++p) {
      EXPECT_TRUE(actual.planes()[p].raw() == expected.planes()[p].raw())
          << m.name << ": plane " << p;
    }
    EXPECT_EQ(actual.check_guards(), "") << m.name;
  }
}

// ---- Every scaling combination through the resizer ----

struct Combo {
  const char* name;
  tResizerKernel kernel;  // the scalar kernel the resizer runs for this combination
  uint32_t st, si, dt, di;
  uint32_t sw = 0, dw = 0, sh = 0, dh = 0;  // fixed rectangle sizes; 0 draws one
  bool no_border = false;
  bool same_size = false;
};

const Combo kCombos[] = {
    {"420 frame", GeneralBilinearframetoframe420to420_c, k420, kFrame, k420, kFrame},
    {"420 frame->I", GeneralBilinearframetoframe420to420_c, k420, kFrame, k420, kInter},
    {"420 frame->field", GeneralBilinearframetofield420to420_c, k420, kFrame, k420, kField},
    {"420 field->field", GeneralBilinearfieldtofield420to420_c, k420, kField, k420, kField},
    {"420 field->frame", GeneralBilinearfieldtoframe420to420_c, k420, kField, k420, kFrame},
    {"420 field->I", GeneralBilinearfieldtoframe420to420_c, k420, kField, k420, kInter},
    {"420 I->I", GeneralBilinearframeItoframeI420to420_c, k420, kInter, k420, kInter},
    {"420 I->P", GeneralBilinearframeItoframe420to420_c, k420, kInter, k420, kFrame},
    {"420 CIF->D1 field", ConvertCifFrameto720x576FieldFilter_c, k420, kFrame, k420, kField, 352,
     720, 288, 576, true},
    {"420 CIF->D1 field, border", GeneralBilinearframetofield420to420_c, k420, kFrame, k420, kField,
     352, 720, 288, 576},
    {"420 frame->704 field", GeneralBilinearframetofield420to420_c, k420, kFrame, k420, kField, 0,
     704},
    {"420 720 field->frame", GeneralBilinearfieldtoframe420to420ItoF_c, k420, kField, k420, kFrame,
     720},
    {"420 352 field->frame", GeneralBilinearfieldtoframe420to420ItoF_c, k420, kField, k420, kFrame,
     352},
    {"420->UYVY", GeneralBilinearframetoframe420to422_c, k420, kFrame, kUyvy, kFrame},
    {"420->UYVY field->frame", GeneralBilinearfieldtoframe420to422_c, k420, kField, kUyvy, kFrame},
    {"420->UYVY I->I", GeneralBilinearframeItoframeI420to422_c, k420, kInter, kUyvy, kInter},
    {"420->422P", Bilinearframetoframe420to422P_c, k420, kFrame, k422P, kFrame},
    {"420->422P I->P", BilinearframeItoframe420to422P_c, k420, kInter, k422P, kFrame},
    {"420->422P I->P same size", BilinearframeItoframe420to422P_c, k420, kInter, k422P, kFrame, 0,
     0, 0, 0, false, true},
    {"420->422P I->I", BilinearframeItoframeI420to422P_c, k420, kInter, k422P, kInter},
    {"UYVY->420", Bilinearframetoframe422to420_c, kUyvy, kFrame, k420, kFrame},
    {"UYVY->420 frame->field", Bilinearframetofield422to420_c, kUyvy, kFrame, k420, kField},
    {"UYVY->420 I->I", BilinearFrameItoFrameI422to420_c, kUyvy, kInter, k420, kInter},
    {"UYVY->420 I->P", BilinearFrameItoFrame422to420_c, kUyvy, kInter, k420, kFrame},
    {"UYVY 720->176", YUV422toYUV420ScaleDown_c, kUyvy, kFrame, k420, kFrame, 720, 176, 0, 0, true},
    {"UYVY 720 I->96", YUV422toYUV420ScaleDown_c, kUyvy, kInter, k420, kFrame, 720, 96, 0, 0, true},
    {"UYVY 720->352", YUV422Width720toYUV420Width352Cut16Point_c, kUyvy, kFrame, k420, kFrame, 720,
     352, 0, 0, true},
    {"UYVY 720->352 field", YUV422Width720toYUV420Width352Cut16Point_c, kUyvy, kFrame, k420, kField,
     720, 352, 0, 0, true},
    {"UYVY 720 field->352", YUV422Width720toYUV420Width352Cut16Point_c, kUyvy, kField, k420, kFrame,
     720, 352, 0, 0, true},
    {"UYVY", Bilinearframetoframe422to422_c, kUyvy, kFrame, kUyvy, kFrame},
    {"UYVY frame->I", Bilinearframetoframe422to422_c, kUyvy, kFrame, kUyvy, kInter},
    {"UYVY I->I", Bilinearframetoframe422to422ItoI_c, kUyvy, kInter, kUyvy, kInter},
    {"UYVY I->P", Bilinearframetoframe422to422ItoP_c, kUyvy, kInter, kUyvy, kFrame},
    {"422P->420", Bilinearframetoframe422Pto420_c, k422P, kFrame, k420, kFrame},
    {"422P->420 I->P", BilinearframeItoframe422Pto420_c, k422P, kInter, k420, kFrame},
    {"422P->420 I->P same size", BilinearframeItoframe422Pto420_c, k422P, kInter, k420, kFrame, 0,
     0, 0, 0, false, true},
    {"422P", Bilinearframetoframe422Pto422P_c, k422P, kFrame, k422P, kFrame},
    {"422P I->P", BilinearframeItoframe422Pto422P_c, k422P, kInter, k422P, kFrame},
};

// A parameter record the resizer accepts for the combination, with small random sizes, cuts,
// offsets and fills (chroma planes down to one sample wide).
tImageResizerParam random_param(const Combo& c, Rng& rng, bool cuts_and_offsets = true) {
  auto even = [&](int most) { return cuts_and_offsets ? 2 * rng.range(0, most) : 0; };
  auto quad = [&](int most) { return cuts_and_offsets ? 4 * rng.range(0, most) : 0; };
  const bool src_field = c.si == kField, dst_field = c.dt == k420 && c.di == kField;
  const uint32_t sw = c.sw ? c.sw : 2 * rng.range(1, 20);
  uint32_t sh = c.sh ? c.sh : src_field ? 4 * rng.range(1, 10) : 2 * rng.range(1, 20);
  uint32_t dw = c.dw ? c.dw : 2 * rng.range(1, 24);
  uint32_t dh = c.dh ? c.dh : dst_field ? 4 * rng.range(1, 12) : 2 * rng.range(1, 24);
  if (c.same_size) {
    dw = sw;
    dh = sh;
  } else if (sw == dw && sh == dh) {
    dw += 2;
  }
  tImageResizerParam p{};
  p.u32SrcYuvType = c.st;
  p.u32SrcImageType = c.si;
  p.u32DstYuvType = c.dt;
  p.u32DstImageType = c.di;
  p.s32CutTop = src_field ? quad(2) : even(3);
  p.s32CutBottom = src_field ? quad(2) : even(3);
  p.s32CutLeft = even(3);
  p.s32CutRight = even(3);
  const bool quad_fills = dst_field || (c.dt == k420 && c.di == kInter && c.si == kInter);
  if (!c.no_border) {
    p.s32FillTop = quad_fills ? 4 * rng.range(0, 2) : 2 * rng.range(0, 3);
    p.s32FillBottom = quad_fills ? 4 * rng.range(0, 2) : 2 * rng.range(0, 3);
    p.s32FillLeft = 2 * rng.range(0, 3);
    p.s32FillRight = 2 * rng.range(0, 3);
  }
  p.s32OffsetTop = dst_field ? quad(2) : even(3);
  p.s32OffsetBottom = dst_field ? quad(2) : even(3);
  p.s32OffsetLeft = even(3);
  p.s32OffsetRight = even(3);
  const int32_t rows = static_cast<int32_t>(dh) + p.s32FillTop + p.s32FillBottom + p.s32OffsetTop +
                       p.s32OffsetBottom;
  if (quad_fills && rows % 4 != 0) p.s32OffsetBottom += 2;
  p.s32SrcWidth = static_cast<int32_t>(sw) + p.s32CutLeft + p.s32CutRight;
  p.s32SrcHeight = static_cast<int32_t>(sh) + p.s32CutTop + p.s32CutBottom;
  p.s32DstWidth = static_cast<int32_t>(dw) + p.s32FillLeft + p.s32FillRight + p.s32OffsetLeft +
                  p.s32OffsetRight;
  p.s32DstHeight = static_cast<int32_t>(dh) + p.s32FillTop + p.s32FillBottom + p.s32OffsetTop +
                   p.s32OffsetBottom;
  p.u32FillY = rng.byte();
  p.u32FillU = rng.byte();
  p.u32FillV = rng.byte();
  return p;
}

enum class Area { kOutside, kFill, kPicture };

// Where byte (x, y) of destination plane `plane` lies, and the fill colour it should hold.
Area classify(const tImageResizerParam& p, size_t plane, uint32_t x, uint32_t y, uint8_t* colour) {
  const bool packed = p.u32DstYuvType == kUyvy;
  auto sx = [&](int32_t v) { return static_cast<uint32_t>(packed ? 2 * v : plane ? v / 2 : v); };
  auto sy = [&](int32_t v) {
    return static_cast<uint32_t>(plane && p.u32DstYuvType == k420 ? v / 2 : v);
  };
  const int32_t pw = p.s32DstWidth - p.s32OffsetLeft - p.s32OffsetRight;
  const int32_t ph = p.s32DstHeight - p.s32OffsetTop - p.s32OffsetBottom;
  const int32_t dw = pw - p.s32FillLeft - p.s32FillRight;
  const int32_t dh = ph - p.s32FillTop - p.s32FillBottom;
  if (x < sx(p.s32OffsetLeft) || x >= sx(p.s32OffsetLeft + pw) || y < sy(p.s32OffsetTop) ||
      y >= sy(p.s32OffsetTop + ph)) {
    return Area::kOutside;
  }
  const uint32_t lx = x - sx(p.s32OffsetLeft);
  uint32_t ly = y - sy(p.s32OffsetTop), top = sy(p.s32FillTop), rows = sy(dh);
  if (p.u32DstImageType == kField) {  // each field holds half of every band
    if (ly >= sy(ph) / 2) ly -= sy(ph) / 2;
    top = sy(p.s32FillTop / 2);
    rows = sy(dh / 2);
  }
  const uint8_t yuv[] = {static_cast<uint8_t>(p.u32FillY), static_cast<uint8_t>(p.u32FillU),
                         static_cast<uint8_t>(p.u32FillV)};
  static constexpr int kUyvyOrder[] = {1, 0, 2, 0};
  *colour = yuv[packed ? kUyvyOrder[lx % 4] : plane];
  const bool fill =
      ly < top || ly >= top + rows || lx < sx(p.s32FillLeft) || lx >= sx(p.s32FillLeft + dw);
  return fill ? Area::kFill : Area::kPicture;
}

// Source planes allocated to their exact size, so that a read past any of them is an
// address-sanitizer error (the guarded pictures would absorb it).
struct TightSource {
  std::vector<std::vector<uint8_t>> planes;
  tImgPicture record{};
  TightSource(uint32_t type, uint32_t w, uint32_t h, Rng& rng) {
    const bool packed = type == kUyvy;
    for (int p = 0; p < (packed ? 1 : 3); ++p) {
      const auto [pw, ph] = plane_size(type, p, packed ? 2 * w : w, h);
      planes.emplace_back(static_cast<size_t>(pw) * ph);
      for (auto& b : planes.back()) b = rng.byte();
    }
    record.pu8Y = planes[0].data();
    record.u32YPitch = w;
    if (!packed) {
      record.pu8U = planes[1].data();
      record.pu8V = planes[2].data();
      record.u32UVPitch = w / 2;
    }
  }
};

TEST(BilinearKernels, PackedStylesStopAtTheLastSample) {
  // Sizes whose steps land the last output exactly on the last source line and column, where
  // the neighbour named next to it does not exist; and a one-pair UYVY line, whose step would
  // be negative and which the kernels read at its first pixel only.
  struct Row {
    tResizerKernel kernel;
    uint32_t st, dt;
    Shape shape;
  };
  const Row rows[] = {{GeneralBilinearframetoframe420to422_c, k420, kUyvy, {10, 10, 4, 4}},
                      {Bilinearframetoframe422to420_c, kUyvy, k420, {10, 10, 8, 4}},
                      {Bilinearframetoframe422to422_c, kUyvy, kUyvy, {10, 10, 8, 4}},
                      {Bilinearframetoframe422to422_c, kUyvy, kUyvy, {2, 4, 6, 4}}};
  Rng rng(9);
  for (const Row& r : rows) {
    TightSource src(r.st, r.shape.sw, r.shape.sh, rng);
    GuardedPicture dst(r.dt, r.shape.dw, r.shape.dh, rng);
    call(r.kernel, geometry(r.st, kFrame, r.dt, kFrame, r.shape), src.record, dst.record());
    EXPECT_EQ(dst.check_guards(), "") << r.shape.sw << " -> " << r.shape.dw;
    if (r.shape.sw != 2) continue;
    for (uint32_t x = 0; x < r.shape.dw; ++x) {
      EXPECT_EQ(sample(dst, 0, x, 0), src.planes[0][1]) << "one-pair line, column " << x;
    }
  }
}

class BilinearResizer : public pft::VmemTest {
 protected:
  // Runs the resizer twice on one source into destinations of different content and checks
  // both: guards, source (read through exact-size planes) and offset area untouched, fill in
  // its colour, and the same picture (so every picture byte was written). `picture`, when not
  // negative, is the value every picture sample must have.
  void run(const tImageResizerParam& p, uint64_t seed, const std::string& where, int picture = -1) {
    Rng rng(seed);
    const auto sw = static_cast<uint32_t>(p.s32SrcWidth),
               sh = static_cast<uint32_t>(p.s32SrcHeight);
    const auto dw = static_cast<uint32_t>(p.s32DstWidth),
               dh = static_cast<uint32_t>(p.s32DstHeight);
    TightSource src(p.u32SrcYuvType, sw, sh, rng);
    if (picture >= 0) {
      for (auto& plane : src.planes) std::fill(plane.begin(), plane.end(), picture);
    }
    const auto src_before = src.planes;
    std::vector<GuardedPicture> dst, before;
    dst.reserve(2);
    void* handle = nullptr;
    ASSERT_EQ(ImageResizerOpen_c(&handle, &p, mem()), 0u) << where;
    for (int run = 0; run < 2; ++run) {
      dst.emplace_back(p.u32DstYuvType, dw, dh, rng, 8);
      before.push_back(dst.back());
      tImgPicture s = src.record, d = dst.back().record();
      EXPECT_EQ(ImageResizerProcess_c(handle, &s, &d), 0u) << where;
    }
    // On a processor with SSSE3 some CIF-to-field geometries run a variant that computes its own
    // picture and paints no fill; it is held to its model instead of the areas below.
    auto& instance = *static_cast<tImageResizerInstance*>(handle);
    const tResizerKernel ran = instance.pfnKernel;
    if (const tResizerKernel model = pft::divergent_model(ran); model != nullptr) {
      for (size_t k = 0; k < dst.size(); ++k) {
        GuardedPicture expected = before[k];
        instance.pfnKernel = model;
        tImgPicture s = src.record, d = expected.record();
        EXPECT_EQ(ImageResizerProcess_c(handle, &s, &d), 0u) << where;
        instance.pfnKernel = ran;
        for (size_t plane = 0; plane < expected.planes().size(); ++plane) {
          EXPECT_TRUE(dst[k].planes()[plane].raw() == expected.planes()[plane].raw())
              << where << ": plane " << plane << " is not the field filter's picture";
        }
      }
    }
    EXPECT_EQ(ImageResizerClose_c(handle), 0u) << where;
    EXPECT_TRUE(src.planes == src_before) << where << ": source written";
    if (pft::divergent_model(ran) != nullptr) return;
    // An interlaced 4:2:0 picture whose fields hold an odd number of lines (offsets of 4k + 2
    // lines) has no whole chroma line pairs to split; only safety is promised there.
    const int32_t picture_rows =
        p.s32DstHeight - p.s32OffsetTop - p.s32OffsetBottom - p.s32FillTop - p.s32FillBottom;
    const bool split_chroma = p.u32DstYuvType == k420 && p.u32DstImageType == kInter &&
                              p.u32SrcImageType == kInter && picture_rows / 2 % 2 != 0;
    for (size_t k = 0; k < dst[0].planes().size(); ++k) {
      const pft::GuardedPlane &a = dst[0].planes()[k], &b = dst[1].planes()[k];
      int failures = 0;
      for (uint32_t y = 0; y < a.rows() && failures < 3; ++y) {
        for (uint32_t x = 0; x < a.width() && failures < 3; ++x) {
          uint8_t colour = 0;
          const Area area = classify(p, k, x, y, &colour);
          const char* wrong = nullptr;
          if (area == Area::kOutside) {
            if (a.at(x, y) != before[0].planes()[k].at(x, y)) wrong = "offset area written";
          } else if (split_chroma) {
            continue;
          } else if (a.at(x, y) != b.at(x, y)) {
            wrong = "not written";
          } else if (area == Area::kFill && a.at(x, y) != colour) {
            wrong = "fill colour";
          } else if (area == Area::kPicture && picture >= 0 && a.at(x, y) != picture) {
            wrong = "picture";
          }
          if (wrong != nullptr) {
            ++failures;
            ADD_FAILURE() << where << ": " << wrong << " in plane " << k << " at (" << x << ", "
                          << y << ")";
          }
        }
      }
      EXPECT_EQ(dst[0].check_guards(), "") << where;
      EXPECT_EQ(dst[1].check_guards(), "") << where;
    }
  }
};

TEST_F(BilinearResizer, EveryScalingCombinationStaysInItsAreas) {
  for (const Combo& c : kCombos) {
    const int iterations = c.sw >= 352 || c.dw >= 352 ? 2 : 8;
    for (int i = 0; i < iterations; ++i) {
      Rng rng(1000 * i + static_cast<uint64_t>(&c - kCombos));
      const tImageResizerParam p = random_param(c, rng);
      run(p, rng.next(),
          std::string(c.name) + " #" + std::to_string(i) + " " + std::to_string(p.s32SrcWidth) +
              "x" + std::to_string(p.s32SrcHeight) + " -> " + std::to_string(p.s32DstWidth) + "x" +
              std::to_string(p.s32DstHeight));
    }
  }
}

TEST_F(BilinearResizer, InterlacedDestinationsKeepEachFillBandExact) {
  // Fills of 4k + 2 lines on interlaced UYVY and 4:2:2 planar destinations: each field gets half
  // of every band, so the bands and the picture are exactly where the caller put them.
  for (const std::string name : {"420->UYVY I->I", "420->422P I->I", "UYVY I->I"}) {
    const Combo* c = std::find_if(std::begin(kCombos), std::end(kCombos),
                                  [&](const Combo& row) { return row.name == name; });
    ASSERT_NE(c, std::end(kCombos)) << name;
    for (const auto& [top, bottom] : {std::pair{2, 6}, std::pair{6, 2}, std::pair{2, 2}}) {
      tImageResizerParam p{};
      p.s32SrcWidth = 16;
      p.s32SrcHeight = 12;
      p.u32SrcYuvType = c->st;
      p.u32SrcImageType = c->si;
      p.s32DstWidth = 28;
      p.s32DstHeight = 22 + top + bottom;
      p.u32DstYuvType = c->dt;
      p.u32DstImageType = c->di;
      p.s32OffsetTop = 2;
      p.s32FillTop = top;
      p.s32FillBottom = bottom;
      p.s32FillLeft = 2;
      run(p, 5,
          std::string(c->name) + " fills " + std::to_string(top) + "/" + std::to_string(bottom),
          200);
    }
  }
}

TEST_F(BilinearResizer, CifFrameToD1FieldIsTheFrameToFieldKernelPlusFill) {
  Rng rng(7);
  GuardedPicture src(k420, 352, 288, rng), expected(k420, 720, 576, rng);
  call(GeneralBilinearframetofield420to420_c,
       geometry(k420, kFrame, k420, kField, {352, 288, 720, 576}), src.record(), expected.record());
  // Without a border the filter kernel runs; with one (4:2:0 field pictures take fills in
  // multiples of 4) the bordered kernel does. Either way each field is the same picture, below
  // its share of the fill.
  for (const uint32_t fill_top : {0u, 4u}) {
    const auto top = static_cast<int32_t>(fill_top);
    tImageResizerParam p{};
    p.s32SrcWidth = 352;
    p.s32SrcHeight = 288;
    p.u32SrcYuvType = k420;
    p.u32SrcImageType = kFrame;
    p.s32DstWidth = 720;
    p.s32DstHeight = 576 + top;
    p.u32DstYuvType = k420;
    p.u32DstImageType = kField;
    p.s32FillTop = top;
    p.u32FillY = 1;
    p.u32FillU = 2;
    p.u32FillV = 3;
    GuardedPicture dst(k420, 720, 576 + fill_top, rng);
    GuardedPicture filtered = dst;
    void* handle = nullptr;
    ASSERT_EQ(ImageResizerOpen_c(&handle, &p, mem()), 0u);
    tImgPicture s = src.record(), d = dst.record();
    EXPECT_EQ(ImageResizerProcess_c(handle, &s, &d), 0u);
    // With SSSE3 the dispatch installs the field filter for both geometries: a picture of its
    // own, without fill (its definition is pinned by CifFieldFilterWritesFieldOrderedLinesOnly).
    auto& instance = *static_cast<tImageResizerInstance*>(handle);
    const tResizerKernel model = pft::divergent_model(instance.pfnKernel);
    if (model != nullptr) {
      instance.pfnKernel = model;
      tImgPicture fs = src.record(), fd = filtered.record();
      EXPECT_EQ(ImageResizerProcess_c(handle, &fs, &fd), 0u);
    }
    EXPECT_EQ(ImageResizerClose_c(handle), 0u);
    if (model != nullptr) {
      for (size_t k = 0; k < 3; ++k) {
        EXPECT_TRUE(dst.planes()[k].raw() == filtered.planes()[k].raw())
            << "fill " << fill_top << ", plane " << k;
      }
      continue;
    }
    for (size_t k = 0; k < 3; ++k) {
      const uint32_t shift = k == 0 ? 0 : 1;  // chroma: half the lines
      const uint32_t field = 288 >> shift, band = (fill_top / 2) >> shift;
      const pft::GuardedPlane &out = dst.planes()[k], &ref = expected.planes()[k];
      for (uint32_t f = 0; f < 2; ++f) {
        for (uint32_t y = 0; y < field + band; ++y) {
          const uint8_t* row = out.data() + (f * (field + band) + y) * size_t{out.pitch()};
          if (y < band) {
            EXPECT_EQ(std::vector<uint8_t>(row, row + out.width()),
                      std::vector<uint8_t>(out.width(), static_cast<uint8_t>(k + 1)))
                << "fill " << fill_top << ", plane " << k << ", field " << f << ", line " << y;
          } else {
            EXPECT_EQ(std::memcmp(row, ref.data() + (f * field + y - band) * size_t{ref.pitch()},
                                  out.width()),
                      0)
                << "fill " << fill_top << ", plane " << k << ", field " << f << ", line " << y;
          }
        }
      }
    }
  }
}

// ---- SSSE3 style A variants, called directly ----

// The variant the SSSE3 selector installs in the named pointer, or null when this build or this
// processor has none.
tResizerKernel ssse3_variant(const char* pointer) {
  if ((pft::cpu_flags() & pf::kIsaFlag[pf::kSsse3]) == 0) return nullptr;
  for (const auto& row : pf::image_resizer_kernels()) {
    if (std::strcmp(row.name, pointer) == 0) return row.variant[pf::kSsse3];
  }
  return nullptr;
}

struct VariantRow {
  const char* what;
  Shape shape;
};

TEST(BilinearSsse3, PlaneScalerMatchesTheScalarKernelInEveryGatherMode) {
  const tResizerKernel variant = ssse3_variant("GeneralBilinearframetoframe420to420");
  if (variant == nullptr) GTEST_SKIP() << "no SSSE3 variant on this build or processor";
  // Ratios that take one load, two loads and single pairs per 8 columns, widths with short
  // vector tails, a 2-pixel picture with 1-pixel chroma, and an enlargement whose column tables
  // do not fit its scratch share (scalar loop).
  const VariantRow rows[] = {
      {"2x4 same size", {2, 4, 2, 4}},
      {"one load, enlarging", {22, 12, 46, 20}},
      {"two loads, reducing", {100, 16, 38, 8}},
      {"single pairs, reducing", {240, 20, 26, 8}},
      {"720 to 352", {720, 12, 352, 8}},
      {"1920 to 1280", {1920, 8, 1280, 4}},
      {"odd tail with a fill", {58, 12, 34, 12, 4, 2, 6, 2}},
      {"tables beyond the scratch share", {4, 4, 96, 40}},
  };
  std::vector<uint8_t> memory(0x18000);
  for (const VariantRow& r : rows) {
    for (const bool with_scratch : {true, false}) {
      const std::string where = std::string(r.what) + (with_scratch ? "" : ", no scratch");
      Rng rng(r.shape.sw * 31 + r.shape.dw);
      GuardedPicture src(k420, r.shape.sw, r.shape.sh, rng, 13);
      GuardedPicture want(k420, r.shape.pw(), r.shape.ph(), rng, 13), got = want;
      tResizerGeometry g = geometry(k420, kFrame, k420, kFrame, r.shape);
      const tResizerGeometry g_before = g;
      void* scratch = with_scratch ? memory.data() : nullptr;
      tImgPicture s = src.record(), d = got.record();
      variant(&scratch, &g, &s, &d);
      call(GeneralBilinearframetoframe420to420_c, g_before, src.record(), want.record());
      EXPECT_EQ(std::memcmp(&g, &g_before, sizeof g), 0) << where << ": geometry changed";
      for (size_t k = 0; k < 3; ++k) {
        EXPECT_TRUE(got.planes()[k].raw() == want.planes()[k].raw()) << where << ", plane " << k;
      }
    }
  }
}

TEST(BilinearSsse3, CifFieldFilterWritesFieldOrderedLinesOnly) {
  const tResizerKernel filter = ssse3_variant("ConvertCifFrameto720x576FieldFilter");
  if (filter == nullptr) GTEST_SKIP() << "no SSSE3 variant on this build or processor";
  // Each plane is the whole frame scaled by BilinearZoom_c, its line j stored at line j/2 (even
  // j) or height/2 + j/2 (odd j) from where the record points; nothing else is written, not
  // even the fill the geometry asks for.
  const VariantRow rows[] = {
      {"CIF to D1", {352, 288, 720, 576}},
      {"fill in the geometry", {12, 8, 20, 12, 4, 4, 2, 2}},
      {"1-pixel chroma", {2, 4, 2, 8}},
  };
  std::vector<uint8_t> memory(0x18000);
  for (const VariantRow& r : rows) {
    for (const bool with_scratch : {true, false}) {
      const std::string where = std::string(r.what) + (with_scratch ? "" : ", no scratch");
      Rng rng(r.shape.dh);
      GuardedPicture src(k420, r.shape.sw, r.shape.sh, rng, 9);
      GuardedPicture dst(k420, r.shape.pw(), r.shape.ph(), rng, 9);
      const GuardedPicture before = dst;
      tResizerGeometry g = geometry(k420, kFrame, k420, kField, r.shape);
      void* scratch = with_scratch ? memory.data() : nullptr;
      tImgPicture s = src.record(), d = dst.record();
      filter(&scratch, &g, &s, &d);
      EXPECT_EQ(dst.check_guards(), "") << where;
      for (int k = 0; k < 3; ++k) {
        const auto [sw, sh] = plane_size(k420, k, r.shape.sw, r.shape.sh);
        const auto [w, h] = plane_size(k420, k, r.shape.dw, r.shape.dh);
        std::vector<uint8_t> frame(size_t{w} * h);
        BilinearZoom_c(nullptr, src.planes()[k].data(), frame.data(), sw, sh,
                       src.planes()[k].pitch(), w, h, w);
        const pft::GuardedPlane &out = dst.planes()[k], &old = before.planes()[k];
        int failures = 0;
        for (uint32_t y = 0; y < out.rows() && failures < 3; ++y) {
          for (uint32_t x = 0; x < out.width() && failures < 3; ++x) {
            const uint32_t j = y < h / 2 ? 2 * y : 2 * (y - h / 2) + 1;
            const uint8_t expected = x < w && y < h ? frame[size_t{j} * w + x] : old.at(x, y);
            if (out.at(x, y) != expected) {
              ++failures;
              ADD_FAILURE() << where << ": plane " << k << " at (" << x << ", " << y << ")";
            }
          }
        }
      }
    }
  }
}

}  // namespace
