// SPDX-License-Identifier: BSD-2-Clause
// Nearest-neighbour scaling, YUYV / NV12 / NV21 conversions and the packed and semi-planar
// bilinear scalers, through the resizer and through their kernels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "guarded.hpp"
#include "img_resizer.h"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using pft::GuardedPicture;
using pft::Rng;

// Tightly packed planes, and how each plane of a YUV type maps luma pixels.
struct Plane {
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> px;
  uint8_t& at(uint32_t x, uint32_t y) { return px[size_t(y) * w + x]; }
  uint8_t at(uint32_t x, uint32_t y) const { return px[size_t(y) * w + x]; }
};
using Pic = std::vector<Plane>;
struct Form {
  uint32_t bytes_per_2px, row_div;
};

std::vector<Form> forms_of(uint32_t type) {
  switch (type) {
    case PF_YUV_420:
      return {{2, 1}, {1, 2}, {1, 2}};
    case PF_YUV_422P:
      return {{2, 1}, {1, 1}, {1, 1}};
    case PF_YUV_NV12:
    case PF_YUV_NV21:
      return {{2, 1}, {2, 2}};
    default:
      return {{4, 1}};  // packed
  }
}

Pic blank(uint32_t type, uint32_t w, uint32_t h) {
  Pic pic;
  for (const Form& f : forms_of(type)) {
    const uint32_t pw = w * f.bytes_per_2px / 2, ph = h / f.row_div;
    pic.push_back({pw, ph, std::vector<uint8_t>(size_t(pw) * ph)});
  }
  return pic;
}

// The w x h region of a guarded picture that starts `left` pixels and `top` lines in.
Pic crop(const GuardedPicture& g, uint32_t left, uint32_t top, uint32_t w, uint32_t h) {
  Pic pic = blank(g.yuv_type(), w, h);
  const auto forms = forms_of(g.yuv_type());
  for (size_t i = 0; i < pic.size(); ++i) {
    const uint32_t x0 = left * forms[i].bytes_per_2px / 2, y0 = top / forms[i].row_div;
    for (uint32_t y = 0; y < pic[i].h; ++y) {
      for (uint32_t x = 0; x < pic[i].w; ++x) pic[i].at(x, y) = g.planes()[i].at(x0 + x, y0 + y);
    }
  }
  return pic;
}

// ---- references, written from the scaling and layout rules ----

struct Step {
  uint32_t step, start;
};
Step ref_step(uint32_t s, uint32_t d) {
  if (d < 2) return {0, 0};  // one output sample: it takes sample 0
  const uint32_t step = ((s << 16) - 0x10000) / (d - 1);
  if ((step & 0xF800) != 0) return {step, 0};
  return {((s << 16) - 0x20000) / (d - 1), 0x8000};
}
uint32_t ref_round(uint32_t p) { return ((p >> 12) & 0xF) >= 8 ? (p >> 16) + 1 : p >> 16; }

Pic ref_nearest(const Pic& s, uint32_t, uint32_t, uint32_t dw, uint32_t dh) {
  Pic d;
  for (size_t i = 0; i < s.size(); ++i) {
    const uint32_t pw = i == 0 ? dw : dw / 2, ph = s[i].h < s[0].h ? dh / 2 : dh;
    Plane out{pw, ph, std::vector<uint8_t>(size_t(pw) * ph)};
    const Step sx = ref_step(s[i].w, pw), sy = ref_step(s[i].h, ph);
    for (uint32_t y = 0; y < ph; ++y) {
      for (uint32_t x = 0; x < pw; ++x) {
        out.at(x, y) =
            s[i].at(ref_round(sx.start + x * sx.step), ref_round(sy.start + y * sy.step));
      }
    }
    d.push_back(out);
  }
  return d;
}

// YUYV -> 4:2:0 takes chroma from the even line of each pair and drops the odd line's.
Pic ref_yuyv_to_420(const Pic& s, uint32_t w, uint32_t h, uint32_t, uint32_t) {
  Pic d = blank(PF_YUV_420, w, h);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) d[0].at(x, y) = s[0].at(2 * x, y);
    for (uint32_t i = 0; i < w / 2 && y % 2 == 0; ++i) {
      d[1].at(i, y / 2) = s[0].at(4 * i + 1, y), d[2].at(i, y / 2) = s[0].at(4 * i + 3, y);
    }
  }
  return d;
}

// 4:2:0 -> YUYV repeats each chroma line on both lines of its pair.
Pic ref_420_to_yuyv(const Pic& s, uint32_t w, uint32_t h, uint32_t, uint32_t) {
  Pic d = blank(PF_YUV_YUYV, w, h);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < 2 * w; ++x) {
      const uint32_t i = x / 4, b = x % 4;
      d[0].at(x, y) = b % 2 == 0 ? s[0].at(x / 2, y) : s[b == 1 ? 1 : 2].at(i, y / 2);
    }
  }
  return d;
}

// Semi-planar chroma pairs hold U V (NV12) or V U (NV21).
template <bool kNv21>
Pic ref_nv_to_420(const Pic& s, uint32_t w, uint32_t h, uint32_t, uint32_t) {
  Pic d = blank(PF_YUV_420, w, h);
  d[0] = s[0];
  for (uint32_t x = 0; x < s[1].w; ++x) {
    for (uint32_t k = 0; k < h / 2; ++k)
      d[(x % 2 == 0) != kNv21 ? 1 : 2].at(x / 2, k) = s[1].at(x, k);
  }
  return d;
}

template <bool kNv21>
Pic ref_420_to_nv(const Pic& s, uint32_t w, uint32_t h, uint32_t, uint32_t) {
  Pic d = blank(PF_YUV_NV12, w, h);
  d[0] = s[0];
  for (uint32_t x = 0; x < d[1].w; ++x) {
    for (uint32_t k = 0; k < h / 2; ++k)
      d[1].at(x, k) = s[(x % 2 == 0) != kNv21 ? 1 : 2].at(x / 2, k);
  }
  return d;
}

Pic ref_swap_nv(const Pic& s, uint32_t, uint32_t, uint32_t, uint32_t) {
  Pic d = s;
  for (size_t i = 0; i + 1 < d[1].px.size(); i += 2) std::swap(d[1].px[i], d[1].px[i + 1]);
  return d;
}

// Frame to field picture: even rows of every plane to its first half, odd rows to its second.
template <bool kNv21>
Pic ref_nv_to_420_field(const Pic& s, uint32_t w, uint32_t h, uint32_t, uint32_t) {
  Pic d = ref_nv_to_420<kNv21>(s, w, h, w, h);
  for (Plane& p : d) {
    const Plane frame = p;
    for (uint32_t y = 0; y < p.h; ++y) {
      std::memcpy(&p.at(0, (y % 2) * (p.h / 2) + y / 2), &frame.px[size_t(y) * p.w], p.w);
    }
  }
  return d;
}

// YUYV scaled to YUYV or NV12: 6-bit horizontal, 10-bit vertical weights.
template <bool kNv12>
Pic ref_packed(const Pic& s, uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh) {
  Pic d = blank(kNv12 ? PF_YUV_NV12 : PF_YUV_YUYV, dw, dh);
  const int32_t sx = std::max(0, (int32_t(sw << 16) - 0x30000) / int32_t(dw - 1));
  const int32_t sy = std::max(0, (int32_t(sh << 16) - 0x10000) / int32_t(dh - 1));
  for (uint32_t j = 0; j < dh; ++j) {
    const int32_t py = int32_t(j) * sy, v = ((py >> 10) & 63) * 16;
    const uint32_t r = uint32_t(py >> 16), lo = (r == dh - 1 || r + 1 >= sh) ? r : r + 1;
    auto sample = [&](uint32_t a, uint32_t b, int32_t h) {
      return uint8_t(((s[0].at(a, r) * (64 - h) + s[0].at(b, r) * h) * (1024 - v) +
                      (s[0].at(a, lo) * (64 - h) + s[0].at(b, lo) * h) * v + 32768) >>
                     16);
    };
    for (uint32_t i = 0; i < dw; ++i) {
      const int32_t px = int32_t(i) * sx;
      const uint32_t c = uint32_t(px >> 16);
      d[0].at(kNv12 ? i : 2 * i, j) = sample(2 * c, 2 * std::min(c + 1, sw - 1), (px >> 10) & 63);
    }
    for (uint32_t k = 0; k < dw / 2; ++k) {
      const int32_t px = int32_t(2 * k) * sx, wc = (px >> 11) & 63;
      if (!kNv12) {
        const uint32_t c = uint32_t(px >> 17), c1 = std::min(c + 1, sw / 2 - 1);
        d[0].at(4 * k + 1, j) = sample(4 * c + 1, 4 * c1 + 1, wc);
        d[0].at(4 * k + 3, j) = sample(4 * c + 3, 4 * c1 + 3, wc);
      } else if (j % 2 == 0) {
        // The bytes after the luma byte of pixel s: V then U when s is odd.
        const uint32_t sp = uint32_t(px >> 16), first = 2 * sp + 1;
        auto next = [&](uint32_t o) { return o + 4 < 2 * sw ? o + 4 : o; };
        const uint8_t a = sample(first, next(first), wc),
                      b = sample(first + 2, next(first + 2), wc);
        d[1].at(2 * k, j / 2) = sp % 2 ? b : a;
        d[1].at(2 * k + 1, j / 2) = sp % 2 ? a : b;
      }
    }
  }
  return d;
}

// NV12 scaled: luma and each chroma component of the pairs with eighth-pixel weights.
uint8_t eighths(const Plane& p, uint32_t stride, uint32_t comp, uint32_t x, uint32_t y) {
  const uint32_t c = x >> 16, fx = (x & 0xFFFF) >> 13, r = y >> 16, fy = (y & 0xFFFF) >> 13;
  const uint32_t c1 = fx ? c + 1 : c, r1 = fy ? r + 1 : r;
  const uint32_t a = p.at(stride * c + comp, r) * (8 - fx) + p.at(stride * c1 + comp, r) * fx;
  const uint32_t b = p.at(stride * c + comp, r1) * (8 - fx) + p.at(stride * c1 + comp, r1) * fx;
  return uint8_t((a * (8192 - fy * 1024) + b * fy * 1024 + 32768) >> 16);
}

Pic ref_nv12_scaled(const Pic& s, uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh) {
  Pic d = blank(PF_YUV_NV12, dw, dh);
  for (size_t i = 0; i < 2; ++i) {
    const uint32_t div = i == 0 ? 1 : 2, stride = i == 0 ? 1 : 2;
    const Step x = ref_step(sw / div, dw / div), y = ref_step(sh / div, dh / div);
    for (uint32_t row = 0; row < d[i].h; ++row) {
      for (uint32_t col = 0; col < d[i].w; ++col) {
        d[i].at(col, row) = eighths(s[i], stride, col % stride, x.start + (col / stride) * x.step,
                                    y.start + row * y.step);
      }
    }
  }
  return d;
}

// ---- a destination after Process: offsets as before, fill in colour, picture as expected ----

uint8_t fill_byte(uint32_t type, size_t plane, uint32_t x, const tImageResizerParam& p) {
  const uint8_t y = uint8_t(p.u32FillY), u = uint8_t(p.u32FillU), v = uint8_t(p.u32FillV);
  if (type == PF_YUV_YUYV) return x % 2 == 0 ? y : (x % 4 == 1 ? u : v);
  if (plane == 0) return y;
  if (type == PF_YUV_NV12 || type == PF_YUV_NV21)
    return (x % 2 == 0) != (type == PF_YUV_NV21) ? u : v;
  return plane == 1 ? u : v;
}

std::string check_destination(const GuardedPicture& dst, const Pic& before,
                              const tImageResizerParam& p, const Pic& expected) {
  const auto forms = forms_of(dst.yuv_type());
  const int32_t dw =
      p.s32DstWidth - p.s32OffsetLeft - p.s32OffsetRight - p.s32FillLeft - p.s32FillRight;
  const int32_t dh =
      p.s32DstHeight - p.s32OffsetTop - p.s32OffsetBottom - p.s32FillTop - p.s32FillBottom;
  for (size_t i = 0; i < forms.size(); ++i) {
    auto bx = [&](int32_t px) { return uint32_t(px) * forms[i].bytes_per_2px / 2; };
    auto by = [&](int32_t rows) { return uint32_t(rows) / forms[i].row_div; };
    const uint32_t x0 = bx(p.s32OffsetLeft), x1 = x0 + bx(p.s32FillLeft), x2 = x1 + bx(dw);
    const uint32_t y0 = by(p.s32OffsetTop), y1 = y0 + by(p.s32FillTop), y2 = y1 + by(dh);
    const uint32_t x3 = x2 + bx(p.s32FillRight), y3 = y2 + by(p.s32FillBottom);
    for (uint32_t y = 0; y < before[i].h; ++y) {
      for (uint32_t x = 0; x < before[i].w; ++x) {
        const bool painted = x >= x0 && x < x3 && y >= y0 && y < y3;
        const bool picture = x >= x1 && x < x2 && y >= y1 && y < y2;
        const uint8_t want = picture   ? expected[i].at(x - x1, y - y1)
                             : painted ? fill_byte(dst.yuv_type(), i, x, p)
                                       : before[i].at(x, y);
        if (dst.planes()[i].at(x, y) != want) {
          std::ostringstream out;
          out << (picture   ? "picture"
                  : painted ? "fill"
                            : "offset")
              << " byte of plane " << i << " at (" << x << ", " << y << ") is "
              << int(dst.planes()[i].at(x, y)) << ", expected " << int(want);
          return out.str();
        }
      }
    }
  }
  return {};
}

// ---- random accepted geometries for every pair these kernels serve ----

struct PairCase {
  const char* name;
  uint32_t st, dt, di;
  bool conversion;  // same size, no cut, offset or fill
  bool nearest;
  tResizerKernel* pointer;  // what the resizer must choose
  Pic (*reference)(const Pic&, uint32_t, uint32_t, uint32_t, uint32_t);
};

const tResizerExtension kNearest{PF_RESIZER_EXTENSION_MAGIC, PF_RESIZER_MODE_NEAREST};

tImageResizerParam random_param(Rng& rng, const PairCase& c) {
  auto even = [&](int32_t hi) { return rng.range(0, hi / 2) * 2; };
  tImageResizerParam p{};
  p.u32SrcYuvType = c.st, p.u32DstYuvType = c.dt;
  p.u32SrcImageType = PF_IMAGE_FRAME, p.u32DstImageType = c.di;
  p.u32FillY = rng.below(256), p.u32FillU = rng.below(256), p.u32FillV = rng.below(256);
  p.pExtension = c.nearest ? &kNearest : nullptr;
  if (c.conversion) {
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

class ResizerPairs : public pft::VmemTest {};

TEST_F(ResizerPairs, RandomGeometriesMatchReferences) {
  const PairCase cases[] = {
      {"YUYV->420", PF_YUV_YUYV, PF_YUV_420, 1, true, false, &YUYVtoYUV420Conversion,
       ref_yuyv_to_420},
      {"420->YUYV", PF_YUV_420, PF_YUV_YUYV, 1, true, false, &YUV420toYUYVConversion,
       ref_420_to_yuyv},
      {"420->NV12", PF_YUV_420, PF_YUV_NV12, 1, true, false, &YUV420toNV12Conversion,
       ref_420_to_nv<false>},
      {"420->NV21", PF_YUV_420, PF_YUV_NV21, 1, true, false, &YUV420toNV21Conversion,
       ref_420_to_nv<true>},
      {"NV12->420", PF_YUV_NV12, PF_YUV_420, 1, true, false, &NV12toYUV420Conversion,
       ref_nv_to_420<false>},
      {"NV21->420", PF_YUV_NV21, PF_YUV_420, 1, true, false, &NV21toYUV420Conversion,
       ref_nv_to_420<true>},
      {"NV12->NV21", PF_YUV_NV12, PF_YUV_NV21, 1, true, false, &NV12toNV21Conversion, ref_swap_nv},
      {"NV21->NV12", PF_YUV_NV21, PF_YUV_NV12, 1, true, false, &NV21toNV12Conversion, ref_swap_nv},
      {"NV12->420 field", PF_YUV_NV12, PF_YUV_420, 2, true, false, &FrametoFieldNV12to420,
       ref_nv_to_420_field<false>},
      {"NV21->420 field", PF_YUV_NV21, PF_YUV_420, 2, true, false, &FrametoFieldNV21to420,
       ref_nv_to_420_field<true>},
      {"YUYV->YUYV", PF_YUV_YUYV, PF_YUV_YUYV, 1, false, false, &BilinearframetoframeYUYVtoYUYV,
       ref_packed<false>},
      {"YUYV->NV12", PF_YUV_YUYV, PF_YUV_NV12, 1, false, false,
       &BilinearConverframetoframeYUYVtoNV12, ref_packed<true>},
      {"NV12->NV12", PF_YUV_NV12, PF_YUV_NV12, 1, false, false, &Bilinearframetoframe420SPto420SP,
       ref_nv12_scaled},
      {"nearest 420", PF_YUV_420, PF_YUV_420, 1, false, true, &Nearestframetoframe420to420,
       ref_nearest},
      {"nearest 422P", PF_YUV_422P, PF_YUV_422P, 1, false, true, &Nearestframetoframe422Pto422P,
       ref_nearest},
  };
  for (const PairCase& c : cases) {
    for (uint64_t seed = 1; seed <= 20; ++seed) {
      Rng rng(seed);
      const tImageResizerParam p = random_param(rng, c);
      std::ostringstream where;
      where << c.name << " seed " << seed << " (" << p.s32SrcWidth << "x" << p.s32SrcHeight
            << " -> " << p.s32DstWidth << "x" << p.s32DstHeight << ")";
      SCOPED_TRACE(where.str());
      void* handle = nullptr;
      ASSERT_EQ(ImageResizerOpen_c(&handle, &p, mem()), 0u);
      EXPECT_EQ(static_cast<tImageResizerInstance*>(handle)->pfnKernel, *c.pointer);
      const tResizerGeometry g = static_cast<tImageResizerInstance*>(handle)->tGeometry;
      GuardedPicture src(c.st, uint32_t(p.s32SrcWidth), uint32_t(p.s32SrcHeight), rng, 24);
      GuardedPicture dst(c.dt, uint32_t(p.s32DstWidth), uint32_t(p.s32DstHeight), rng, 24);
      const GuardedPicture src_before = src;
      const Pic before = crop(dst, 0, 0, dst.width(), dst.height());
      tImgPicture s = src.record(), d = dst.record();
      EXPECT_EQ(ImageResizerProcess_c(handle, &s, &d), 0u);
      EXPECT_EQ(ImageResizerClose_c(handle), 0u);

      EXPECT_EQ(dst.check_guards(), "");
      for (size_t i = 0; i < src.planes().size(); ++i) {
        EXPECT_TRUE(src.planes()[i].raw() == src_before.planes()[i].raw()) << "source changed";
      }
      const Pic expected =
          c.reference(crop(src, g.u32CutLeft, g.u32CutTop, g.u32SrcWidth, g.u32SrcHeight),
                      g.u32SrcWidth, g.u32SrcHeight, g.u32DstWidth, g.u32DstHeight);
      EXPECT_EQ(check_destination(dst, before, p, expected), "");
    }
  }
}

// ---- the kernels called directly ----

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
    std::vector<uint32_t> expected;  // empty: the reference decides
  } rows[] = {
      {704, 352, odd_columns},  // step exactly 2: half-pixel start, every fraction rounds up
      {5, 5, {1, 1, 2, 3, 4}},  // same size takes the half-pixel rule too
      {720, 352, {}},          {352, 720, {}}, {176, 720, {}}, {2, 9, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.sw) + " -> " + std::to_string(row.dw));
    std::vector<uint32_t> expected = row.expected;
    const Step s = ref_step(row.sw, row.dw);
    for (uint32_t i = 0; row.expected.empty() && i < row.dw; ++i) {
      expected.push_back(ref_round(s.start + i * s.step));
    }
    const std::vector<uint32_t> got = nearest_columns(row.sw, row.dw);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got.back(), row.sw - 1) << "the last column maps to the last source column";
  }
}

// Calls a kernel and checks that it gave back the geometry and both records unchanged.
void call_restoring(tResizerKernel kernel, tResizerGeometry g, tImgPicture s, tImgPicture d) {
  const tResizerGeometry g0 = g;
  const tImgPicture s0 = s, d0 = d;
  kernel(nullptr, &g, &s, &d);
  EXPECT_EQ(std::memcmp(&g0, &g, sizeof g), 0) << "geometry not restored";
  EXPECT_EQ(std::memcmp(&s0, &s, sizeof s), 0) << "source record not restored";
  EXPECT_EQ(std::memcmp(&d0, &d, sizeof d), 0) << "destination record not restored";
}

tResizerGeometry sizes(uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh) {
  tResizerGeometry g{};
  g.u32SrcWidth = sw, g.u32SrcHeight = sh, g.u32DstWidth = dw, g.u32DstHeight = dh;
  return g;
}

TEST(PackedKernels, SemiPlanarRoundTripsGiveBackTheBytes) {
  struct Trip {
    const char* name;
    uint32_t from, via;
    tResizerKernel there, back;
  } trips[] = {
      {"NV12->NV21->NV12", PF_YUV_NV12, PF_YUV_NV21, NV12toNV21Conversion_c,
       NV21toNV12Conversion_c},
      {"NV21->NV12->NV21", PF_YUV_NV21, PF_YUV_NV12, NV21toNV12Conversion_c,
       NV12toNV21Conversion_c},
      {"420->NV12->420", PF_YUV_420, PF_YUV_NV12, YUV420toNV12Conversion_c,
       NV12toYUV420Conversion_c},
      {"420->NV21->420", PF_YUV_420, PF_YUV_NV21, YUV420toNV21Conversion_c,
       NV21toYUV420Conversion_c},
  };
  Rng rng(7);
  const uint32_t w = 18, h = 10;
  for (const Trip& t : trips) {
    SCOPED_TRACE(t.name);
    GuardedPicture a(t.from, w, h, rng, 8), b(t.via, w, h, rng, 8), c(t.from, w, h, rng, 8);
    call_restoring(t.there, sizes(w, h, w, h), a.record(), b.record());
    call_restoring(t.back, sizes(w, h, w, h), b.record(), c.record());
    const Pic pa = crop(a, 0, 0, w, h), pc = crop(c, 0, 0, w, h);
    for (size_t i = 0; i < pa.size(); ++i) EXPECT_TRUE(pa[i].px == pc[i].px) << "plane " << i;
    EXPECT_EQ(b.check_guards() + c.check_guards(), "");
  }
}

// Odd sizes and tiny planes, called directly: the source planes are exactly sized so that the
// sanitizer build catches any read past them, the destination is guarded against writes.
TEST(PackedKernels, OddSizesStayInsideThePictures) {
  struct Row {
    const char* name;
    uint32_t st, dt;
    tResizerKernel kernel;
    uint32_t sw, sh, dw, dh;
  } rows[] = {
      {"YUYV->420", PF_YUV_YUYV, PF_YUV_420, YUYVtoYUV420Conversion_c, 10, 5, 10, 5},
      {"420->YUYV", PF_YUV_420, PF_YUV_YUYV, YUV420toYUYVConversion_c, 10, 5, 10, 5},
      {"420->NV12", PF_YUV_420, PF_YUV_NV12, YUV420toNV12Conversion_c, 10, 7, 10, 7},
      {"NV21->420", PF_YUV_NV21, PF_YUV_420, NV21toYUV420Conversion_c, 10, 7, 10, 7},
      {"NV12->NV21", PF_YUV_NV12, PF_YUV_NV21, NV12toNV21Conversion_c, 10, 7, 10, 7},
      {"NV12->420 field", PF_YUV_NV12, PF_YUV_420, FrametoFieldNV12to420_c, 10, 6, 10, 6},
      {"YUYV up", PF_YUV_YUYV, PF_YUV_YUYV, BilinearframetoframeYUYVtoYUYV_c, 6, 4, 14, 11},
      {"YUYV down", PF_YUV_YUYV, PF_YUV_YUYV, BilinearframetoframeYUYVtoYUYV_c, 30, 21, 9, 7},
      {"YUYV 2 wide", PF_YUV_YUYV, PF_YUV_YUYV, BilinearframetoframeYUYVtoYUYV_c, 2, 2, 8, 5},
      {"YUYV->NV12 up", PF_YUV_YUYV, PF_YUV_NV12, YUYVtoNV12ConversionAndBilinear_c, 6, 4, 14, 11},
      {"YUYV->NV12 edge", PF_YUV_YUYV, PF_YUV_NV12, YUYVtoNV12ConversionAndBilinear_c, 8, 4, 12, 4},
      {"NV12 scaled", PF_YUV_NV12, PF_YUV_NV12, Bilinearframetoframe420SPto420SP_c, 6, 6, 2, 2},
      {"nearest 420", PF_YUV_420, PF_YUV_420, Nearestframetoframe420to420_c, 2, 2, 14, 9},
      {"nearest 422P", PF_YUV_422P, PF_YUV_422P, Nearestframetoframe422Pto422P_c, 16, 9, 6, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Rng rng(3);
    std::vector<std::vector<uint8_t>> planes;
    for (const Plane& p : blank(r.st, r.sw, r.sh)) {
      planes.emplace_back(p.px.size());
      for (auto& b : planes.back()) b = rng.byte();
    }
    // Pitches in the record's units: pixels for YUYV, bytes otherwise (w for luma and NV chroma).
    tImgPicture s{planes[0].data(), nullptr, nullptr, r.sw, 0, 0, 0};
    if (planes.size() == 3)
      s = {planes[0].data(), planes[1].data(), planes[2].data(), r.sw, r.sw / 2, 0, 0};
    const bool nv21 = r.st == PF_YUV_NV21;
    if (planes.size() == 2)
      s = {planes[0].data(), planes[1].data() + nv21, planes[1].data() + !nv21, r.sw, r.sw, 0, 0};
    GuardedPicture dst(r.dt, r.dw, r.dh, rng, 6);
    call_restoring(r.kernel, sizes(r.sw, r.sh, r.dw, r.dh), s, dst.record());
    EXPECT_EQ(dst.check_guards(), "");
  }
}

}  // namespace
