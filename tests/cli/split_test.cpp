// SPDX-License-Identifier: BSD-2-Clause
// The bars resize --keep-aspect hands to ImageAptZoom: the picture's shape kept, centred,
// multiples of 4 that leave an even picture.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "verbs/zoom_stages.hpp"

namespace {

TEST(KeepAspect, BarsCentreThePictureInItsShape) {
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
    SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h) + " into " +
                 std::to_string(r.out_w) + "x" + std::to_string(r.out_h));
    const std::array<int, 4> bars = pf::cli::keep_aspect_bars(r.w, r.h, r.out_w, r.out_h);
    EXPECT_EQ(bars, r.bars);
    for (int b : bars) EXPECT_EQ(b % 4, 0);
    const int inner_w = r.out_w - bars[2] - bars[3], inner_h = r.out_h - bars[0] - bars[1];
    EXPECT_EQ(inner_w % 2, 0);
    EXPECT_EQ(inner_h % 2, 0);
    EXPECT_LE(std::abs(bars[0] - bars[1]), 4);
    EXPECT_LE(std::abs(bars[2] - bars[3]), 4);
    // Within the rounding to whole bars, the shape is the picture's.
    const double shape = double(r.w) / r.h, kept = double(inner_w) / inner_h;
    EXPECT_NEAR(kept / shape, 1.0, 4.0 * 2 / std::min(inner_w, inner_h));
  }
}

}  // namespace
