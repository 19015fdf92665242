// SPDX-License-Identifier: BSD-2-Clause
// Pictures through planned chains of library modules: lossless format and storage conversions
// (including the routes through yuv420p the resizer needs for some pairs), placement margins,
// the RGB modules with rows that need re-spacing, and the geometry helpers.
#include "pipeline.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "cli.hpp"
#include "modules.hpp"
#include "rng.hpp"
#include "verbs/zoom_stages.hpp"
#include "video_mem.h"

namespace pf::cli {
namespace {

VideoFormat fmt(int w, int h, const char* name, uint32_t layout = PF_IMAGE_FRAME) {
  VideoFormat f;
  f.width = w;
  f.height = h;
  f.fmt = find_pix_fmt(name);
  f.layout = layout;
  return f;
}

std::vector<uint8_t> random_bytes(size_t n, uint64_t seed) {
  pft::Rng rng(seed);
  std::vector<uint8_t> data(n);
  for (uint8_t& b : data) b = rng.byte();
  return data;
}

// Runs one picture through a freshly planned chain; closing the chain must give every block back.
std::vector<uint8_t> convert(const VideoFormat& in, const VideoFormat& out,
                             std::vector<uint8_t> data, const Geometry& g = Geometry{}) {
  MemHandle mem;
  std::vector<uint8_t> result;
  {
    Pipeline p(Request{in, out, g}, mem.get(), [](const std::string&) {});
    const uint8_t* r = p.run(data.data());
    result.assign(r, r + out.frame_size());
  }
  tVideoMemStats stats{};
  VideoMemGetStats(mem.get(), &stats);
  EXPECT_EQ(stats.u64LiveBlocks, 0u) << "a stage did not close its instance";
  return result;
}

// The picture a w x h yuv420p picture becomes in `name`, built sample by sample: the 4:2:2
// formats repeat each chroma line.
std::vector<uint8_t> reference(const std::string& name, int w, int h,
                               const std::vector<uint8_t>& p) {
  auto Y = [&](int x, int y) { return p[static_cast<size_t>(y * w + x)]; };
  auto C = [&](int plane, int x, int y) {  // x in chroma samples, y in luma lines
    return p[static_cast<size_t>(w * h + plane * (w / 2) * (h / 2) + (y / 2) * (w / 2) + x)];
  };
  std::vector<uint8_t> o;
  const std::string packed = name == "uyvy422" ? "UYVY" : name == "yuyv422" ? "YUYV" : "";
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w / 2; ++x) {
      for (int k = 0; k < static_cast<int>(packed.size()); ++k) {
        o.push_back(packed[k] == 'Y' ? Y(2 * x + k / 2, y) : C(packed[k] == 'V', x, y));
      }
    }
  }
  if (!o.empty()) return o;
  o.assign(p.begin(), p.begin() + w * h);
  const int first = name == "yv12" || name == "nv21" ? 1 : 0;
  const int line_step = name == "yuv422p" ? 1 : 2;
  for (int plane : {first, 1 - first}) {
    for (int y = 0; y < h; y += line_step) {
      for (int x = 0; x < w / 2; ++x) {
        o.push_back(C(plane, x, y));
        if (name[0] == 'n') o.push_back(C(1 - plane, x, y));  // nv12, nv21: pairs in one plane
      }
    }
    if (name[0] == 'n') break;
  }
  return o;
}

TEST(Pipeline, YuvFormatAndStorageConversionsAreLossless) {
  // Every pair of formats, including those the resizer has no kernel for, which go through
  // yuv420p: the result is exactly the reference picture.
  const char* const names[] = {"yuv420p", "yv12", "yuv422p", "uyvy422", "yuyv422", "nv12", "nv21"};
  const std::vector<uint8_t> original = random_bytes(64 * 32 * 3 / 2, 1);
  for (const char* a : names) {
    for (const char* b : names) {
      SCOPED_TRACE(std::string(a) + " -> " + b);
      EXPECT_TRUE(convert(fmt(64, 32, a), fmt(64, 32, b), reference(a, 64, 32, original)) ==
                  reference(b, 64, 32, original));
    }
  }
  for (auto [from, via] : {std::pair{PF_IMAGE_FRAME, PF_IMAGE_FIELD},
                           {PF_IMAGE_INTERLACED, PF_IMAGE_FIELD},
                           {PF_IMAGE_FIELD, PF_IMAGE_FRAME}}) {
    SCOPED_TRACE(std::string(layout_name(from)) + " -> " + layout_name(via));
    const VideoFormat a = fmt(64, 32, "yuv420p", from), b = fmt(64, 32, "yuv420p", via);
    const std::vector<uint8_t> there = convert(a, b, original);
    EXPECT_FALSE(there == original) << "the lines were not re-ordered";
    EXPECT_TRUE(convert(b, a, there) == original);
  }
}

TEST(Pipeline, MarginsAreFilledOrLeftBlackAndCropsAreCut) {
  // A flat picture scaled into a larger one: offset margins stay black, fill margins take the
  // fill colour, the picture keeps its colour. Bilinear and nearest alike.
  const VideoFormat in = fmt(32, 16, "yuv420p"), out = fmt(64, 40, "yuv420p");
  const int colour[3] = {100, 110, 120};  // Y, U and V of the flat picture
  std::vector<uint8_t> flat(512, colour[0]);
  flat.resize(640, colour[1]);
  flat.resize(768, colour[2]);
  for (bool nearest : {false, true}) {
    SCOPED_TRACE(nearest ? "nearest" : "bilinear");
    const Geometry g{.offset = {4, 0, 8, 0},
                     .fill = {2, 2, 4, 4},
                     .fill_color = {200, 50, 60},
                     .nearest = nearest};
    std::vector<uint8_t> expected;
    for (int plane = 0; plane < 3; ++plane) {
      const int step = plane == 0 ? 1 : 2;  // a chroma sample covers 2 x 2 pixels
      for (int y = 0; y < 40; y += step) {
        for (int x = 0; x < 64; x += step) {
          const bool offset = x < 8 || y < 4, fill = x < 12 || x >= 60 || y < 6 || y >= 38;
          const int v = offset ? (plane ? 128 : 16) : fill ? g.fill_color[plane] : colour[plane];
          expected.push_back(static_cast<uint8_t>(v));
        }
      }
    }
    EXPECT_EQ(convert(in, out, flat, g), expected);
  }
  // Cutting the right half of a picture whose halves differ keeps only the left one.
  std::vector<uint8_t> halves(in.frame_size(), 128);
  for (int i = 0; i < 32 * 16; ++i) halves[static_cast<size_t>(i)] = i % 32 < 16 ? 50 : 200;
  const std::vector<uint8_t> r =
      convert(in, fmt(16, 16, "yuv420p"), halves, {.crop = {0, 0, 0, 16}});
  EXPECT_EQ(std::vector<uint8_t>(r.begin(), r.begin() + 256), std::vector<uint8_t>(256, 50));
}

TEST(Pipeline, RgbOrdersDepthsAndRowSpacing) {
  // Studio white and the red of (81, 90, 240) through YUV-to-RGB into every RGB layout.
  struct Row {
    const char* out;
    int y, u, v;
    std::vector<uint8_t> pixel;
  };
  const Row rows[] = {
      {"rgb24", 235, 128, 128, {254, 254, 254}}, {"rgb24", 81, 90, 240, {254, 0, 0}},
      {"bgr24", 81, 90, 240, {0, 0, 254}},       {"bgra", 81, 90, 240, {0, 0, 254, 255}},
      {"bgr0", 81, 90, 240, {0, 0, 254, 0}},     {"rgb24", 16, 128, 128, {0, 0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.out) + " of " + std::to_string(r.y) + "," + std::to_string(r.u) +
                 "," + std::to_string(r.v));
    std::vector<uint8_t> yuv(24, static_cast<uint8_t>(r.y));
    yuv.resize(30, static_cast<uint8_t>(r.u));
    yuv.resize(36, static_cast<uint8_t>(r.v));
    std::vector<uint8_t> expected;
    for (int p = 0; p < 24; ++p) expected.insert(expected.end(), r.pixel.begin(), r.pixel.end());
    EXPECT_EQ(convert(fmt(6, 4, "yuv420p"), fmt(6, 4, r.out), yuv), expected);
  }
  // Pure red, red first in memory, into 4:2:0 with the library's full-range rule.
  std::vector<uint8_t> red(4 * 2 * 3, 0);
  for (size_t i = 0; i < red.size(); i += 3) red[i] = 255;
  EXPECT_EQ(convert(fmt(4, 2, "rgb24"), fmt(4, 2, "yuv420p"), red),
            (std::vector<uint8_t>{76, 76, 76, 76, 76, 76, 76, 76, 85, 85, 255, 255}));

  // Packed rows of 3 x 2 bytes and 3 x 3 bytes are not multiples of 4; the RGB resizer reads and
  // writes 4-byte rows. At the same size it widens 5-6-5 to v * 8 + 4 (green v * 4 + 2) and
  // narrows 8-bit channels to their top bits, so every pixel tells whether its row was placed.
  for (int width : {3, 5, 6, 8}) {
    SCOPED_TRACE("width " + std::to_string(width));
    const VideoFormat w565 = fmt(width, 3, "rgb565le"), w24 = fmt(width, 3, "bgr24");
    const std::vector<uint8_t> words = random_bytes(w565.frame_size(), 3);
    std::vector<uint8_t> expected;
    for (size_t p = 0; p < words.size(); p += 2) {
      const unsigned v = words[p] | words[p + 1] << 8;
      expected.insert(expected.end(), {static_cast<uint8_t>((v & 31) * 8 + 4),
                                       static_cast<uint8_t>((v >> 5 & 63) * 4 + 2),
                                       static_cast<uint8_t>((v >> 11) * 8 + 4)});
    }
    EXPECT_EQ(convert(w565, w24, words), expected);
    EXPECT_EQ(convert(w24, w565, expected), words) << "24 -> 16 keeps the top bits";
  }
}

// The bars resize --keep-aspect hands to ImageAptZoom: the picture's shape kept, centred,
// multiples of 4 that leave an even picture.
TEST(Metrics, KeepAspectBarsCentreThePictureInItsShape) {
  struct Row {
    int w, h, out_w, out_h;
    std::array<int, 4> bars;  // top, bottom, left, right
  } rows[] = {
      {720, 576, 1280, 720, {0, 0, 192, 188}},  // 5:4 into 16:9: pillarbox, 900 wide
      {1920, 1080, 720, 576, {84, 88, 0, 0}},   // 16:9 into 5:4: letterbox, 404 high
      {720, 576, 360, 288, {0, 0, 0, 0}},       // the same shape: no bars
      {352, 288, 352, 288, {0, 0, 0, 0}},
      {640, 480, 720, 576, {20, 16, 0, 0}},     // 4:3 into 5:4: 540 high
      {100, 1000, 720, 576, {0, 0, 332, 332}},  // very tall: 57.6 wide rounds to 56
  };
  for (const Row& r : rows) {
    EXPECT_EQ(keep_aspect_bars(r.w, r.h, r.out_w, r.out_h), r.bars)
        << r.w << "x" << r.h << " into " << r.out_w << "x" << r.out_h;
  }
}

TEST(Metrics, AspectRatioAndPsnr) {
  EXPECT_EQ(scaled_sar({16, 15}, 720, 576, 352, 288), (Rational{12, 11}));
  EXPECT_EQ(scaled_sar({1, 1}, 720, 576, 352, 288), (Rational{45, 44}));
  EXPECT_EQ(scaled_sar({1, 1}, 720, 576, 720, 576), (Rational{1, 1}));
  EXPECT_EQ(scaled_sar({0, 0}, 720, 576, 352, 288), (Rational{0, 0}));
  EXPECT_EQ(scaled_sar({16, 15}, 704, 576, 0, 288), (Rational{0, 0}));
  const uint8_t a[4] = {0, 10, 20, 30}, b[4] = {0, 10, 20, 31};
  EXPECT_EQ(psnr(a, a, 4), 100.0);
  EXPECT_NEAR(psnr(a, b, 4), 10 * std::log10(255.0 * 255.0 * 4), 1e-9);
}

}  // namespace
}  // namespace pf::cli
