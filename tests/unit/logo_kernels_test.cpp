// SPDX-License-Identifier: BSD-2-Clause
// Every logo kernel, through ImgLogoProcessPrivate_c, against a model written pixel by pixel:
// random logo and background sizes, positions, cuts, alpha and blend mode, planes surrounded by
// canary bytes and with pitch slack. Outside the logo nothing may change, and neither may the
// logo or its alpha.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "guarded.hpp"
#include "img_logo.h"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;

enum class Kind { kSame, kQuarter, kSixteenth, kHalfHori, kBilinear };

struct KernelCase {
  const char* name;
  tLogoKernel* pointer;
  uint32_t yuv;
  bool field;
  Kind kind;
};

const KernelCase kCases[] = {
    {"AddLogo420Frame", &AddLogo420Frame, PF_YUV_420, false, Kind::kSame},
    {"AddLogo420Field", &AddLogo420Field, PF_YUV_420, true, Kind::kSame},
    {"AddQuarterLogo420Frame", &AddQuarterLogo420Frame, PF_YUV_420, false, Kind::kQuarter},
    {"AddSixteenthLogo420Frame", &AddSixteenthLogo420Frame, PF_YUV_420, false, Kind::kSixteenth},
    {"AddHalfHoriLogo420Field", &AddHalfHoriLogo420Field, PF_YUV_420, true, Kind::kHalfHori},
    {"AddLogo422Frame", &AddLogo422Frame, PF_YUV_UYVY, false, Kind::kSame},
    {"AddLogo422Frame (YUYV)", &AddLogo422Frame, PF_YUV_YUYV, false, Kind::kSame},
    {"AddLogo422Field", &AddLogo422Field, PF_YUV_UYVY, true, Kind::kSame},
    {"AddLogo422Frame_sclae", &AddLogo422Frame_sclae, PF_YUV_UYVY, false, Kind::kBilinear},
    {"AddLogo422Frame_sclae (YUYV)", &AddLogo422Frame_sclae, PF_YUV_YUYV, false, Kind::kBilinear},
    {"AddBilinearLogo420Frame", &AddBilinearLogo420Frame, PF_YUV_420, false, Kind::kBilinear},
    {"AddBilinearLogo420Field", &AddBilinearLogo420Field, PF_YUV_420, true, Kind::kBilinear},
    {"AddLogoNV12Frame", &AddLogoNV12Frame, PF_YUV_NV12, false, Kind::kSame},
    {"AddLogoNV12Field", &AddLogoNV12Field, PF_YUV_NV12, true, Kind::kSame},
    {"AddQuarterLogoNV12Frame", &AddQuarterLogoNV12Frame, PF_YUV_NV12, false, Kind::kQuarter},
    {"AddSixteenthLogoNV12Frame", &AddSixteenthLogoNV12Frame, PF_YUV_NV12, false, Kind::kSixteenth},
    {"AddHalfHoriLogoNV12Field", &AddHalfHoriLogoNV12Field, PF_YUV_NV12, true, Kind::kHalfHori},
    {"AddBilinearLogoNV12Frame", &AddBilinearLogoNV12Frame, PF_YUV_NV12, false, Kind::kBilinear},
    {"AddBilinearLogoNV12Field", &AddBilinearLogoNV12Field, PF_YUV_NV12, true, Kind::kBilinear},
};

// A plane with canaries on every side and random slack in its pitch.
pft::GuardedPlane make_plane(size_t width, size_t rows, pft::Rng& rng) {
  return pft::GuardedPlane(uint32_t(width), uint32_t(rows), uint32_t(width + rng.below(9)), rng);
}

uint8_t mix(uint8_t logo, uint8_t bg, uint8_t alpha, bool paste) {
  if (paste) return logo;
  if (alpha == 255) return bg;
  return uint8_t(((255 - alpha) * logo + alpha * bg) >> 8);
}

int floor_to(int64_t v, int64_t m) { return int(std::max<int64_t>(0, v) / m * m); }

// Picture row of relative row j: frames in display order, field pictures with the rows of the
// second field after the first. `rows` is the plane's height, `top` its frame row of j = 0.
size_t storage_row(bool field, size_t rows, int top, int j) {
  if (!field) return size_t(top + j);
  return size_t(j % 2) * (rows / 2) + size_t(top / 2 + j / 2);
}

// The bilinear rule, in eighths: the 16-bit fraction's top three bits, or rounded to nearest.
int eighth(int64_t pos, bool rounded) {
  const int64_t f = pos & 0xFFFF;
  return int(rounded ? ((f << 16) + 0x10000000) >> 29 : f >> 13);
}

// Logo sample at 16.16 position (px, py), where get(col, row) reads the sample.
template <class Get>
uint8_t interpolate(Get get, int64_t px, int64_t py, bool rounded) {
  const int64_t x = px >> 16, y = py >> 16;
  const int fx = eighth(px, rounded), fy = eighth(py, rounded);
  auto row = [&](int64_t r) { return get(x, r) * (8 - fx) + (fx ? get(x + 1, r) * fx : 0); };
  const int r0 = row(y), r1 = fy ? row(y + 1) : 0;
  if (rounded) return uint8_t((r0 * (8 - fy) + r1 * fy) >> 6);
  return uint8_t((r0 * (8 - fy) * 1024 + r1 * fy * 1024) >> 16);
}

int64_t step(int64_t src, int64_t out) { return out > 1 ? ((src << 16) - 65536) / (out - 1) : 0; }

struct Scene {
  tLogoParam p{};
  Bytes logo, alpha;
  std::vector<pft::GuardedPlane> planes;  // Y, U, V (NV12: Y, pairs; packed: one)
};

// A random logo of `c.kind` on a random background, within what the checks accept.
Scene make_scene(const KernelCase& c, pft::Rng& rng) {
  Scene s;
  tLogoParam& p = s.p;
  const bool packed = c.yuv == PF_YUV_UYVY || c.yuv == PF_YUV_YUYV;
  p.s32BgWidth = 8 * rng.range(2, 8);
  p.s32BgHeight = 4 * rng.range(2, 10);
  // Logo pixels per picture pixel across and down.
  const int rx = c.kind == Kind::kQuarter || c.kind == Kind::kHalfHori ? 2
                 : c.kind == Kind::kSixteenth                          ? 4
                                                                       : 1;
  const int ry = c.kind == Kind::kQuarter ? 2 : c.kind == Kind::kSixteenth ? 4 : 1;
  p.s32FgRefWidth = p.s32BgWidth * rx;
  p.s32FgRefHeight = p.s32BgHeight * ry;
  if (c.kind == Kind::kBilinear) {
    // Any other size, bigger or smaller, that no picking kernel takes.
    do {
      p.s32FgRefWidth = 8 * rng.range(1, 16);
      p.s32FgRefHeight = 4 * rng.range(1, 24);
    } while ((p.s32FgRefWidth == p.s32BgWidth && p.s32FgRefHeight == p.s32BgHeight) ||
             p.s32FgRefWidth == 2 * p.s32BgWidth || p.s32FgRefWidth == 4 * p.s32BgWidth);
  }
  p.u32BgYuvType = p.u32FgYuvType = c.yuv;
  p.u32ImageType =
      c.field ? PF_IMAGE_FIELD : (rng.chance(50) ? PF_IMAGE_FRAME : PF_IMAGE_INTERLACED);
  p.u8BlendMode = rng.chance(20) ? 255 : uint8_t(rng.below(255));
  p.u32ScanMode = rng.chance(50) ? PF_LOGO_SCAN_SCROLL : 0;
  p.s32FgWidth = 2 * rng.range(1, std::max(1, p.s32FgRefWidth * 3 / 4 / 2));
  p.s32FgHeight = 2 * rng.range(1, std::max(1, p.s32FgRefHeight * 3 / 4 / 2));
  p.s32FgTop = 2 * rng.range(0, p.s32BgHeight / 2);
  p.s32FgLeft = 2 * rng.range(0, p.s32BgWidth / 2);
  const int64_t vw = int64_t(p.s32FgWidth) * p.s32BgWidth / p.s32FgRefWidth;
  const int64_t vh = int64_t(p.s32FgHeight) * p.s32BgHeight / p.s32FgRefHeight;
  if (rng.chance(60)) {
    p.s32LeftCut = rng.range(0, int(vw / 3));
    p.s32RightCut = rng.range(0, int(vw / 3));
    p.s32TopCut = 2 * rng.range(0, int(vh / 6));
    p.s32BottomCut = 2 * rng.range(0, int(vh / 6));
  }
  const size_t w = size_t(p.s32FgWidth), h = size_t(p.s32FgHeight);
  s.logo.resize(packed ? 2 * w * h : w * h * 3 / 2);
  s.alpha.resize(packed ? 2 * w * h : w * h * 5 / 4);
  for (auto& b : s.logo) b = rng.byte();
  for (auto& a : s.alpha) a = rng.chance(30) ? 255 : rng.chance(30) ? 0 : rng.byte();
  p.pu8FgData = s.logo.data();
  p.pu8FgAlpha = s.alpha.data();
  const size_t bw = size_t(p.s32BgWidth), bh = size_t(p.s32BgHeight);
  if (packed) {
    s.planes.push_back(make_plane(2 * bw, bh, rng));
  } else if (c.yuv == PF_YUV_NV12) {
    s.planes.push_back(make_plane(bw, bh, rng));
    s.planes.push_back(make_plane(bw, bh / 2, rng));
  } else {
    s.planes.push_back(make_plane(bw, bh, rng));
    s.planes.push_back(make_plane(bw / 2, bh / 2, rng));
    // U and V share the record's one chroma pitch.
    s.planes.emplace_back(uint32_t(bw / 2), uint32_t(bh / 2), s.planes[1].pitch(), rng);
  }
  return s;
}

// The model: which logo sample each background sample takes, from the kernel's description.
void model(const KernelCase& c, Scene& s) {
  const tLogoParam& p = s.p;
  const bool paste = p.u8BlendMode == 255;
  const bool packed = c.yuv == PF_YUV_UYVY || c.yuv == PF_YUV_YUYV;
  const bool nv12 = c.yuv == PF_YUV_NV12;
  const int fw = p.s32FgWidth, fh = p.s32FgHeight;
  const uint8_t* logo = s.logo.data();
  const uint8_t* alpha = s.alpha.data();
  const size_t bh = size_t(p.s32BgHeight);
  // Chroma planes of the logo: U, V (or pairs) after luma; chroma alpha after luma alpha.
  const uint8_t* lu = logo + fw * fh;
  const uint8_t* lv = lu + (fw / 2) * (fh / 2);
  const uint8_t* ca = alpha + fw * fh;
  auto put_chroma = [&](int jc, int col, uint8_t u, uint8_t v, uint8_t a) {
    const int ctop = c.field ? p.s32FgTop / 4 * 2 : p.s32FgTop / 2;  // frame-row form
    const size_t row =
        c.field ? size_t(jc % 2) * (bh / 4) + size_t(p.s32FgTop / 4 + jc / 2) : size_t(ctop + jc);
    if (nv12) {
      uint8_t& du = s.planes[1].at(size_t(2 * col), row);
      uint8_t& dv = s.planes[1].at(size_t(2 * col + 1), row);
      if (paste || a != 255) du = mix(u, du, a, paste), dv = mix(v, dv, a, paste);
    } else {
      uint8_t& du = s.planes[1].at(size_t(col), row);
      uint8_t& dv = s.planes[2].at(size_t(col), row);
      du = mix(u, du, a, paste), dv = mix(v, dv, a, paste);
    }
  };

  if (c.kind == Kind::kBilinear) {
    const int64_t wo = int64_t(fw) * p.s32BgWidth / p.s32FgRefWidth;
    const int64_t ho = int64_t(fh) * p.s32BgHeight / p.s32FgRefHeight;
    const int vis_w = floor_to(
        std::min<int64_t>(wo - p.s32LeftCut - p.s32RightCut, p.s32BgWidth - p.s32FgLeft), 2);
    const int vis_h = floor_to(
        std::min<int64_t>(ho - p.s32TopCut - p.s32BottomCut, p.s32BgHeight - p.s32FgTop), 2);
    if (vis_w < 1 || vis_h < 1) return;
    const int64_t sx = step(fw, wo), sy = step(fh, ho);
    if (packed) {
      const bool uyvy = c.yuv == PF_YUV_UYVY;
      const int64_t sxc = step(fw / 2, wo / 2);
      for (int j = 0; j < vis_h; ++j) {
        const int64_t py = int64_t(p.s32TopCut + j) * sy;
        for (int k = 0; k < 2 * vis_w; ++k) {
          const int64_t b = 2 * int64_t(p.s32LeftCut) + k;  // byte of the scaled logo row
          const bool luma = (b % 2 == 1) == uyvy;
          auto get = [&](const uint8_t* src) {
            return [=](int64_t col, int64_t row) -> int {
              const int64_t byte = luma ? 2 * col + b % 2 : 4 * col + b % 4;
              return src[row * 2 * fw + byte];
            };
          };
          const int64_t px = luma ? (b / 2) * sx : std::min<int64_t>(b / 4, wo / 2 - 1) * sxc;
          const uint8_t a = interpolate(get(alpha), px, py, true);
          const uint8_t l = interpolate(get(logo), px, py, true);
          uint8_t& d = s.planes[0].at(size_t(2 * p.s32FgLeft + k), size_t(p.s32FgTop + j));
          d = mix(l, d, a, paste);
        }
      }
      return;
    }
    for (int j = 0; j < vis_h; ++j) {
      const int64_t py = int64_t(p.s32TopCut + j) * sy;
      for (int k = 0; k < vis_w; ++k) {
        const int64_t px = int64_t(p.s32LeftCut + k) * sx;
        auto luma = [&](const uint8_t* src) {
          return [=](int64_t col, int64_t row) -> int { return src[row * fw + col]; };
        };
        const uint8_t a = interpolate(luma(alpha), px, py, false);
        uint8_t& d =
            s.planes[0].at(size_t(p.s32FgLeft + k), storage_row(c.field, bh, p.s32FgTop, j));
        d = mix(interpolate(luma(logo), px, py, false), d, a, paste);
      }
    }
    const int64_t sxc = step(fw / 2, wo / 2), syc = step(fh / 2, ho / 2);
    const int crows = c.field ? vis_h / 4 * 2 : vis_h / 2;
    for (int jc = 0; jc < crows; ++jc) {
      const int64_t py = int64_t(p.s32TopCut / 2 + jc) * syc;
      for (int k = 0; k < vis_w / 2; ++k) {
        const int64_t px = int64_t(p.s32LeftCut / 2 + k) * sxc;
        auto plane = [&](const uint8_t* src, int comps, int comp) {
          return [=](int64_t col, int64_t row) -> int {
            return src[row * (fw / 2) * comps + col * comps + comp];
          };
        };
        const uint8_t a = interpolate(plane(ca, 1, 0), px, py, false);
        const uint8_t u = nv12 ? interpolate(plane(lu, 2, 0), px, py, false)
                               : interpolate(plane(lu, 1, 0), px, py, false);
        const uint8_t v = nv12 ? interpolate(plane(lu, 2, 1), px, py, false)
                               : interpolate(plane(lv, 1, 0), px, py, false);
        put_chroma(jc, p.s32FgLeft / 2 + k, u, v, a);
      }
    }
    return;
  }

  // Picking kernels: ratio across and down, phase of the first column, rounding of the counts.
  int rx = 1, ry = 1, phase = 0, round_cols = 4, round_rows = 1, chroma_rows_step = 1;
  if (c.kind == Kind::kQuarter) rx = ry = 2, phase = 1, round_rows = 4, chroma_rows_step = 2;
  if (c.kind == Kind::kSixteenth) rx = ry = 4, round_cols = 8, round_rows = 8, chroma_rows_step = 2;
  if (c.kind == Kind::kHalfHori) rx = 2, phase = 1;
  const int lc = rx * p.s32LeftCut, tc = ry * p.s32TopCut;
  const int cols = floor_to(std::min(fw - rx * (p.s32LeftCut + p.s32RightCut),
                                     rx * (p.s32BgWidth - p.s32FgLeft)),
                            round_cols) /
                   rx;
  int rows = floor_to(std::min(fh - ry * (p.s32TopCut + p.s32BottomCut),
                               ry * (p.s32BgHeight - p.s32FgTop)),
                      round_rows) /
             ry;
  if (c.field) rows &= ~1;
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      const int lrow = tc + ry * i, lcol = lc + phase + rx * j;
      const size_t row = storage_row(c.field, bh, p.s32FgTop, i);
      if (packed) {
        for (int b = 0; b < 2; ++b) {
          const int at = lrow * 2 * fw + 2 * lcol + b;
          uint8_t& d = s.planes[0].at(size_t(2 * (p.s32FgLeft + j) + b), row);
          d = mix(logo[at], d, alpha[at], paste);
        }
      } else {
        uint8_t& d = s.planes[0].at(size_t(p.s32FgLeft + j), row);
        d = mix(logo[lrow * fw + lcol], d, alpha[lrow * fw + lcol], paste);
      }
    }
  }
  if (packed) return;
  const int crows = c.field ? rows / 4 * 2 : rows / 2;
  for (int jc = 0; jc < crows; ++jc) {
    for (int k = 0; k < cols / 2; ++k) {
      const int lrow = tc / 2 + chroma_rows_step * jc, lcol = lc / 2 + phase + rx * k;
      const int at = lrow * (fw / 2) + lcol;
      if (nv12) {
        put_chroma(jc, p.s32FgLeft / 2 + k, lu[2 * at], lu[2 * at + 1], ca[at]);
      } else {
        put_chroma(jc, p.s32FgLeft / 2 + k, lu[at], lv[at], ca[at]);
      }
    }
  }
}

class LogoKernels : public pft::VmemTest {};

TEST_F(LogoKernels, EveryKernelMatchesTheModel) {
  pft::Rng rng(20261206);
  for (const KernelCase& c : kCases) {
    int drawn = 0;
    for (int round = 0; round < 60; ++round) {
      Scene s = make_scene(c, rng);
      tLogoKernel chosen = nullptr;
      if (CheckLogoParam(&s.p, &chosen) != 0) continue;  // cuts beyond the scaled logo
      ++drawn;
      SCOPED_TRACE(testing::Message()
                   << c.name << " round " << round << ": bg " << s.p.s32BgWidth << "x"
                   << s.p.s32BgHeight << " ref " << s.p.s32FgRefWidth << "x" << s.p.s32FgRefHeight
                   << " logo " << s.p.s32FgWidth << "x" << s.p.s32FgHeight << " at "
                   << s.p.s32FgLeft << "," << s.p.s32FgTop << " cuts " << s.p.s32LeftCut << ","
                   << s.p.s32RightCut << "," << s.p.s32TopCut << "," << s.p.s32BottomCut << " mode "
                   << int(s.p.u8BlendMode));
      ASSERT_EQ(chosen, *c.pointer) << "another kernel was chosen";
      const Bytes logo = s.logo, alpha = s.alpha;
      Scene expected = s;
      model(c, expected);
      void* h = nullptr;
      ASSERT_EQ(ImgLogoOpen_c(&h, &s.p, mem()), 0u);
      tImgPicture pic{};
      pic.pu8Y = s.planes[0].data();
      pic.u32YPitch = s.planes[0].pitch();
      if (s.planes.size() > 1) pic.pu8U = s.planes[1].data(), pic.u32UVPitch = s.planes[1].pitch();
      if (s.planes.size() > 2) pic.pu8V = s.planes[2].data();
      int context = 0;
      EXPECT_EQ(ImgLogoProcessPrivate_c(h, &pic, &context), 0u);
      EXPECT_EQ(ImgLogoClose_c(h), 0u);
      for (size_t i = 0; i < s.planes.size(); ++i) {
        const pft::ByteView got = s.planes[i].raw();
        const pft::ByteView want = expected.planes[i].raw();
        const auto diff = std::mismatch(got.begin(), got.end(), want.begin());
        if (diff.first != got.end()) {
          ADD_FAILURE() << "plane " << i << " differs "
                        << s.planes[i].describe(size_t(diff.first - got.begin())) << ": "
                        << int(*diff.first) << " instead of " << int(*diff.second);
          break;
        }
      }
      EXPECT_EQ(s.logo, logo);
      EXPECT_EQ(s.alpha, alpha);
      if (HasFailure()) return;
    }
    EXPECT_GE(drawn, 40) << c.name << ": too few scenes passed the checks";
  }
}

}  // namespace
