// SPDX-License-Identifier: BSD-2-Clause
// Scalar temporal kernels: the temporal filter's 4 x 4 block blend, the weights of its SSE2
// kernel, and the seven UYVY-to-4:2:0 kernels with their recursive average.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "temporal/temporal.hpp"

namespace pf::temporal {
namespace {

// ---- The block blend ----

// Blocks that changed by 32 or less in total are noise: they take the previous output. From
// there the weight of the current picture grows with the change, and a block whose sum of
// differences reaches 64 passes unchanged.
void filter_blocks(uint8_t* cur, uint8_t* pre, int32_t width, int32_t height) {
  for (int32_t by = 0; by + 4 <= height; by += 4) {
    for (int32_t bx = 0; bx + 4 <= width; bx += 4) {
      const size_t origin = static_cast<size_t>(by) * static_cast<size_t>(width) + bx;
      int32_t sum = 0;
      for (int32_t r = 0; r < 4; ++r) {
        const size_t row = origin + static_cast<size_t>(r) * static_cast<size_t>(width);
        for (int32_t c = 0; c < 4; ++c) sum += std::abs(cur[row + c] - pre[row + c]);
      }
      const int32_t a = sum < 33 ? 0 : (sum >= 64 ? 1024 : 16 * sum);
      for (int32_t r = 0; r < 4; ++r) {
        const size_t row = origin + static_cast<size_t>(r) * static_cast<size_t>(width);
        for (int32_t c = 0; c < 4; ++c) {
          const auto o = static_cast<uint8_t>((pre[row + c] * (1024 - a) + cur[row + c] * a) >> 10);
          cur[row + c] = o;
          pre[row + c] = o;
        }
      }
    }
  }
}

// ---- The weight table ----

// e^-x by halving until the series converges fast, then squaring back; good to a few ulps,
// which is far finer than the table's integer steps.
constexpr double exp_neg(double x) {
  if (x > 60.0) return 0.0;
  int halvings = 0;
  while (x > 0.25) {
    x /= 2.0;
    ++halvings;
  }
  double term = 1.0, sum = 1.0;
  for (int n = 1; n < 24; ++n) {
    term *= -x / n;
    sum += term;
  }
  while (halvings-- > 0) sum *= sum;
  return sum;
}

// Row 10 starts on a measured curve that stays within one step of the Gaussian below.
constexpr uint8_t kRow10Head[13] = {255, 254, 250, 244, 236, 224, 212,
                                    200, 184, 170, 154, 138, 124};

// 255 e^(-i^2 / 2 sigma^2) rounded down, sigma = max(strength, 1), and at least 1 so that the
// previous output always keeps a trace of weight.
constexpr uint8_t gauss_weight(int strength, int i) {
  if (strength == 10 && i < 13) return kRow10Head[i];
  if (i == 0) return 255;
  const double sigma = strength < 1 ? 1.0 : strength;
  const auto v = static_cast<int>(255.0 * exp_neg(i * i / (2.0 * sigma * sigma)));
  return static_cast<uint8_t>(v < 1 ? 1 : v);
}

// ---- UYVY sources ----

constexpr size_t kSrcLineBytes = 1440;

struct Source {
  const uint8_t* base;
  int y(int line, int pixel) const {
    return base[static_cast<size_t>(line) * kSrcLineBytes + 2 * static_cast<size_t>(pixel) + 1];
  }
  // c = 0 for U, 2 for V; pair counts pixel pairs.
  int chroma(int line, int pair, int c) const {
    return base[static_cast<size_t>(line) * kSrcLineBytes + 4 * static_cast<size_t>(pair) +
                static_cast<size_t>(c)];
  }
};

int avg(int a, int b) { return (a + b + 1) >> 1; }

// Forms every sample of a w x h output with luma(src, line, x) and chroma(src, line, n, c) and
// passes it through the recursive average with the stored previous output.
template <class Luma, class Chroma>
void convert(tImgUYVYTo420AndTFInstance* inst, const uint8_t* src_bytes, uint8_t* dst, int w, int h,
             Luma luma, Chroma chroma) {
  const Source src{src_bytes};
  uint8_t* pre = inst->pu8PreYuv;
  size_t i = 0;
  for (int line = 0; line < h; ++line) {
    for (int x = 0; x < w; ++x, ++i) {
      dst[i] = recursive_average(static_cast<uint8_t>(luma(src, line, x)), pre[i]);
    }
  }
  for (int c = 0; c <= 2; c += 2) {
    for (int line = 0; line < h / 2; ++line) {
      for (int n = 0; n < w / 2; ++n, ++i) {
        dst[i] = recursive_average(static_cast<uint8_t>(chroma(src, line, n, c)), pre[i]);
      }
    }
  }
}

// Field-separated outputs: the upper field (even source lines) fills the first half of each
// plane, the lower field the second. Chroma of the lower field comes from line 4k + 2.
int field_luma_line(int line, int h) { return line < h / 2 ? 2 * line : 2 * (line - h / 2) + 1; }
int field_chroma_line(int line, int h) { return line < h / 4 ? 4 * line : 4 * (line - h / 4) + 2; }

// The nested [1 2 1] halving of the 352-wide members, over pixels 4n .. 4n + 4 of a pair.
int halve_luma(const Source& s, int line, int x) {
  const int p = 2 * x;
  return avg(avg(s.y(line, p), s.y(line, p + 1)), avg(s.y(line, p + 1), s.y(line, p + 2)));
}
int halve_chroma(const Source& s, int line, int n, int c) {
  const int q = 2 * n;
  return avg(avg(s.chroma(line, q, c), s.chroma(line, q + 1, c)),
             avg(s.chroma(line, q + 1, c), s.chroma(line, q + 2, c)));
}

// Box sums of the 112 x 96 and 96 x 80 members: a 4 x 4 luma box and four chroma pairs every
// `step` source pixels and lines.
template <int kStep>
int box_luma(const Source& s, int line, int x) {
  int sum = 0;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) sum += s.y(kStep * line + r, kStep * x + c);
  }
  return sum >> 4;
}
template <int kStep>
int box_chroma(const Source& s, int line, int n, int c) {
  int sum = 0;
  for (int k = 0; k < 4; ++k) sum += s.chroma(2 * kStep * line, kStep * n + k, c);
  return sum >> 2;
}

}  // namespace
}  // namespace pf::temporal

using pf::temporal::Source;

extern "C" {

#define PF_E8(s, i)                                                               \
  pf::temporal::gauss_weight(s, i), pf::temporal::gauss_weight(s, i + 1),         \
      pf::temporal::gauss_weight(s, i + 2), pf::temporal::gauss_weight(s, i + 3), \
      pf::temporal::gauss_weight(s, i + 4), pf::temporal::gauss_weight(s, i + 5), \
      pf::temporal::gauss_weight(s, i + 6), pf::temporal::gauss_weight(s, i + 7)
#define PF_ROW(s)                                                                     \
  {                                                                                   \
    PF_E8(s, 0), PF_E8(s, 8), PF_E8(s, 16), PF_E8(s, 24), PF_E8(s, 32), PF_E8(s, 40), \
        PF_E8(s, 48), PF_E8(s, 56)                                                    \
  }
constinit const uint8_t au8GuassDiff[30][64] = {
    PF_ROW(0),  PF_ROW(1),  PF_ROW(2),  PF_ROW(3),  PF_ROW(4),  PF_ROW(5),  PF_ROW(6),  PF_ROW(7),
    PF_ROW(8),  PF_ROW(9),  PF_ROW(10), PF_ROW(11), PF_ROW(12), PF_ROW(13), PF_ROW(14), PF_ROW(15),
    PF_ROW(16), PF_ROW(17), PF_ROW(18), PF_ROW(19), PF_ROW(20), PF_ROW(21), PF_ROW(22), PF_ROW(23),
    PF_ROW(24), PF_ROW(25), PF_ROW(26), PF_ROW(27), PF_ROW(28), PF_ROW(29),
};
#undef PF_ROW
#undef PF_E8

void Filterframe_c(tImgTemporalFilterInstance* ptInstance, uint8_t* pu8Cur, uint8_t* pu8Pre) {
  const int32_t aw = ptInstance->s32AlignedWidth, ah = ptInstance->s32AlignedHeight;
  const size_t luma = static_cast<size_t>(aw) * static_cast<size_t>(ah);
  pf::temporal::filter_blocks(pu8Cur, pu8Pre, aw, ah);
  pf::temporal::filter_blocks(pu8Cur + luma, pu8Pre + luma, aw / 2, ah / 2);
  pf::temporal::filter_blocks(pu8Cur + luma * 5 / 4, pu8Pre + luma * 5 / 4, aw / 2, ah / 2);
}

void UYVYD1FrameTo420D1FieldAndTF_c(PF_UYVYTF_KERNEL_ARGS) {
  pf::temporal::convert(
      ptInstance, pu8Src, pu8Dst, 720, 576,
      [](const Source& s, int line, int x) {
        return s.y(pf::temporal::field_luma_line(line, 576), x);
      },
      [](const Source& s, int line, int n, int c) {
        return s.chroma(pf::temporal::field_chroma_line(line, 576), n, c);
      });
}

void UYVYD1FrameTo4202CifFieldAndTF_c(PF_UYVYTF_KERNEL_ARGS) {
  pf::temporal::convert(
      ptInstance, pu8Src, pu8Dst, 352, 576,
      [](const Source& s, int line, int x) {
        return pf::temporal::halve_luma(s, pf::temporal::field_luma_line(line, 576), x);
      },
      [](const Source& s, int line, int n, int c) {
        return pf::temporal::halve_chroma(s, pf::temporal::field_chroma_line(line, 576), n, c);
      });
}

void UYVYD1FrameTo420CifFrameAndTF_c(PF_UYVYTF_KERNEL_ARGS) {
  pf::temporal::convert(
      ptInstance, pu8Src, pu8Dst, 352, 288,
      [](const Source& s, int line, int x) { return pf::temporal::halve_luma(s, 2 * line, x); },
      [](const Source& s, int line, int n, int c) {
        return pf::temporal::halve_chroma(s, 4 * line, n, c);
      });
}

void UYVYD1FrameTo420QCifFrameAndTF_c(PF_UYVYTF_KERNEL_ARGS) {
  pf::temporal::convert(
      ptInstance, pu8Src, pu8Dst, 176, 144,
      [](const Source& s, int line, int x) {
        const int l = 4 * line, p = 4 * x;
        return (s.y(l, p) + s.y(l, p + 1) + s.y(l, p + 2) + s.y(l, p + 3)) >> 2;
      },
      [](const Source& s, int line, int n, int c) {
        const int l = 8 * line, q = 4 * n;
        return (((s.chroma(l, q, c) + s.chroma(l, q + 1, c)) >> 1) +
                ((s.chroma(l, q + 2, c) + s.chroma(l, q + 3, c)) >> 1)) >>
               1;
      });
}

void UYVYD1FrameTo420NinethD1FrameAndTF_c(PF_UYVYTF_KERNEL_ARGS) {
  pf::temporal::convert(
      ptInstance, pu8Src, pu8Dst, 240, 192,
      [](const Source& s, int line, int x) {
        const int l = 3 * line, p = 3 * x;
        const int a = s.y(l, p), b = s.y(l, p + 1), c = s.y(l, p + 2);
        // Lines 6k carry chroma and get the rounded [1 2 1]; lines 6k + 3 the truncating
        // nested one.
        return line % 2 == 0 ? (a + 2 * b + c + 2) >> 2 : (((a + b) >> 1) + ((b + c) >> 1)) >> 1;
      },
      [](const Source& s, int line, int n, int c) {
        const int l = 6 * line, q = 3 * n;
        return (s.chroma(l, q, c) + 2 * s.chroma(l, q + 1, c) + s.chroma(l, q + 2, c) + 2) >> 2;
      });
}

void UYVYD1FrameTo420112x96FrameAndTF_c(PF_UYVYTF_KERNEL_ARGS) {
  pf::temporal::convert(ptInstance, pu8Src, pu8Dst, 112, 96, pf::temporal::box_luma<6>,
                        pf::temporal::box_chroma<6>);
}

void UYVYD1FrameTo42096x80FrameAndTF_c(PF_UYVYTF_KERNEL_ARGS) {
  pf::temporal::convert(ptInstance, pu8Src, pu8Dst, 96, 80, pf::temporal::box_luma<7>,
                        pf::temporal::box_chroma<7>);
}

}  // extern "C"
