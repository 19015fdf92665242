// SPDX-License-Identifier: BSD-2-Clause
// Overlay: the banner module's lower third on a 720x576 4:2:0 picture, opaque and translucent,
// against FFmpeg's drawbox filter doing the same fill, and against a copy of the whole picture
// (what the filter graph pays on top of the fill to hand the picture back).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "bench_util.hpp"
#include "img_banner.h"
#include "lavfi.hpp"

namespace {

constexpr int kW = 720, kH = 576;

struct Job {
  const char* name;
  uint8_t opacity;
  const char* lavfi;
};

// The same RGB colour (16, 32, 160); drawbox converts it with its own video-range matrix, which
// does not change the work. Its alpha is the opacity as a fraction of 255.
const Job kJobs[] = {
    {"lower_third_opaque", 255, "drawbox=x=0:y=440:w=720:h=96:color=0x1020A0@1:t=fill"},
    {"lower_third_translucent", 160, "drawbox=x=0:y=440:w=720:h=96:color=0x1020A0@0.627:t=fill"},
};

// The module as a host runs it: one Process per picture, drawing in place.
void BM_pelforge(benchmark::State& state, const Job& j) {
  const tBannerParam p{kW, 96, 440, 0, kW, kH, 16, 32, 160, j.opacity, kW, kH, 1, 0, 420};
  const pfb::Instance module(state, "the banner", ImgBannerOpen_c, ImgBannerClose_c, &p);
  if (!module) return;
  void* h = module.get();
  pfb::Bytes picture = pfb::picture_buffer(pfb::picture_bytes(420, kW, kH));
  uint8_t* buffers[1] = {picture.data()};
  int context = 0;
  for (auto _ : state) {
    ImgBannerProcess_c(h, buffers, &context);
    benchmark::DoNotOptimize(picture.data());
  }
}

// The graph's time includes the frame bookkeeping and the copy of the result into the caller's
// planes, which every libavfilter user pays.
void BM_lavfi(benchmark::State& state, const Job& j) {
  pfb::Bytes src = pfb::picture_buffer(pfb::picture_bytes(420, kW, kH));
  pfb::Bytes dst = pfb::picture_buffer(pfb::picture_bytes(420, kW, kH));
  const uint8_t* in[4] = {src.data(), src.data() + kW * kH, src.data() + kW * kH * 5 / 4, nullptr};
  uint8_t* out[4] = {dst.data(), dst.data() + kW * kH, dst.data() + kW * kH * 5 / 4, nullptr};
  const int pitches[4] = {kW, kW / 2, kW / 2, 0};
  pfb::LavfiRunner graph(j.lavfi, kW, kH, "yuv420p");
  for (auto _ : state) {
    graph.push(in, pitches);
    if (!graph.pull(out, pitches)) {
      state.SkipWithError("the graph gave no picture");
      break;
    }
    benchmark::DoNotOptimize(dst.data());
  }
}

[[maybe_unused]] const bool kRegistered = [] {
  for (const Job& j : kJobs) {
    pfb::add_bench("overlay", "pelforge", j.name, [&j](benchmark::State& s) { BM_pelforge(s, j); });
    pfb::add_bench("overlay", "lavfi", j.name, [&j](benchmark::State& s) { BM_lavfi(s, j); });
    pfb::add_memcpy_bench("overlay", j.name, pfb::picture_bytes(420, kW, kH));
  }
  return true;
}();

}  // namespace
