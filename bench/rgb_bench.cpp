// SPDX-License-Identifier: BSD-2-Clause
// The RGB conversions of the YUV-to-RGB and RGB-to-YUV modules next to libyuv and swscale doing
// the same work on a D1 picture; the ratio table "rgb" gives our time against each of theirs.
//
// YUV to RGB runs through the module's Process (its kernels are the scalar ones on every
// processor). RGB to YUV is timed twice: through the scalar kernels, called directly, and
// through the module with the memory service reporting MMX, whose selector hands the 24- and
// 32-bit conversions to the codec unit library's converters. The 5-6-5 output carries its
// truncation error along the row where libyuv and swscale round each pixel on its own.
#include <benchmark/benchmark.h>
#include <libyuv.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstring>
#include <string>

#include "bench_util.hpp"
#include "img_rgbtoyuv.h"
#include "img_yuv420torgb.h"
#include "video_mem.h"

namespace {

using pfb::Bytes;
constexpr int kW = 720, kH = 576;
constexpr size_t kI420Bytes = size_t(kW) * kH * 3 / 2;

// The RGB pictures of the jobs, and what libyuv and swscale call them (both store blue first).
struct Format {
  const char* name;
  uint32_t bits;
  AVPixelFormat av;
};
constexpr Format kRgb24{"rgb24", 24, AV_PIX_FMT_BGR24};
constexpr Format kRgb565{"rgb565", 16, AV_PIX_FMT_RGB565LE};
constexpr Format kArgb{"argb", 32, AV_PIX_FMT_BGRA};

size_t rgb_bytes(const Format& f) { return size_t(kW) * kH * f.bits / 8; }
int rgb_stride(const Format& f) { return kW * static_cast<int>(f.bits) / 8; }

struct I420 {
  uint8_t* y;
  uint8_t* u;
  uint8_t* v;
  explicit I420(Bytes& b)
      : y(b.data()), u(b.data() + size_t(kW) * kH), v(b.data() + size_t(kW) * kH * 5 / 4) {}
};

// ---------------------------------------------------------------- YUV to RGB

void yuv_to_rgb_pelforge(benchmark::State& state, const Format& f) {
  const tYuv420ToRgbParam p{kW, kH, 0, 0, kW, kH, f.bits};
  const pfb::Instance module(state, "YUV to RGB", ImgYUV420ToRGBOpen_c, ImgYUV420ToRGBClose_c, &p);
  if (!module) return;
  void* h = module.get();
  const Bytes yuv = pfb::picture_buffer(kI420Bytes);
  Bytes rgb = pfb::picture_buffer(rgb_bytes(f));
  tYuv420ToRgbData data{yuv.data(), rgb.data()};
  const tYuv420ToRgbOption top_down{PF_YUV420TORGB_OPTION_TOP_DOWN, 1};
  tYuv420ToRgbOptions options{nullptr, &top_down};
  for (auto _ : state) {
    ImgYUV420ToRGBProcess_c(h, &data, &options);
    benchmark::DoNotOptimize(rgb.data());
  }
}

void yuv_to_rgb_libyuv(benchmark::State& state, const Format& f) {
  Bytes yuv = pfb::picture_buffer(kI420Bytes);
  Bytes rgb = pfb::picture_buffer(rgb_bytes(f));
  const I420 in(yuv);
  for (auto _ : state) {
    if (f.bits == 24) {
      libyuv::I420ToRGB24(in.y, kW, in.u, kW / 2, in.v, kW / 2, rgb.data(), rgb_stride(f), kW, kH);
    } else if (f.bits == 16) {
      libyuv::I420ToRGB565(in.y, kW, in.u, kW / 2, in.v, kW / 2, rgb.data(), rgb_stride(f), kW, kH);
    } else {
      libyuv::I420ToARGB(in.y, kW, in.u, kW / 2, in.v, kW / 2, rgb.data(), rgb_stride(f), kW, kH);
    }
    benchmark::DoNotOptimize(rgb.data());
  }
}

// ---------------------------------------------------------------- RGB to YUV

// A module instance's view for calling a kernel directly: the source pitch in bytes, as the
// module sets it while its kernel runs.
tRgbToYuvInstance kernel_instance(const Format& f) {
  tRgbToYuvInstance inst{};
  inst.tParam = {kW, kH, rgb_stride(f), f.bits, kW, kH, kW, PF_YUV_420, 0, 0};
  return inst;
}

void rgb_to_yuv_scalar(benchmark::State& state, const Format& f) {
  const Bytes rgb = pfb::picture_buffer(rgb_bytes(f));
  Bytes yuv = pfb::picture_buffer(kI420Bytes);
  const I420 out(yuv);
  const tRgbToYuvInstance inst = kernel_instance(f);
  const tRgbToYuvKernel kernel = f.bits == 24 ? RGB24toYUV420_c : RGB32toYUV420_c;
  for (auto _ : state) {
    kernel(&inst, rgb.data(), out.y, out.u, out.v);
    benchmark::DoNotOptimize(yuv.data());
  }
}

// Through the module, with the kernel its Open picked; the job is skipped unless that is the
// unit library's path (the memory service must report MMX: PELFORGE_CPU_MASK must keep 0x2).
void rgb_to_yuv_unit(benchmark::State& state, const Format& f) {
  const tRgbToYuvParam p{kW, kH, kW, f.bits, kW, kH, kW, PF_YUV_420, 0, 0};
  const pfb::Instance module(state, "RGB to YUV", RGBtoYUVOpen_c, RGBtoYUVClose_c, &p);
  if (!module) return;
  void* h = module.get();
  const tRgbToYuvKernel unit = f.bits == 24 ? RGB24toYUV420_mmx : RGB32toYUV420_mmx;
  if (module.as<tRgbToYuvInstance>().pfnKernel != unit) {
    return state.SkipWithError("the memory service does not report MMX");
  }
  const Bytes rgb = pfb::picture_buffer(rgb_bytes(f));
  Bytes yuv = pfb::picture_buffer(kI420Bytes);
  tRgbToYuvSrc src{rgb.data()};
  tRgbToYuvDst dst{yuv.data(), nullptr, nullptr};
  for (auto _ : state) {
    RGBtoYUVProcess_c(h, &src, &dst);
    benchmark::DoNotOptimize(yuv.data());
  }
}

void rgb_to_yuv_libyuv(benchmark::State& state, const Format& f) {
  const Bytes rgb = pfb::picture_buffer(rgb_bytes(f));
  Bytes yuv = pfb::picture_buffer(kI420Bytes);
  const I420 out(yuv);
  for (auto _ : state) {
    if (f.bits == 24) {
      libyuv::RGB24ToI420(rgb.data(), rgb_stride(f), out.y, kW, out.u, kW / 2, out.v, kW / 2, kW,
                          kH);
    } else {
      libyuv::ARGBToI420(rgb.data(), rgb_stride(f), out.y, kW, out.u, kW / 2, out.v, kW / 2, kW,
                         kH);
    }
    benchmark::DoNotOptimize(yuv.data());
  }
}

// ---------------------------------------------------------------- swscale

// One conversion between a contiguous 4:2:0 picture and an RGB picture, same size, no filter
// beyond what the conversion needs.
void swscale_job(benchmark::State& state, const Format& f, bool to_rgb) {
  const AVPixelFormat from = to_rgb ? AV_PIX_FMT_YUV420P : f.av;
  const AVPixelFormat to = to_rgb ? f.av : AV_PIX_FMT_YUV420P;
  SwsContext* sws = sws_getContext(kW, kH, from, kW, kH, to, SWS_POINT | SWS_ACCURATE_RND, nullptr,
                                   nullptr, nullptr);
  if (sws == nullptr) return state.SkipWithError("swscale has no such conversion");
  Bytes yuv = pfb::picture_buffer(kI420Bytes);
  Bytes rgb = pfb::picture_buffer(rgb_bytes(f));
  const I420 planes(yuv);
  uint8_t* yuv_data[4] = {planes.y, planes.u, planes.v, nullptr};
  const int yuv_stride[4] = {kW, kW / 2, kW / 2, 0};
  uint8_t* rgb_data[4] = {rgb.data(), nullptr, nullptr, nullptr};
  const int rgb_strides[4] = {rgb_stride(f), 0, 0, 0};
  for (auto _ : state) {
    if (to_rgb) {
      sws_scale(sws, yuv_data, yuv_stride, 0, kH, rgb_data, rgb_strides);
      benchmark::DoNotOptimize(rgb.data());
    } else {
      sws_scale(sws, rgb_data, rgb_strides, 0, kH, yuv_data, yuv_stride);
      benchmark::DoNotOptimize(yuv.data());
    }
  }
  sws_freeContext(sws);
}

// The unit library's path computes what the scalar kernel does; a run that times something
// else is no comparison.
std::string unit_path_matches_scalar() {
  for (const Format* f : {&kRgb24, &kArgb}) {
    void* mem = VideoMemCreate();
    const tRgbToYuvParam p{kW, kH, kW, f->bits, kW, kH, kW, PF_YUV_420, 1, 0};
    void* h = nullptr;
    if (RGBtoYUVOpen_c(&h, &p, mem) != 0) {
      VideoMemDestroy(mem);
      return "open failed";
    }
    const Bytes rgb = pfb::picture_buffer(rgb_bytes(*f));
    Bytes through_module = pfb::picture_buffer(kI420Bytes);
    Bytes scalar = pfb::picture_buffer(kI420Bytes);
    tRgbToYuvSrc src{rgb.data()};
    tRgbToYuvDst dst{through_module.data(), nullptr, nullptr};
    RGBtoYUVProcess_c(h, &src, &dst);
    RGBtoYUVClose_c(h);
    VideoMemDestroy(mem);
    tRgbToYuvInstance inst = kernel_instance(*f);
    inst.tParam.u32SrcBottomUp = 1;
    const I420 out(scalar);
    (f->bits == 24 ? RGB24toYUV420_c : RGB32toYUV420_c)(&inst, rgb.data(), out.y, out.u, out.v);
    if (std::memcmp(through_module.data(), scalar.data(), kI420Bytes) != 0) {
      return std::string(f->name) + " through the module differs from the scalar kernel";
    }
  }
  return "";
}

const bool registered = [] {
  for (const Format* f : {&kRgb24, &kRgb565, &kArgb}) {
    const std::string job = std::string("420_to_") + f->name;
    pfb::add_bench("rgb", "pelforge", job,
                   [f](benchmark::State& s) { yuv_to_rgb_pelforge(s, *f); });
    pfb::add_bench("rgb", "libyuv", job, [f](benchmark::State& s) { yuv_to_rgb_libyuv(s, *f); });
    pfb::add_bench("rgb", "swscale", job, [f](benchmark::State& s) { swscale_job(s, *f, true); });
  }
  for (const Format* f : {&kRgb24, &kArgb}) {
    for (const bool unit : {false, true}) {
      const std::string job = std::string(f->name) + "_to_420" + (unit ? "_unitlib" : "");
      if (unit) {
        pfb::add_bench("rgb", "pelforge", job,
                       [f](benchmark::State& s) { rgb_to_yuv_unit(s, *f); });
      } else {
        pfb::add_bench("rgb", "pelforge", job,
                       [f](benchmark::State& s) { rgb_to_yuv_scalar(s, *f); });
      }
      pfb::add_bench("rgb", "libyuv", job, [f](benchmark::State& s) { rgb_to_yuv_libyuv(s, *f); });
      pfb::add_bench("rgb", "swscale", job,
                     [f](benchmark::State& s) { swscale_job(s, *f, false); });
    }
  }
  pfb::add_check("rgb: the unit library's path equals the scalar kernel", unit_path_matches_scalar);
  return true;
}();

}  // namespace
