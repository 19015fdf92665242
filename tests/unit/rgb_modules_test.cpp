// SPDX-License-Identifier: BSD-2-Clause
// The RGB modules (YUV to RGB, RGB resizer, RGB to YUV) and the codec unit library's
// converters: worked colours, placement, reference models, parity of the MMX path, round trip,
// validation orders, rollback, names and versions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "guarded.hpp"
#include "img_rgbtoyuv.h"
#include "img_yuv420torgb.h"
#include "rgb/rgb_internal.hpp"
#include "rgb_resizer.h"
#include "rng.hpp"
#include "video_unit.h"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;

struct Rgb {
  int r, g, b;
};

// ---------------------------------------------------------------- YUV to RGB

tYuv420ToRgbParam yuv_param(int32_t w, int32_t h, uint32_t bits) {
  return {w, h, 0, 0, w, h, bits};
}

// Y, then U and V of ((w + 1) / 2) x ((h + 1) / 2).
Bytes yuv_picture(int32_t w, int32_t h, pft::Rng& rng) {
  Bytes b(static_cast<size_t>(w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2)));
  for (auto& v : b) v = rng.byte();
  return b;
}

// One pixel by the conversion formulas, before clamping.
Rgb yuv_to_rgb_unclamped(int y, int u, int v) {
  const int luma = 298 * (y - 16);
  return {(luma + 409 * (v - 128)) >> 8, (luma - 100 * (u - 128) - 208 * (v - 128)) >> 8,
          (luma + 517 * (u - 128)) >> 8};
}

uint8_t clamp8(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// What a conversion must leave in `rgb` (which holds the picture before the call).
void expected_conversion(const tYuv420ToRgbParam& p, bool top_down, const Bytes& yuv,
                         uint8_t* rgb) {
  const int w = p.s32Width, h = p.s32Height, cw = (w + 1) / 2, ch = (h + 1) / 2;
  const int bpp = static_cast<int>(p.u32BitCount) / 8;
  const bool rgb565 = p.u32BitCount == 16;
  const int ww = rgb565 ? p.s32WinWidth : p.s32WinWidth & ~1;
  const int wh = rgb565 ? p.s32WinHeight : p.s32WinHeight & ~1;
  for (int j = 0; j < wh; ++j) {
    const int sy = p.s32WinTop + j;
    const int dy = top_down ? sy : h - 1 - sy;
    Rgb carry{0, 0, 0};
    for (int i = 0; i < ww; ++i) {
      const int sx = p.s32WinLeft + i;
      const int c = (sy / 2) * cw + sx / 2;
      Rgb v = yuv_to_rgb_unclamped(yuv[sy * w + sx], yuv[w * h + c], yuv[w * h + cw * ch + c]);
      uint8_t* out = rgb + (dy * w + sx) * bpp;
      if (rgb565) {
        v = {v.r + carry.r, v.g + carry.g, v.b + carry.b};
        carry = {v.r & 7, v.g & 7, v.b & 7};
        const int px = (clamp8(v.r) & 0xF8) << 8 | (clamp8(v.g) << 3 & 0x7E0) | clamp8(v.b) >> 3;
        out[0] = static_cast<uint8_t>(px);
        out[1] = static_cast<uint8_t>(px >> 8);
      } else {
        out[0] = clamp8(v.b);
        out[1] = clamp8(v.g);
        out[2] = clamp8(v.r);
        if (bpp == 4) out[3] = 0;
      }
    }
  }
}

class RgbModules : public pft::VmemTest {
 protected:
  // Converts with a fresh instance; false when Open or Process fails.
  bool yuv_to_rgb(const tYuv420ToRgbParam& p, const tYuv420ToRgbOption* option, const Bytes& yuv,
                  uint8_t* rgb) {
    void* h = nullptr;
    if (ImgYUV420ToRGBOpen_c(&h, &p, mem()) != 0) return false;
    tYuv420ToRgbData data{yuv.data(), rgb};
    tYuv420ToRgbOptions options{nullptr, option};
    const uint32_t status = ImgYUV420ToRGBProcess_c(h, &data, &options);
    EXPECT_EQ(ImgYUV420ToRGBClose_c(h), 0u);
    return status == 0;
  }
};

TEST_F(RgbModules, YuvToRgbWorkedColours) {
  struct Row {
    uint8_t y, u, v;
    Rgb rgb;
  };
  const Row rows[] = {{16, 128, 128, {0, 0, 0}},
                      {235, 128, 128, {254, 254, 254}},
                      {255, 128, 128, {255, 255, 255}},
                      {128, 128, 128, {130, 130, 130}},
                      {81, 90, 240, {254, 0, 0}}};
  for (uint32_t bits : {24u, 32u}) {
    for (const Row& row : rows) {
      const Bytes yuv = {row.y, row.y, row.y, row.y, row.u, row.v};
      uint8_t rgb[16] = {};
      ASSERT_TRUE(yuv_to_rgb(yuv_param(2, 2, bits), nullptr, yuv, rgb));
      for (uint32_t i = 0; i < 4; ++i) {
        const uint8_t* px = rgb + i * bits / 8;
        const Rgb got{px[2], px[1], px[0]};
        EXPECT_TRUE(got.r == row.rgb.r && got.g == row.rgb.g && got.b == row.rgb.b)
            << bits << "-bit YUV (" << +row.y << "," << +row.u << "," << +row.v << ") pixel " << i
            << " gave (" << got.r << "," << got.g << "," << got.b << ")";
      }
    }
  }
  // 5-6-5: grey 128 converts to 130, whose low three bits are carried along the row (130, 132,
  // 134, 136), restarting on every row.
  const Bytes grey(4 * 2 + 2 * 2 * 1, 128);
  uint8_t rgb[16] = {};
  ASSERT_TRUE(yuv_to_rgb(yuv_param(4, 2, 16), nullptr, grey, rgb));
  const uint16_t expected[] = {0x8410, 0x8430, 0x8430, 0x8C51};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(rgb[2 * i] | rgb[2 * i + 1] << 8, expected[i % 4]) << "5-6-5 pixel " << i;
  }
}

TEST_F(RgbModules, YuvToRgbWindowOrientationAndOddEdges) {
  struct Row {
    int32_t w, h, top, left, win_w, win_h;
    uint32_t bits;
    int option;  // 0: no option, 1: top-down, 2: top-down switched off, 3: unknown kind
  };
  const Row rows[] = {
      {8, 6, 0, 0, 8, 6, 24, 0},   {8, 6, 0, 0, 8, 6, 32, 1},   {8, 6, 0, 0, 8, 6, 16, 1},
      {9, 7, 1, 1, 7, 5, 24, 1},   {9, 7, 1, 1, 7, 5, 32, 0},   {9, 7, 1, 3, 5, 3, 16, 0},
      {9, 7, 2, 2, 7, 5, 16, 1},   {9, 7, 6, 8, 1, 1, 16, 0},   {9, 7, 6, 8, 1, 1, 24, 1},
      {1, 1, 0, 0, 1, 1, 16, 1},   {17, 3, 0, 5, 12, 3, 32, 2}, {16, 4, 1, 3, 10, 2, 24, 3},
      {33, 9, 3, 0, 33, 5, 16, 2},
  };
  pft::Rng rng(301);
  for (const Row& row : rows) {
    tYuv420ToRgbParam p{row.w, row.h, row.top, row.left, row.win_w, row.win_h, row.bits};
    const Bytes yuv = yuv_picture(row.w, row.h, rng);
    const uint32_t row_bytes = static_cast<uint32_t>(row.w) * row.bits / 8;
    pft::GuardedPlane rgb(row_bytes, static_cast<uint32_t>(row.h), row_bytes, rng);
    rgb.fill_random(rng);
    Bytes expected(rgb.data(), rgb.data() + row_bytes * row.h);
    const tYuv420ToRgbOption options[] = {
        {0, 0}, {PF_YUV420TORGB_OPTION_TOP_DOWN, 1}, {PF_YUV420TORGB_OPTION_TOP_DOWN, 0}, {7, 1}};
    expected_conversion(p, row.option == 1, yuv, expected.data());
    ASSERT_TRUE(yuv_to_rgb(p, row.option == 0 ? nullptr : &options[row.option], yuv, rgb.data()));
    SCOPED_TRACE(testing::Message() << row.w << "x" << row.h << " window at " << row.left << ","
                                    << row.top << " " << row.win_w << "x" << row.win_h << " "
                                    << row.bits << "-bit option " << row.option);
    EXPECT_EQ(rgb.check_guards(), "");
    const auto diff = std::mismatch(expected.begin(), expected.end(), rgb.data());
    EXPECT_TRUE(diff.first == expected.end())
        << "first difference at byte " << diff.first - expected.begin();
  }
}

TEST_F(RgbModules, YuvToRgbSetParamReselectsAndOpenRepairsTheTables) {
  // A host that overwrote table entries gets them back at the next Open.
  al32R_V_Tab[200] = 0;
  al32Clip_Tab[2047] = -1;
  void* h = nullptr;
  const tYuv420ToRgbParam p24 = yuv_param(2, 2, 24), p32 = yuv_param(2, 2, 32);
  ASSERT_EQ(ImgYUV420ToRGBOpen_c(&h, &p24, mem()), 0u);
  EXPECT_EQ(al32R_V_Tab[200], 409 * 72);
  EXPECT_EQ(al32Clip_Tab[2047], 255);
  // After SetParam to 32 bits, white fills 16 bytes with (255, 255, 255, 0) and no more.
  ASSERT_EQ(ImgYUV420ToRGBSetParam_c(h, &p32), 0u);
  const Bytes white = {255, 255, 255, 255, 128, 128};
  uint8_t rgb[20];
  std::memset(rgb, 0xAA, sizeof rgb);
  tYuv420ToRgbData data{white.data(), rgb};
  tYuv420ToRgbOptions options{};
  ASSERT_EQ(ImgYUV420ToRGBProcess_c(h, &data, &options), 0u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(rgb[i], i >= 16 ? 0xAA : i % 4 == 3 ? 0 : 255) << i;
  EXPECT_EQ(ImgYUV420ToRGBClose_c(h), 0u);
}

// ---------------------------------------------------------------- RGB resizer

int bytes_per_pixel(uint32_t bits) { return static_cast<int>(bits) / 8; }
int32_t row_length(uint32_t bits, int32_t pixels) {
  return ((static_cast<int32_t>(bits) * pixels + 31) & ~31) / 8;
}

// A source pixel's channels at the source's precision.
Rgb read_source(uint32_t bits, const uint8_t* row, int x, const uint8_t* palette) {
  if (bits == 16) {
    const int w = row[2 * x] | row[2 * x + 1] << 8;
    return {w >> 11, w >> 5 & 63, w & 31};
  }
  const uint8_t* p = bits == 24 ? row + 3 * x : palette + 4 * row[x];
  return {p[2], p[1], p[0]};
}

// The resize formulas, written out per pixel.
void expected_resize(const tRgbResizerParam& p, const uint8_t* src, int32_t src_stride,
                     const uint8_t* palette, uint8_t* dst, int32_t dst_stride) {
  auto step = [](int64_t s, int64_t d) { return d == 1 ? 0 : ((s << 16) - 65536) / (d - 1); };
  const int64_t sx = step(p.s32SrcWidth, p.s32DstWidth), sy = step(p.s32SrcHeight, p.s32DstHeight);
  for (int y = 0; y < p.s32DstHeight; ++y) {
    const int r0 = static_cast<int>(y * sy >> 16), r1 = std::min(r0 + 1, p.s32SrcHeight - 1);
    const int fy = static_cast<int>((y * sy & 0xFFFF) >> 10);
    for (int x = 0; x < p.s32DstWidth; ++x) {
      const int c0 = static_cast<int>(x * sx >> 16), c1 = std::min(c0 + 1, p.s32SrcWidth - 1);
      const int fx = static_cast<int>((x * sx & 0xFFFF) >> 10);
      const uint8_t* row0 = src + r0 * src_stride;
      const uint8_t* row1 = src + r1 * src_stride;
      const Rgb a = read_source(p.u32SrcBitCount, row0, c0, palette);
      const Rgb b = read_source(p.u32SrcBitCount, row0, c1, palette);
      const Rgb c = read_source(p.u32SrcBitCount, row1, c0, palette);
      const Rgb d = read_source(p.u32SrcBitCount, row1, c1, palette);
      auto sum = [&](int Rgb::*ch) {
        return ((a.*ch * (64 - fx) + b.*ch * fx) * (1024 - 16 * fy) +
                (c.*ch * (64 - fx) + d.*ch * fx) * 16 * fy + 32768);
      };
      uint8_t* out = dst + y * dst_stride + x * bytes_per_pixel(p.u32DstBitCount);
      if (p.u32DstBitCount == 24) {
        const int shift_rb = p.u32SrcBitCount == 16 ? 13 : 16;
        const int shift_g = p.u32SrcBitCount == 16 ? 14 : 16;
        out[0] = static_cast<uint8_t>(sum(&Rgb::b) >> shift_rb);
        out[1] = static_cast<uint8_t>(sum(&Rgb::g) >> shift_g);
        out[2] = static_cast<uint8_t>(sum(&Rgb::r) >> shift_rb);
      } else {
        const int extra = p.u32SrcBitCount == 16 ? 0 : 3;  // 8-bit channels keep their top bits
        const int px = (sum(&Rgb::r) >> (16 + extra)) << 11 |
                       (sum(&Rgb::g) >> (16 + (extra ? 2 : 0))) << 5 | sum(&Rgb::b) >> (16 + extra);
        out[0] = static_cast<uint8_t>(px);
        out[1] = static_cast<uint8_t>(px >> 8);
      }
    }
  }
}

tRgbResizerParam resizer_param(uint32_t src_bits, int32_t sw, int32_t sh, uint32_t dst_bits,
                               int32_t dw, int32_t dh) {
  return {sw, sh, src_bits, dw, dh, dst_bits, 0};
}

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
    const tRgbResizerParam p =
        resizer_param(row.src_bits, row.sw, row.sh, row.dst_bits, row.dw, row.dh);
    const int32_t src_stride = row_length(row.src_bits, row.sw + row.src_slack);
    const int32_t dst_stride = row_length(row.dst_bits, row.dw + row.dst_slack);
    Bytes src(static_cast<size_t>(src_stride * row.sh)), palette(1024);
    for (auto& b : src) b = rng.byte();
    for (auto& b : palette) b = rng.byte();
    pft::GuardedPlane dst(static_cast<uint32_t>(row.dw * bytes_per_pixel(row.dst_bits)),
                          static_cast<uint32_t>(row.dh), static_cast<uint32_t>(dst_stride), rng);
    Bytes expected(dst.data(), dst.data() + dst_stride * row.dh);
    expected_resize(p, src.data(), src_stride, palette.data(), expected.data(), dst_stride);

    void* h = nullptr;
    ASSERT_EQ(RGBResizerOpen_c(&h, &p, mem()), 0u);
    tRgbResizerSrc s{src.data(), row.src_bits == 8 ? palette.data() : nullptr,
                     row.sw + row.src_slack};
    tRgbResizerDst d{dst.data(), row.dw + row.dst_slack};
    EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0u);
    EXPECT_EQ(RGBResizerClose_c(h), 0u);
    SCOPED_TRACE(testing::Message() << row.src_bits << "->" << row.dst_bits << " " << row.sw << "x"
                                    << row.sh << " to " << row.dw << "x" << row.dh);
    EXPECT_EQ(s.s32Pitch, src_stride) << "source row length handed back";
    EXPECT_EQ(d.s32Pitch, dst_stride) << "destination row length handed back";
    EXPECT_EQ(dst.check_guards(), "");
    for (int y = 0; y < row.dh; ++y) {
      const size_t at = static_cast<size_t>(y * dst_stride);
      EXPECT_EQ(std::memcmp(dst.data() + at, expected.data() + at, dst.width()), 0) << "row " << y;
    }
  }
}

TEST_F(RgbModules, ResizerWorkedExamples) {
  // 5-6-5 white and black into 24-bit: each level lands mid-way in its 8-bit range.
  const Bytes src565 = {0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00};  // 2x2, columns W, B
  uint8_t out[3 * 12];
  tRgbResizerParam p = resizer_param(16, 2, 2, 24, 3, 3);
  void* h = nullptr;
  ASSERT_EQ(RGBResizerOpen_c(&h, &p, mem()), 0u);
  tRgbResizerSrc s{src565.data(), nullptr, 2};
  tRgbResizerDst d{out, 3};
  ASSERT_EQ(RGBResizerProcess_c(h, &s, &d), 0u);
  EXPECT_EQ(d.s32Pitch, 12);
  EXPECT_EQ(out[0], 252);  // blue, green, red of the white corner
  EXPECT_EQ(out[1], 254);
  EXPECT_EQ(out[2], 252);
  EXPECT_EQ(out[6], 4);  // the black corner
  EXPECT_EQ(out[7], 2);
  EXPECT_EQ(out[8], 4);
  EXPECT_EQ(RGBResizerClose_c(h), 0u);

  // 100 -> 50 steps by 132409: the last pixel lies on source 98 at 63/64, so a lone bright
  // source pixel 99 shows as 255 * 63/64, not 255.
  Bytes line(300, 0);
  line[3 * 99 + 2] = 255;
  uint8_t scaled[3 * 50];
  p = resizer_param(24, 100, 1, 24, 50, 1);
  ASSERT_EQ(RGBResizerOpen_c(&h, &p, mem()), 0u);
  s = {line.data(), nullptr, 100};
  d = {scaled, 50};
  ASSERT_EQ(RGBResizerProcess_c(h, &s, &d), 0u);
  EXPECT_EQ(scaled[3 * 49 + 2], (255 * 63 * 1024 + 32768) >> 16);
  EXPECT_EQ(scaled[3 * 48 + 2], 0);
  EXPECT_EQ(RGBResizerClose_c(h), 0u);
}

// ---------------------------------------------------------------- RGB to YUV

tRgbToYuvParam rgb_param(int32_t w, int32_t h, uint32_t bits, int32_t src_pitch, int32_t dst_pitch,
                         uint32_t bottom_up) {
  return {w, h, src_pitch, bits, w, h, dst_pitch, PF_YUV_420, bottom_up, 0};
}

// Stores one 8-bit colour as a pixel of the given depth.
void put_pixel(uint8_t* at, uint32_t bits, const Rgb& c) {
  if (bits == 16) {
    const int w = (c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3;
    at[0] = static_cast<uint8_t>(w);
    at[1] = static_cast<uint8_t>(w >> 8);
    return;
  }
  at[0] = static_cast<uint8_t>(c.b);
  at[1] = static_cast<uint8_t>(c.g);
  at[2] = static_cast<uint8_t>(c.r);
  if (bits == 32) at[3] = 0x5A;  // never read
}

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
      const int32_t pitch = 2;
      const int32_t stride = row_length(e.bits, pitch);
      Bytes rgb(static_cast<size_t>(2 * stride));
      for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
          const int stored = bottom_up != 0 ? 1 - y : y;
          const Rgb c = x == 0 && y == 0 ? Rgb{255, 0, 0} : Rgb{255, 255, 255};
          put_pixel(rgb.data() + stored * stride + x * static_cast<int>(e.bits) / 8, e.bits, c);
        }
      }
      const tRgbToYuvParam p = rgb_param(2, 2, e.bits, pitch, 2, bottom_up);
      void* h = nullptr;
      ASSERT_EQ(RGBtoYUVOpen_c(&h, &p, mem()), 0u);
      uint8_t yuv[6] = {};
      tRgbToYuvSrc s{rgb.data()};
      tRgbToYuvDst d{yuv, nullptr, nullptr};  // chroma derived behind the 2x2 luma
      ASSERT_EQ(RGBtoYUVProcess_c(h, &s, &d), 0u);
      EXPECT_EQ(RGBtoYUVClose_c(h), 0u);
      const uint8_t expected[6] = {e.y_red, e.y_white, e.y_white, e.y_white, e.u, e.v};
      EXPECT_EQ(std::memcmp(yuv, expected, 6), 0)
          << e.bits << "-bit bottom-up " << bottom_up << ": Y " << +yuv[0] << " " << +yuv[1] << " "
          << +yuv[2] << " " << +yuv[3] << " U " << +yuv[4] << " V " << +yuv[5];
    }
  }
  // Odd sizes cannot be cut into 2x2 blocks.
  const tRgbToYuvParam odd = rgb_param(3, 2, 24, 4, 4, 0);
  void* h = nullptr;
  EXPECT_EQ(RGBtoYUVOpen_c(&h, &odd, mem()), ERR_IMG_RGBTOYUV_OPEN_INPUT_IMG_SIZE);
}

// Runs a conversion into guarded Y, U and V planes made from `seed`, so that two runs with the
// same seed compare byte for byte, guards included.
struct YuvPlanes {
  YuvPlanes(const tRgbToYuvParam& p, uint64_t seed) {
    pft::Rng rng(seed);
    const auto w = static_cast<uint32_t>(p.s32DstWidth), h = static_cast<uint32_t>(p.s32DstHeight);
    const auto pitch = static_cast<uint32_t>(p.s32DstPitch);
    planes = {pft::GuardedPlane(w, h, pitch, rng), pft::GuardedPlane(w / 2, h / 2, pitch / 2, rng),
              pft::GuardedPlane(w / 2, h / 2, pitch / 2, rng)};
  }
  bool operator==(const YuvPlanes& o) const {
    for (int i = 0; i < 3; ++i) {
      if (planes[i].raw() != o.planes[i].raw()) return false;
    }
    return true;
  }
  std::vector<pft::GuardedPlane> planes;
};

TEST_F(RgbModules, MmxKernelsAndCodecConvertersMatchTheScalarKernels) {
  struct Row {
    int32_t w, h, src_slack, dst_slack;
  };
  const Row rows[] = {{2, 2, 0, 0}, {16, 8, 1, 3}, {38, 6, 5, 1}, {64, 30, 0, 7}, {6, 14, 3, 2}};
  pft::Rng rng(36);
  for (const Row& row : rows) {
    for (uint32_t bits : {16u, 24u, 32u}) {
      for (uint32_t bottom_up : {0u, 1u}) {
        const int32_t src_pitch = row.w + row.src_slack;  // odd slacks give odd pixel pitches
        const tRgbToYuvParam p =
            rgb_param(row.w, row.h, bits, src_pitch, row.w + row.dst_slack, bottom_up);
        void* h = nullptr;
        ASSERT_EQ(RGBtoYUVOpen_c(&h, &p, mem()), 0u);
        // Kernels are called with the instance as Process hands it over: pitch in bytes.
        tRgbToYuvInstance inst = *static_cast<tRgbToYuvInstance*>(h);
        inst.tParam.s32SrcPitch = row_length(bits, src_pitch);
        Bytes rgb(static_cast<size_t>(inst.tParam.s32SrcPitch * row.h));
        for (auto& b : rgb) b = rng.byte();
        const uint64_t seed = rng.next();
        SCOPED_TRACE(testing::Message()
                     << row.w << "x" << row.h << " " << bits << "-bit bottom-up " << bottom_up);
        auto run = [&](tRgbToYuvKernel kernel) {
          YuvPlanes out(p, seed);
          kernel(&inst, rgb.data(), out.planes[0].data(), out.planes[1].data(),
                 out.planes[2].data());
          for (const auto& plane : out.planes) EXPECT_EQ(plane.check_guards(), "");
          return out;
        };
        // Through the module, with whatever kernel the processor's dispatch installed.
        YuvPlanes module(p, seed);
        tRgbToYuvSrc s{rgb.data()};
        tRgbToYuvDst d{module.planes[0].data(), module.planes[1].data(), module.planes[2].data()};
        ASSERT_EQ(RGBtoYUVProcess_c(h, &s, &d), 0u);

        if (bits == 16) {
          // The table path equals the 24-bit conversion of the widened pixels.
          tRgbToYuvInstance wide = inst;
          wide.tParam.u32SrcBitCount = 24;
          wide.tParam.s32SrcPitch = 3 * row.w;
          Bytes widened(static_cast<size_t>(3 * row.w * row.h));
          for (int y = 0; y < row.h; ++y) {
            for (int x = 0; x < row.w; ++x) {
              const uint8_t* px = rgb.data() + y * inst.tParam.s32SrcPitch + 2 * x;
              const Rgb c = read_source(16, px, 0, nullptr);
              put_pixel(widened.data() + 3 * (y * row.w + x), 24, {c.r << 3, c.g << 2, c.b << 3});
            }
          }
          YuvPlanes reference(p, seed);
          RGB24toYUV420_c(&wide, widened.data(), reference.planes[0].data(),
                          reference.planes[1].data(), reference.planes[2].data());
          EXPECT_TRUE(run(RGB565toYUV420_c) == reference) << "table vs formulas";
          EXPECT_TRUE(module == reference) << "module";
          EXPECT_EQ(RGBtoYUVClose_c(h), 0u);
          continue;
        }
        const YuvPlanes scalar = run(bits == 24 ? RGB24toYUV420_c : RGB32toYUV420_c);
        EXPECT_TRUE(run(bits == 24 ? RGB24toYUV420_mmx : RGB32toYUV420_mmx) == scalar) << "mmx";
        EXPECT_TRUE(module == scalar) << "module";
        YuvPlanes direct(p, seed);
        const auto convert = bits == 24 ? bgr_to_yv12_mmx : bgra_to_yv12_mmx;
        EXPECT_EQ(convert(rgb.data(), inst.tParam.s32SrcPitch, direct.planes[0].data(),
                          direct.planes[1].data(), direct.planes[2].data(), p.s32DstPitch,
                          p.s32DstPitch / 2, row.w, row.h, bottom_up, nullptr),
                  VIDEOUNIT_OK);
        EXPECT_TRUE(direct == scalar) << "converter";
        EXPECT_EQ(RGBtoYUVClose_c(h), 0u);
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
  // Smooth pictures: each channel a gentle ramp with a random offset and slope, so that chroma
  // taken from a block's top-left pixel is representative of the block.
  //
  // Expected: the same two conversions in real arithmetic, chroma from each block's top-left
  // pixel. The integer pipeline rounds Y, U and V to within 0.5 (1 where U or V saturates at
  // 255); the inverse multiplies those errors by at most 1.164 (Y), 1.598 (V into red) or 2.02
  // (U into blue), and truncates once more (under 1). That stays under 3.7 levels, so 4 is the
  // tolerance; a swapped channel, a wrong row order or a misplaced chroma sample is far outside
  // it.
  pft::Rng rng(420);
  for (uint32_t bits : {24u, 32u}) {
    for (int picture = 0; picture < 4; ++picture) {
      const int w = 24 + 2 * picture, h = 16;
      double base[3], dx[3], dy[3];
      for (int c = 0; c < 3; ++c) {
        base[c] = rng.range(0, 255);
        dx[c] = rng.range(-40, 40) / 10.0;
        dy[c] = rng.range(-40, 40) / 10.0;
      }
      const int bpp = static_cast<int>(bits) / 8;
      const int stride = row_length(bits, w);  // source rows are whole 32-bit words
      Bytes rgb(static_cast<size_t>(stride * h));
      auto colour = [&](int x, int y) {
        int v[3];
        for (int c = 0; c < 3; ++c) {
          const double t = std::fabs(std::fmod(base[c] + dx[c] * x + dy[c] * y, 510.0));
          v[c] = static_cast<int>(t > 255 ? 510 - t : t);  // bounce between 0 and 255
        }
        return Rgb{v[0], v[1], v[2]};
      };
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
          put_pixel(rgb.data() + y * stride + x * bpp, bits, colour(x, y));
      }
      void* h1 = nullptr;
      const tRgbToYuvParam fwd = rgb_param(w, h, bits, w, w, 0);
      ASSERT_EQ(RGBtoYUVOpen_c(&h1, &fwd, mem()), 0u);
      Bytes yuv(static_cast<size_t>(w * h * 3 / 2));
      tRgbToYuvSrc s{rgb.data()};
      tRgbToYuvDst d{yuv.data(), nullptr, nullptr};
      ASSERT_EQ(RGBtoYUVProcess_c(h1, &s, &d), 0u);
      EXPECT_EQ(RGBtoYUVClose_c(h1), 0u);
      Bytes back(static_cast<size_t>(w * h * bpp));
      const tYuv420ToRgbOption top_down{PF_YUV420TORGB_OPTION_TOP_DOWN, 1};
      ASSERT_TRUE(yuv_to_rgb(yuv_param(w, h, bits), &top_down, yuv, back.data()));

      int worst = 0;
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const Rgb p = colour(x, y), q = colour(x & ~1, y & ~1);
          const double yf = (76.0 * p.r + 150.0 * p.g + 29.0 * p.b) / 256;
          const double uf = (-43.0 * q.r - 84.0 * q.g + 128.0 * q.b) / 256;
          const double vf = (128.0 * q.r - 107.0 * q.g - 20.0 * q.b) / 256;
          const double l = 298.0 * (yf - 16) / 256;
          const double want[3] = {l + 409.0 * vf / 256, l - (100.0 * uf + 208.0 * vf) / 256,
                                  l + 517.0 * uf / 256};
          const uint8_t* got = back.data() + (y * w + x) * bpp;
          const int have[3] = {got[2], got[1], got[0]};
          for (int c = 0; c < 3; ++c) {
            const double expected = std::clamp(want[c], 0.0, 255.0);
            worst = std::max(worst, static_cast<int>(std::ceil(std::fabs(have[c] - expected))));
          }
        }
      }
      EXPECT_LE(worst, 4) << bits << "-bit picture " << picture;
    }
  }
}

// ---------------------------------------------------------------- validation

struct ValidationRow {
  const char* what;
  std::function<void(void*)> change;  // applied to a valid record
  uint32_t open_code, setparam_code;  // above the module's block base
};

struct ModuleUnderTest {
  const char* name;
  const tImgProcFuncList* table;
  uint32_t base;
  Bytes valid;  // a valid parameter record
  std::vector<ValidationRow> rows;
};

template <class Param>
std::function<void(void*)> edit(std::function<void(Param&)> f) {
  return [f](void* p) { f(*static_cast<Param*>(p)); };
}

template <class Param>
Bytes record(const Param& p) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&p);
  return Bytes(bytes, bytes + sizeof p);
}

std::vector<ModuleUnderTest> modules() {
  using Y = tYuv420ToRgbParam;
  using R = tRgbResizerParam;
  using T = tRgbToYuvParam;
  return {
      {"yuv420torgb",
       &tYUVYUV420toRGBFuncs,
       0xC1000000,
       record(Y{8, 6, 1, 2, 6, 5, 24}),
       {{"width 0", edit<Y>([](Y& p) { p.s32Width = 0; }), 0x66, 0x71},
        {"height -1, bad bits", edit<Y>([](Y& p) { p.s32Height = -1, p.u32BitCount = 8; }), 0x66,
         0x71},
        {"top = height", edit<Y>([](Y& p) { p.s32WinTop = 6; }), 0x67, 0x72},
        {"top -1", edit<Y>([](Y& p) { p.s32WinTop = -1; }), 0x67, 0x72},
        {"left = width, too high", edit<Y>([](Y& p) { p.s32WinLeft = 8, p.s32WinHeight = 9; }),
         0x68, 0x73},
        {"window width over", edit<Y>([](Y& p) { p.s32WinWidth = 7; }), 0x6A, 0x75},
        {"width 0 before height", edit<Y>([](Y& p) { p.s32WinWidth = 0, p.s32WinHeight = 0; }),
         0x6A, 0x75},
        {"window height over", edit<Y>([](Y& p) { p.s32WinHeight = 6; }), 0x69, 0x74},
        {"bit count 8", edit<Y>([](Y& p) { p.u32BitCount = 8; }), 0x6B, 0x76}}},
      {"rgb_resizer",
       &tRGBResizerFuncs,
       0xC7C00000,
       record(R{64, 48, 24, 32, 24, 16, 0}),
       {{"source width 0", edit<R>([](R& p) { p.s32SrcWidth = 0; }), 0x04, 0x0D},
        {"source width 12289", edit<R>([](R& p) { p.s32SrcWidth = 12289; }), 0x04, 0x0D},
        {"source height 0, bad bits",
         edit<R>([](R& p) { p.s32SrcHeight = 0, p.u32SrcBitCount = 32; }), 0x04, 0x0D},
        {"destination width 12289", edit<R>([](R& p) { p.s32DstWidth = 12289; }), 0x05, 0x0E},
        {"destination height 0", edit<R>([](R& p) { p.s32DstHeight = 0; }), 0x05, 0x0E},
        {"source bits 32", edit<R>([](R& p) { p.u32SrcBitCount = 32, p.u32DstBitCount = 7; }), 0x09,
         0x0F},
        {"destination bits 32", edit<R>([](R& p) { p.u32DstBitCount = 32; }), 0x0A, 0x10},
        {"pair 24->8", edit<R>([](R& p) { p.u32DstBitCount = 8; }), 0x20, 0x20},
        {"pair 16->8", edit<R>([](R& p) { p.u32SrcBitCount = 16, p.u32DstBitCount = 8; }), 0x20,
         0x20},
        {"pair 8->8", edit<R>([](R& p) { p.u32SrcBitCount = 8, p.u32DstBitCount = 8; }), 0x20,
         0x20},
        {"pair 8->24", edit<R>([](R& p) { p.u32SrcBitCount = 8, p.u32DstBitCount = 24; }), 0x20,
         0x20}}},
      {"rgbtoyuv",
       &tRGBtoYUVFuncs,
       0xC8C00000,
       record(T{32, 16, 40, 24, 32, 16, 36, 420, 1, 0}),
       {{"width 3", edit<T>([](T& p) { p.s32SrcWidth = 3; }), 0x04, 0x10},
        {"height 0", edit<T>([](T& p) { p.s32SrcHeight = 0; }), 0x04, 0x10},
        {"width 12290 (SetParam only), type 0", edit<T>([](T& p) {
           p.s32SrcWidth = p.s32DstWidth = p.s32SrcPitch = p.s32DstPitch = 12290,
           p.u32DstYuvType = 0;
         }),
         0x0C, 0x10},
        {"source pitch below width", edit<T>([](T& p) { p.s32SrcPitch = 30; }), 0x05, 0x11},
        {"source pitch too long in bytes", edit<T>([](T& p) { p.s32SrcPitch = 0x7FFFFFF0; }), 0x05,
         0x11},
        {"destination height differs", edit<T>([](T& p) { p.s32DstHeight = 18; }), 0x06, 0x12},
        {"destination width odd", edit<T>([](T& p) { p.s32DstWidth = 31; }), 0x06, 0x12},
        {"destination pitch below width", edit<T>([](T& p) { p.s32DstPitch = 31; }), 0x07, 0x13},
        {"bit count 8, type 422",
         edit<T>([](T& p) { p.u32SrcBitCount = 8, p.u32DstYuvType = 422; }), 0x0B, 0x14},
        {"YUV type 422", edit<T>([](T& p) { p.u32DstYuvType = 422; }), 0x0C, 0x15}}},
  };
}

TEST_F(RgbModules, ValidationReportsTheFirstFailingFieldInOpenAndSetParam) {
  for (const ModuleUnderTest& m : modules()) {
    const tImgProcFuncList& t = *m.table;
    void* h = nullptr;
    ASSERT_EQ(t.Open(&h, m.valid.data(), mem()), 0u) << m.name;
    for (const ValidationRow& row : m.rows) {
      SCOPED_TRACE(testing::Message() << m.name << ": " << row.what);
      Bytes p = m.valid;
      row.change(p.data());
      const uint64_t allocations = stats().u64Allocations;
      void* never = nullptr;
      EXPECT_EQ(t.Open(&never, p.data(), mem()), m.base + row.open_code);
      EXPECT_EQ(never, nullptr);
      // Only a refused bit-count pair is found after the instance exists (and is released).
      if (m.base + row.open_code != ERR_RGB_RESIZER_FUNC_SELECT) {
        EXPECT_EQ(stats().u64Allocations, allocations);
      }
      EXPECT_EQ(live_blocks(), m.table == &tRGBtoYUVFuncs ? 3u : 2u);
      EXPECT_EQ(t.SetParam(h, p.data()), m.base + row.setparam_code);
      Bytes status(p.size());
      ASSERT_EQ(t.GetStatus(h, status.data()), 0u);
      EXPECT_EQ(status, m.valid) << "a refused SetParam changed the instance";
    }
    EXPECT_EQ(t.Close(h), 0u) << m.name;
  }
}

TEST_F(RgbModules, PointerChecksOfEveryEntryPoint) {
  // Codes above each module's block base: Open's handle, record and memory handle; SetParam's
  // handle and record; GetStatus's handle and record; Close's handle, memory handle and free.
  const uint32_t codes[][10] = {{0x63, 0x64, 0x65, 0x6F, 0x70, 0x81, 0x82, 0x7E, 0x7F, 0x80},
                                {0x01, 0x02, 0x03, 0x0B, 0x0C, 0x1D, 0x1E, 0x1A, 0x1B, 0x1C},
                                {0x01, 0x02, 0x03, 0x0E, 0x0F, 0x23, 0x24, 0x20, 0x21, 0x22}};
  const auto all = modules();
  for (size_t i = 0; i < all.size(); ++i) {
    SCOPED_TRACE(all[i].name);
    const tImgProcFuncList& t = *all[i].table;
    const uint32_t base = all[i].base;
    const uint32_t* c = codes[i];
    const uint8_t* valid = all[i].valid.data();
    void* h = nullptr;
    EXPECT_EQ(t.Open(nullptr, valid, mem()), base + c[0]);
    EXPECT_EQ(t.Open(&h, nullptr, nullptr), base + c[1]);
    EXPECT_EQ(t.Open(&h, valid, nullptr), base + c[2]);
    ASSERT_EQ(t.Open(&h, valid, mem()), 0u);
    EXPECT_EQ(t.SetParam(nullptr, valid), base + c[3]);
    EXPECT_EQ(t.SetParam(h, nullptr), base + c[4]);
    Bytes status(all[i].valid.size());
    EXPECT_EQ(t.GetStatus(nullptr, status.data()), base + c[5]);
    EXPECT_EQ(t.GetStatus(h, nullptr), base + c[6]);
    EXPECT_EQ(t.Debug(h, nullptr), 0u);
    EXPECT_EQ(t.Close(nullptr), base + c[7]);
    EXPECT_EQ(t.Close(h), 0u);
    // An instance record without a memory handle, and one the service never handed out.
    alignas(16) uint8_t fake[256] = {};
    EXPECT_EQ(t.Close(fake), base + c[8]);
    void* const foreign = mem();
    std::memcpy(fake, &foreign, sizeof foreign);
    EXPECT_EQ(t.Close(fake), base + c[9]);
  }
}

TEST_F(RgbModules, ProcessChecksItsRecordsInOrder) {
  uint8_t pixels[4096] = {};
  uint8_t palette[1024] = {};
  // YUV to RGB: handle, data record, option record, source, destination.
  void* h = nullptr;
  const tYuv420ToRgbParam yp = yuv_param(4, 4, 16);
  ASSERT_EQ(ImgYUV420ToRGBOpen_c(&h, &yp, mem()), 0u);
  tYuv420ToRgbData data{nullptr, nullptr};
  tYuv420ToRgbOptions options{};
  EXPECT_EQ(ImgYUV420ToRGBProcess_c(nullptr, &data, &options), 0xC1000077u);
  EXPECT_EQ(ImgYUV420ToRGBProcess_c(h, nullptr, nullptr), 0xC1000078u);
  EXPECT_EQ(ImgYUV420ToRGBProcess_c(h, &data, nullptr), 0xC1000079u);
  EXPECT_EQ(ImgYUV420ToRGBProcess_c(h, &data, &options), 0xC100007Au);
  data.pu8Yuv = pixels;
  EXPECT_EQ(ImgYUV420ToRGBProcess_c(h, &data, &options), 0xC100007Bu);
  EXPECT_EQ(ImgYUV420ToRGBClose_c(h), 0u);

  // RGB resizer: handle, records, source data (and palette), destination data, pitches.
  const tRgbResizerParam rp = resizer_param(8, 8, 4, 16, 4, 2);
  ASSERT_EQ(RGBResizerOpen_c(&h, &rp, mem()), 0u);
  tRgbResizerSrc s{pixels, nullptr, 8};
  tRgbResizerDst d{nullptr, 4};
  EXPECT_EQ(RGBResizerProcess_c(nullptr, &s, &d), 0xC7C00011u);
  EXPECT_EQ(RGBResizerProcess_c(h, nullptr, &d), 0xC7C00012u);
  EXPECT_EQ(RGBResizerProcess_c(h, &s, nullptr), 0xC7C00013u);
  EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0xC7C00014u);  // 8-bit source without palette
  s.pu8Palette = palette;
  EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0xC7C00015u);
  d.pu8Data = pixels;
  s.s32Pitch = 7;
  d.s32Pitch = 3;
  EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0xC7C00016u);
  s.s32Pitch = 8;
  EXPECT_EQ(RGBResizerProcess_c(h, &s, &d), 0xC7C00017u);
  EXPECT_EQ(s.s32Pitch, 8) << "a refused call leaves the records alone";
  EXPECT_EQ(RGBResizerClose_c(h), 0u);

  // RGB to YUV: handle, records, source buffer, Y plane.
  const tRgbToYuvParam tp = rgb_param(4, 4, 24, 4, 4, 0);
  ASSERT_EQ(RGBtoYUVOpen_c(&h, &tp, mem()), 0u);
  tRgbToYuvSrc ts{nullptr};
  tRgbToYuvDst td{nullptr, pixels + 3000, pixels + 3100};
  EXPECT_EQ(RGBtoYUVProcess_c(nullptr, &ts, &td), 0xC8C00017u);
  EXPECT_EQ(RGBtoYUVProcess_c(h, nullptr, &td), 0xC8C00018u);
  EXPECT_EQ(RGBtoYUVProcess_c(h, &ts, nullptr), 0xC8C00019u);
  EXPECT_EQ(RGBtoYUVProcess_c(h, &ts, &td), 0xC8C0001Au);
  ts.pu8Rgb = pixels;
  EXPECT_EQ(RGBtoYUVProcess_c(h, &ts, &td), 0xC8C0001Bu);
  td.pu8Y = pixels + 2048;
  EXPECT_EQ(RGBtoYUVProcess_c(h, &ts, &td), 0u);
  tRgbToYuvParam status{};
  ASSERT_EQ(RGBtoYUVGetStatus_c(h, &status), 0u);
  EXPECT_EQ(status.s32SrcPitch, 4) << "the pitch in pixels is restored after the kernel";
  EXPECT_EQ(RGBtoYUVClose_c(h), 0u);
}

TEST_F(RgbModules, FailedOpenReleasesEverythingInReverseOrder) {
  for (const ModuleUnderTest& m : modules()) {
    const Bytes& valid = m.valid;
    const tImgProcFuncList& t = *m.table;
    std::vector<pft::OpenFailure> failures;
    if (m.table == &tYUVYUV420toRGBFuncs) {
      failures = {{1, 0xC100006C}, {2, 0xC100006D}, {0, 0xC100006E}};
    } else if (m.table == &tRGBResizerFuncs) {
      failures = {{1, 0xC7C00006}, {2, 0xC7C00007}, {0, 0xC7C00008}};
    } else {
      // The 5-6-5 table comes last, after the DMA handle.
      failures = {{1, 0xC8C00008}, {2, 0xC8C00009}, {0, 0xC8C0000A}, {3, 0xC8C00008}};
    }
    pft::expect_open_rolls_back(
        mem(), [&](void** out) { return t.Open(out, valid.data(), mem()); }, t.Close, failures);
  }
  // The table is a 0x40000-byte block of its own, freed by Close.
  void* h = nullptr;
  const auto valid = modules()[2].valid;
  ASSERT_EQ(RGBtoYUVOpen_c(&h, valid.data(), mem()), 0u);
  EXPECT_EQ(stats().u64LiveBlocks, 3u);
  EXPECT_EQ(stats().u64LiveBytes, sizeof(tRgbToYuvInstance) + PF_FAST_SCRATCH_BYTES + 0x40000u);
  EXPECT_EQ(RGBtoYUVClose_c(h), 0u);
}

// ---------------------------------------------------------------- names, versions, registry

TEST_F(RgbModules, NamesVersionsSizesAndRegistry) {
  struct Row {
    const tImgProcFuncList* table;
    uint32_t id;
    const char* const* names;
    uint32_t first, end, null_name, null_version, short_version, mem_size;
    const char* first_name;
    const char* end_name;
    const char* version_prefix;
  };
  const Row rows[] = {
      {&tYUVYUV420toRGBFuncs, 3, pas8ImageYUV420ToRGBSelfAnalyzeErrorCode, 0xC1000063, 0xC1000084,
       0xC1000083, 0xC100007C, 0xC100007D, 88, "ERR_IMG_420TORGB_OPEN_INPUT_HANDLE",
       "ERR_IMG_420TORGB_END", "ColorSpace Version: pelforge_v300.yuv420torgb.002, Compile time: "},
      {&tRGBResizerFuncs, 26, pas8RGBResizerAnalyzeErrorCode, 0xC7C00001, 0xC7C00021, 0xC7C0001F,
       0xC7C00018, 0xC7C00019, 80, "ERR_RGB_RESIZER_OPEN_INPUT_HANDLE", "ERR_RGB_RESIZER_END",
       "ImageRGB Version: pelforge_v300.ImageRGB.001, Compile time: "},
      {&tRGBtoYUVFuncs, 36, pas8RGBtoYUVAnalyzeErrorCode, 0xC8C00001, 0xC8C00027, 0xC8C00025,
       0xC8C0001E, 0xC8C0001F, 0x40070, "ERR_IMG_RGBTOYUV_OPEN_INPUT_HANDLE",
       "ERR_IMG_RGBTOYUV_END", "ImageRGB Version: pelforge_v300.ImageRGBtoYUV.005, Compile time: "},
  };
  for (const Row& row : rows) {
    const tImgProcFuncList& t = *row.table;
    const std::string who = row.first_name;
    EXPECT_EQ(VekVideoPelForgeGetFuncList(row.id), row.table) << who;
    char buf[128];
    // Names: both ends of the range, the codes just outside it, the exact length boundary.
    EXPECT_EQ(t.AnalyzeErrorCode(row.first, sizeof buf, buf), 0u) << who;
    EXPECT_STREQ(buf, row.first_name);
    EXPECT_EQ(t.AnalyzeErrorCode(row.end, sizeof buf, buf), 0u) << who;
    EXPECT_STREQ(buf, row.end_name);
    EXPECT_STREQ(row.names[row.end - row.first], row.end_name);
    EXPECT_EQ(t.AnalyzeErrorCode(row.first - 1, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE) << who;
    EXPECT_EQ(t.AnalyzeErrorCode(row.end + 1, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE) << who;
    const auto length = static_cast<int32_t>(std::strlen(row.end_name));
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(t.AnalyzeErrorCode(row.end, length, buf), PF_ERR_NAME_BUFFER_SHORT) << who;
    EXPECT_EQ(buf[0], 'x') << who;
    EXPECT_EQ(t.AnalyzeErrorCode(row.end, length + 1, buf), 0u) << who;
    EXPECT_EQ(t.AnalyzeErrorCode(row.first, sizeof buf, nullptr), row.null_name) << who;
    EXPECT_EQ(t.AnalyzeErrorCode(0xC6A00004, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE) << who;

    // Versions: 99 bytes are refused, 100 are enough; the length excludes the terminator.
    uint32_t text_len = 0;
    EXPECT_EQ(t.GetVersion(nullptr, 100, &text_len), row.null_version) << who;
    EXPECT_EQ(t.GetVersion(buf, 99, &text_len), row.short_version) << who;
    EXPECT_EQ(text_len, 0u);
    ASSERT_EQ(t.GetVersion(buf, 100, &text_len), 0u) << who;
    EXPECT_EQ(text_len, std::strlen(buf)) << who;
    EXPECT_EQ(std::string(buf).rfind(row.version_prefix, 0), 0u) << buf;
    EXPECT_EQ(std::string(buf).substr(text_len - 2), ".\n") << who;

    uint32_t size = 0;
    EXPECT_EQ(t.GetMemSize(nullptr, &size), 0u) << who;
    EXPECT_EQ(size, row.mem_size) << who;
  }
}

}  // namespace
