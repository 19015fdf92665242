// SPDX-License-Identifier: BSD-2-Clause
// Motion detection: the per-picture results and filtered maps against a model written from the
// rules (classification, memory, majority filter, areas) over random sequences, the thresholds
// of every sensitivity and fine tune, the PAL reduction, SetParam and Debug mid-sequence, and
// the module's description for the generic tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "img_motionsurveil.h"
#include "img_resizer_kernels.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using P = tImageMotionSurveilParam;
using Bytes = std::vector<uint8_t>;
constexpr uint32_t kBase = 0xC1E00000;

// The two tables as published: row 5 - sensitivity, column fine tune + 10.
constexpr int kPixel[5][21] = {
    {50, 48, 46, 44, 42, 40, 38, 36, 34, 32, 30, 29, 29, 28, 28, 27, 27, 26, 26, 26, 26},
    {24, 24, 24, 24, 23, 23, 22, 22, 21, 21, 20, 19, 19, 19, 19, 19, 18, 18, 18, 18, 18},
    {18, 18, 18, 18, 18, 17, 17, 17, 17, 17, 16, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15},
    {14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 13, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12},
    {12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 11, 11, 10, 10, 9, 9, 8, 8, 7, 7}};
constexpr int kArea[5][21] = {
    {99, 95, 90, 85, 75, 67, 59, 51, 43, 35, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32},
    {32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 31, 31, 31, 30, 30, 30, 29, 29, 29, 29},
    {27, 27, 27, 27, 26, 26, 26, 25, 25, 25, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24},
    {24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23},
    {22, 22, 22, 22, 22, 21, 21, 21, 21, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10}};

P param(int32_t w, int32_t h, int32_t interlace = 1, int16_t sensitivity = 3, int32_t fine = 0) {
  P p{};
  p.s32Width = w;
  p.s32Height = h;
  p.s32YuvType = 420;
  p.s32Interlace = interlace;
  p.s32FineTune = fine;
  p.s16Sensitivity = sensitivity;
  return p;
}

void add_area(P& p, int top, int left, int width, int height) {
  p.atArea[p.s16AreaNum++] = {static_cast<int16_t>(top), static_cast<int16_t>(left),
                              static_cast<int16_t>(width), static_cast<int16_t>(height)};
}

// The detector as the rules state it, on whole pictures in display order.
struct Model {
  int w, h, interlace, pixel, area;
  std::vector<tMotionSurveilArea> areas;
  bool primed = false;
  Bytes ref;
  std::vector<int> state;
  Bytes filtered;

  Model(const P& p, int pixel_threshold, int area_threshold)
      : w(p.s32Width),
        h(p.s32Height),
        interlace(p.s32Interlace),
        pixel(pixel_threshold),
        area(area_threshold),
        areas(p.atArea, p.atArea + p.s16AreaNum) {}

  int step(const Bytes& picture) {
    const size_t n = static_cast<size_t>(w) * h;
    if (!primed) {
      ref = picture;
      state.assign(n, 0);
      filtered.assign(n, 0);
      primed = true;
      return 0;
    }
    // Display line of each stored line: field pictures interleave their two halves.
    Bytes raw(n, 0);
    for (int line = 0; line < h; ++line) {
      int shown = line;
      if (interlace == 2) {
        if (line >= 2 * (h / 2)) continue;  // an odd last line is not classified
        shown = line < h / 2 ? 2 * line : 2 * (line - h / 2) + 1;
      }
      for (int x = 0; x < w; ++x) {
        const size_t at = static_cast<size_t>(line) * w + x;
        const size_t cell = static_cast<size_t>(shown) * w + x;
        const int d = picture[at] - ref[at];
        const int q = d > pixel ? 100 : d < -pixel ? -100 : 0;
        if (state[cell] == q) {
          state[cell] = 0;
          raw[cell] = static_cast<uint8_t>(std::abs(q));
        } else {
          state[cell] = q;
          raw[cell] = 100;
        }
        ref[at] = picture[at];
      }
    }
    filtered = raw;
    for (int y = 1; y + 1 < h; ++y) {
      for (int x = 1; x + 3 < w; ++x) {
        int set = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 2; ++dx)
            set += raw[static_cast<size_t>(y + dy) * w + x + dx] != 0;
        }
        filtered[static_cast<size_t>(y) * w + x] = set >= 7 ? 100 : 0;
      }
    }
    for (const auto& a : areas) {
      int count = 0;
      for (int y = a.s16Top; y < a.s16Top + a.s16Height; ++y) {
        for (int x = a.s16Left; x < a.s16Left + a.s16Width; ++x)
          count += filtered[static_cast<size_t>(y) * w + x] != 0;
      }
      if (count > area) return 1;
    }
    return 0;
  }
};

int expected_area_threshold(int w, int h, int sensitivity, int fine) {
  const int a = kArea[5 - sensitivity][fine + 10];
  return w <= 352 && h <= 288 ? a >> 2 : a;
}

class Motion : public pft::VmemTest {
 protected:
  void* open(const P& p) {
    void* h = nullptr;
    EXPECT_EQ(ImageMotionSurveilOpen_c(&h, &p, mem()), 0u);
    return h;
  }
  static tImageMotionSurveilInstance& inst(void* h) {
    return *static_cast<tImageMotionSurveilInstance*>(h);
  }
  static int run(void* h, const Bytes& picture) {
    uint8_t result = 0xEE;
    tImageMotionSurveilInput in{picture.data(), &result};
    EXPECT_EQ(ImageMotionSurveilProcess_c(h, &in, &in), 0u);
    return result;
  }
};

// Pictures with what a camera sees: sensor noise, a pixel here and there flickering back and
// forth, and a block that moves, on a textured background.
struct Scene {
  int w, h;
  pft::Rng rng;
  Bytes background;
  int bx, by, size, dx, dy, noise;

  Scene(int width, int height, uint64_t seed) : w(width), h(height), rng(seed) {
    background.resize(static_cast<size_t>(w) * h);
    for (auto& v : background) v = static_cast<uint8_t>(60 + rng.below(120));
    size = 3 + static_cast<int>(rng.below(static_cast<uint32_t>(std::max(1, std::min(w, h) / 3))));
    bx = static_cast<int>(rng.below(static_cast<uint32_t>(w)));
    by = static_cast<int>(rng.below(static_cast<uint32_t>(h)));
    dx = rng.range(-3, 3);
    dy = rng.range(-2, 2);
    noise = rng.range(0, 30);
  }
  Bytes next(int frame) {
    Bytes p = background;
    for (auto& v : p)
      v = static_cast<uint8_t>(std::clamp(v + rng.range(-noise, noise) / 4, 0, 255));
    // Flicker: a few isolated pixels jump and come back on the next picture.
    for (int i = 0; i < 5; ++i) {
      const size_t at = rng.below(static_cast<uint32_t>(p.size()));
      if (frame % 2 != 0) p[at] = static_cast<uint8_t>(p[at] ^ 0x80);
    }
    const int x0 = bx + dx * frame, y0 = by + dy * frame;
    for (int y = std::max(0, y0); y < std::min(h, y0 + size); ++y) {
      for (int x = std::max(0, x0); x < std::min(w, x0 + size); ++x)
        p[static_cast<size_t>(y) * w + x] = 250;
    }
    return p;
  }
};

TEST_F(Motion, RandomSequencesFollowTheModel) {
  pft::Rng rng(20260611);
  int alarms = 0, quiet = 0;
  for (int c = 0; c < 48; ++c) {
    P p = param(8 * rng.range(1, 8), rng.range(1, 40), rng.range(1, 3),
                static_cast<int16_t>(rng.range(1, 5)), rng.range(-10, 10));
    const int areas = rng.range(0, 16);
    for (int i = 0; i < areas; ++i) {
      const int top = rng.range(0, p.s32Height), left = rng.range(0, p.s32Width);
      add_area(p, top, left, rng.range(0, p.s32Width - left), rng.range(0, p.s32Height - top));
    }
    SCOPED_TRACE("case " + std::to_string(c) + ": " + std::to_string(p.s32Width) + "x" +
                 std::to_string(p.s32Height) + " interlace " + std::to_string(p.s32Interlace));
    void* h = open(p);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(inst(h).s16PixelThreshold, kPixel[5 - p.s16Sensitivity][p.s32FineTune + 10]);
    Model model(p, inst(h).s16PixelThreshold,
                expected_area_threshold(p.s32Width, p.s32Height, p.s16Sensitivity, p.s32FineTune));
    Scene scene(p.s32Width, p.s32Height, rng.next());
    for (int f = 0; f < 8; ++f) {
      const Bytes picture = scene.next(f);
      const int expected = model.step(picture);
      ASSERT_EQ(run(h, picture), expected) << "picture " << f;
      ASSERT_EQ(0, std::memcmp(inst(h).pu8Map, model.filtered.data(), model.filtered.size()))
          << "filtered map of picture " << f;
      (expected != 0 ? alarms : quiet)++;
    }
    EXPECT_EQ(ImageMotionSurveilClose_c(h), 0u);
  }
  // The sequences exercise both answers.
  EXPECT_GT(alarms, 20);
  EXPECT_GT(quiet, 20);
}

TEST_F(Motion, FlickerIsIgnoredAndAMovingBlockRaisesTheAlarmWhereItEnters) {
  P p = param(64, 48);
  add_area(p, 8, 40, 16, 16);  // the block reaches it on picture 5
  void* h = open(p);
  pft::Rng rng(7);
  Bytes still(64 * 48, 90);
  for (int f = 0; f < 9; ++f) {  // the block leaves the picture after picture 8
    Bytes picture = still;
    // Every other picture the same scattered pixels inside the area flip and come back.
    if (f % 2 != 0) {
      for (int i = 0; i < 12; ++i) picture[(10 + i) * 64 + 42 + (i * 5) % 12] = 200;
    }
    const int x0 = 8 * f;
    for (int y = 12; y < 20; ++y) {
      for (int x = x0; x < std::min(64, x0 + 8); ++x) picture[y * 64 + x] = 220;
    }
    EXPECT_EQ(run(h, picture), f >= 5 ? 1 : 0) << "picture " << f;
  }
  EXPECT_EQ(ImageMotionSurveilClose_c(h), 0u);
}

TEST_F(Motion, ThresholdsOfEverySensitivityAndFineTune) {
  // 352 x 288 gets a quarter of the area threshold, 360 x 288 the table's value. The pixel
  // threshold is seen at work: a uniform step of T is no motion, T + 1 is.
  for (int s = 1; s <= 5; ++s) {
    for (int f = -10; f <= 10; ++f) {
      SCOPED_TRACE("sensitivity " + std::to_string(s) + ", fine tune " + std::to_string(f));
      const int t = kPixel[5 - s][f + 10];
      for (int w : {352, 360}) {
        P p = param(w, 288, 1, static_cast<int16_t>(s), f);
        void* h = open(p);
        EXPECT_EQ(inst(h).s16PixelThreshold, t);
        EXPECT_EQ(inst(h).s16AreaThreshold, expected_area_threshold(w, 288, s, f));
        EXPECT_EQ(ImageMotionSurveilClose_c(h), 0u);
      }
      P p = param(16, 4, 1, static_cast<int16_t>(s), f);
      add_area(p, 0, 0, 16, 4);
      void* h = open(p);
      run(h, Bytes(64, 100));
      EXPECT_EQ(run(h, Bytes(64, static_cast<uint8_t>(100 + t))), 0);
      EXPECT_EQ(run(h, Bytes(64, static_cast<uint8_t>(100 - 1))), 1);  // a step of T + 1 back
      EXPECT_EQ(ImageMotionSurveilClose_c(h), 0u);
    }
  }
}

// 720 or 704 x 576: the first field at half width through the bilinear scaler, then detection
// on that picture with halved areas and a quarter of the area threshold.
TEST_F(Motion, FullSizePalIsReducedToItsFirstField) {
  for (int interlace : {1, 2}) {
    for (int w : {720, 704}) {
      SCOPED_TRACE("width " + std::to_string(w) + ", interlace " + std::to_string(interlace));
      P p = param(w, 576, interlace, 4, 3);
      add_area(p, 101, 33, 301, 201);
      add_area(p, 0, 0, w, 576);
      void* h = open(p);
      const int table_area = kArea[1][13];
      EXPECT_EQ(inst(h).s16AreaThreshold, table_area);
      P reduced = param(w / 2, 288, 1, 4, 3);
      add_area(reduced, 50, 16, 150, 100);
      add_area(reduced, 0, 0, w / 2, 288);
      Model model(reduced, inst(h).s16PixelThreshold, table_area / 4);
      Scene scene(w, 576, static_cast<uint64_t>(w + interlace));
      for (int f = 0; f < 4; ++f) {
        const Bytes picture = scene.next(f);
        Bytes half(static_cast<size_t>(w / 2) * 288);
        BilinearZoom_c(nullptr, picture.data(), half.data(), static_cast<uint32_t>(w), 288,
                       static_cast<uint32_t>(interlace == 2 ? w : 2 * w),
                       static_cast<uint32_t>(w / 2), 288, static_cast<uint32_t>(w / 2));
        const int expected = model.step(half);
        EXPECT_EQ(run(h, picture), expected) << "picture " << f;
        EXPECT_EQ(0, std::memcmp(inst(h).pu8Map, model.filtered.data(), model.filtered.size()));
      }
      // The instance is as it was: size, areas and threshold restored.
      P status{};
      EXPECT_EQ(ImageMotionSurveilGetStatus_c(h, &status), 0u);
      EXPECT_EQ(0, std::memcmp(&status, &p, sizeof p));
      EXPECT_EQ(inst(h).s16AreaThreshold, table_area);
      EXPECT_EQ(ImageMotionSurveilClose_c(h), 0u);
    }
  }
}

TEST_F(Motion, SetParamAndDebugMidSequence) {
  P p = param(32, 16);
  add_area(p, 0, 0, 32, 16);
  void* h = open(p);
  const Bytes dark(32 * 16, 40), bright(32 * 16, 200);
  run(h, dark);
  // The same record (a different YUV type is not compared) keeps the reference.
  P same = p;
  same.s32YuvType = 0;
  EXPECT_EQ(ImageMotionSurveilSetParam_c(h, &same), 0u);
  EXPECT_EQ(run(h, bright), 1);
  // A larger picture than Open's is refused and changes nothing.
  P larger = param(40, 16);
  EXPECT_EQ(ImageMotionSurveilSetParam_c(h, &larger), kBase + 0x1E);
  larger = param(32, 17);
  EXPECT_EQ(ImageMotionSurveilSetParam_c(h, &larger), kBase + 0x1E);
  // A real change restarts from priming, with the new thresholds.
  P smaller = param(16, 16, 2, 5, -10);
  add_area(smaller, 0, 0, 16, 16);
  EXPECT_EQ(ImageMotionSurveilSetParam_c(h, &smaller), 0u);
  EXPECT_EQ(inst(h).s16PixelThreshold, 50);
  EXPECT_EQ(inst(h).s16AreaThreshold, 99 >> 2);
  const Bytes small_dark(256, 40), small_bright(256, 200);
  EXPECT_EQ(run(h, small_bright), 0) << "primes";
  EXPECT_EQ(run(h, small_dark), 1);
  // Debug overrides the thresholds until the next full SetParam.
  char text[] = "h=vid/enc/motionsurveil pixelth=255 areath=7";
  EXPECT_EQ(ImageMotionSurveilDebug_c(h, text), 0u);
  EXPECT_EQ(inst(h).s16PixelThreshold, 255);
  EXPECT_EQ(inst(h).s16AreaThreshold, 7);
  EXPECT_EQ(run(h, small_dark), 1) << "the memory of the last change";
  EXPECT_EQ(run(h, small_dark), 0);
  EXPECT_EQ(run(h, small_bright), 0) << "a step of 160 is below 255";
  char reuse[] = "h=vid/enc/motionsurveil pixelth=9 areath=";
  EXPECT_EQ(ImageMotionSurveilDebug_c(h, reuse), 0u);
  EXPECT_EQ(inst(h).s16AreaThreshold, 9) << "a key without a number repeats the last value";
  char other[] = "h=vid/enc/temfilter pixelth=1";
  EXPECT_EQ(ImageMotionSurveilDebug_c(h, other), kBase + 0x1D);
  EXPECT_EQ(ImageMotionSurveilDebug_c(h, nullptr), kBase + 0x1C);
  EXPECT_EQ(ImageMotionSurveilDebug_c(nullptr, text), kBase + 0x1C);
  EXPECT_EQ(ImageMotionSurveilSetParam_c(h, &p), 0u);
  EXPECT_EQ(inst(h).s16PixelThreshold, 16);
  EXPECT_EQ(inst(h).s16AreaThreshold, 24 >> 2);
  EXPECT_EQ(ImageMotionSurveilClose_c(h), 0u);
}

pft::ModuleCase motion_case() {
  pft::ModuleCase m;
  m.name = "motionsurveil";
  m.entry = tImageMotionSurveilFunc;
  m.table = &tImageMotionSurveilFunc;
  m.id = 38;
  pft::set_names(m, pas8ImageMotionSurveilAnalyzeErrorCode, kBase + 1, kBase + 1, kBase + 0x1E,
                 kBase + 0x17);
  pft::set_version(m, "pelforge_v300.motionsurveil.007", kBase + 0x11, kBase + 0x12, kBase + 0x13);
  P p = param(352, 288);
  add_area(p, 10, 20, 100, 50);
  add_area(p, 0, 0, 352, 288);
  m.param = pft::record_bytes(p);
  m.mem_size = 305456;
  m.family = pft::Family::kAnalysis;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& r = *static_cast<const tImageMotionSurveilParam*>(record);
    uint8_t& result = *pics.buffer(size_t{1});
    tImageMotionSurveilInput in{pics.plane(r.s32Width, r.s32Height, r.s32Width), &result};
    uint32_t status = e.Process(h, &in, &result);
    if (status == 0) status = e.Process(h, &in, &result);
    return status;
  };
  pft::set_null_codes(
      m, {kBase + 0x01, kBase + 0x0E, kBase + 0x0F, 0, kBase + 0x10, kBase + 0x14, kBase + 0x0B});
  m.debug_is_noop = false;
  // Instance, reference, state, map, then the scratch.
  m.open_failures = {kBase + 0x02, kBase + 0x03, kBase + 0x1A, kBase + 0x1B, kBase + 0x15};
  m.dma_failure = kBase + 0x16;
  // Each row changes the sensitivity as well, so that SetParam does not take the record for
  // the one in force (its YUV type is not compared) and validates it.
  const auto row = [](const char* what, uint32_t code, void (*change)(P&)) {
    return pft::ValidationRow{what, pft::edit<P>([change](P& q) {
                                q.s16Sensitivity = 2;
                                change(q);
                              }),
                              kBase + code};
  };
  m.rows = {
      row("width 0", 0x04, [](P& q) { q.s32Width = 0, q.s32Height = 0; }),
      row("width 12296", 0x04, [](P& q) { q.s32Width = 12296; }),
      row("width 100", 0x04, [](P& q) { q.s32Width = 100, q.s32YuvType = 422; }),
      row("height 0", 0x05, [](P& q) { q.s32Height = 0, q.s32YuvType = 422; }),
      row("height 6145", 0x05, [](P& q) { q.s32Height = 6145; }),
      row("YUV type 422", 0x06, [](P& q) { q.s32YuvType = 422, q.s32Interlace = 0; }),
      row("interlace 0", 0x18, [](P& q) { q.s32Interlace = 0, q.s16AreaNum = 17; }),
      row("interlace 4", 0x18, [](P& q) { q.s32Interlace = 4; }),
      row("17 areas", 0x07, [](P& q) { q.s16AreaNum = 17, q.s16Sensitivity = 0; }),
      row("-1 areas", 0x07, [](P& q) { q.s16AreaNum = -1; }),
      row("area top > height", 0x08,
          [](P& q) { q.atArea[0].s16Top = 289, q.atArea[0].s16Height = 0; }),
      row("area top -1", 0x08, [](P& q) { q.atArea[1].s16Top = -1; }),
      row("area left > width", 0x08,
          [](P& q) { q.atArea[0].s16Left = 353, q.atArea[0].s16Width = 0; }),
      row("area width -1", 0x08, [](P& q) { q.atArea[0].s16Width = -1; }),
      row("area height -1", 0x08, [](P& q) { q.atArea[1].s16Height = -1; }),
      row("area past the right edge", 0x08, [](P& q) { q.atArea[0].s16Width = 333; }),
      row("area past the bottom", 0x08, [](P& q) { q.atArea[1].s16Top = 1, q.s32FineTune = 11; }),
      row("sensitivity 0", 0x09, [](P& q) { q.s16Sensitivity = 0, q.s32FineTune = 11; }),
      row("sensitivity 6", 0x09, [](P& q) { q.s16Sensitivity = 6; }),
      row("fine tune 11", 0x0A, [](P& q) { q.s32FineTune = 11; }),
      row("fine tune -11", 0x0A, [](P& q) { q.s32FineTune = -11; }),
  };
  return m;
}
PF_MODULE_CASE(motion_case);

}  // namespace
