// SPDX-License-Identifier: BSD-2-Clause
// Nearest-neighbour scaling, YUYV / NV12 / NV21 conversions and the packed and semi-planar
// bilinear scalers through the resizer against references written from their rules (the
// conversions also converted back), and the nearest column mapping worked out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
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

// The source picture inside the cut, as a reference reads it.
struct Source {
  const GuardedPicture& pic;
  tResizerGeometry g;
  uint32_t dst_type;
  // Component c at column x, line y of its own grid.
  int at(int c, uint32_t x, uint32_t y) const {
    const uint32_t vdiv = c == 0 ? 1 : pft::chroma_div_y(pic.yuv_type()), hdiv = c == 0 ? 1 : 2;
    return pft::sample(pic, c, g.u32CutLeft / hdiv + x, g.u32CutTop / vdiv + y);
  }
  // Byte b of line y of a packed source.
  int byte(uint32_t b, uint32_t y) const {
    return pic.planes()[0].at(2 * g.u32CutLeft + b, g.u32CutTop + y);
  }
};

// Same-size layout changes move every sample: luma line for line (even lines into field one and
// odd lines into field two of a field picture), chroma from the even line of each pair when the
// source has a chroma line per line (YUYV), and repeated on both lines of its pair when the
// destination has.
uint8_t converted(const Source& s, int c, int field, uint32_t x, uint32_t y) {
  const uint32_t sdiv = c == 0 ? 1 : pft::chroma_div_y(s.pic.yuv_type());
  const uint32_t ddiv = c == 0 ? 1 : pft::chroma_div_y(s.dst_type);
  const bool to_field = s.g.u32DstImageType == PF_IMAGE_FIELD;
  return static_cast<uint8_t>(s.at(c, x, to_field ? 2 * y + uint32_t(field) : y * ddiv / sdiv));
}

// Position of output sample i in 16.16: the step is (s - 1) / (d - 1) samples, but when its
// fraction is under 1/32 it becomes (s - 2) / (d - 1) starting half a sample in, so that integer
// ratios sample pixel centres. One sample in or out: position 0.
uint64_t position(uint32_t s, uint32_t d, uint32_t i) {
  if (s < 2 || d < 2) return 0;
  const uint64_t step = ((uint64_t{s} << 16) - 0x10000) / (d - 1);
  if ((step & 0xF800) != 0) return i * step;
  return 0x8000 + i * (((uint64_t{s} << 16) - 0x20000) / (d - 1));
}
uint32_t nearest_index(uint64_t p) { return static_cast<uint32_t>((p >> 16) + ((p >> 15) & 1)); }

uint8_t nearest(const Source& s, int c, int, uint32_t x, uint32_t y) {
  const uint32_t vdiv = c == 0 ? 1 : pft::chroma_div_y(s.pic.yuv_type()), hdiv = c == 0 ? 1 : 2;
  const tResizerGeometry& g = s.g;
  return static_cast<uint8_t>(
      s.at(c, nearest_index(position(g.u32SrcWidth / hdiv, g.u32DstWidth / hdiv, x)),
           nearest_index(position(g.u32SrcHeight / vdiv, g.u32DstHeight / vdiv, y))));
}

// NV12 scaled: luma and each chroma component on the nearest positions, weighted in eighths.
uint8_t semi_planar(const Source& s, int c, int, uint32_t x, uint32_t y) {
  const uint32_t div = c == 0 ? 1 : 2;
  const uint64_t px = position(s.g.u32SrcWidth / div, s.g.u32DstWidth / div, x);
  const uint64_t py = position(s.g.u32SrcHeight / div, s.g.u32DstHeight / div, y);
  const auto x0 = uint32_t(px >> 16), y0 = uint32_t(py >> 16);
  const int fx = int(px & 0xFFFF) >> 13, fy = int(py & 0xFFFF) >> 13;
  auto across = [&](uint32_t row) {
    return s.at(c, x0, row) * (8 - fx) + s.at(c, x0 + (fx != 0), row) * fx;
  };
  return uint8_t((across(y0) * (8192 - 1024 * fy) + across(y0 + (fy != 0)) * 1024 * fy + 32768) >>
                 16);
}

// YUYV scaled to YUYV or NV12. Steps ((sw - 3) / (dw - 1)) across, ((sh - 1) / (dh - 1)) down;
// weights in 64ths across and 1024ths (of 16ths) down. Output line j blends source line r with
// r + 1, but takes r alone when it is the last source line or when r == DH - 1. Chroma pairs sit
// at twice the luma step with weights of half the precision; NV12 chroma comes from the even
// lines and from the two chroma bytes after pixel p's luma byte (V first when p is odd).
uint8_t packed(const Source& s, int c, int, uint32_t x, uint32_t y) {
  const uint32_t sw = s.g.u32SrcWidth, sh = s.g.u32SrcHeight, dw = s.g.u32DstWidth;
  const uint32_t dh = s.g.u32DstHeight;
  const bool nv12 = s.dst_type == PF_YUV_NV12;
  const int64_t sx = std::max<int64_t>(0, ((int64_t{sw} << 16) - 0x30000) / (dw - 1));
  const int64_t sy = std::max<int64_t>(0, ((int64_t{sh} << 16) - 0x10000) / (dh - 1));
  const int64_t py = (nv12 && c != 0 ? 2 * y : y) * sy;
  const auto r = uint32_t(py >> 16), lower = (r == dh - 1 || r + 1 >= sh) ? r : r + 1;
  const int v = int((py >> 10) & 63) * 16;
  auto blend = [&](uint32_t a, uint32_t b, int h) {
    return uint8_t(((s.byte(a, r) * (64 - h) + s.byte(b, r) * h) * (1024 - v) +
                    (s.byte(a, lower) * (64 - h) + s.byte(b, lower) * h) * v + 32768) >>
                   16);
  };
  if (c == 0) {
    const auto p = uint32_t((x * sx) >> 16);
    return blend(2 * p, 2 * std::min(p + 1, sw - 1), int((x * sx) >> 10) & 63);
  }
  const int64_t px = 2 * x * sx;
  const int h = int(px >> 11) & 63;
  if (!nv12) {
    const auto k = uint32_t(px >> 17), o = c == 1 ? 1u : 3u;
    return blend(4 * k + o, 4 * std::min(k + 1, sw / 2 - 1) + o, h);
  }
  const auto p = uint32_t(px >> 16), first = 2 * p + 1 + ((c == 1) == (p % 2 == 1) ? 2 : 0);
  return blend(first, first + 4 < 2 * sw ? first + 4 : first, h);
}

using Reference = uint8_t (*)(const Source&, int, int, uint32_t, uint32_t);

struct PairCase {
  const char* name;
  uint32_t st, dt, di;
  tResizerKernel* pointer;  // what the resizer must choose
  Reference reference;
};

const tResizerExtension kNearest{PF_RESIZER_EXTENSION_MAGIC, PF_RESIZER_MODE_NEAREST};

// An accepted geometry: conversions are same size without borders, scalers have every border.
tImageResizerParam random_param(Rng& rng, const PairCase& c) {
  auto even = [&](int32_t hi) { return rng.range(0, hi / 2) * 2; };
  tImageResizerParam p{};
  p.u32SrcYuvType = c.st, p.u32DstYuvType = c.dt;
  p.u32SrcImageType = PF_IMAGE_FRAME, p.u32DstImageType = c.di;
  p.u32FillY = rng.below(256), p.u32FillU = rng.below(256), p.u32FillV = rng.below(256);
  p.pExtension = c.reference == nearest ? &kNearest : nullptr;
  if (c.reference == converted) {
    p.s32SrcWidth = p.s32DstWidth = 2 + even(38);
    p.s32SrcHeight = p.s32DstHeight = c.di == PF_IMAGE_FIELD ? 4 + 2 * even(14) : 2 + even(28);
    return p;
  }
  int32_t* const borders[] = {&p.s32CutTop,       &p.s32CutBottom,  &p.s32CutLeft,
                              &p.s32CutRight,     &p.s32FillTop,    &p.s32FillBottom,
                              &p.s32FillLeft,     &p.s32FillRight,  &p.s32OffsetTop,
                              &p.s32OffsetBottom, &p.s32OffsetLeft, &p.s32OffsetRight};
  for (int32_t* b : borders) *b = even(6);
  const int32_t sw = 4 + even(44), sh = 4 + even(36), dw = 2 + even(62), dh = 2 + even(46);
  p.s32SrcWidth = sw + p.s32CutLeft + p.s32CutRight;
  p.s32SrcHeight = sh + p.s32CutTop + p.s32CutBottom;
  // Nearest mode copies same-size pictures, so the width always differs.
  p.s32DstWidth = (dw == sw ? dw + 2 : dw) + p.s32FillLeft + p.s32FillRight + p.s32OffsetLeft +
                  p.s32OffsetRight;
  p.s32DstHeight = dh + p.s32FillTop + p.s32FillBottom + p.s32OffsetTop + p.s32OffsetBottom;
  return p;
}

using ResizerPairs = pft::ResizerRunTest;

TEST_F(ResizerPairs, RandomGeometriesMatchTheReferences) {
  constexpr uint32_t k420 = PF_YUV_420, kYuyv = PF_YUV_YUYV, kNv12 = PF_YUV_NV12;
  constexpr uint32_t kNv21 = PF_YUV_NV21, k422p = PF_YUV_422P;
  const PairCase cases[] = {
      {"YUYV->420", kYuyv, k420, 1, &YUYVtoYUV420Conversion, converted},
      {"420->YUYV", k420, kYuyv, 1, &YUV420toYUYVConversion, converted},
      {"420->NV12", k420, kNv12, 1, &YUV420toNV12Conversion, converted},
      {"420->NV21", k420, kNv21, 1, &YUV420toNV21Conversion, converted},
      {"NV12->420", kNv12, k420, 1, &NV12toYUV420Conversion, converted},
      {"NV21->420", kNv21, k420, 1, &NV21toYUV420Conversion, converted},
      {"NV12->NV21", kNv12, kNv21, 1, &NV12toNV21Conversion, converted},
      {"NV21->NV12", kNv21, kNv12, 1, &NV21toNV12Conversion, converted},
      {"NV12->420 field", kNv12, k420, 2, &FrametoFieldNV12to420, converted},
      {"NV21->420 field", kNv21, k420, 2, &FrametoFieldNV21to420, converted},
      {"YUYV->YUYV", kYuyv, kYuyv, 1, &BilinearframetoframeYUYVtoYUYV, packed},
      {"YUYV->NV12", kYuyv, kNv12, 1, &BilinearConverframetoframeYUYVtoNV12, packed},
      {"NV12->NV12", kNv12, kNv12, 1, &Bilinearframetoframe420SPto420SP, semi_planar},
      {"nearest 420", k420, k420, 1, &Nearestframetoframe420to420, nearest},
      {"nearest 422P", k422p, k422p, 1, &Nearestframetoframe422Pto422P, nearest},
  };
  for (const PairCase& c : cases) {
    for (uint64_t seed = 1; seed <= 20; ++seed) {
      Rng rng(seed);
      const tImageResizerParam p = random_param(rng, c);
      std::ostringstream where;
      where << c.name << " seed " << seed << " (" << p.s32SrcWidth << "x" << p.s32SrcHeight
            << " -> " << p.s32DstWidth << "x" << p.s32DstHeight << ")";
      SCOPED_TRACE(where.str());
      auto [src, dst] = pft::pictures_for(p, rng, 24);
      const GuardedPicture src_before = src, dst_before = dst;
      tResizerGeometry g{};
      const tResizerKernel chosen = run(p, src, dst, &g);
      EXPECT_EQ(chosen, *c.pointer);
      const Source in{src_before, g, c.dt};
      const GuardedPicture want =
          pft::expected_destination(dst_before, p, c.reference == converted ? int(c.di) : 1,
                                    [&](int comp, int field, uint32_t x, uint32_t y) {
                                      return c.reference(in, comp, field, x, y);
                                    });
      EXPECT_EQ(pft::first_difference({src_before, want}, {src, dst}), "");
      // Round trips: converted back, every conversion but the one dropping chroma lines (YUYV to
      // 4:2:0) gives the source back.
      if (c.reference != converted || c.di == PF_IMAGE_FIELD || c.st == PF_YUV_YUYV) continue;
      tImageResizerParam back_param = p;
      std::swap(back_param.u32SrcYuvType, back_param.u32DstYuvType);
      GuardedPicture back(c.st, src.width(), src.height(), rng, 24);
      const GuardedPicture back_before = back;
      run(back_param, dst, back);
      const GuardedPicture original = pft::expected_destination(
          back_before, back_param, 1, [&](int comp, int, uint32_t x, uint32_t y) {
            return pft::sample(src_before, comp, x, y);
          });
      EXPECT_EQ(pft::first_difference({original}, {back}), "") << "round trip";
    }
  }
}

// The source column each output column takes, read back through two passes over a plane whose
// columns carry their own index (low byte, then high byte).
std::vector<uint32_t> nearest_columns(uint32_t sw, uint32_t dw) {
  std::vector<uint32_t> columns(dw, 0);
  for (uint32_t shift : {0u, 8u}) {
    std::vector<uint8_t> src(size_t(sw) * 3), dst(size_t(dw) * 3);
    for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t((i % sw) >> shift);
    NearestZoom_c(src.data(), dst.data(), sw, 3, sw, dw, 3, dw);
    for (uint32_t i = 0; i < dw; ++i) columns[i] |= uint32_t(dst[i]) << shift;
  }
  return columns;
}

TEST(NearestZoom, ColumnMapping) {
  std::vector<uint32_t> odd_columns;
  for (uint32_t c = 1; c < 704; c += 2) odd_columns.push_back(c);
  struct Row {
    uint32_t sw, dw;
    std::vector<std::pair<uint32_t, uint32_t>> spots;  // (output column, source column)
  };
  const Row rows[] = {
      // Step 719/351 = 2.048 keeps its fraction: from column 0, rounding from half up.
      {720, 352, {{0, 0}, {1, 2}, {12, 25}, {175, 358}, {350, 717}, {351, 719}}},
      // Same size takes the half-pixel rule too; 2 -> 9 steps by 1/8 from column 0.
      {5, 5, {{0, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}},
      {2, 9, {{0, 0}, {3, 0}, {4, 1}, {8, 1}}},
  };
  // Step exactly 2: half a pixel in, every position on a half, rounded up to the odd column.
  EXPECT_EQ(nearest_columns(704, 352), odd_columns);
  for (const Row& row : rows) {
    const std::vector<uint32_t> got = nearest_columns(row.sw, row.dw);
    for (const auto& [out, in] : row.spots) {
      EXPECT_EQ(got[out], in) << row.sw << " -> " << row.dw << ", column " << out;
    }
  }
}

}  // namespace
