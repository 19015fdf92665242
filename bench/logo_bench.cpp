// SPDX-License-Identifier: BSD-2-Clause
// Overlay: a 200x60 logo with a per-pixel alpha blended into a 720x576 picture by the logo module,
// in 4:2:0 frame and field storage, NV12 and UYVY, against FFmpeg's overlay filter blending a
// logo of the same size into the 4:2:0 picture, and against a copy of the whole picture; and the
// banner-logo module's ticker (the logo scrolling over a translucent bar).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "bench_util.hpp"
#include "img_bannerlogo.h"
#include "img_logo.h"
#include "lavfi.hpp"

namespace {

constexpr int kW = 720, kH = 576, kLogoW = 200, kLogoH = 60, kLeft = 480, kTop = 40;

struct Job {
  const char* name;
  uint32_t yuv_type;
  uint32_t image_type;
};

const Job kJobs[] = {
    {"logo_200x60_420_frame", 420, 1},
    {"logo_200x60_420_field", 420, 2},
    {"logo_200x60_nv12_frame", 42012, 1},
    {"logo_200x60_uyvy_frame", 422, 1},
};

bool packed(uint32_t yuv_type) { return yuv_type == 422 || yuv_type == 4201; }

// A logo whose alpha varies over the whole range, so that every sample is blended (a sample
// whose alpha keeps the background would be skipped and flatter the timing).
struct Logo {
  pfb::Bytes data, alpha;
  explicit Logo(uint32_t yuv_type)
      : data(pfb::picture_buffer(pfb::picture_bytes(yuv_type, kLogoW, kLogoH))),
        alpha(
            pfb::picture_buffer(packed(yuv_type) ? 2 * kLogoW * kLogoH : kLogoW * kLogoH * 5 / 4)) {
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = uint8_t(i * 7 % 255);
  }
};

void BM_pelforge(benchmark::State& state, const Job& j) {
  Logo logo(j.yuv_type);
  tLogoParam p{};
  p.pu8FgData = logo.data.data();
  p.pu8FgAlpha = logo.alpha.data();
  p.s32FgWidth = kLogoW;
  p.s32FgHeight = kLogoH;
  p.u32FgYuvType = p.u32BgYuvType = j.yuv_type;
  p.s32FgTop = kTop;
  p.s32FgLeft = kLeft;
  p.s32FgRefWidth = p.s32BgWidth = kW;
  p.s32FgRefHeight = p.s32BgHeight = kH;
  p.u32ImageType = j.image_type;
  const pfb::Instance module(state, "the logo module", ImgLogoOpen_c, ImgLogoClose_c, &p);
  if (!module) return;
  void* h = module.get();
  pfb::Bytes picture = pfb::picture_buffer(pfb::picture_bytes(j.yuv_type, kW, kH));
  uint8_t* planes[3] = {picture.data(), picture.data() + kW * kH, picture.data() + kW * kH * 5 / 4};
  int context = 0;
  for (auto _ : state) {
    ImgLogoProcess_c(h, planes, &context);
    benchmark::DoNotOptimize(picture.data());
  }
}

// overlay blends a constant 200x60 yuva420p logo from a colour source; the graph's time includes
// the frame bookkeeping and the copy of the result into the caller's planes.
void BM_lavfi(benchmark::State& state, const Job&) {
  pfb::Bytes src = pfb::picture_buffer(pfb::picture_bytes(420, kW, kH));
  pfb::Bytes dst = pfb::picture_buffer(pfb::picture_bytes(420, kW, kH));
  const uint8_t* in[4] = {src.data(), src.data() + kW * kH, src.data() + kW * kH * 5 / 4, nullptr};
  uint8_t* out[4] = {dst.data(), dst.data() + kW * kH, dst.data() + kW * kH * 5 / 4, nullptr};
  const int pitches[4] = {kW, kW / 2, kW / 2, 0};
  pfb::LavfiRunner graph(
      "color=c=0x1020A0@0.6:s=200x60:r=25,format=yuva420p[logo];"
      "[in][logo]overlay=x=480:y=40:format=yuv420[out]",
      kW, kH, "yuv420p");
  for (auto _ : state) {
    graph.push(in, pitches);
    if (!graph.pull(out, pitches)) {
      state.SkipWithError("the graph gave no picture");
      break;
    }
    benchmark::DoNotOptimize(dst.data());
  }
}

// The ticker: the same logo scrolling through a 720x80 window over a translucent bar.
void BM_ticker(benchmark::State& state) {
  Logo logo(420);
  auto p = std::make_unique<tBannerLogoParam>();
  std::memset(p.get(), 0, sizeof *p);
  p->s32BgWidth = kW, p->s32BgHeight = kH, p->u32ImageType = 1, p->u32BgYuvType = 420;
  p->s32LogoNum = 1, p->s32BannerNum = 1;
  tBannerLogoItem& it = p->atLogo[0];
  it.pu8FgData = logo.data.data();
  it.pu8FgAlpha = logo.alpha.data();
  it.s32FgWidth = kLogoW, it.s32FgHeight = kLogoH, it.u32FgYuvType = 420;
  it.s32RefWidth = kW, it.s32RefHeight = kH;
  it.s16StepX = -4, it.s32Loops = 1000000;
  it.s32PauseDistX = it.s32PauseDistY = -1;
  it.s32WinTop = 460, it.s32WinWidth = kW, it.s32WinHeight = 80;
  p->atBar[0] = {kW, 80, 460, 0, kW, kH, 16, 32, 160, 160};
  const pfb::Instance module(state, "the banner-logo module", ImgBannerLogoOpen_c,
                             ImgBannerLogoClose_c, p.get());
  if (!module) return;
  void* h = module.get();
  pfb::Bytes picture = pfb::picture_buffer(pfb::picture_bytes(420, kW, kH));
  uint8_t* buffers[1] = {picture.data()};
  int context = 0;
  for (auto _ : state) {
    ImgBannerLogoProcess_c(h, buffers, &context);
    benchmark::DoNotOptimize(picture.data());
  }
}

[[maybe_unused]] const bool kRegistered = [] {
  for (const Job& j : kJobs) {
    pfb::add_bench("logo", "pelforge", j.name, [&j](benchmark::State& s) { BM_pelforge(s, j); });
    if (j.yuv_type == 420 && j.image_type == 1) {
      pfb::add_bench("logo", "lavfi", j.name, [&j](benchmark::State& s) { BM_lavfi(s, j); });
    }
    pfb::add_memcpy_bench("logo", j.name, pfb::picture_bytes(j.yuv_type, kW, kH));
  }
  pfb::add_bench("logo", "pelforge", "ticker_200x60_over_bar", BM_ticker);
  return true;
}();

}  // namespace
