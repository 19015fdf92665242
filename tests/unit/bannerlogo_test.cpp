// SPDX-License-Identifier: BSD-2-Clause
// The banner-logo module: logo positions and bars frame by frame over long random sequences
// against a model of the motion rule, set-ups scaled from a reference size, SetParam restarting
// only what changed (and giving back what it opened when an allocation fails), and the codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "img_banner.h"
#include "img_bannerlogo.h"
#include "img_logo.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;
using P = tBannerLogoParam;

constexpr int kW = 128, kH = 64;    // the pictures of the motion tests
constexpr uint8_t kLogoLuma = 200;  // pasted logos
constexpr uint8_t kBarLuma = 100;   // grey bars: R = G = B = 100 converts to luma 100

// A uniform 420 logo, pasted, made for the picture's own size.
struct Logo {
  Bytes data, alpha;
  explicit Logo(int w, int h)
      : data(size_t(w * h * 3 / 2), kLogoLuma), alpha(size_t(w * h * 5 / 4)) {
    std::fill(data.begin() + w * h, data.end(), 128);
  }
};

tBannerLogoItem item(Logo& logo, int w, int h) {
  tBannerLogoItem it{};
  it.pu8FgData = logo.data.data();
  it.pu8FgAlpha = logo.alpha.data();
  it.s32FgWidth = w, it.s32FgHeight = h;
  it.u32FgYuvType = PF_YUV_420;
  it.s32RefWidth = kW, it.s32RefHeight = kH;
  it.u8BlendMode = 255;
  it.s32Loops = 1;
  it.s32PauseDistX = it.s32PauseDistY = -1;
  return it;
}

P picture_param(int logos, int bars) {
  P p{};
  p.s32BgWidth = kW, p.s32BgHeight = kH;
  p.u32ImageType = PF_IMAGE_FRAME;
  p.u32BgYuvType = PF_YUV_420;
  p.s32LogoNum = logos, p.s32BannerNum = bars;
  return p;
}

// ---------------------------------------------------------------- the model

// One logo's motion, written from the rule: offsets from the window's corner, a visible part of
// the window, wraps that re-enter one step in, pauses after every pause distance, a cycle of
// frames after which the logo is parked.
struct Ticker {
  struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
  };
  // Set-up.
  int w, h, L, T, W, H, dx, dy;  // dy: what Y gains per frame (a positive step moves up)
  int every_x = 0, every_y = 0, pause_frames = 0;
  long cycle = 0;
  // Run state.
  int X, Y, steps_x = 0, steps_y = 0, hold_x = 0, hold_y = 0;
  long frame = 0;

  Ticker(const tBannerLogoItem& it) {
    w = it.s32FgWidth, h = it.s32FgHeight;
    L = it.s32WinLeft & ~1, T = it.s32WinTop & ~1, W = it.s32WinWidth, H = it.s32WinHeight;
    dx = it.s16StepX, dy = -it.s16StepY;
    X = it.s32StartX, Y = it.s32StartY;
    pause_frames = it.s32PauseFrames;
    auto every = [&](int dist, int step) {
      if (dist == -1 || step == 0 || pause_frames <= 0) return 0;
      const int s = std::abs(step);
      if (dist >= s && dist % s != 0) return 0;  // unreachable in whole steps: no pauses
      const int d = dist / s * s;
      return d >= s ? d / s : 0;
    };
    every_x = every(it.s32PauseDistX, it.s16StepX);
    every_y = every(it.s32PauseDistY, it.s16StepY);
    auto frames = [&](int vis, int size, int step, int ev) -> long {
      if (step == 0) return it.s32Loops;
      const long path = vis + size;
      long f = path * it.s32Loops / std::abs(step);
      if (ev) f += path * it.s32Loops / (ev * std::abs(step)) * pause_frames;
      return f;
    };
    cycle = std::max(frames(vis_w(), w, dx, every_x), frames(vis_h(), h, dy, every_y));
  }
  int vis_w() const { return std::min(L + W, kW) - std::max(L, 0); }
  int vis_h() const { return std::min(T + H, kH) - std::max(T, 0); }
  bool out_x() const { return X <= -(w + std::min(L, 0)) || X >= vis_w(); }
  bool out_y() const { return Y <= -(h + std::min(T, 0)) || Y >= vis_h(); }

  // Advances one frame; says whether the bar is drawn and where the logo is (empty: not drawn).
  Rect step(bool& bar) {
    ++frame;
    bar = false;
    if (frame > cycle) return {};
    bar = true;
    bool wait = false;
    if (out_x()) {
      wait = true;
      if (dx != 0) {
        if (hold_x > 0) {
          --hold_x;
        } else {
          X = dx > 0 ? dx - (w + std::min(L, 0)) : vis_w() + dx;
          if (every_x && ++steps_x % every_x == 0) hold_x = pause_frames;
        }
      }
    }
    if (out_y()) {
      wait = true;
      if (dy != 0) {
        if (hold_y > 0) {
          --hold_y;
        } else {
          Y = dy > 0 ? dy - (h + std::min(T, 0)) : vis_h() + dy;
          if (every_y && ++steps_y % every_y == 0) hold_y = pause_frames;
        }
      }
    }
    if (wait) return {};
    Rect r = drawn();
    if (hold_x > 0) {
      --hold_x;
    } else if (dx != 0) {
      X += dx;
      if (every_x && ++steps_x % every_x == 0) hold_x = pause_frames;
    }
    if (hold_y > 0) {
      --hold_y;
    } else if (dy != 0) {
      Y += dy;
      if (every_y && ++steps_y % every_y == 0) hold_y = pause_frames;
    }
    return r;
  }

  // The luma the logo module paints: the logo cut to the window (and the picture), positions
  // and cuts made even, its columns a multiple of 4, its rows what fits the picture.
  Rect drawn() const {
    auto axis = [](int origin, int extent, int size, int pos, int picture, int& start, int& low,
                   int& high) {
      start = origin >= 0 ? origin + std::max(pos, 0) : std::max(origin + pos, 0);
      low = origin >= 0 ? std::max(-pos, 0) : std::max(-(origin + pos), 0);
      high = std::max(
          origin + extent > picture ? origin + size + pos - picture : size - extent + pos, 0);
      start &= ~1, low &= ~1, high &= ~1;
    };
    int left, lc, rc, top, tc, bc;
    axis(L, W, w, X, kW, left, lc, rc);
    axis(T, H, h, Y, kH, top, tc, bc);
    Rect r;
    r.left = left, r.top = top;
    r.width = std::max(std::min(w - lc - rc, kW - left), 0) & ~3;
    r.height = std::max(std::min(h - tc - bc, kH - top), 0);
    return r;
  }
};

// The luma plane the model expects: the bar strip of the last two rows, then the logo over it.
Bytes expected_luma(const Ticker::Rect& logo, bool bar) {
  Bytes y(kW * kH, 0);
  if (bar) std::fill(y.begin() + (kH - 2) * kW, y.end(), kBarLuma);
  for (int r = logo.top; r < logo.top + logo.height; ++r) {
    std::fill_n(y.begin() + r * kW + logo.left, logo.width, kLogoLuma);
  }
  return y;
}

testing::Message describe(const tBannerLogoItem& it) {
  return testing::Message() << "window " << it.s32WinLeft << "," << it.s32WinTop << " "
                            << it.s32WinWidth << "x" << it.s32WinHeight << " start " << it.s32StartX
                            << "," << it.s32StartY << " step " << it.s16StepX << "," << it.s16StepY
                            << " loops " << it.s32Loops << " pause " << it.s32PauseDistX << ","
                            << it.s32PauseDistY << "x" << it.s32PauseFrames;
}

class BannerLogo : public pft::VmemTest {
 protected:
  // One more frame on a black picture: where the logo's first column lands in `row` (-1: not
  // drawn), and whether the bar strip of the last two rows is there.
  int frame(void* h, int row = 0, bool* bar = nullptr) {
    picture_.assign(kW * kH * 3 / 2, 0);
    uint8_t* planes[1] = {picture_.data()};
    EXPECT_EQ(ImgBannerLogoProcess_c(h, planes, &context_), 0u);
    if (bar != nullptr) *bar = picture_[size_t((kH - 1) * kW)] == kBarLuma;
    const auto first = picture_.begin() + row * kW;
    const auto at = std::find(first, first + kW, kLogoLuma);
    return at == first + kW ? -1 : int(at - first);
  }
  Bytes picture_;
  int context_ = 0;
};

// Random windows inside, across and beyond every edge, steps both ways along both axes (and
// none), pauses and several passes: frame by frame the picture holds the bar and the logo
// exactly where the model puts them, through the wraps, the pauses and past the last pass.
TEST_F(BannerLogo, LogosFollowTheMotionRuleFrameByFrame) {
  pft::Rng rng(20260611);
  Logo logo(24, 8);
  const tBannerLogoBar strip{kW, 2, kH - 2, 0, kW, kH, 100, 100, 100, 255};
  int context = 0;
  for (int n = 0; n < 400; ++n) {
    P p = picture_param(1, 1);
    tBannerLogoItem& it = p.atLogo[0];
    it = item(logo, 24, 8);
    it.s32WinWidth = rng.range(6, 110);
    it.s32WinHeight = rng.range(6, 50);
    it.s32WinLeft = rng.range(-it.s32WinWidth + 2, kW - 1);
    it.s32WinTop = rng.range(-it.s32WinHeight + 2, kH - 1);
    it.s16StepX = static_cast<int16_t>(rng.chance(25) ? 0 : rng.range(-9, 9));
    it.s16StepY = static_cast<int16_t>(rng.chance(50) ? 0 : rng.range(-5, 5));
    it.s32StartX = rng.range(-30, it.s32WinWidth + 4);
    it.s32StartY = rng.range(-10, it.s32WinHeight + 4);
    it.s32Loops = rng.range(0, 3);
    if (rng.chance(60)) {
      it.s32PauseDistX = rng.range(0, 40);
      it.s32PauseDistY = rng.range(0, 20);
      it.s32PauseFrames = rng.range(0, 6);
    }
    p.atBar[0] = strip;
    SCOPED_TRACE(describe(it));
    // Windows wholly outside the picture are refused; the rest must run.
    void* h = nullptr;
    ASSERT_EQ(ImgBannerLogoOpen_c(&h, &p, mem()), 0u);
    Ticker model(it);
    Bytes picture(kW * kH * 3 / 2);
    const long frames = std::min<long>(model.cycle + 12, 400);
    for (long f = 0; f < frames; ++f) {
      std::fill(picture.begin(), picture.end(), 0);
      uint8_t* planes[1] = {picture.data()};
      ASSERT_EQ(ImgBannerLogoProcess_c(h, planes, &context), 0u) << "frame " << f;
      bool bar = false;
      const Ticker::Rect r = model.step(bar);
      const Bytes want = expected_luma(r, bar);
      ASSERT_TRUE(std::equal(want.begin(), want.end(), picture.begin()))
          << "frame " << f << ": X " << model.X << " Y " << model.Y << ", expected logo at "
          << r.left << "," << r.top << " " << r.width << "x" << r.height
          << (bar ? " with" : " without") << " its bar";
    }
    ASSERT_EQ(ImgBannerLogoClose_c(h), 0u);
  }
}

// The worked examples: a logo moving right by 4 through a 100-wide window with a 40-wide logo is
// drawn while -40 < X < 100, hidden for one frame at X = 100, back at X = -36, and gone after 35
// frames; pausing every 20 pixels for 10 frames; a pause distance no step reaches means none.
TEST_F(BannerLogo, WorkedExamples) {
  Logo logo(40, 8);
  // Where the logo's first column lands frame by frame (-1: not drawn).
  auto run = [&](int dist, int frames_of_pause, int frames) {
    P p = picture_param(1, 0);
    tBannerLogoItem& it = p.atLogo[0];
    it = item(logo, 40, 8);
    it.s32WinLeft = 8, it.s32WinTop = 8, it.s32WinWidth = 100, it.s32WinHeight = 16;
    it.s16StepX = 4;
    it.s32PauseDistX = dist, it.s32PauseFrames = frames_of_pause;
    void* h = nullptr;
    EXPECT_EQ(ImgBannerLogoOpen_c(&h, &p, mem()), 0u);
    std::vector<int> seen;
    for (int f = 0; f < frames; ++f) seen.push_back(frame(h, 8));
    EXPECT_EQ(ImgBannerLogoClose_c(h), 0u);
    return seen;
  };
  // Plain motion: X = 0, 4, ..., 96 (frames 1-25), hidden at 100, then -36 ... -4, then parked.
  const std::vector<int> plain = run(-1, 0, 40);
  for (int f = 0; f < 25; ++f) EXPECT_EQ(plain[size_t(f)], 8 + 4 * f) << f;
  EXPECT_EQ(plain[25], -1);
  EXPECT_EQ(plain[26], 8) << "re-enters at X = -36, cut at the window's left edge";
  EXPECT_EQ(plain[34], 8);
  for (int f = 35; f < 40; ++f) EXPECT_EQ(plain[size_t(f)], -1) << "parked after 35 frames";
  // Pauses: after 5 steps (20 pixels) it holds for 10 frames.
  const std::vector<int> paused = run(20, 10, 30);
  for (int f = 0; f <= 5; ++f) EXPECT_EQ(paused[size_t(f)], 8 + 4 * f) << f;
  for (int f = 6; f <= 15; ++f) EXPECT_EQ(paused[size_t(f)], 28) << f;
  EXPECT_EQ(paused[16], 32);
  // A distance of 10 with steps of 4 can never be covered: no pauses at all.
  EXPECT_EQ(run(10, 10, 30), run(-1, 0, 30));
}

// A set-up given in a reference twice the picture is halved: logo size, window, offsets, pause
// distances; steps to the nearest pixel (away from zero at halves, at least one); field pictures
// keep vertical steps at 2 or more and window tops on multiples of 4. GetStatus shows it.
TEST_F(BannerLogo, SetUpsAreScaledToThePicture) {
  Logo logo(48, 16);
  struct Row {
    uint32_t image_type;
    int step_x, step_y, pause, win_top;
    int want_step_x, want_step_y, want_pause, want_top;
  };
  const Row rows[] = {
      {PF_IMAGE_FRAME, 9, 3, 36, 14, 5, 2, 15, 6},      // 4.5 -> 5, 1.5 -> 2; 18 -> 15 in 5s
      {PF_IMAGE_FRAME, -9, -1, -1, 12, -5, -1, -1, 6},  // -0.5 -> -1: a moving logo keeps moving
      {PF_IMAGE_FRAME, 1, 0, 2, 10, 1, 0, 1, 4},        // 0.5 -> 1; distance 1 in steps of 1
      {PF_IMAGE_FIELD, 2, 1, 10, 14, 1, 2, 5, 4},       // field: vertical at least 2, top in 4s
      {PF_IMAGE_FRAME, 4, 0, 10, 8, 2, 0, -1, 4},       // 10 is no multiple of 4: no pauses
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.step_x);
    P p = picture_param(1, 1);
    p.u32ImageType = row.image_type;
    tBannerLogoItem& it = p.atLogo[0];
    it = item(logo, 48, 16);
    it.s32RefWidth = 2 * kW, it.s32RefHeight = 2 * kH;
    it.s16StepX = static_cast<int16_t>(row.step_x), it.s16StepY = static_cast<int16_t>(row.step_y);
    it.s32PauseDistX = row.pause, it.s32PauseFrames = 3;
    it.s32WinTop = row.win_top, it.s32WinLeft = 20, it.s32WinWidth = 200, it.s32WinHeight = 40;
    it.s32StartX = -7, it.s32StartY = 9;
    p.atBar[0] = {200, 20, 101, 31, 2 * kW, 2 * kH, 1, 2, 3, 4};
    void* h = nullptr;
    ASSERT_EQ(ImgBannerLogoOpen_c(&h, &p, mem()), 0u);
    P status{};
    ASSERT_EQ(ImgBannerLogoGetStatus_c(h, &status), 0u);
    const tBannerLogoItem& s = status.atLogo[0];
    EXPECT_EQ(s.s16StepX, row.want_step_x);
    EXPECT_EQ(s.s16StepY, row.want_step_y);
    EXPECT_EQ(s.s32PauseDistX, row.want_pause);
    EXPECT_EQ(s.s32WinTop, row.want_top);
    // Window left, width, height and start halved (start x: -7 * 128 / 256, towards zero); the
    // logo's own size as given.
    EXPECT_EQ((std::array{s.s32WinLeft, s.s32WinWidth, s.s32WinHeight, s.s32StartX, s.s32StartY,
                          s.s32FgWidth}),
              (std::array{10, 100, 20, -3, 4, 48}));
    // The bar's width, height, top and left halved, its reference now the picture's size.
    const tBannerLogoBar& b = status.atBar[0];
    EXPECT_EQ((std::array{b.s32Width, b.s32Height, b.s32Top, b.s32Left, b.s32RefWidth}),
              (std::array{100, 10, 50, 15, kW}));
    EXPECT_EQ(status.s32LogoNum, 1);
    EXPECT_EQ(ImgBannerLogoClose_c(h), 0u);
  }
}

// SetParam restarts only the logos that changed, opens instances for new items and closes those
// beyond lowered counts; a failed allocation on the way gives everything back and leaves the
// running set-up as it was. Control records switch logos and their bars on and off.
TEST_F(BannerLogo, SetParamRestartsOnlyWhatChanged) {
  Logo logo(24, 8);
  P p = picture_param(1, 1);
  p.atLogo[0] = item(logo, 24, 8);
  p.atLogo[0].s32WinLeft = 0, p.atLogo[0].s32WinTop = 0;
  p.atLogo[0].s32WinWidth = kW, p.atLogo[0].s32WinHeight = 16;
  p.atLogo[0].s16StepX = 4, p.atLogo[0].s32Loops = 5;
  p.atBar[0] = {kW, 2, kH - 2, 0, kW, kH, 100, 100, 100, 255};
  void* h = nullptr;
  ASSERT_EQ(ImgBannerLogoOpen_c(&h, &p, mem()), 0u);
  for (int f = 0; f < 3; ++f) frame(h);
  EXPECT_EQ(frame(h), 12);
  // The same record again: the logo runs on.
  ASSERT_EQ(ImgBannerLogoSetParam_c(h, &p), 0u);
  EXPECT_EQ(frame(h), 16);

  // More logos and bars: every allocation of the new instances may fail, and then nothing is
  // left behind and the first logo runs on where it was.
  P more = p;
  more.s32LogoNum = 3, more.s32BannerNum = 4;
  more.atLogo[1] = more.atLogo[2] = p.atLogo[0];
  more.atBar[1] = more.atBar[2] = more.atBar[3] = p.atBar[0];
  const uint64_t live = live_blocks();
  uint32_t status = 1;
  for (uint32_t n = 1; status != 0 && n < 64; ++n) {
    VideoMemFailAllocation(mem(), n);
    status = ImgBannerLogoSetParam_c(h, &more);
    VideoMemFailAllocation(mem(), 0);
    if (status == 0) break;
    EXPECT_EQ(live_blocks(), live) << "allocation " << n;
    P now{};
    ASSERT_EQ(ImgBannerLogoGetStatus_c(h, &now), 0u);
    EXPECT_EQ(now.s32LogoNum, 1);
    EXPECT_EQ(now.s32BannerNum, 1);
  }
  ASSERT_EQ(status, 0u);
  EXPECT_GT(live_blocks(), live);
  EXPECT_EQ(frame(h), 0) << "the new logos start at their start; the first runs on under them";

  // Back to one logo and one bar: the other instances are given back.
  ASSERT_EQ(ImgBannerLogoSetParam_c(h, &p), 0u);
  EXPECT_EQ(live_blocks(), live);
  EXPECT_EQ(frame(h), 24);

  // A control record that disables the logo hides its bar too; one that leaves a running logo
  // alone refuses a new picture size.
  tBannerLogoControl control{PF_BANNERLOGO_CONTROL_MAGIC, 1, 0};
  P off = p;
  off.atLogo[0].pItemControl = &control;
  ASSERT_EQ(ImgBannerLogoSetParam_c(h, &off), 0u);
  bool bar = true;
  EXPECT_EQ(frame(h, 0, &bar), -1);
  EXPECT_FALSE(bar);
  control = {PF_BANNERLOGO_CONTROL_MAGIC, 1, 1};
  ASSERT_EQ(ImgBannerLogoSetParam_c(h, &off), 0u);
  EXPECT_EQ(frame(h, 0, &bar), 0) << "re-initialised: back at its start";
  EXPECT_TRUE(bar);
  control.u32Apply = 0;
  P smaller = off;
  smaller.s32BgWidth = 64;
  EXPECT_EQ(ImgBannerLogoSetParam_c(h, &smaller), ERR_IMG_BANNERLOGO_SET_ENABLE);
  off.atLogo[0].s16StepX = 8;  // ignored: the running logo is left alone
  ASSERT_EQ(ImgBannerLogoSetParam_c(h, &off), 0u);
  EXPECT_EQ(frame(h), 4);
  EXPECT_EQ(ImgBannerLogoClose_c(h), 0u);
}

// Bars beyond the logos are drawn every frame; a bar under a logo only while its logo runs.
TEST_F(BannerLogo, BarsFollowTheirLogos) {
  Logo logo(24, 8);
  P p = picture_param(2, 4);
  for (int i = 0; i < 2; ++i) {
    p.atLogo[i] = item(logo, 24, 8);
    p.atLogo[i].s32WinLeft = 0, p.atLogo[i].s32WinTop = 16 * i;
    p.atLogo[i].s32WinWidth = kW, p.atLogo[i].s32WinHeight = 8;
    p.atLogo[i].s16StepX = 8;
  }
  p.atLogo[1].s32Loops = 0;  // never shown: its bar neither
  for (int i = 0; i < 4; ++i) p.atBar[i] = {8, 2, 40 + 4 * i, 0, kW, kH, 100, 100, 100, 255};
  void* h = nullptr;
  ASSERT_EQ(ImgBannerLogoOpen_c(&h, &p, mem()), 0u);
  EXPECT_EQ(frame(h), 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(picture_[size_t((40 + 4 * i) * kW)], i == 1 ? 0 : kBarLuma) << "bar " << i;
  }
  EXPECT_EQ(ImgBannerLogoClose_c(h), 0u);
}

TEST(BannerLogoCodes, AnalyzerNamesTheLogosAndBannersCodes) {
  char name[64];
  const struct {
    uint32_t code;
    const char* name;
  } rows[] = {
      {0xC1400001u, "ERR_IMG_LOGO_OPEN_POINTER"},
      {0xC140001Fu, "ERR_IMG_BANNER_MALLOC_FAST_SCRATCH"},
      {0xC1400023u, "ERR_IMG_BANNER_OPEN_POINTER"},
      {0xC140003Bu, "ERR_IMG_BANNER_END"},
      {0xC140003Cu, "ERR_IMG_BANNERLOGO_OPEN_POINTER"},
      {0xC1400058u, "ERR_IMG_BANNERLOGO_END"},
  };
  for (const auto& row : rows) {
    ASSERT_EQ(ImgBannerLogoAnalyzeErrorCode_c(row.code, sizeof name, name), 0u);
    EXPECT_STREQ(name, row.name);
  }
  EXPECT_EQ(ImgBannerLogoAnalyzeErrorCode_c(0xC1400059u, sizeof name, name),
            PF_ERR_CODE_NOT_NAMEABLE);
  EXPECT_EQ(ImgBannerLogoAnalyzeErrorCode_c(0xC1400000u, sizeof name, name),
            PF_ERR_CODE_NOT_NAMEABLE);
}

// ---------------------------------------------------------------- the module's case

// Two logos and three bars on a 64 x 32 picture, in the picture's own reference size, so that
// GetStatus gives the record back as it is.
P case_param() {
  static Logo logo(16, 8);
  P p{};
  p.s32BgWidth = 64, p.s32BgHeight = 32;
  p.u32ImageType = PF_IMAGE_FRAME;
  p.u32BgYuvType = PF_YUV_420;
  p.s32LogoNum = 2, p.s32BannerNum = 3;
  for (int i = 0; i < 2; ++i) {
    tBannerLogoItem& it = p.atLogo[i];
    it.pu8FgData = logo.data.data();
    it.pu8FgAlpha = logo.alpha.data();
    it.s32FgWidth = 16, it.s32FgHeight = 8;
    it.u32FgYuvType = PF_YUV_420;
    it.s32RefWidth = 64, it.s32RefHeight = 32;
    it.s16StepX = static_cast<int16_t>(i == 0 ? 2 : -4);
    it.s32Loops = 3;
    it.s32PauseDistX = i == 0 ? 8 : -1, it.s32PauseDistY = -1, it.s32PauseFrames = 2;
    it.s32WinTop = 12 * i, it.s32WinLeft = 4, it.s32WinWidth = 56, it.s32WinHeight = 10;
  }
  for (int i = 0; i < 3; ++i) p.atBar[i] = {40, 4, 8 * i, 2, 64, 32, 20, 40, 200, 128};
  return p;
}

pft::ModuleCase bannerlogo_case() {
  using pft::edit;
  pft::ModuleCase m;
  m.name = "banner logo";
  m.entry = tBannerLogoFuncs;
  m.table = &tBannerLogoFuncs;
  m.id = 10;
  pft::set_names(m, pas8BannerLogoAnalyzeErrorCode, ERR_IMG_BANNERLOGO_OPEN_POINTER,
                 ERR_IMG_BANNERLOGO_OPEN_POINTER, ERR_IMG_BANNERLOGO_END,
                 ERR_IMG_BANNERLOGO_ANALYZE_ERROR_CODE_HANDLE);
  m.delegates = true;
  pft::set_version(m, "pelforge_v300.BannerLogo.008", ERR_IMG_BANNERLOGO_VER_POINTER, 0,
                   ERR_IMG_BANNERLOGO_BUFFERLEN);
  m.param = pft::record_bytes(case_param());
  m.mem_size = PF_BANNERLOGO_MEM_SIZE;
  m.family = pft::Family::kOverlay;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const P*>(record);
    uint8_t* planes[1] = {pics.picture(p.u32BgYuvType, p.s32BgWidth, p.s32BgHeight)};
    int context = 0;
    // Forty frames let the logos move through their windows; a huge picture (the record takes
    // any width) gets fewer, so that a fuzzer's run stays well under a second.
    const int64_t pixels = std::max<int64_t>(int64_t{p.s32BgWidth} * p.s32BgHeight, 1);
    const int64_t frames = std::clamp<int64_t>((int64_t{8} << 20) / pixels, 1, 40);
    for (int64_t f = 0; f < frames; ++f) {
      if (const uint32_t status = e.Process(h, planes, &context)) return status;
    }
    return 0u;
  };
  // Every logo's pixels, alpha, character widths and control record, as long as its item says.
  m.bind = [](void* record, pft::Pictures& pics) {
    auto& p = *static_cast<P*>(record);
    for (tBannerLogoItem& it : p.atLogo) {
      const int64_t w = it.s32FgWidth, rows = it.s32FgHeight;
      if (w < 0 || rows < 0 || w > 2048 || rows > 2048) throw pft::TooLarge{};
      const bool packed = it.u32FgYuvType == PF_YUV_UYVY || it.u32FgYuvType == PF_YUV_YUYV;
      it.pu8FgData = pics.buffer(packed ? 2 * w * rows : w * rows * 3 / 2);
      it.pu8FgAlpha = pics.buffer(packed ? 2 * w * rows : w * rows * 5 / 4);
      it.pu8ItemSpare = nullptr;
      const int64_t lines = it.s32LineHeight > 0 ? rows / it.s32LineHeight + 1 : 1;
      it.pu8CharWidth = pics.char_widths(it.s32CharNum, lines, w);
      it.pItemControl = nullptr;
      if ((pics.byte() & 3) == 0) {
        it.pItemControl = pics.record<tBannerLogoControl>();
        it.pItemControl->u32Magic = PF_BANNERLOGO_CONTROL_MAGIC;
        it.pItemControl->u32Apply = pics.byte() & 1;
        it.pItemControl->u32Enable = pics.byte() & 1;
      }
    }
  };
  pft::set_null_codes(m,
                      {ERR_IMG_BANNERLOGO_OPEN_POINTER, ERR_IMG_BANNERLOGO_CLOSE_HANDLE,
                       ERR_IMG_BANNERLOGO_CLOSE_MEMHANDLE, ERR_IMG_BANNERLOGO_FREE_MEMORY,
                       ERR_IMG_BANNERLOGO_SETPARAM_POINTER, ERR_IMG_BANNERLOGO_STATUS_INPUT_POINTER,
                       ERR_IMG_BANNERLOGO_PROCESS_POINTER});
  // The instance, then each logo's instance, scratch and colour memory, then each banner's
  // instance and scratch: a failure anywhere is that instance's own code.
  m.open_failures = {ERR_IMG_BANNERLOGO_MALLOC_MEMORY,   ERR_IMG_LOGO_MALLOC_MEMORY,
                     ERR_IMG_LOGO_MALLOC_FAST_SCRATCH,   ERR_IMG_LOGO_MALLOC_FONTCOLOR,
                     ERR_IMG_LOGO_MALLOC_MEMORY,         ERR_IMG_LOGO_MALLOC_FAST_SCRATCH,
                     ERR_IMG_LOGO_MALLOC_FONTCOLOR,      ERR_IMG_BANNER_MALLOC_MEMORY,
                     ERR_IMG_BANNER_MALLOC_FAST_SCRATCH, ERR_IMG_BANNER_MALLOC_MEMORY,
                     ERR_IMG_BANNER_MALLOC_FAST_SCRATCH, ERR_IMG_BANNER_MALLOC_MEMORY,
                     ERR_IMG_BANNER_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_LOGO_GET_DMA_HANDLE;
  // The checks in their order: each row also breaks a field checked later.
  m.rows = {
      PF_REFUSED(P, "picture width 0", ERR_IMG_BANNERLOGO_IMAGE_PARAM, p.s32BgWidth = 0,
                 p.u32BgYuvType = 7),
      PF_REFUSED(P, "picture height -2", ERR_IMG_BANNERLOGO_IMAGE_PARAM, p.s32BgHeight = -2),
      PF_REFUSED(P, "YUV type 4221", ERR_IMG_BANNERLOGO_IMAGE_YUVTYPE, p.u32BgYuvType = 4221,
                 p.u32ImageType = 0),
      PF_REFUSED(P, "YUYV fields", ERR_IMG_BANNERLOGO_YUYV_NOT_SUPPORT_FIELD,
                 p.u32BgYuvType = PF_YUV_YUYV, p.u32ImageType = 2),
      PF_REFUSED(P, "image type 4", ERR_IMG_BANNERLOGO_IMAGE_IMAGETYPE, p.u32ImageType = 4,
                 p.s32LogoNum = 37),
      PF_REFUSED(P, "37 logos", ERR_IMG_BANNERLOGO_LOGO_NUM, p.s32LogoNum = 37),
      PF_REFUSED(P, "37 bars", ERR_IMG_BANNERLOGO_LOGO_NUM, p.s32BannerNum = 37),
      PF_REFUSED(P, "no logos, no bars", ERR_IMG_BANNERLOGO_LOGO_NUM,
                 p.s32LogoNum = p.s32BannerNum = 0),
      PF_REFUSED(P, "-1 logos", ERR_IMG_BANNERLOGO_LOGO_NUM, p.s32LogoNum = -1),
      PF_REFUSED(P, "no alpha", ERR_IMG_BANNERLOGO_LOGO_DATA, p.atLogo[1].pu8FgAlpha = nullptr),
      PF_REFUSED(P, "reference width 0", ERR_IMG_BANNERLOGO_REF_WIDTH, p.atLogo[0].s32RefWidth = 0,
                 p.atLogo[0].s32WinWidth = 0),
      PF_REFUSED(P, "reference height 0", ERR_IMG_BANNERLOGO_REF_HEIGHT,
                 p.atLogo[0].s32RefHeight = 0),
      // Scaled from 128 wide to 64: one pixel becomes none.
      {"window 1 wide in a larger reference", edit<P>([](P& p) {
         p.atLogo[1].s32RefWidth = 128, p.atLogo[1].s32FgWidth = 32, p.atLogo[1].s32WinWidth = 1;
         p.atLogo[1].s32WinHeight = 0;
       }),
       ERR_IMG_BANNERLOGO_WINDOW_WIDTH},
      PF_REFUSED(P, "window height 0", ERR_IMG_BANNERLOGO_WINDOW_HEIGHT,
                 p.atLogo[0].s32WinHeight = 0),
      PF_REFUSED(P, "window left at the width", ERR_IMG_BANNERLOGO_WINDOW_LEFT,
                 p.atLogo[0].s32WinLeft = 64),
      PF_REFUSED(P, "window wholly left of the picture", ERR_IMG_BANNERLOGO_WINDOW_LEFT,
                 p.atLogo[0].s32WinLeft = -56, p.atLogo[0].s32WinTop = 32),
      PF_REFUSED(P, "window top at the height", ERR_IMG_BANNERLOGO_WINDOW_TOP,
                 p.atLogo[0].s32WinTop = 32),
      PF_REFUSED(P, "window wholly above the picture", ERR_IMG_BANNERLOGO_WINDOW_TOP,
                 p.atLogo[1].s32WinTop = -10),
      PF_REFUSED(P, "bar reference height 0", ERR_IMG_BANNERLOGO_REF_HEIGHT,
                 p.atBar[2].s32RefHeight = 0),
      // What the logo and banner instances would refuse comes back with their codes, before
      // anything is opened.
      PF_REFUSED(P, "odd logo width", ERR_IMG_LOGO_FG_WIDTH, p.atLogo[1].s32FgWidth = 15),
      {"picture width no multiple of 8 for the logos", edit<P>([](P& p) {
         p.s32BgWidth = 60;
         for (auto& it : p.atLogo) it.s32RefWidth = 60;
       }),
       ERR_IMG_LOGO_BG_WIDTH},
      {"too many characters", edit<P>([](P& p) {
         static uint8_t widths[] = {8, 8, 0};
         p.atLogo[0].u32AdaptiveColor = 1, p.atLogo[0].s32LineHeight = 8;
         p.atLogo[0].pu8CharWidth = widths, p.atLogo[0].s32CharNum = 1001;
       }),
       ERR_IMG_LOGO_CHAR_MAX},
      PF_REFUSED(P, "bar below the picture", ERR_IMG_BANNER_FG_TOP, p.atBar[1].s32Top = 32),
      PF_REFUSED(P, "bar of no width", ERR_IMG_BANNER_FG_WIDTH_HEIGHT, p.atBar[0].s32Width = 0),
  };
  return m;
}
PF_MODULE_CASE(bannerlogo_case);

}  // namespace
