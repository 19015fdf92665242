// SPDX-License-Identifier: BSD-2-Clause
// The 16:9 adaptation kernels: a horizontal 4-to-3 squeeze between side bars for 4:2:0 field
// pictures, and a vertical 6-to-8 stretch of the middle lines for packed 4:2:2 frames.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "img_adapt_16vs9.h"

namespace pf::adapt {
namespace {

constexpr int kWidth = PF_ADAPT_16VS9_WIDTH;
constexpr int kPalLines = 576;
constexpr int kNtscLines = 480;

uint8_t average(uint8_t p, uint8_t q) { return static_cast<uint8_t>((p + q + 1) >> 1); }

// Squeezes `lines` lines of `width` samples in place: a quarter of the width goes to bars of
// `bar`, an eighth on each side, and every four samples in between become three. A line buffer
// is needed because the squeezed samples land ahead of samples not yet read.
void squeeze_lines(uint8_t* plane, int width, int lines, uint8_t bar) {
  const int side = width / 8;
  uint8_t line[kWidth];
  for (int y = 0; y < lines; ++y) {
    uint8_t* row = plane + static_cast<std::ptrdiff_t>(y) * width;
    std::memset(line, bar, static_cast<size_t>(side));
    uint8_t* out = line + side;
    for (int x = 0; x < width; x += 4, out += 3) {
      out[0] = average(row[x], row[x + 1]);
      out[1] = average(row[x + 1], row[x + 2]);
      out[2] = average(row[x + 2], row[x + 3]);
    }
    std::memset(out, bar, static_cast<size_t>(side));
    std::memcpy(row, line, static_cast<size_t>(width));
  }
}

void squeeze_picture(uint8_t* y, uint8_t* u, uint8_t* v, int lines) {
  squeeze_lines(y, kWidth, lines, PF_ADAPT_16VS9_LUMA_BAR);
  squeeze_lines(u, kWidth / 2, lines / 2, PF_ADAPT_16VS9_CHROMA_BAR);
  squeeze_lines(v, kWidth / 2, lines / 2, PF_ADAPT_16VS9_CHROMA_BAR);
}

// Stretches the middle three quarters of a packed frame of `lines` lines to its full height, in
// place. Each half is built from the picture's edge towards the middle: the upper half top-down
// from source line m, the lower half bottom-up from source line lines - m - 1, mirrored. An
// output line is never above (below) the source lines its group still has to read, so every
// line is computed from the original picture. The halves share no line.
void stretch_frame(uint8_t* picture, int lines) {
  constexpr size_t kLineBytes = 2 * kWidth;
  const int m = lines / 8;
  const int groups = (lines / 2 - m) / 6;
  // dir = +1: upper half, line k of a group is first + k; dir = -1: lower half, mirrored.
  for (const int dir : {1, -1}) {
    const int first_out = dir > 0 ? 0 : lines - 1;
    const int first_src = dir > 0 ? m : lines - m - 1;
    auto line = [&](int index) {
      return picture + static_cast<std::ptrdiff_t>(index) * kLineBytes;
    };
    for (int g = 0; g < groups; ++g) {
      const int a = first_src + dir * 6 * g;
      const int o = first_out + dir * 8 * g;
      auto src = [&](int k) { return line(a + dir * k); };
      auto out = [&](int k) { return line(o + dir * k); };
      // The order matters: each output line is written only after the source lines at and
      // beyond it that the group still reads have been read.
      std::memmove(out(0), src(0), kLineBytes);
      std::memmove(out(1), src(1), kLineBytes);
      for (size_t i = 0; i < kLineBytes; ++i) out(2)[i] = average(src(0)[i], src(2)[i]);
      for (size_t i = 0; i < kLineBytes; ++i) out(3)[i] = average(src(1)[i], src(3)[i]);
      for (int k = 4; k < 8; ++k) std::memmove(out(k), src(k - 2), kLineBytes);
    }
  }
}

}  // namespace
}  // namespace pf::adapt

extern "C" {

void VEK_PALImageYUV420Adaptto16vs9_c(uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V) {
  pf::adapt::squeeze_picture(pu8Y, pu8U, pu8V, pf::adapt::kPalLines);
}

void VEK_NTSCImageYUV420Adaptto16vs9_c(uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V) {
  pf::adapt::squeeze_picture(pu8Y, pu8U, pu8V, pf::adapt::kNtscLines);
}

void VEK_PALImageYUV422Adaptto16vs9_c(uint8_t* pu8Y, uint8_t*, uint8_t*) {
  pf::adapt::stretch_frame(pu8Y, pf::adapt::kPalLines);
}

void VEK_NTSCImageYUV422Adaptto16vs9_c(uint8_t* pu8Y, uint8_t*, uint8_t*) {
  pf::adapt::stretch_frame(pu8Y, pf::adapt::kNtscLines);
}

}  // extern "C"
