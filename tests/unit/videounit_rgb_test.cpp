// SPDX-License-Identifier: BSD-2-Clause
// The codec unit library's RGB-to-YUV converters on each of their paths (portable, SSSE3, AVX2)
// against the library's scalar kernels: random sizes around the vector steps, odd source
// strides, both orientations, saturating colours, guard bands around every plane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "guarded.hpp"
#include "img_rgbtoyuv.h"
#include "rgb_to_yv12.h"
#include "rng.hpp"
#include "video_unit.h"

namespace {

// Restores the path limit a test found.
class PathLimit {
 public:
  explicit PathLimit(uint32_t path) : before_(VideoUnitLimitRgbPath(path)) {}
  ~PathLimit() { VideoUnitLimitRgbPath(before_); }
  PathLimit(const PathLimit&) = delete;
  PathLimit& operator=(const PathLimit&) = delete;

 private:
  uint32_t before_;
};

// The paths this processor can run, portable first.
std::vector<uint32_t> runnable_paths() {
  std::vector<uint32_t> paths;
  for (uint32_t p : {VIDEOUNIT_RGB_PATH_C, VIDEOUNIT_RGB_PATH_SSSE3, VIDEOUNIT_RGB_PATH_AVX2}) {
    const PathLimit limit(p);
    if (VideoUnitRgbPath() == p) paths.push_back(p);
  }
  return paths;
}

// Random pixels, with runs of the colours that drive U and V to their clamp and Y to its ends.
std::vector<uint8_t> source_pixels(size_t bytes, uint32_t pixel_bytes, pft::Rng& rng) {
  static const uint8_t kExtremes[][3] = {{255, 0, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}};
  std::vector<uint8_t> src(bytes);
  for (auto& b : src) b = rng.byte();
  for (size_t at = 0; at + pixel_bytes <= bytes; at += pixel_bytes) {
    if (rng.chance(10)) std::memcpy(src.data() + at, kExtremes[rng.below(4)], 3);
  }
  return src;
}

TEST(VideoUnitRgb, EveryPathMatchesTheScalarKernels) {
  const std::vector<uint32_t> paths = runnable_paths();
  pft::Rng rng(7202);
  // Widths around the 16- and 32-pixel steps, and random ones.
  std::vector<int32_t> widths = {2, 14, 16, 18, 30, 32, 34, 46, 64, 98};
  for (int i = 0; i < 6; ++i) widths.push_back(2 * rng.range(1, 200));
  for (const int32_t w : widths) {
    for (const uint32_t bits : {24u, 32u}) {
      const int32_t h = 2 * rng.range(1, 5);
      const uint32_t bottom_up = rng.below(2);
      // Pitches in pixels; the row length in bytes is rounded up to 32-bit words, as the module
      // hands it to the converters, which gives odd byte strides for 24-bit sources.
      const int32_t src_pitch = w + rng.range(0, 5);
      const int32_t stride = (static_cast<int32_t>(bits) * src_pitch + 31) / 32 * 4;
      // Exactly the bytes the picture needs: a read past its last pixel leaves the allocation.
      const size_t bytes = static_cast<size_t>(stride) * (h - 1) + size_t(w) * bits / 8;
      const std::vector<uint8_t> src = source_pixels(bytes, bits / 8, rng);
      SCOPED_TRACE(testing::Message() << w << "x" << h << " " << bits << "-bit stride " << stride
                                      << " bottom-up " << bottom_up);

      // Planes with guard bands; the chroma pitch is half the luma pitch, as the kernels use.
      const uint32_t y_pitch = uint32_t(w) + 2 * rng.below(4);
      const uint64_t seed = rng.next();
      auto planes = [&] {
        pft::Rng fill(seed);
        return std::vector<pft::GuardedPlane>{
            pft::GuardedPlane(uint32_t(w), uint32_t(h), y_pitch, fill),
            pft::GuardedPlane(uint32_t(w / 2), uint32_t(h / 2), y_pitch / 2, fill),
            pft::GuardedPlane(uint32_t(w / 2), uint32_t(h / 2), y_pitch / 2, fill)};
      };
      std::vector<pft::GuardedPlane> expected = planes();
      tRgbToYuvInstance inst{};
      inst.tParam = {w,          h,         stride, bits, w, h, static_cast<int32_t>(y_pitch),
                     PF_YUV_420, bottom_up, 0};
      (bits == 24 ? RGB24toYUV420_c : RGB32toYUV420_c)(&inst, src.data(), expected[0].data(),
                                                       expected[1].data(), expected[2].data());

      for (const uint32_t path : paths) {
        const PathLimit limit(path);
        std::vector<pft::GuardedPlane> out = planes();
        EXPECT_EQ((bits == 24 ? bgr_to_yv12_mmx : bgra_to_yv12_mmx)(
                      src.data(), stride, out[0].data(), out[1].data(), out[2].data(),
                      static_cast<int32_t>(y_pitch), static_cast<int32_t>(y_pitch / 2), w, h,
                      bottom_up, nullptr),
                  VIDEOUNIT_OK);
        for (size_t i = 0; i < 3; ++i) {
          EXPECT_EQ(out[i].check_guards(), "") << "path " << path << " plane " << i;
          const auto diff = std::mismatch(expected[i].raw().begin(), expected[i].raw().end(),
                                          out[i].raw().begin());
          EXPECT_TRUE(diff.first == expected[i].raw().end())
              << "path " << path << " plane " << i << ": "
              << out[i].describe(size_t(diff.first - expected[i].raw().begin()));
        }
      }
    }
  }
}

// PELFORGE_UNIT_RGB_PATH holds the converters below a path from the first conversion on (ctest
// runs this suite with each value); a host's limit replaces it.
TEST(VideoUnitRgb, EnvironmentAndLimitChooseThePath) {
  const char* text = std::getenv("PELFORGE_UNIT_RGB_PATH");
  if (text != nullptr) {
    const uint32_t most = std::strcmp(text, "c") == 0       ? VIDEOUNIT_RGB_PATH_C
                          : std::strcmp(text, "ssse3") == 0 ? VIDEOUNIT_RGB_PATH_SSSE3
                                                            : VIDEOUNIT_RGB_PATH_AVX2;
    EXPECT_LE(VideoUnitRgbPath(), most);
  }
  const PathLimit limit(VIDEOUNIT_RGB_PATH_C);
  EXPECT_EQ(VideoUnitRgbPath(), VIDEOUNIT_RGB_PATH_C);
  EXPECT_EQ(VideoUnitLimitRgbPath(VIDEOUNIT_RGB_PATH_AVX2), VIDEOUNIT_RGB_PATH_C);
  EXPECT_GE(VideoUnitRgbPath(), VIDEOUNIT_RGB_PATH_C);
}

}  // namespace
