// SPDX-License-Identifier: BSD-2-Clause
// Pictures through planned chains of library modules: lossless format and storage round trips
// (including the routes through yuv420p the resizer needs for some pairs), placement margins,
// the RGB modules with rows that need re-spacing, and refusals carrying the module's code.
#include "pipeline.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cli.hpp"
#include "cli_error.hpp"
#include "img_resizer.h"
#include "img_rgbtoyuv.h"
#include "modules.hpp"
#include "rng.hpp"
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

std::vector<uint8_t> random_picture(const VideoFormat& f, uint64_t seed) {
  pft::Rng rng(seed);
  std::vector<uint8_t> data(f.frame_size());
  for (uint8_t& b : data) b = rng.byte();
  return data;
}

// Runs one picture through a freshly planned chain and checks that closing the chain gives every
// block back to the memory service.
struct Converted {
  std::vector<uint8_t> data;
  std::vector<std::string> notes;
  std::vector<std::string> stages;
};

Converted convert(const VideoFormat& in, const VideoFormat& out, std::vector<uint8_t> data,
                  const Geometry& g = Geometry{}) {
  MemHandle mem;
  Converted c;
  {
    Pipeline p(Request{in, out, g}, mem.get(), [&](const std::string& n) { c.notes.push_back(n); });
    const uint8_t* result = p.run(data.data());
    c.data.assign(result, result + out.frame_size());
    c.stages = p.describe();
  }
  tVideoMemStats stats{};
  VideoMemGetStats(mem.get(), &stats);
  EXPECT_EQ(stats.u64LiveBlocks, 0u) << "a stage did not close its instance";
  return c;
}

TEST(Pipeline, YuvFormatsRoundTripWithoutLoss) {
  // 4:2:0 -> A -> B -> 4:2:0 for every pair of formats: the 4:2:2 formats repeat each chroma
  // line and the way back keeps one of the two, so nothing may change. Pairs the resizer has no
  // kernel for go through yuv420p.
  const char* const names[] = {"yuv420p", "yv12", "yuv422p", "uyvy422", "yuyv422", "nv12", "nv21"};
  const VideoFormat base = fmt(64, 32, "yuv420p");
  const std::vector<uint8_t> original = random_picture(base, 1);
  for (const char* a : names) {
    const Converted to_a = convert(base, fmt(64, 32, a), original);
    for (const char* b : names) {
      SCOPED_TRACE(std::string("yuv420p -> ") + a + " -> " + b + " -> yuv420p");
      const Converted to_b = convert(fmt(64, 32, a), fmt(64, 32, b), to_a.data);
      const Converted back = convert(fmt(64, 32, b), base, to_b.data);
      EXPECT_TRUE(back.data == original);
    }
  }
}

TEST(Pipeline, StorageRoundTripsWithoutLoss) {
  struct Row {
    const char* name;
    uint32_t from, via;
  };
  const Row rows[] = {{"frame -> field", PF_IMAGE_FRAME, PF_IMAGE_FIELD},
                      {"interlaced -> field", PF_IMAGE_INTERLACED, PF_IMAGE_FIELD},
                      {"field -> frame", PF_IMAGE_FIELD, PF_IMAGE_FRAME}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const VideoFormat a = fmt(64, 32, "yuv420p", r.from), b = fmt(64, 32, "yuv420p", r.via);
    const std::vector<uint8_t> original = random_picture(a, 2);
    const Converted there = convert(a, b, original);
    EXPECT_FALSE(there.data == original) << "the lines were not re-ordered";
    EXPECT_TRUE(convert(b, a, there.data).data == original);
  }
}

TEST(Pipeline, MarginsAreFilledOrLeftBlack) {
  // A flat picture scaled into a larger one: offset margins stay black, fill margins take the
  // fill colour, the picture keeps its colour. Bilinear and nearest alike.
  const VideoFormat in = fmt(32, 16, "yuv420p");
  std::vector<uint8_t> flat(in.frame_size());
  for (size_t i = 0; i < flat.size(); ++i) flat[i] = i < 512 ? 100 : i < 640 ? 110 : 120;
  const VideoFormat out = fmt(64, 40, "yuv420p");
  for (bool nearest : {false, true}) {
    SCOPED_TRACE(nearest ? "nearest" : "bilinear");
    Geometry g;
    g.offset = {4, 0, 8, 0};
    g.fill = {2, 2, 4, 4};
    g.fill_color = {200, 50, 60};
    g.nearest = nearest;
    const std::vector<uint8_t> r = convert(in, out, flat, g).data;
    auto y_at = [&](int x, int y) { return r[static_cast<size_t>(y * 64 + x)]; };
    auto u_at = [&](int x, int y) {
      return r[static_cast<size_t>(64 * 40 + (y / 2) * 32 + x / 2)];
    };
    EXPECT_EQ(y_at(0, 0), 16) << "offset corner";
    EXPECT_EQ(y_at(7, 39), 16) << "offset left column";
    EXPECT_EQ(y_at(20, 3), 16) << "offset top rows";
    EXPECT_EQ(y_at(8, 4), 200) << "fill corner";
    EXPECT_EQ(u_at(8, 4), 50);
    EXPECT_EQ(y_at(63, 39), 200) << "fill bottom right";
    EXPECT_EQ(y_at(11, 20), 200) << "fill left";
    EXPECT_EQ(y_at(12, 6), 100) << "picture top left";
    EXPECT_EQ(y_at(59, 37), 100) << "picture bottom right";
    EXPECT_EQ(u_at(30, 20), 110);
    EXPECT_EQ(r[64 * 40 + 32 * 20 + 10 * 32 + 15], 120) << "V inside the picture";
  }
}

TEST(Pipeline, CropKeepsOnlyTheChosenRectangle) {
  const VideoFormat in = fmt(32, 16, "yuv420p");
  std::vector<uint8_t> halves(in.frame_size(), 128);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) halves[static_cast<size_t>(y * 32 + x)] = x < 16 ? 50 : 200;
  }
  Geometry g;
  g.crop = {0, 0, 0, 16};
  const std::vector<uint8_t> r = convert(in, fmt(16, 16, "yuv420p"), halves, g).data;
  for (int i = 0; i < 16 * 16; ++i) ASSERT_EQ(r[static_cast<size_t>(i)], 50) << "luma sample " << i;
}

TEST(Pipeline, RgbOrdersAndDepths) {
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
    const VideoFormat in = fmt(6, 4, "yuv420p");
    std::vector<uint8_t> yuv(in.frame_size());
    for (size_t i = 0; i < yuv.size(); ++i) {
      yuv[i] = static_cast<uint8_t>(i < 24 ? r.y : i < 30 ? r.u : r.v);
    }
    const std::vector<uint8_t> rgb = convert(in, fmt(6, 4, r.out), yuv).data;
    for (size_t p = 0; p < 24; ++p) {
      const std::vector<uint8_t> got(rgb.begin() + static_cast<long>(p * r.pixel.size()),
                                     rgb.begin() + static_cast<long>((p + 1) * r.pixel.size()));
      ASSERT_EQ(got, r.pixel) << "pixel " << p;
    }
  }
  // Pure red, red first in memory, into 4:2:0 with the library's full-range rule.
  std::vector<uint8_t> red(4 * 2 * 3, 0);
  for (size_t i = 0; i < red.size(); i += 3) red[i] = 255;
  const std::vector<uint8_t> yuv = convert(fmt(4, 2, "rgb24"), fmt(4, 2, "yuv420p"), red).data;
  EXPECT_EQ(yuv, (std::vector<uint8_t>{76, 76, 76, 76, 76, 76, 76, 76, 85, 85, 255, 255}));
}

TEST(Pipeline, RgbRowsOfOddLengthsAreRespaced) {
  // Packed rows of 3 x 2 bytes and 3 x 3 bytes are not multiples of 4; the RGB resizer reads and
  // writes 4-byte rows. At the same size it widens 5-6-5 to v * 8 + 4 (green v * 4 + 2) and
  // narrows 8-bit channels to their top bits, so every pixel tells whether its row was placed.
  pft::Rng rng(3);
  for (int width : {3, 5, 6, 8}) {
    SCOPED_TRACE("width " + std::to_string(width));
    const VideoFormat w565 = fmt(width, 3, "rgb565le"), w24 = fmt(width, 3, "bgr24");
    std::vector<uint8_t> words(w565.frame_size());
    for (uint8_t& b : words) b = rng.byte();
    const std::vector<uint8_t> wide = convert(w565, w24, words).data;
    for (int p = 0; p < width * 3; ++p) {
      const unsigned v = words[static_cast<size_t>(2 * p)] | words[static_cast<size_t>(2 * p + 1)]
                                                                 << 8;
      const std::vector<uint8_t> expect = {static_cast<uint8_t>((v & 31) * 8 + 4),
                                           static_cast<uint8_t>((v >> 5 & 63) * 4 + 2),
                                           static_cast<uint8_t>((v >> 11) * 8 + 4)};
      ASSERT_EQ(std::vector<uint8_t>(wide.begin() + 3 * p, wide.begin() + 3 * p + 3), expect)
          << "pixel " << p;
    }
    const std::vector<uint8_t> narrow = convert(w24, w565, wide).data;
    EXPECT_EQ(narrow, words) << "24 -> 16 keeps the top bits, which are the 5-6-5 values";
  }
}

TEST(Pipeline, RefusalsCarryTheModulesCode) {
  struct Row {
    const char* name;
    VideoFormat in, out;
    Geometry g;
    uint32_t code;
  };
  Geometry odd_fill;
  odd_fill.fill = {1, 0, 0, 0};
  Geometry bright;
  bright.fill = {2, 2, 0, 0};
  bright.fill_color = {300, 128, 128};
  Geometry nearest;
  nearest.nearest = true;
  const Row rows[] = {
      {"odd fill", fmt(32, 16, "yuv420p"), fmt(32, 16, "yuv420p"), odd_fill,
       ERR_IMG_RESIZER_FILLLINE_ILLEGAL},
      {"fill colour", fmt(32, 16, "yuv420p"), fmt(32, 20, "yuv420p"), bright,
       ERR_IMG_RESIZER_YCOLOR_ILLEGAL},
      {"nearest into fields", fmt(32, 16, "yuv420p"), fmt(16, 8, "yuv420p", PF_IMAGE_FIELD),
       nearest, ERR_IMG_RESIZER_420TO420_YUVTYPE_ILLEGAL},
      {"odd width", fmt(33, 16, "yuv420p"), fmt(16, 8, "yuv420p"), Geometry{},
       ERR_IMG_RESIZER_C674X_SELF_SRCWIDTH_ILLEGAL},
      {"odd RGB width", fmt(3, 2, "rgb24"), fmt(3, 2, "yuv420p"), Geometry{},
       ERR_IMG_RGBTOYUV_OPEN_INPUT_IMG_SIZE},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MemHandle mem;
    try {
      Pipeline p(Request{r.in, r.out, r.g}, mem.get(), [](const std::string&) {});
      ADD_FAILURE() << "accepted";
    } catch (const ModuleError& e) {
      EXPECT_EQ(e.code(), r.code) << e.what();
      EXPECT_NE(std::string(e.what()).find(hex_code(r.code)), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(" ERR_"), std::string::npos) << e.what();
    }
    tVideoMemStats stats{};
    VideoMemGetStats(mem.get(), &stats);
    EXPECT_EQ(stats.u64LiveBlocks, 0u);
  }
}

TEST(Pipeline, DetoursAreAnnounced) {
  const VideoFormat uyvy = fmt(16, 8, "uyvy422"), nv12 = fmt(16, 8, "nv12");
  const Converted c = convert(uyvy, nv12, random_picture(uyvy, 4));
  ASSERT_EQ(c.notes.size(), 1u);
  EXPECT_NE(c.notes[0].find("through yuv420p"), std::string::npos);
  EXPECT_EQ(c.stages.size(), 2u);
  // Same format, size and storage: nothing to do, the picture passes as it is.
  EXPECT_EQ(convert(uyvy, uyvy, random_picture(uyvy, 5)).stages.size(), 1u);
  EXPECT_EQ(convert(uyvy, uyvy, random_picture(uyvy, 5)).stages[0].rfind("copy", 0), 0u);
}

TEST(Metrics, AspectRatioAndPsnr) {
  struct Row {
    Rational sar;
    int sw, sh, dw, dh;
    Rational expected;
  };
  for (const Row& r :
       {Row{{16, 15}, 720, 576, 352, 288, {12, 11}}, Row{{1, 1}, 720, 576, 352, 288, {45, 44}},
        Row{{1, 1}, 720, 576, 720, 576, {1, 1}}, Row{{0, 0}, 720, 576, 352, 288, {0, 0}},
        Row{{16, 15}, 704, 576, 0, 288, {0, 0}}}) {
    EXPECT_EQ(scaled_sar(r.sar, r.sw, r.sh, r.dw, r.dh), r.expected)
        << r.sw << "x" << r.sh << " -> " << r.dw << "x" << r.dh;
  }
  const uint8_t a[4] = {0, 10, 20, 30}, b[4] = {0, 10, 20, 31}, c[1] = {0}, d[1] = {255};
  EXPECT_EQ(psnr(a, a, 4), 100.0);
  EXPECT_NEAR(psnr(a, b, 4), 10 * std::log10(255.0 * 255.0 * 4), 1e-9);
  EXPECT_NEAR(psnr(c, d, 1), 0.0, 1e-9);
}

}  // namespace
}  // namespace pf::cli
