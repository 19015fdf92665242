// SPDX-License-Identifier: BSD-2-Clause
// The D1 split, the D1 UYVY -> 4:2:0 converter and ImageZoom next to libyuv and memcpy doing the
// same work (libyuv's UYVYToI420 averages chroma over line pairs where ours picks the even line;
// the work is otherwise the same), through the modules' public entry points.
//
//   pf_zoom_bench --benchmark_repetitions=9 --benchmark_min_time=0.2
#include <benchmark/benchmark.h>
#include <libyuv.h>

#include <cstring>
#include <vector>

#include "img_resizer.h"
#include "img_yuv422toyuv420.h"
#include "img_yuv422toyuv420_d1split.h"
#include "img_zoom.h"
#include "video_mem.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kW = 720, kH = 576, kQW = 352, kQH = 288;

Bytes pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + (i >> 11));
  return b;
}

// One open module instance for the length of a benchmark.
struct Open {
  void* mem = VideoMemCreate();
  void* handle = nullptr;
  uint32_t (*close)(void*);
  Open(uint32_t (*open)(void**, const void*, void*), uint32_t (*c)(void*), const void* p)
      : close(c) {
    if (open(&handle, p, mem) != 0) handle = nullptr;
  }
  ~Open() {
    if (handle != nullptr) close(handle);
    VideoMemDestroy(mem);
  }
};

void BM_split_pelforge(benchmark::State& state) {
  const tYUV422ToYUV420D1To4xCifParam p = {kW, kH, {{kQW, kQH}, {kQW, kQH}, {kQW, kQH}, {kQW, kQH}}};
  Open m(ImgYUV422ToYUV420D1To4xCifOpen_c, ImgYUV422ToYUV420D1To4xCifClose_c, &p);
  if (m.handle == nullptr) return state.SkipWithError("open failed");
  const Bytes src = pattern(size_t(kW) * kH * 2);
  std::vector<Bytes> q(4, Bytes(size_t(kQW) * kQH * 3 / 2));
  tYUV422ToYUV420D1To4xCifData d{src.data(), {q[0].data(), q[1].data(), q[2].data(), q[3].data()}};
  for (auto _ : state) {
    ImgYUV422ToYUV420D1To4xCifProcess_c(m.handle, &d, &d);
    benchmark::ClobberMemory();
  }
}

void BM_split_libyuv(benchmark::State& state) {
  const Bytes src = pattern(size_t(kW) * kH * 2);
  std::vector<Bytes> q(4, Bytes(size_t(kQW) * kQH * 3 / 2));
  for (auto _ : state) {
    for (int i = 0; i < 4; ++i) {
      uint8_t* y = q[size_t(i)].data();
      uint8_t* u = y + kQW * kQH;
      uint8_t* v = u + kQW * kQH / 4;
      const uint8_t* from = src.data() + (i / 2) * kW * 2 + (i % 2 != 0 ? 360 : 8) * 2;
      libyuv::UYVYToI420(from, 4 * kW, y, kQW, u, kQW / 2, v, kQW / 2, kQW, kQH);
    }
    benchmark::ClobberMemory();
  }
}

void BM_split_memcpy(benchmark::State& state) {
  const Bytes src = pattern(size_t(kW) * kH * 2);
  std::vector<Bytes> q(4, Bytes(size_t(kQW) * kQH * 3 / 2));
  for (auto _ : state) {
    for (int i = 0; i < 4; ++i) std::memcpy(q[size_t(i)].data(), src.data(), q[size_t(i)].size());
    benchmark::ClobberMemory();
  }
}

void BM_d1_uyvy_to_420_pelforge(benchmark::State& state) {
  const tYUV422ToYUV420Param p{kW, kH, 1, kW, kH, 1};
  Open m(ImgYUV422ToYUV420Open_c, ImgYUV422ToYUV420Close_c, &p);
  if (m.handle == nullptr) return state.SkipWithError("open failed");
  const Bytes src = pattern(size_t(kW) * kH * 2);
  Bytes dst(size_t(kW) * kH * 3 / 2);
  tYUV422ToYUV420Buffers b{src.data(), dst.data()};
  tYUV422ToYUV420Result r{};
  for (auto _ : state) {
    ImgYUV422ToYUV420Process_c(m.handle, &b, &r);
    benchmark::ClobberMemory();
  }
}

void BM_d1_uyvy_to_420_libyuv(benchmark::State& state) {
  const Bytes src = pattern(size_t(kW) * kH * 2);
  Bytes dst(size_t(kW) * kH * 3 / 2);
  uint8_t* u = dst.data() + kW * kH;
  for (auto _ : state) {
    libyuv::UYVYToI420(src.data(), 2 * kW, dst.data(), kW, u, kW / 2, u + kW * kH / 4, kW / 2, kW,
                       kH);
    benchmark::ClobberMemory();
  }
}

void BM_zoom_d1_to_cif_pelforge(benchmark::State& state) {
  tImageZoomParam p{kW, kH, kW, kW / 2, 420, 1, kQW, kQH, kQW, kQW / 2, 420, 1, 0};
  Open m(ImageZoomOpen_c, ImageZoomClose_c, &p);
  if (m.handle == nullptr) return state.SkipWithError("open failed");
  const Bytes src = pattern(size_t(kW) * kH * 3 / 2);
  Bytes dst(size_t(kQW) * kQH * 3 / 2);
  tImageZoomBuffers b{src.data(), dst.data()};
  for (auto _ : state) {
    ImageZoomProcess_c(m.handle, &b, &b);
    benchmark::ClobberMemory();
  }
}

void BM_zoom_d1_to_cif_resizer(benchmark::State& state) {
  tImageResizerParam p{};
  p.s32SrcWidth = kW, p.s32SrcHeight = kH, p.u32SrcYuvType = 420, p.u32SrcImageType = 1;
  p.s32DstWidth = kQW, p.s32DstHeight = kQH, p.u32DstYuvType = 420, p.u32DstImageType = 1;
  Open m(ImageResizerOpen_c, ImageResizerClose_c, &p);
  if (m.handle == nullptr) return state.SkipWithError("open failed");
  Bytes src = pattern(size_t(kW) * kH * 3 / 2);
  Bytes dst(size_t(kQW) * kQH * 3 / 2);
  tImgPicture in{src.data(), nullptr, nullptr, kW, 0, 0, 0};
  tImgPicture out{dst.data(), nullptr, nullptr, kQW, 0, 0, 0};
  for (auto _ : state) {
    ImageResizerProcess_c(m.handle, &in, &out);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_split_pelforge);
BENCHMARK(BM_split_libyuv);
BENCHMARK(BM_split_memcpy);
BENCHMARK(BM_d1_uyvy_to_420_pelforge);
BENCHMARK(BM_d1_uyvy_to_420_libyuv);
BENCHMARK(BM_zoom_d1_to_cif_pelforge);
BENCHMARK(BM_zoom_d1_to_cif_resizer);

}  // namespace

BENCHMARK_MAIN();
