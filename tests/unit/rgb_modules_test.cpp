// SPDX-License-Identifier: BSD-2-Clause
// The RGB modules (YUV to RGB, RGB resizer, RGB to YUV) and the codec unit library's converters:
// worked colours, windows and orientation, the resize formulas, the MMX path against the scalar
// kernels, the round trip, and each module's validation, rollback, names and versions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "guarded.hpp"
#include "img_rgbtoyuv.h"
#include "img_yuv420torgb.h"
#include "module_cases.hpp"
#include "parity.hpp"
#include "picture_data.hpp"
#include "rgb_resizer.h"
#include "rng.hpp"
#include "video_unit.h"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;
using pft::random_bytes;

struct Rgb {
  int r, g, b;
};

uint8_t clamp8(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// RGB rows are whole 32-bit words.
int32_t row_length(uint32_t bits, int32_t pixels) {
  return ((static_cast<int32_t>(bits) * pixels + 31) & ~31) / 8;
}

tYuv420ToRgbParam yuv_param(int32_t w, int32_t h, uint32_t bits) {
  return {w, h, 0, 0, w, h, bits};
}

tRgbToYuvParam rgb_param(int32_t w, int32_t h, uint32_t bits, int32_t src_pitch, int32_t dst_pitch,
                         uint32_t bottom_up) {
  return {w, h, src_pitch, bits, w, h, dst_pitch, PF_YUV_420, bottom_up, 0};
}

// Stores one 8-bit colour as a pixel of the given depth.
void put_pixel(uint8_t* at, uint32_t bits, const Rgb& c) {
  if (bits == 16) {
    const int w = (c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3;
    at[0] = uint8_t(w), at[1] = uint8_t(w >> 8);
    return;
  }
  at[0] = uint8_t(c.b), at[1] = uint8_t(c.g), at[2] = uint8_t(c.r);
  if (bits == 32) at[3] = 0x5A;  // never read
}

// A source pixel of the RGB resizer at the source's precision.
Rgb read_source(uint32_t bits, const uint8_t* row, int x, const uint8_t* palette) {
  if (bits == 16) {
    const int w = row[2 * x] | row[2 * x + 1] << 8;
    return {w >> 11, w >> 5 & 63, w & 31};
  }
  const uint8_t* p = bits == 24 ? row + 3 * x : palette + 4 * row[x];
  return {p[2], p[1], p[0]};
}

class RgbModules : public pft::VmemTest {
 protected:
  // YUV to RGB by a fresh instance, opened on `opened` and set to p by SetParam when given.
  bool yuv_to_rgb(const tYuv420ToRgbParam& p, const tYuv420ToRgbOption* option, const Bytes& yuv,
                  uint8_t* rgb, const tYuv420ToRgbParam* opened = nullptr) {
    void* h = nullptr;
    if (ImgYUV420ToRGBOpen_c(&h, opened != nullptr ? opened : &p, mem()) != 0) return false;
    tYuv420ToRgbData data{yuv.data(), rgb};
    tYuv420ToRgbOptions options{nullptr, option};
    const bool ok = (opened == nullptr || ImgYUV420ToRGBSetParam_c(h, &p) == 0) &&
                    ImgYUV420ToRGBProcess_c(h, &data, &options) == 0;
    EXPECT_EQ(ImgYUV420ToRGBClose_c(h), 0u);
    return ok;
  }
  // RGB to YUV by a fresh instance; without U and V planes they follow the luma.
  void rgb_to_yuv(const tRgbToYuvParam& p, const uint8_t* rgb, uint8_t* y, uint8_t* u = nullptr,
                  uint8_t* v = nullptr) {
    void* h = nullptr;
    ASSERT_EQ(RGBtoYUVOpen_c(&h, &p, mem()), 0u);
    tRgbToYuvSrc s{rgb};
    tRgbToYuvDst d{y, u, v};
    EXPECT_EQ(RGBtoYUVProcess_c(h, &s, &d), 0u);
    EXPECT_EQ(RGBtoYUVClose_c(h), 0u);
  }
  // The RGB resizer by a fresh instance; returns the row lengths Process hands back.
  std::pair<int32_t, int32_t> resize(const tRgbResizerParam& p, const uint8_t* src,
                                     const uint8_t* palette, int32_t src_pitch, uint8_t* dst,
                                     int32_t dst_pitch) {
    void* h = nullptr;
    EXPECT_EQ(RGBResizerOpen_c(&h, &p, mem()), 0u);
    tRgbResizerSrc s{src, palette, src_pitch};
    tRgbResizerDst d{dst, dst_pitch};
    EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0u);
    EXPECT_EQ(RGBResizerClose_c(h), 0u);
    return {s.s32Pitch, d.s32Pitch};
  }
};

// ---------------------------------------------------------------- YUV to RGB

TEST_F(RgbModules, YuvToRgbWorkedColours) {
  struct Row {
    uint8_t y, u, v;
    Rgb rgb;
  };
  const Row rows[] = {{16, 128, 128, {0, 0, 0}},        {235, 128, 128, {254, 254, 254}},
                      {255, 128, 128, {255, 255, 255}}, {128, 128, 128, {130, 130, 130}},
                      {81, 90, 240, {254, 0, 0}},       {128, 160, 128, {130, 117, 195}}};
  for (uint32_t bits : {24u, 32u}) {
    for (const Row& row : rows) {
      uint8_t rgb[16] = {};
      ASSERT_TRUE(yuv_to_rgb(yuv_param(2, 2, bits), nullptr,
                             {row.y, row.y, row.y, row.y, row.u, row.v}, rgb));
      for (uint32_t i = 0; i < 4; ++i) {
        const uint8_t* px = rgb + i * bits / 8;
        EXPECT_TRUE(px[2] == row.rgb.r && px[1] == row.rgb.g && px[0] == row.rgb.b)
            << bits << "-bit YUV (" << +row.y << "," << +row.u << "," << +row.v << ") pixel " << i
            << " gave (" << +px[2] << "," << +px[1] << "," << +px[0] << ")";
      }
    }
  }
  // 5-6-5: grey 128 converts to 130, whose low three bits are carried along the row (130, 132,
  // 134, 136, 130); every row starts afresh, the third too, which follows a carry of 2.
  uint8_t rgb[40] = {};
  ASSERT_TRUE(yuv_to_rgb(yuv_param(5, 4, 16), nullptr, Bytes(32, 128), rgb));
  const uint16_t expected[] = {0x8410, 0x8430, 0x8430, 0x8C51, 0x8410};
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(rgb[2 * i] | rgb[2 * i + 1] << 8, expected[i % 5]) << "5-6-5 pixel " << i;
  }
}

// The window converted by the formulas into `rgb`, which holds the picture before the call. 5-6-5
// carries each channel's low three bits (carry included, before clamping) to the row's next
// pixel; 24 and 32 bits convert the window cut to even sizes.
void expected_conversion(const tYuv420ToRgbParam& p, bool top_down, const Bytes& yuv,
                         uint8_t* rgb) {
  const int w = p.s32Width, h = p.s32Height, cw = (w + 1) / 2, ch = (h + 1) / 2;
  const int bpp = static_cast<int>(p.u32BitCount) / 8, even = bpp == 2 ? ~0 : ~1;
  for (int j = 0; j < (p.s32WinHeight & even); ++j) {
    const int sy = p.s32WinTop + j, dy = top_down ? sy : h - 1 - sy;
    int carry[3] = {};
    for (int i = 0; i < (p.s32WinWidth & even); ++i) {
      const int sx = p.s32WinLeft + i, c = (sy / 2) * cw + sx / 2;
      const int y = 298 * (yuv[size_t(sy * w + sx)] - 16), u = yuv[size_t(w * h + c)] - 128;
      const int v = yuv[size_t(w * h + cw * ch + c)] - 128;
      int rgb3[3] = {(y + 409 * v) >> 8, (y - 100 * u - 208 * v) >> 8, (y + 517 * u) >> 8};
      uint8_t* out = rgb + (dy * w + sx) * bpp;
      if (bpp == 2) {
        for (int k = 0; k < 3; ++k) rgb3[k] += carry[k], carry[k] = rgb3[k] & 7;
        const int px =
            (clamp8(rgb3[0]) & 0xF8) << 8 | (clamp8(rgb3[1]) << 3 & 0x7E0) | clamp8(rgb3[2]) >> 3;
        out[0] = uint8_t(px), out[1] = uint8_t(px >> 8);
      } else {
        out[0] = clamp8(rgb3[2]), out[1] = clamp8(rgb3[1]), out[2] = clamp8(rgb3[0]);
        if (bpp == 4) out[3] = 0;
      }
    }
  }
}

// Windows at odd places in both orientations at every depth, each converted by an instance opened
// at another depth and set to the row's by SetParam, after a host overwrote table entries that
// Open must put back.
TEST_F(RgbModules, YuvToRgbWindowsOrientationAndReselection) {
  struct Row {
    int32_t w, h, top, left, win_w, win_h;
    uint32_t bits, opened_bits;
    int option;  // 0: none, 1: top-down, 2: top-down switched off, 3: another kind
  };
  // The last three rows are longer than the kernels' strips, two with single columns at odd
  // window edges.
  const Row rows[] = {
      {8, 6, 0, 0, 8, 6, 24, 16, 0},     {8, 6, 0, 0, 8, 6, 32, 24, 1},
      {8, 6, 0, 0, 8, 6, 16, 32, 1},     {9, 7, 1, 1, 7, 5, 24, 32, 1},
      {9, 7, 1, 1, 7, 5, 32, 16, 0},     {9, 7, 1, 3, 5, 3, 16, 24, 0},
      {9, 7, 2, 2, 7, 5, 16, 24, 1},     {9, 7, 6, 8, 1, 1, 16, 32, 0},
      {1, 1, 0, 0, 1, 1, 16, 24, 1},     {17, 3, 0, 5, 12, 3, 32, 16, 2},
      {16, 4, 1, 3, 10, 2, 24, 16, 3},   {33, 9, 3, 0, 33, 5, 16, 24, 2},
      {600, 5, 1, 3, 593, 4, 24, 32, 1}, {601, 4, 0, 1, 598, 3, 16, 24, 0},
      {530, 3, 1, 0, 530, 2, 32, 16, 2},
  };
  const tYuv420ToRgbOption options[] = {
      {0, 0}, {PF_YUV420TORGB_OPTION_TOP_DOWN, 1}, {PF_YUV420TORGB_OPTION_TOP_DOWN, 0}, {7, 1}};
  pft::Rng rng(301);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.w << "x" << row.h << " window at " << row.left << ","
                                    << row.top << " " << row.win_w << "x" << row.win_h << " "
                                    << row.bits << "-bit option " << row.option);
    al32R_V_Tab[200] = 0;
    al32Clip_Tab[2047] = -1;
    const tYuv420ToRgbParam p{row.w, row.h, row.top, row.left, row.win_w, row.win_h, row.bits};
    const tYuv420ToRgbParam opened = yuv_param(row.w, row.h, row.opened_bits);
    const Bytes yuv =
        random_bytes(size_t(row.w * row.h + 2 * ((row.w + 1) / 2) * ((row.h + 1) / 2)), rng);
    const uint32_t row_bytes = static_cast<uint32_t>(row.w) * row.bits / 8;
    pft::GuardedPlane rgb(row_bytes, static_cast<uint32_t>(row.h), row_bytes, rng);
    rgb.fill_random(rng);
    Bytes expected(rgb.data(), rgb.data() + row_bytes * static_cast<uint32_t>(row.h));
    expected_conversion(p, row.option == 1, yuv, expected.data());
    ASSERT_TRUE(
        yuv_to_rgb(p, row.option == 0 ? nullptr : &options[row.option], yuv, rgb.data(), &opened));
    EXPECT_EQ(al32R_V_Tab[200], 409 * 72);
    EXPECT_EQ(al32Clip_Tab[2047], 255);
    EXPECT_EQ(rgb.check_guards(), "");
    const auto diff = std::mismatch(expected.begin(), expected.end(), rgb.data());
    EXPECT_TRUE(diff.first == expected.end())
        << "first difference at byte " << diff.first - expected.begin();
  }
}

// ---------------------------------------------------------------- RGB resizer

// The resize formulas per pixel: 16.16 steps ((s - 1) / (d - 1)), weights in 64ths across and
// 1024ths (of 16ths) down, neighbours held at the last column and row. 8-bit channels into 5-6-5
// keep their top bits; 5-6-5 into 24 bits keeps three (red, blue) or two (green) fraction bits.
void expected_resize(const tRgbResizerParam& p, const uint8_t* src, int32_t src_stride,
                     const uint8_t* palette, uint8_t* dst, int32_t dst_stride) {
  auto step = [](int64_t s, int64_t d) { return d == 1 ? 0 : ((s << 16) - 65536) / (d - 1); };
  const int64_t sx = step(p.s32SrcWidth, p.s32DstWidth), sy = step(p.s32SrcHeight, p.s32DstHeight);
  const bool from565 = p.u32SrcBitCount == 16;
  for (int y = 0; y < p.s32DstHeight; ++y) {
    const int r0 = int(y * sy >> 16), r1 = std::min(r0 + 1, p.s32SrcHeight - 1);
    const int fy = int((y * sy & 0xFFFF) >> 10);
    for (int x = 0; x < p.s32DstWidth; ++x) {
      const int c0 = int(x * sx >> 16), c1 = std::min(c0 + 1, p.s32SrcWidth - 1);
      const int fx = int((x * sx & 0xFFFF) >> 10);
      auto at = [&](int r, int c) {
        return read_source(p.u32SrcBitCount, src + r * src_stride, c, palette);
      };
      const Rgb a = at(r0, c0), b = at(r0, c1), c = at(r1, c0), d = at(r1, c1);
      auto sum = [&](int Rgb::*ch) {
        return ((a.*ch * (64 - fx) + b.*ch * fx) * (1024 - 16 * fy) +
                (c.*ch * (64 - fx) + d.*ch * fx) * 16 * fy + 32768);
      };
      uint8_t* out = dst + y * dst_stride + x * int(p.u32DstBitCount) / 8;
      if (p.u32DstBitCount == 24) {
        out[0] = uint8_t(sum(&Rgb::b) >> (from565 ? 13 : 16));
        out[1] = uint8_t(sum(&Rgb::g) >> (from565 ? 14 : 16));
        out[2] = uint8_t(sum(&Rgb::r) >> (from565 ? 13 : 16));
      } else {
        const int extra = from565 ? 0 : 3;
        const int px = (sum(&Rgb::r) >> (16 + extra)) << 11 |
                       (sum(&Rgb::g) >> (16 + (extra ? 2 : 0))) << 5 | sum(&Rgb::b) >> (16 + extra);
        out[0] = uint8_t(px), out[1] = uint8_t(px >> 8);
      }
    }
  }
}

// Every pair against the formulas, then two examples worked out by hand.
TEST_F(RgbModules, ResizerMatchesTheFormulasForEveryPair) {
  struct Row {
    uint32_t src_bits;
    int32_t sw, sh;
    uint32_t dst_bits;
    int32_t dw, dh, src_slack, dst_slack;
  };
  const Row rows[] = {
      {16, 7, 5, 16, 13, 9, 0, 1}, {24, 100, 3, 24, 50, 2, 3, 0}, {24, 33, 17, 16, 8, 5, 1, 2},
      {16, 5, 5, 24, 1, 1, 0, 0},  {8, 12, 4, 16, 1, 7, 5, 0},    {24, 1, 1, 24, 4, 3, 0, 3},
      {8, 3, 9, 16, 17, 2, 0, 0},  {16, 64, 2, 24, 63, 4, 2, 1},  {24, 9, 9, 24, 9, 9, 0, 0},
  };
  pft::Rng rng(2607);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.src_bits << "->" << row.dst_bits << " " << row.sw << "x"
                                    << row.sh << " to " << row.dw << "x" << row.dh);
    const tRgbResizerParam p{row.sw, row.sh, row.src_bits, row.dw, row.dh, row.dst_bits, 0};
    const int32_t src_stride = row_length(row.src_bits, row.sw + row.src_slack);
    const int32_t dst_stride = row_length(row.dst_bits, row.dw + row.dst_slack);
    const Bytes src = random_bytes(size_t(src_stride * row.sh), rng);
    const Bytes palette = random_bytes(1024, rng);
    pft::GuardedPlane dst(uint32_t(row.dw) * row.dst_bits / 8, uint32_t(row.dh),
                          uint32_t(dst_stride), rng);
    // The plane ends with its last row's pixels: the pitch slack after them is not ours.
    Bytes expected(size_t(dst_stride * row.dh));
    std::copy(dst.data(), dst.data() + size_t(dst_stride * (row.dh - 1)) + dst.width(),
              expected.begin());
    expected_resize(p, src.data(), src_stride, palette.data(), expected.data(), dst_stride);
    const auto pitches = resize(p, src.data(), row.src_bits == 8 ? palette.data() : nullptr,
                                row.sw + row.src_slack, dst.data(), row.dw + row.dst_slack);
    EXPECT_EQ(pitches, std::make_pair(src_stride, dst_stride)) << "row lengths handed back";
    EXPECT_EQ(dst.check_guards(), "");
    for (int y = 0; y < row.dh; ++y) {
      const size_t at = size_t(y * dst_stride);
      EXPECT_EQ(std::memcmp(dst.data() + at, expected.data() + at, dst.width()), 0) << "row " << y;
    }
  }
  // 5-6-5 white and black columns into 24 bits: each level lands mid-way in its 8-bit range.
  const Bytes src565 = {0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00};
  uint8_t out[3 * 12];
  resize({2, 2, 16, 3, 3, 24, 0}, src565.data(), nullptr, 2, out, 3);
  const uint8_t corners[] = {252, 254, 252, 0, 0, 0, 4, 2, 4};  // white, (unchecked), black
  for (int i : {0, 1, 2, 6, 7, 8}) EXPECT_EQ(out[i], corners[i]) << "byte " << i;
  // 100 -> 50 steps by 132409: the last pixel lies on source 98 at 63/64, so a lone bright
  // source pixel 99 shows as 255 * 63/64, not 255.
  Bytes line(300, 0);
  line[3 * 99 + 2] = 255;
  uint8_t scaled[3 * 50];
  resize({100, 1, 24, 50, 1, 24, 0}, line.data(), nullptr, 100, scaled, 50);
  EXPECT_EQ(scaled[3 * 49 + 2], (255 * 63 * 1024 + 32768) >> 16);
  EXPECT_EQ(scaled[3 * 48 + 2], 0);
}

// ---------------------------------------------------------------- RGB to YUV

TEST_F(RgbModules, RgbToYuvChromaComesFromTheTopLeftPixel) {
  // Red at the picture's top-left, white elsewhere, stored both ways up. 24 and 32 bits take the
  // colours as they are; 5-6-5 red and white are (248, 0, 0) and (248, 252, 248).
  struct Expect {
    uint32_t bits;
    uint8_t y_red, y_white, u, v;
  };
  const Expect expects[] = {{24, 76, 254, 85, 255}, {32, 76, 254, 85, 255}, {16, 74, 249, 86, 252}};
  for (const Expect& e : expects) {
    for (uint32_t bottom_up : {0u, 1u}) {
      const int32_t stride = row_length(e.bits, 2);
      Bytes rgb(size_t(2 * stride));
      for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
          put_pixel(rgb.data() + (bottom_up != 0 ? 1 - y : y) * stride + x * int(e.bits) / 8,
                    e.bits, x == 0 && y == 0 ? Rgb{255, 0, 0} : Rgb{255, 255, 255});
        }
      }
      uint8_t yuv[6] = {};
      rgb_to_yuv(rgb_param(2, 2, e.bits, 2, 2, bottom_up), rgb.data(), yuv);
      const uint8_t expected[6] = {e.y_red, e.y_white, e.y_white, e.y_white, e.u, e.v};
      EXPECT_EQ(std::memcmp(yuv, expected, 6), 0)
          << e.bits << "-bit bottom-up " << bottom_up << ": Y " << +yuv[0] << " " << +yuv[1] << " "
          << +yuv[2] << " " << +yuv[3] << " U " << +yuv[4] << " V " << +yuv[5];
    }
  }
}

// The scalar kernels against the MMX kernels and the module (the codec unit's converters the MMX
// kernels call are held to the scalar kernels on each of their paths in videounit_rgb_test.cpp);
// the 5-6-5 table path against the 24-bit formulas on the widened pixels.
TEST_F(RgbModules, MmxKernelsMatchTheScalarKernels) {
  struct Row {
    int32_t w, h, slack;  // odd slacks give odd source pitches
  };
  // The last two rows are longer than the kernels' strips and end in a part of one.
  const Row rows[] = {{2, 2, 0},  {16, 8, 1},  {38, 6, 5}, {64, 30, 0},
                      {6, 14, 3}, {530, 4, 3}, {722, 2, 1}};
  pft::Rng rng(36);
  for (const Row& row : rows) {
    for (uint32_t bits : {16u, 24u, 32u}) {
      for (uint32_t bottom_up : {0u, 1u}) {
        SCOPED_TRACE(testing::Message()
                     << row.w << "x" << row.h << " " << bits << "-bit bottom-up " << bottom_up);
        const tRgbToYuvParam p = rgb_param(row.w, row.h, bits, row.w + row.slack, row.w, bottom_up);
        // Kernels are called with the instance as Process hands it over: pitch in bytes.
        tRgbToYuvInstance inst{};
        inst.tParam = p;
        inst.tParam.s32SrcPitch = row_length(bits, p.s32SrcPitch);
        const Bytes rgb = random_bytes(size_t(inst.tParam.s32SrcPitch * row.h), rng);
        const uint64_t seed = rng.next();
        // Guarded planes of one seed: two conversions into them compare byte for byte.
        auto planes = [&] {
          pft::Rng fill(seed);
          return pft::GuardedPicture(PF_YUV_420, uint32_t(row.w), uint32_t(row.h), fill);
        };
        auto run = [&](tRgbToYuvKernel kernel, const tRgbToYuvInstance& with, const Bytes& in) {
          pft::GuardedPicture out = planes();
          const tImgPicture r = out.record();
          kernel(&with, in.data(), r.pu8Y, r.pu8U, r.pu8V);
          return out;
        };
        if (bits == 16) {
          // The module's 5-6-5 table against the 24-bit formulas on the widened pixels.
          tRgbToYuvInstance wide = inst;
          wide.tParam.u32SrcBitCount = 24;
          wide.tParam.s32SrcPitch = 3 * row.w;
          Bytes widened(size_t(3 * row.w * row.h));
          for (int i = 0; i < row.w * row.h; ++i) {
            const Rgb c = read_source(16, rgb.data() + i / row.w * inst.tParam.s32SrcPitch,
                                      i % row.w, nullptr);
            put_pixel(widened.data() + 3 * i, 24, {c.r << 3, c.g << 2, c.b << 3});
          }
          pft::GuardedPicture module = planes();
          const tImgPicture r = module.record();
          rgb_to_yuv(p, rgb.data(), r.pu8Y, r.pu8U, r.pu8V);
          EXPECT_EQ(pft::first_difference({run(RGB24toYUV420_c, wide, widened)}, {module}), "");
          continue;
        }
        const pft::GuardedPicture scalar =
            run(bits == 24 ? RGB24toYUV420_c : RGB32toYUV420_c, inst, rgb);
        EXPECT_EQ(
            pft::first_difference(
                {scalar}, {run(bits == 24 ? RGB24toYUV420_mmx : RGB32toYUV420_mmx, inst, rgb)}),
            "")
            << "mmx";
      }
    }
  }
  // The converters refuse what they cannot cut into blocks.
  uint8_t buf[64] = {};
  EXPECT_EQ(bgr_to_yv12_mmx(buf, 12, buf, buf, buf, 4, 2, 3, 2, 0, nullptr),
            VIDEOUNIT_ERR_ARGUMENT);
  EXPECT_EQ(bgra_to_yv12_mmx(nullptr, 16, buf, buf, buf, 4, 2, 4, 2, 0, nullptr),
            VIDEOUNIT_ERR_ARGUMENT);
}

TEST_F(RgbModules, RoundTripThroughYuvFollowsTheRealValuedPipeline) {
  // Smooth pictures (each channel a ramp of random offset and slope, bouncing between 0 and 255),
  // so that chroma taken from a block's top-left pixel stands for the block. The integer pipeline
  // rounds Y, U and V to within 0.5 (1 where U or V saturates); the inverse multiplies those
  // errors by at most 1.164 (Y), 1.598 (V into red) or 2.02 (U into blue) and truncates once
  // more: under 3.7 levels from the real-valued pipeline, so 4 is the tolerance. A swapped
  // channel, a wrong row order or a misplaced chroma sample is far outside it.
  pft::Rng rng(420);
  const tYuv420ToRgbOption top_down{PF_YUV420TORGB_OPTION_TOP_DOWN, 1};
  for (uint32_t bits : {24u, 32u}) {
    for (int picture = 0; picture < 4; ++picture) {
      const int w = 24 + 2 * picture, h = 16, bpp = int(bits) / 8, stride = row_length(bits, w);
      double base[3], dx[3], dy[3];
      for (int c = 0; c < 3; ++c) {
        base[c] = rng.range(0, 255), dx[c] = rng.range(-40, 40) / 10.0;
        dy[c] = rng.range(-40, 40) / 10.0;
      }
      auto colour = [&](int x, int y) {
        int v[3];
        for (int c = 0; c < 3; ++c) {
          const double t = std::fabs(std::fmod(base[c] + dx[c] * x + dy[c] * y, 510.0));
          v[c] = static_cast<int>(t > 255 ? 510 - t : t);
        }
        return Rgb{v[0], v[1], v[2]};
      };
      Bytes rgb(size_t(stride * h)), yuv(size_t(w * h * 3 / 2)), back(size_t(w * h * bpp));
      for (int i = 0; i < w * h; ++i) {
        put_pixel(rgb.data() + i / w * stride + i % w * bpp, bits, colour(i % w, i / w));
      }
      rgb_to_yuv(rgb_param(w, h, bits, w, w, 0), rgb.data(), yuv.data());
      ASSERT_TRUE(yuv_to_rgb(yuv_param(w, h, bits), &top_down, yuv, back.data()));
      double worst = 0;
      for (int i = 0; i < w * h; ++i) {
        const int x = i % w, y = i / w;
        const Rgb p = colour(x, y), q = colour(x & ~1, y & ~1);
        const double yf = (76.0 * p.r + 150.0 * p.g + 29.0 * p.b) / 256;
        const double uf = (-43.0 * q.r - 84.0 * q.g + 128.0 * q.b) / 256;
        const double vf = (128.0 * q.r - 107.0 * q.g - 20.0 * q.b) / 256;
        const double l = 298.0 * (yf - 16) / 256;
        const double want[3] = {l + 409.0 * vf / 256, l - (100.0 * uf + 208.0 * vf) / 256,
                                l + 517.0 * uf / 256};
        for (int c = 0; c < 3; ++c) {
          const double got = back[size_t(i * bpp + 2 - c)];
          worst = std::max(worst, std::fabs(got - std::clamp(want[c], 0.0, 255.0)));
        }
      }
      EXPECT_LE(std::ceil(worst), 4) << bits << "-bit picture " << picture;
    }
  }
}

// ---------------------------------------------------------------- the modules' entry points

// One module's facts for the questions every module answers. Codes are given above the block
// base: Open's handle (the first nameable code), record and memory handle; SetParam's handle and
// record; GetStatus's handle and record; Close's handle, memory handle and free; Process's handle
// and its two records.
pft::ModuleCase rgb_case(const char* name, const tImgProcFuncList* table, uint32_t base,
                         uint32_t id, pft::Bytes valid, const uint32_t (&c)[13],
                         std::vector<pft::ValidationRow> rows, std::vector<uint32_t> failures,
                         uint32_t dma, const char* const* names, uint32_t end, uint32_t null_name,
                         uint32_t null_version, uint32_t short_version, const char* tag,
                         uint32_t mem_size) {
  pft::ModuleCase m;
  m.name = name;
  m.family = pft::Family::kScaling;
  m.entry = *table;
  m.table = table;
  m.id = id;
  pft::set_names(m, names, base + c[0], base + c[0], end, null_name);
  pft::set_version(m, tag, null_version, 0, short_version);
  m.param = std::move(valid);
  m.mem_size = mem_size;
  m.open_null_out = base + c[0];
  m.open_null_param = base + c[1];
  m.open_null_mem = base + c[2];
  m.setparam_null_handle = base + c[3];
  m.setparam_null_param = base + c[4];
  m.getstatus_null_handle = base + c[5];
  m.getstatus_null_record = base + c[6];
  m.close_null = base + c[7];
  m.close_no_mem = base + c[8];
  m.close_foreign = base + c[9];
  m.process_null_handle = base + c[10];
  m.process_null_input = base + c[11];
  m.process_null_output = base + c[12];
  for (pft::ValidationRow& row : rows) {
    row.open_code += base;
    row.setparam_code += base;
  }
  m.rows = std::move(rows);
  m.open_failures = std::move(failures);
  m.dma_failure = dma;
  return m;
}

using Y = tYuv420ToRgbParam;
using R = tRgbResizerParam;
using T = tRgbToYuvParam;

pft::ModuleCase yuv420torgb_case() {
  pft::ModuleCase m = rgb_case(
      "yuv420torgb", &tYUVYUV420toRGBFuncs, 0xC1000000, 3,
      pft::record_bytes(Y{8, 6, 1, 2, 6, 5, 24}),
      {0x63, 0x64, 0x65, 0x6F, 0x70, 0x81, 0x82, 0x7E, 0x7F, 0x80, 0x77, 0x78, 0x79},
      {PF_REFUSED2(Y, "width 0", 0x66, 0x71, p.s32Width = 0),
       PF_REFUSED2(Y, "height -1, bad bits", 0x66, 0x71, p.s32Height = -1, p.u32BitCount = 8),
       PF_REFUSED2(Y, "top = height", 0x67, 0x72, p.s32WinTop = 6),
       PF_REFUSED2(Y, "top -1", 0x67, 0x72, p.s32WinTop = -1),
       PF_REFUSED2(Y, "left = width, too high", 0x68, 0x73, p.s32WinLeft = 8, p.s32WinHeight = 9),
       PF_REFUSED2(Y, "window width over", 0x6A, 0x75, p.s32WinWidth = 7),
       PF_REFUSED2(Y, "width 0 before height", 0x6A, 0x75, p.s32WinWidth = 0, p.s32WinHeight = 0),
       PF_REFUSED2(Y, "window height over", 0x69, 0x74, p.s32WinHeight = 6),
       PF_REFUSED2(Y, "bit count 8", 0x6B, 0x76, p.u32BitCount = 8)},
      {0xC100006C, 0xC100006D}, 0xC100006E, pas8ImageYUV420ToRGBSelfAnalyzeErrorCode, 0xC1000084,
      0xC1000083, 0xC100007C, 0xC100007D, "pelforge_v300.yuv420torgb.002", 88);
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const Y*>(record);
    const int64_t w = p.s32Width, hh = p.s32Height, cw = (w + 1) / 2, ch = (hh + 1) / 2;
    tYuv420ToRgbData data{pics.buffer(pft::product({w, hh}) + 2 * pft::product({cw, ch})),
                          pics.buffer(pft::product({w, hh, (p.u32BitCount + 7) / 8}))};
    // Now and then a bottom-up picture through the option record.
    auto* option = pics.record<tYuv420ToRgbOption>();
    option->u32Kind = pics.byte() & 3;
    option->u32Value = pics.byte() & 1;
    tYuv420ToRgbOptions options{nullptr, (pics.byte() & 1) != 0 ? option : nullptr};
    return e.Process(h, &data, &options);
  };
  return m;
}
PF_MODULE_CASE(yuv420torgb_case);

pft::ModuleCase rgb_resizer_case() {
  pft::ModuleCase m = rgb_case(
      "rgb_resizer", &tRGBResizerFuncs, 0xC7C00000, 26,
      pft::record_bytes(R{64, 48, 24, 32, 24, 16, 0}),
      {0x01, 0x02, 0x03, 0x0B, 0x0C, 0x1D, 0x1E, 0x1A, 0x1B, 0x1C, 0x11, 0x12, 0x13},
      {PF_REFUSED2(R, "source width 0", 0x04, 0x0D, p.s32SrcWidth = 0),
       PF_REFUSED2(R, "source width 12289", 0x04, 0x0D, p.s32SrcWidth = 12289),
       PF_REFUSED2(R, "source height 0, bad bits", 0x04, 0x0D, p.s32SrcHeight = 0,
                   p.u32SrcBitCount = 32),
       PF_REFUSED2(R, "destination width 12289", 0x05, 0x0E, p.s32DstWidth = 12289),
       PF_REFUSED2(R, "destination height 0", 0x05, 0x0E, p.s32DstHeight = 0),
       PF_REFUSED2(R, "source bits 32", 0x09, 0x0F, p.u32SrcBitCount = 32, p.u32DstBitCount = 7),
       PF_REFUSED2(R, "destination bits 32", 0x0A, 0x10, p.u32DstBitCount = 32),
       // Only a refused bit-count pair is found after the instance exists (and is released).
       {"pair 24->8", pft::edit<R>([](R& p) { p.u32DstBitCount = 8; }), 0x20, 0x20, true},
       {"pair 16->8", pft::edit<R>([](R& p) { p.u32SrcBitCount = 16, p.u32DstBitCount = 8; }), 0x20,
        0x20, true},
       {"pair 8->8", pft::edit<R>([](R& p) { p.u32SrcBitCount = 8, p.u32DstBitCount = 8; }), 0x20,
        0x20, true},
       {"pair 8->24", pft::edit<R>([](R& p) { p.u32SrcBitCount = 8, p.u32DstBitCount = 24; }), 0x20,
        0x20, true}},
      {0xC7C00006, 0xC7C00007}, 0xC7C00008, pas8RGBResizerAnalyzeErrorCode, 0xC7C00021, 0xC7C0001F,
      0xC7C00018, 0xC7C00019, "pelforge_v300.ImageRGB.001", 80);
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const R*>(record);
    const auto row = [](int64_t bits, int64_t pixels) {
      return ((pft::product({bits, pixels}) + 31) & ~31) / 8;
    };
    const int64_t src_pitch = p.s32SrcWidth + (pics.byte() & 7);
    const int64_t dst_pitch = p.s32DstWidth + (pics.byte() & 7);
    if (src_pitch > (1 << 24) || dst_pitch > (1 << 24)) throw pft::TooLarge{};
    tRgbResizerSrc s{pics.plane(row(p.u32SrcBitCount, p.s32SrcWidth), p.s32SrcHeight,
                                row(p.u32SrcBitCount, src_pitch)),
                     p.u32SrcBitCount == 8 ? pics.buffer(size_t{1024}) : nullptr,
                     static_cast<int32_t>(src_pitch)};
    tRgbResizerDst d{pics.plane(row(p.u32DstBitCount, p.s32DstWidth), p.s32DstHeight,
                                row(p.u32DstBitCount, dst_pitch)),
                     static_cast<int32_t>(dst_pitch)};
    return e.Process(h, &s, &d);
  };
  return m;
}
PF_MODULE_CASE(rgb_resizer_case);

pft::ModuleCase rgbtoyuv_case() {
  pft::ModuleCase m = rgb_case(
      "rgbtoyuv", &tRGBtoYUVFuncs, 0xC8C00000, 36,
      pft::record_bytes(T{32, 16, 40, 24, 32, 16, 36, 420, 1, 0}),
      {0x01, 0x02, 0x03, 0x0E, 0x0F, 0x23, 0x24, 0x20, 0x21, 0x22, 0x17, 0x18, 0x19},
      {PF_REFUSED2(T, "width 3", 0x04, 0x10, p.s32SrcWidth = 3),
       PF_REFUSED2(T, "height 0", 0x04, 0x10, p.s32SrcHeight = 0),
       PF_REFUSED2(T, "width 12290 (SetParam only), type 0", 0x0C, 0x10,
                   p.s32SrcWidth = p.s32DstWidth = p.s32SrcPitch = p.s32DstPitch = 12290,
                   p.u32DstYuvType = 0),
       PF_REFUSED2(T, "source pitch below width", 0x05, 0x11, p.s32SrcPitch = 30),
       PF_REFUSED2(T, "source pitch too long in bytes", 0x05, 0x11, p.s32SrcPitch = 0x7FFFFFF0),
       PF_REFUSED2(T, "destination height differs", 0x06, 0x12, p.s32DstHeight = 18),
       PF_REFUSED2(T, "destination width odd", 0x06, 0x12, p.s32DstWidth = 31),
       PF_REFUSED2(T, "destination pitch below width", 0x07, 0x13, p.s32DstPitch = 31),
       PF_REFUSED2(T, "bit count 8, type 422", 0x0B, 0x14, p.u32SrcBitCount = 8,
                   p.u32DstYuvType = 422),
       PF_REFUSED2(T, "YUV type 422", 0x0C, 0x15, p.u32DstYuvType = 422)},
      // The 5-6-5 table comes last, after the DMA handle.
      {0xC8C00008, 0xC8C00009, 0xC8C00008}, 0xC8C0000A, pas8RGBtoYUVAnalyzeErrorCode, 0xC8C00027,
      0xC8C00025, 0xC8C0001E, 0xC8C0001F, "pelforge_v300.ImageRGBtoYUV.005", 0x40070);
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const T*>(record);
    const auto row = [](int64_t bits, int64_t pixels) {
      return ((pft::product({bits, pixels}) + 31) & ~31) / 8;
    };
    const int64_t bits = p.u32SrcBitCount;
    tRgbToYuvSrc s{pics.plane(row(bits, p.s32SrcWidth), p.s32SrcHeight, row(bits, p.s32SrcPitch))};
    tRgbToYuvDst d{pics.picture(p.u32DstYuvType, p.s32DstPitch, p.s32DstHeight), nullptr, nullptr};
    return e.Process(h, &s, &d);
  };
  return m;
}
PF_MODULE_CASE(rgbtoyuv_case);

TEST_F(RgbModules, ProcessChecksItsRecordsInOrder) {
  uint8_t pixels[4096] = {};
  uint8_t palette[1024] = {};
  // After the handle and record pointers: YUV to RGB's source and destination.
  void* h = nullptr;
  const tYuv420ToRgbParam yp = yuv_param(4, 4, 16);
  ASSERT_EQ(ImgYUV420ToRGBOpen_c(&h, &yp, mem()), 0u);
  tYuv420ToRgbData data{nullptr, nullptr};
  tYuv420ToRgbOptions options{};
  EXPECT_EQ(ImgYUV420ToRGBProcess_c(h, &data, &options), 0xC100007Au);
  data.pu8Yuv = pixels;
  EXPECT_EQ(ImgYUV420ToRGBProcess_c(h, &data, &options), 0xC100007Bu);
  EXPECT_EQ(ImgYUV420ToRGBClose_c(h), 0u);
  // RGB resizer: source data (and palette), destination data, pitches.
  const tRgbResizerParam rp{8, 4, 8, 4, 2, 16, 0};
  ASSERT_EQ(RGBResizerOpen_c(&h, &rp, mem()), 0u);
  tRgbResizerSrc s{pixels, nullptr, 8};
  tRgbResizerDst d{nullptr, 4};
  EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0xC7C00014u);  // 8-bit source without palette
  s.pu8Palette = palette;
  EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0xC7C00015u);
  d.pu8Data = pixels;
  s.s32Pitch = 7, d.s32Pitch = 3;
  EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0xC7C00016u);
  s.s32Pitch = 8;
  EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0xC7C00017u);
  EXPECT_EQ(s.s32Pitch, 8) << "a refused call leaves the records alone";
  EXPECT_EQ(RGBResizerClose_c(h), 0u);
  // RGB to YUV: source buffer, Y plane; the pitch in pixels is kept.
  const tRgbToYuvParam tp = rgb_param(4, 4, 24, 4, 4, 0);
  ASSERT_EQ(RGBtoYUVOpen_c(&h, &tp, mem()), 0u);
  tRgbToYuvSrc ts{nullptr};
  tRgbToYuvDst td{nullptr, pixels + 3000, pixels + 3100};
  EXPECT_EQ(RGBtoYUVProcess_c(h, &ts, &td), 0xC8C0001Au);
  ts.pu8Rgb = pixels;
  EXPECT_EQ(RGBtoYUVProcess_c(h, &ts, &td), 0xC8C0001Bu);
  td.pu8Y = pixels + 2048;
  EXPECT_EQ(RGBtoYUVProcess_c(h, &ts, &td), 0u);
  tRgbToYuvParam status{};
  ASSERT_EQ(RGBtoYUVGetStatus_c(h, &status), 0u);
  EXPECT_EQ(status.s32SrcPitch, 4);
  EXPECT_EQ(RGBtoYUVClose_c(h), 0u);
}

}  // namespace
