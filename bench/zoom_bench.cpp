// SPDX-License-Identifier: BSD-2-Clause
// The D1 split, the D1 UYVY -> 4:2:0 converter and ImageZoom through their entry points, next to
// libyuv, FFmpeg's filters (in process) and memcpy doing the same work; the ratio table "zoom and
// split" gives our time against each of theirs. libyuv's UYVYToI420 and FFmpeg's conversion to
// yuv420p filter the chroma of two lines where ours picks the first line's; the rest of the work
// is the same. ImageZoom is also timed against the resizer it drives, to show what it adds.
#include <benchmark/benchmark.h>
#include <libyuv.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.hpp"
#include "img_resizer.h"
#include "img_yuv422toyuv420.h"
#include "img_yuv422toyuv420_d1split.h"
#include "img_zoom.h"
#include "lavfi.hpp"

namespace {

using pfb::Bytes;
constexpr int kW = 720, kH = 576, kQW = 352, kQH = 288;
constexpr size_t kUyvyBytes = size_t(kW) * kH * 2;
constexpr size_t kI420Bytes = size_t(kW) * kH * 3 / 2;
constexpr size_t kQuarterBytes = size_t(kQW) * kQH * 3 / 2;

// Y, U and V of a w x h 4:2:0 picture at the start of `b`.
struct I420 {
  uint8_t* planes[4];
  int pitches[4];
  I420(Bytes& b, int w, int h)
      : planes{b.data(), b.data() + size_t(w) * h, b.data() + size_t(w) * h * 5 / 4, nullptr},
        pitches{w, w / 2, w / 2, 0} {}
};

// ---------------------------------------------------------------- the split

void split_pelforge(benchmark::State& state) {
  const tYUV422ToYUV420D1To4xCifParam p = {
      kW, kH, {{kQW, kQH}, {kQW, kQH}, {kQW, kQH}, {kQW, kQH}}};
  const pfb::Instance m(state, "D1 to four CIF", ImgYUV422ToYUV420D1To4xCifOpen_c,
                        ImgYUV422ToYUV420D1To4xCifClose_c, &p);
  if (!m) return;
  const Bytes src = pfb::picture_buffer(kUyvyBytes);
  std::vector<Bytes> q(4, pfb::picture_buffer(kQuarterBytes));
  tYUV422ToYUV420D1To4xCifData d{src.data(), {q[0].data(), q[1].data(), q[2].data(), q[3].data()}};
  for (auto _ : state) {
    ImgYUV422ToYUV420D1To4xCifProcess_c(m.get(), &d, &d);
    benchmark::DoNotOptimize(q[3].data());
  }
}

void split_libyuv(benchmark::State& state) {
  const Bytes src = pfb::picture_buffer(kUyvyBytes);
  std::vector<Bytes> q(4, pfb::picture_buffer(kQuarterBytes));
  for (auto _ : state) {
    for (int i = 0; i < 4; ++i) {
      I420 out(q[size_t(i)], kQW, kQH);
      const uint8_t* from = src.data() + (i / 2) * kW * 2 + (i % 2 != 0 ? 360 : 8) * 2;
      libyuv::UYVYToI420(from, 4 * kW, out.planes[0], kQW, out.planes[1], kQW / 2, out.planes[2],
                         kQW / 2, kQW, kQH);
    }
    benchmark::DoNotOptimize(q[3].data());
  }
}

void split_lavfi(benchmark::State& state) {
  const Bytes src = pfb::picture_buffer(kUyvyBytes);
  std::vector<Bytes> q(4, pfb::picture_buffer(kQuarterBytes));
  std::vector<std::unique_ptr<pfb::LavfiRunner>> graphs;
  for (int i = 0; i < 4; ++i) {
    graphs.push_back(std::make_unique<pfb::LavfiRunner>(
        std::string("field=") + (i < 2 ? "top" : "bottom") +
            ",crop=352:288:" + (i % 2 != 0 ? "360" : "8") + ":0,format=yuv420p",
        kW, kH, "uyvy422"));
  }
  const uint8_t* planes[4] = {src.data(), nullptr, nullptr, nullptr};
  const int pitches[4] = {2 * kW, 0, 0, 0};
  for (auto _ : state) {
    for (size_t i = 0; i < 4; ++i) {
      I420 out(q[i], kQW, kQH);
      graphs[i]->push(planes, pitches);
      if (!graphs[i]->pull(out.planes, out.pitches)) return state.SkipWithError("no picture");
    }
    benchmark::DoNotOptimize(q[3].data());
  }
}

void split_memcpy(benchmark::State& state) {
  const Bytes src = pfb::picture_buffer(kUyvyBytes);
  std::vector<Bytes> q(4, pfb::picture_buffer(kQuarterBytes));
  for (auto _ : state) {
    for (size_t i = 0; i < 4; ++i)
      std::memcpy(q[i].data(), src.data() + i * kQuarterBytes, kQuarterBytes);
    benchmark::DoNotOptimize(q[3].data());
  }
}

// ---------------------------------------------------------------- the D1 converter

void d1_pelforge(benchmark::State& state) {
  const tYUV422ToYUV420Param p{kW, kH, 1, kW, kH, 1};
  const pfb::Instance m(state, "4:2:2 to 4:2:0", ImgYUV422ToYUV420Open_c, ImgYUV422ToYUV420Close_c,
                        &p);
  if (!m) return;
  const Bytes src = pfb::picture_buffer(kUyvyBytes);
  Bytes dst = pfb::picture_buffer(kI420Bytes);
  tYUV422ToYUV420Buffers b{src.data(), dst.data()};
  tYUV422ToYUV420Result r{};
  for (auto _ : state) {
    ImgYUV422ToYUV420Process_c(m.get(), &b, &r);
    benchmark::DoNotOptimize(dst.data());
  }
}

void d1_libyuv(benchmark::State& state) {
  const Bytes src = pfb::picture_buffer(kUyvyBytes);
  Bytes dst = pfb::picture_buffer(kI420Bytes);
  I420 out(dst, kW, kH);
  for (auto _ : state) {
    libyuv::UYVYToI420(src.data(), 2 * kW, out.planes[0], kW, out.planes[1], kW / 2, out.planes[2],
                       kW / 2, kW, kH);
    benchmark::DoNotOptimize(dst.data());
  }
}

void d1_lavfi(benchmark::State& state) {
  const Bytes src = pfb::picture_buffer(kUyvyBytes);
  Bytes dst = pfb::picture_buffer(kI420Bytes);
  I420 out(dst, kW, kH);
  pfb::LavfiRunner graph("format=yuv420p", kW, kH, "uyvy422");
  const uint8_t* planes[4] = {src.data(), nullptr, nullptr, nullptr};
  const int pitches[4] = {2 * kW, 0, 0, 0};
  for (auto _ : state) {
    graph.push(planes, pitches);
    if (!graph.pull(out.planes, out.pitches)) return state.SkipWithError("no picture");
    benchmark::DoNotOptimize(dst.data());
  }
}

// ---------------------------------------------------------------- ImageZoom

void zoom_pelforge(benchmark::State& state) {
  const tImageZoomParam p{kW, kH, kW, kW / 2, 420, 1, kQW, kQH, kQW, kQW / 2, 420, 1, 0};
  const pfb::Instance m(state, "zoom", ImageZoomOpen_c, ImageZoomClose_c, &p);
  if (!m) return;
  const Bytes src = pfb::picture_buffer(kI420Bytes);
  Bytes dst = pfb::picture_buffer(kQuarterBytes);
  tImageZoomBuffers b{src.data(), dst.data()};
  for (auto _ : state) {
    ImageZoomProcess_c(m.get(), &b, &b);
    benchmark::DoNotOptimize(dst.data());
  }
}

void zoom_resizer(benchmark::State& state) {
  tImageResizerParam p{};
  p.s32SrcWidth = kW, p.s32SrcHeight = kH, p.u32SrcYuvType = 420, p.u32SrcImageType = 1;
  p.s32DstWidth = kQW, p.s32DstHeight = kQH, p.u32DstYuvType = 420, p.u32DstImageType = 1;
  const pfb::Instance m(state, "the resizer", ImageResizerOpen_c, ImageResizerClose_c, &p);
  if (!m) return;
  Bytes src = pfb::picture_buffer(kI420Bytes);
  Bytes dst = pfb::picture_buffer(kQuarterBytes);
  tImgPicture in{src.data(), nullptr, nullptr, kW, 0, 0, 0};
  tImgPicture out{dst.data(), nullptr, nullptr, kQW, 0, 0, 0};
  for (auto _ : state) {
    ImageResizerProcess_c(m.get(), &in, &out);
    benchmark::DoNotOptimize(dst.data());
  }
}

void zoom_lavfi(benchmark::State& state) {
  Bytes src = pfb::picture_buffer(kI420Bytes);
  Bytes dst = pfb::picture_buffer(kQuarterBytes);
  I420 in(src, kW, kH), out(dst, kQW, kQH);
  pfb::LavfiRunner graph("scale=352:288:flags=bilinear", kW, kH, "yuv420p");
  for (auto _ : state) {
    graph.push(in.planes, in.pitches);
    if (!graph.pull(out.planes, out.pitches)) return state.SkipWithError("no picture");
    benchmark::DoNotOptimize(dst.data());
  }
}

[[maybe_unused]] const bool kRegistered = [] {
  const char* table = "zoom and split";
  pfb::add_bench(table, "pelforge", "split_720x576_to_4x352x288", split_pelforge);
  pfb::add_bench(table, "libyuv", "split_720x576_to_4x352x288", split_libyuv);
  pfb::add_bench(table, "lavfi", "split_720x576_to_4x352x288", split_lavfi);
  pfb::add_bench(table, "memcpy", "split_720x576_to_4x352x288", split_memcpy);
  pfb::add_bench(table, "pelforge", "uyvy_d1_to_420", d1_pelforge);
  pfb::add_bench(table, "libyuv", "uyvy_d1_to_420", d1_libyuv);
  pfb::add_bench(table, "lavfi", "uyvy_d1_to_420", d1_lavfi);
  pfb::add_memcpy_bench(table, "uyvy_d1_to_420", kI420Bytes);
  pfb::add_bench(table, "pelforge", "zoom_720x576_to_352x288", zoom_pelforge);
  pfb::add_bench(table, "resizer", "zoom_720x576_to_352x288", zoom_resizer);
  pfb::add_bench(table, "lavfi", "zoom_720x576_to_352x288", zoom_lavfi);
  return true;
}();

}  // namespace
