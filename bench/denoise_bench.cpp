// SPDX-License-Identifier: BSD-2-Clause
// The temporal filter, sharpen, Gaussian and cross filters on 720x576 4:2:0 pictures: the
// dispatched kernels (SSE2 where there is a variant), the scalar kernels, and FFmpeg's nearest
// filters in process (hqdn3d, unsharp, gblur), in one ratio table.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "bench_util.hpp"
#include "img_crossfilter.h"
#include "img_gaussfilter.h"
#include "img_sharp.h"
#include "img_temporalfilter.h"
#include "lavfi.hpp"

namespace {

constexpr int kW = 720, kH = 576;
constexpr size_t kLuma = size_t{kW} * kH, kChroma = kLuma / 4;

// A picture of the benchmark pattern with its three plane pointers and pitches.
struct Picture {
  pfb::Bytes storage = pfb::picture_buffer(kLuma * 3 / 2);
  uint8_t* y() { return storage.data(); }
  uint8_t* u() { return storage.data() + kLuma; }
  uint8_t* v() { return storage.data() + kLuma + kChroma; }
  const uint8_t* planes[4] = {storage.data(), storage.data() + kLuma,
                              storage.data() + kLuma + kChroma, nullptr};
  uint8_t* out[4] = {storage.data(), storage.data() + kLuma, storage.data() + kLuma + kChroma,
                     nullptr};
  const int pitches[4] = {kW, kW / 2, kW / 2, 0};
};

// Something that changes a little from picture to picture, as camera noise does, so that the
// temporal filters see differences: a second picture alternated with the first.
void vary(Picture& p) {
  for (size_t i = 0; i < p.storage.size(); i += 7)
    p.storage[i] = static_cast<uint8_t>(p.storage[i] ^ 3);
}

// ---- temporal filter ----

void BM_temporal(benchmark::State& state, bool scalar) {
  const tImgTemporalFilterParam p{kW, kH, kW, kW / 2, 1};
  const pfb::Instance module(state, "the temporal filter", ImgTemporalFilterOpen_c,
                             ImgTemporalFilterClose_c, &p);
  if (!module) return;
  void* h = module.get();
  if (scalar) module.as<tImgTemporalFilterInstance>().pfnFilter = Filterframe_c;
  Picture a, b;
  vary(b);
  tImgPicture pa{a.y(), nullptr, nullptr, kW, kW / 2, 0, 0},
      pb{b.y(), nullptr, nullptr, kW, kW / 2, 0, 0};
  bool odd = false;
  for (auto _ : state) {
    ImgTemporalFilterProcess_c(h, odd ? &pb : &pa, &pa);
    odd = !odd;
    benchmark::DoNotOptimize(a.storage.data());
  }
}

// ---- sharpen ----

void BM_sharpen(benchmark::State& state, bool scalar) {
  const tImgSharpParam p{kW, kH, 128, 0};
  const pfb::Instance module(state, "sharpen", ImageSharpOpen_c, ImageSharpClose_c, &p);
  if (!module) return;
  void* h = module.get();
  if (scalar) module.as<tImgSharpInstance>().pfnSharp = ImgSharpYUV420_c;
  Picture src, dst;
  tImgPicture s{src.y(), src.u(), src.v(), kW, kW / 2, 0, 0};
  tImgPicture d{dst.y(), dst.u(), dst.v(), kW, kW / 2, 0, 0};
  for (auto _ : state) {
    ImageSharpProcess_c(h, &s, &d);
    benchmark::DoNotOptimize(dst.storage.data());
  }
}

// ---- Gaussian and cross ----

void BM_gauss(benchmark::State& state) {
  const tImgGaussFilterParam p{kW, kH, kW, kW / 2, kW, kH, kW, kW / 2, 4, 255};
  const pfb::Instance module(state, "the Gaussian filter", ImgGaussFilterOpen_c,
                             ImgGaussFilterClose_c, &p);
  if (!module) return;
  void* h = module.get();
  Picture src, dst;
  tImgGaussFilterPicture pic{src.y(), src.u(), src.v(), dst.y(), dst.u(), dst.v()};
  for (auto _ : state) {
    ImgGaussFilterProcess_c(h, &pic, &pic);
    benchmark::DoNotOptimize(dst.storage.data());
  }
}

void BM_cross(benchmark::State& state, bool scalar) {
  const tImgCrossFilterParam p{kW, kH, kW, kW / 2, kW, kH, kW, kW / 2};
  const pfb::Instance module(state, "the cross filter", ImgCrossFilterOpen_c, ImgCrossFilterClose_c,
                             &p);
  if (!module) return;
  void* h = module.get();
  if (scalar) module.as<tImgCrossFilterInstance>().pfnFilter = CrossFilter_c;
  Picture src, dst;
  tImgCrossFilterPicture pic{src.y(), src.u(), src.v(), dst.y(), dst.u(), dst.v()};
  for (auto _ : state) {
    ImgCrossFilterProcess_c(h, &pic, &pic);
    benchmark::DoNotOptimize(dst.storage.data());
  }
}

// ---- FFmpeg ----

// The graph's time includes what any libavfilter user pays per picture: the frame bookkeeping
// and the copy of the result into the caller's planes. Two pictures alternate, as for ours.
void BM_lavfi(benchmark::State& state, const char* filter) {
  Picture a, b, out;
  vary(b);
  pfb::LavfiRunner graph(filter, kW, kH, "yuv420p");
  bool odd = false;
  for (auto _ : state) {
    graph.push(odd ? b.planes : a.planes, a.pitches);
    odd = !odd;
    if (!graph.pull(out.out, out.pitches)) {
      state.SkipWithError("the graph gave no picture");
      break;
    }
    benchmark::DoNotOptimize(out.storage.data());
  }
}

[[maybe_unused]] const bool kRegistered = [] {
  const std::string t = "denoise";
  pfb::add_bench(t, "pelforge", "temporal filter", [](auto& s) { BM_temporal(s, false); });
  pfb::add_bench(t, "scalar", "temporal filter", [](auto& s) { BM_temporal(s, true); });
  pfb::add_bench(t, "lavfi", "temporal filter", [](auto& s) { BM_lavfi(s, "hqdn3d"); });
  pfb::add_bench(t, "pelforge", "sharpen", [](auto& s) { BM_sharpen(s, false); });
  pfb::add_bench(t, "scalar", "sharpen", [](auto& s) { BM_sharpen(s, true); });
  pfb::add_bench(t, "lavfi", "sharpen", [](auto& s) { BM_lavfi(s, "unsharp=7:7:0.5:7:7:0.5"); });
  // Level 4's taps have a standard deviation of 1.27 samples.
  pfb::add_bench(t, "pelforge", "gaussian level 4", [](auto& s) { BM_gauss(s); });
  pfb::add_bench(t, "lavfi", "gaussian level 4", [](auto& s) { BM_lavfi(s, "gblur=sigma=1.27"); });
  pfb::add_bench(t, "pelforge", "cross", [](auto& s) { BM_cross(s, false); });
  pfb::add_bench(t, "scalar", "cross", [](auto& s) { BM_cross(s, true); });
  return true;
}();

}  // namespace
