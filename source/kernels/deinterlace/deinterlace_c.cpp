// SPDX-License-Identifier: BSD-2-Clause
// The deinterlace kernels in scalar form: they define every result, and their drivers carry the
// SIMD variants too.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "deinterlace/deinterlace.hpp"

namespace pf::deint {
namespace {

constexpr int h(int v) { return (v + 1) >> 1; }
constexpr int avg(int a, int b) { return (a + b + 1) >> 1; }
constexpr int median(int a, int b, int c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Line buffer layout, in lines of `width` bytes: M(j) alternates between lines 0 and 1, D(j)
// between 2 and 3, E(j) rotates through 4..7 (E(k - 1), E(k) and E(k + 1) are all read in one
// step), dir(j) alternates between 8 and 9.
enum Line : int { kM = 0, kD = 2, kE = 4, kDir = 8 };
constexpr uint8_t kNoComb = 16;  // E before any step wrote it: lean toward interpolation

template <bool kDirectional>
void measure(const Step& s, int32_t x0, int32_t x1) {
  const int32_t last = s.width - 1;
  for (int32_t x = x0; x < x1; ++x) {
    const int a0 = s.a0[x], a1 = s.a1[x], a2 = s.a2[x];
    const int b0 = s.b0[x], b1 = s.b1[x], b2 = s.b2[x];
    const int around_a = avg(a0, a2), around_b = avg(b0, b2);
    const int da = std::abs(a1 - around_a), db = std::abs(b1 - around_b);
    s.m_new[x] = static_cast<uint8_t>(std::min(16, h(h(h(h(da + db))))));
    const int pa = h(h(a1) + around_a), pb = h(h(b1) + around_b);
    s.d_new[x] = static_cast<int8_t>((pa - pb) >> 1);  // arithmetic: floor of the half
    int e = h(std::max(0, std::abs(b1 - avg(a1, a2)) - std::max(da, db)));
    if constexpr (kDirectional) {
      const int right = std::min(x + 1, last);
      const int t = h(avg(a1, s.a1[right]) + avg(a2, s.a2[right]));
      e = std::max(e, std::abs(s.history[x] - t));
      s.history[x] = static_cast<uint8_t>(t);
      // Scores compared in steps of 8; the tag breaks ties toward vertical, then +1, -1, +2, -2.
      auto key = [&](int d, int tag) {
        const int up = std::clamp(x + d, 0, last), down = std::clamp(x - d, 0, last);
        return (std::abs(a1 - avg(s.a0[up], s.a2[down])) & ~7) + tag;
      };
      const int k0 = key(0, 0), kp1 = key(1, 2), km1 = key(-1, 3);
      int dir = 0;
      if (std::min(kp1, km1) < k0) {
        const int kp2 = key(2, 4), km2 = key(-2, 5);
        const int best = std::min({kp1, km1, kp2, km2});
        dir = best == kp1 ? 1 : best == km1 ? -1 : best == kp2 ? 2 : -2;
      }
      s.dir_new[x] = static_cast<int8_t>(dir);
    }
    s.e_new[x] = static_cast<uint8_t>(e);
  }
}

template <bool kDirectional>
void blend(const Step& s, int32_t x0, int32_t x1) {
  const int32_t last = s.width - 1;
  for (int32_t x = x0; x < x1; ++x) {
    int interp = avg(s.a0[x], s.a1[x]);
    if constexpr (kDirectional) {
      if (x >= 1 && x < last) {
        const int sum = s.dir_cur[x - 1] + 2 * s.dir_cur[x] + s.dir_cur[x + 1] + s.dir_new[x - 1] +
                        2 * s.dir_new[x] + s.dir_new[x + 1];
        const int ds = sum / 8;  // toward zero
        interp = avg(s.a0[std::clamp(x + ds, 0, last)], s.a1[std::clamp(x - ds, 0, last)]);
      }
    }
    const int b = s.b0[x];
    const int v = std::clamp(h(b + interp) + s.d_cur[x], 0, 255);
    const int m = s.m_cur[x];
    const int inner = (b * m + (16 - m) * v) >> 4;
    const int left = s.e_cur[std::max(x - 1, 0)], right = s.e_cur[std::min(x + 1, last)];
    const int w = std::min(16, h(s.e_cur[x] + h(h(left + right) + h(s.e_prev[x] + s.e_new[x]))));
    s.out[x] = static_cast<uint8_t>((interp * w + (16 - w) * inner) >> 4);
  }
}

void measure_plain_row(const Step& s) { measure<false>(s, 0, s.width); }
void blend_plain_row(const Step& s) { blend<false>(s, 0, s.width); }
void measure_directional_row(const Step& s) { measure<true>(s, 0, s.width); }
void blend_directional_row(const Step& s) { blend<true>(s, 0, s.width); }

constexpr BlendPasses kPlainPasses{measure_plain_row, blend_plain_row};
constexpr BlendPasses kDirectionalPasses{measure_directional_row, blend_directional_row};

void copy_line(const uint8_t* src, uint8_t* dst, int32_t width) {
  if (src != dst) std::memcpy(dst, src, static_cast<size_t>(width));
}

// One chroma plane of Wc x Hc: each field-B line becomes the median of itself and the field-A
// lines around it.
void chroma_median(uint8_t* plane, int32_t width, int32_t height, ptrdiff_t stride, bool fields,
                   MedianRow row) {
  const int32_t pairs = height / 2;
  for (int32_t i = 0; i < pairs; ++i) {
    const bool last = i == pairs - 1;
    uint8_t* above;
    uint8_t* line;
    uint8_t* below;
    if (fields) {
      above = plane + i * stride;
      line = plane + (pairs + i) * stride;
      below = last ? above : above + stride;
    } else {
      above = plane + 2 * i * stride;
      line = above + stride;
      below = last ? above : line + stride;
    }
    row(above, line, below, width);
  }
}

bool comb_holds(int s1, int s2, int s3, int s4, CombRule rule) {
  if (rule == CombRule::kSimple) return s1 + s2 > s3 + s4;
  return std::min(s1, s2) > std::min(s3, s4) && ((s1 + s2) >> 1) - 16 > (s3 + s4) >> 1;
}

}  // namespace

void measure_plain(const Step& step, int32_t x0, int32_t x1) { measure<false>(step, x0, x1); }
void measure_directional(const Step& step, int32_t x0, int32_t x1) { measure<true>(step, x0, x1); }
void blend_plain(const Step& step, int32_t x0, int32_t x1) { blend<false>(step, x0, x1); }
void blend_directional(const Step& step, int32_t x0, int32_t x1) { blend<true>(step, x0, x1); }

void field_blend(const uint8_t* src_a, const uint8_t* src_b, ptrdiff_t src_step, uint8_t* dst_a,
                 uint8_t* dst_b, ptrdiff_t dst_step, int32_t width, int32_t height,
                 uint8_t* line_buf, uint8_t* history, const BlendPasses& passes) {
  const int32_t n = height / 2;
  if (width <= 0 || n <= 0) return;
  const auto w = static_cast<size_t>(width);
  auto line = [&](int index) { return line_buf + static_cast<size_t>(index) * w; };
  std::memset(line(kM), 0, 4 * w);  // M(0) = D(0) = 0
  std::memset(line(kE), kNoComb, 4 * w);
  // dir(0) is vertical: no step of this call has found a direction above the first pair.
  if (history != nullptr) std::memset(line(kDir), 0, 2 * w);

  auto a = [&](int32_t k) { return src_a + std::min(k, n - 1) * src_step; };
  auto b = [&](int32_t k) { return src_b + std::min(k, n - 1) * src_step; };
  Step s{};
  s.width = width;
  s.vec_begin = 2;
  s.vec_end = width < 20 ? 2 : 2 + (width - 4) / 16 * 16;
  for (int32_t k = 0; k + 1 < n; ++k) {
    s.a0 = a(k), s.a1 = a(k + 1), s.a2 = a(k + 2);
    s.b0 = b(k), s.b1 = b(k + 1), s.b2 = b(k + 2);
    s.m_new = line(kM + (k + 1) % 2);
    s.d_new = reinterpret_cast<int8_t*>(line(kD + (k + 1) % 2));
    s.e_new = line(kE + (k + 1) % 4);
    s.m_cur = line(kM + k % 2);
    s.d_cur = reinterpret_cast<const int8_t*>(line(kD + k % 2));
    s.e_cur = line(kE + k % 4);
    s.e_prev = line(kE + (k + 3) % 4);
    if (history != nullptr) {
      s.history = history + static_cast<size_t>(k) * w;
      s.dir_new = reinterpret_cast<int8_t*>(line(kDir + (k + 1) % 2));
      s.dir_cur = reinterpret_cast<const int8_t*>(line(kDir + k % 2));
    }
    s.out = dst_b + k * dst_step;
    passes.measure(s);
    passes.blend(s);
    copy_line(s.a0, dst_a + k * dst_step, width);
  }
  copy_line(a(n - 1), dst_a + (n - 1) * dst_step, width);
  copy_line(b(n - 1), dst_b + (n - 1) * dst_step, width);
}

void median_row(const uint8_t* above, uint8_t* line, const uint8_t* below, int32_t width) {
  for (int32_t x = 0; x < width; ++x)
    line[x] = static_cast<uint8_t>(median(above[x], line[x], below[x]));
}

uint32_t blend_picture(tImgDeinterlaceInstance& inst, uint8_t* y, uint8_t* u, uint8_t* v,
                       const BlendPasses& passes, MedianRow median_pass, bool temporal) {
  const int32_t width = inst.s32Width, height = inst.s32Height;
  const ptrdiff_t stride = inst.s32YStride, uv_stride = inst.s32UVStride;
  const bool fields = inst.s32FrameType == PF_DEINTERLACE_FIELDS;
  uint8_t* second = fields ? y + height * stride / 2 : y + stride;
  const ptrdiff_t step = fields ? stride : 2 * stride;
  field_blend(y, second, step, y, second, step, width, height, inst.pu8LineBuf,
              temporal ? inst.pu8PreFieldBuf : nullptr, passes);
  chroma_median(u, width / 2, height / 2, uv_stride, fields, median_pass);
  chroma_median(v, width / 2, height / 2, uv_stride, fields, median_pass);
  return 0;
}

void comb_group(const uint8_t* p, uint8_t* c, const uint8_t* n, const uint8_t* n2, int32_t count,
                CombRule rule) {
  int s1 = 0, s2 = 0, s3 = 0, s4 = 0;
  for (int32_t i = 0; i < count; ++i) {
    s1 += std::abs(p[i] - c[i]);
    s2 += std::abs(c[i] - n[i]);
    s3 += std::abs(c[i] - n2[i]);
    s4 += std::abs(p[i] - n[i]);
  }
  if (!comb_holds(s1, s2, s3, s4, rule)) return;
  for (int32_t i = 0; i < count; ++i) c[i] = static_cast<uint8_t>(avg(p[i], n[i]));
}

}  // namespace pf::deint

extern "C" {

void Deinterlace_c(uint8_t* pu8Plane, int32_t s32Width, int32_t s32Height, int32_t s32Stride) {
  if (pu8Plane == nullptr || s32Width <= 0 || s32Height / 2 < 3) return;
  const ptrdiff_t stride = s32Stride;
  // Odd lines 1 .. height - 5: the last two odd lines have no N2 below them to compare with.
  for (int32_t l = 1; l <= s32Height - 5; l += 2) {
    uint8_t* c = pu8Plane + l * stride;
    for (int32_t x = 0; x < s32Width; x += 8) {
      pf::deint::comb_group(c - stride + x, c + x, c + stride + x, c + 2 * stride + x,
                            std::min(8, s32Width - x), pf::deint::CombRule::kMargin);
    }
  }
}

void Deinterlace3_c(const uint8_t* pu8SrcA, const uint8_t* pu8SrcB, int32_t s32SrcStep,
                    uint8_t* pu8DstA, uint8_t* pu8DstB, int32_t s32DstStep, int32_t s32Width,
                    int32_t s32Height, uint8_t* pu8LineBuf) {
  if (pu8SrcA == nullptr || pu8SrcB == nullptr || pu8DstA == nullptr || pu8DstB == nullptr ||
      pu8LineBuf == nullptr)
    return;
  pf::deint::field_blend(pu8SrcA, pu8SrcB, s32SrcStep, pu8DstA, pu8DstB, s32DstStep, s32Width,
                         s32Height, pu8LineBuf, nullptr, pf::deint::kPlainPasses);
}

void Deinterlace4_c(const uint8_t* pu8SrcA, const uint8_t* pu8SrcB, int32_t s32SrcStep,
                    uint8_t* pu8DstA, uint8_t* pu8DstB, int32_t s32DstStep, int32_t s32Width,
                    int32_t s32Height, uint8_t* pu8LineBuf, uint8_t* pu8PreField) {
  if (pu8SrcA == nullptr || pu8SrcB == nullptr || pu8DstA == nullptr || pu8DstB == nullptr ||
      pu8LineBuf == nullptr || pu8PreField == nullptr)
    return;
  pf::deint::field_blend(pu8SrcA, pu8SrcB, s32SrcStep, pu8DstA, pu8DstB, s32DstStep, s32Width,
                         s32Height, pu8LineBuf, pu8PreField, pf::deint::kDirectionalPasses);
}

uint32_t DeinterlaceMode1_c(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y, uint8_t* pu8U,
                            uint8_t* pu8V) {
  const tImgDeinterlaceInstance& inst = *ptInstance;
  Deinterlace_c(pu8Y, inst.s32Width, inst.s32Height, inst.s32YStride);
  Deinterlace_c(pu8U, inst.s32Width / 2, inst.s32Height / 2, inst.s32UVStride);
  Deinterlace_c(pu8V, inst.s32Width / 2, inst.s32Height / 2, inst.s32UVStride);
  return 0;
}

uint32_t DeinterlaceMode2_c(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y, uint8_t* pu8U,
                            uint8_t* pu8V) {
  const tImgDeinterlaceInstance& inst = *ptInstance;
  const int32_t width = inst.s32Width, height = inst.s32Height;
  const ptrdiff_t stride = inst.s32YStride, uv_stride = inst.s32UVStride;
  const auto w = static_cast<size_t>(width), wc = static_cast<size_t>(width / 2);
  // memmove: a chroma stride below the chroma width (which the record allows) makes lines
  // overlap, and the copy must stay defined then.
  if (inst.s32FrameType == PF_DEINTERLACE_FIELDS) {
    const int32_t n = height / 2, nc = height / 4;
    for (int32_t i = 0; i < n; ++i) std::memmove(pu8Y + (n + i) * stride, pu8Y + i * stride, w);
    for (uint8_t* plane : {pu8U, pu8V}) {
      for (int32_t i = 0; i < nc; ++i)
        std::memmove(plane + (nc + i) * uv_stride, plane + i * uv_stride, wc);
    }
  } else {
    for (int32_t i = 0; i < height / 2; ++i)
      std::memmove(pu8Y + (2 * i + 1) * stride, pu8Y + 2 * i * stride, w);
    for (uint8_t* plane : {pu8U, pu8V}) {
      for (int32_t i = 0; 2 * i < height / 2; ++i)
        std::memmove(plane + (2 * i + 1) * uv_stride, plane + 2 * i * uv_stride, wc);
    }
  }
  return 0;
}

uint32_t DeinterlaceMode3_c(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y, uint8_t* pu8U,
                            uint8_t* pu8V) {
  return pf::deint::blend_picture(*ptInstance, pu8Y, pu8U, pu8V, pf::deint::kPlainPasses,
                                  pf::deint::median_row, false);
}

uint32_t DeinterlaceMode4_c(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y, uint8_t* pu8U,
                            uint8_t* pu8V) {
  return pf::deint::blend_picture(*ptInstance, pu8Y, pu8U, pu8V, pf::deint::kDirectionalPasses,
                                  pf::deint::median_row, true);
}

}  // extern "C"
