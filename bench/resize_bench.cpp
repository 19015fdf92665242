// SPDX-License-Identifier: BSD-2-Clause
// Resizer throughput next to libyuv, swscale, libavfilter's scale filter and memcpy doing the
// same work, in one run; the ratio table "scaling" gives our time against each of theirs.
//
//   pf_bench --benchmark_repetitions=9 --benchmark_min_time=0.2
#include <libyuv.h>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <string>

#include "bench_util.hpp"
#include "img_resizer.h"
#include "lavfi.hpp"

namespace {

using pfb::Bytes;

struct Job {
  const char* name;
  uint32_t st, si;
  int sw, sh;
  uint32_t dt, di;
  int dw, dh;
  const char* lavfi;  // the same job as a libavfilter graph, where we compare with one
};

// The jobs we measure; every one of them is also done by libyuv (where it has the function),
// by swscale, and by memcpy of the bytes the job moves.
const Job kJobs[] = {
    {"scale_720x576_to_352x288", 420, 1, 720, 576, 420, 1, 352, 288,
     "scale=352:288:flags=bilinear"},
    {"scale_720x576_to_400x300", 420, 1, 720, 576, 420, 1, 400, 300, nullptr},
    {"scale_352x288_to_720x576", 420, 1, 352, 288, 420, 1, 720, 576, nullptr},
    {"scale_1920x1080_to_1280x720", 420, 1, 1920, 1080, 420, 1, 1280, 720, nullptr},
    {"copy_420_720x576", 420, 1, 720, 576, 420, 1, 720, 576, nullptr},
    {"uyvy_to_420_720x576", 422, 1, 720, 576, 420, 1, 720, 576, nullptr},
    {"yuyv_to_420_720x576", 4201, 1, 720, 576, 420, 1, 720, 576, nullptr},
    {"420_to_uyvy_720x576", 420, 1, 720, 576, 422, 1, 720, 576, nullptr},
    {"420_to_nv12_720x576", 420, 1, 720, 576, 42012, 1, 720, 576, nullptr},
    {"nv12_to_420_720x576", 42012, 1, 720, 576, 420, 1, 720, 576, nullptr},
    {"frame_to_field_420_720x576", 420, 1, 720, 576, 420, 2, 720, 576, nullptr},
    {"field_to_frame_420_720x576", 420, 2, 720, 576, 420, 1, 720, 576, nullptr},
};

struct Buffers {
  Bytes src, dst;
  explicit Buffers(const Job& j)
      : src(pfb::picture_buffer(pfb::picture_bytes(j.st, j.sw, j.sh))),
        dst(pfb::picture_buffer(pfb::picture_bytes(j.dt, j.dw, j.dh))) {}
  size_t src_bytes() const { return src.size() - pfb::kPadding; }
  size_t dst_bytes() const { return dst.size() - pfb::kPadding; }
};

void BM_pelforge(benchmark::State& state, const Job& j) {
  Buffers b(j);
  tImageResizerParam p{};
  p.s32SrcWidth = j.sw;
  p.s32SrcHeight = j.sh;
  p.u32SrcYuvType = j.st;
  p.u32SrcImageType = j.si;
  p.s32DstWidth = j.dw;
  p.s32DstHeight = j.dh;
  p.u32DstYuvType = j.dt;
  p.u32DstImageType = j.di;
  const pfb::Instance module(state, "the resizer", ImageResizerOpen_c, ImageResizerClose_c, &p);
  if (!module) return;
  void* handle = module.get();
  tImgPicture src{b.src.data(), nullptr, nullptr, static_cast<uint32_t>(j.sw), 0, 0, 0};
  tImgPicture dst{b.dst.data(), nullptr, nullptr, static_cast<uint32_t>(j.dw), 0, 0, 0};
  for (auto _ : state) {
    ImageResizerProcess_c(handle, &src, &dst);
    benchmark::DoNotOptimize(b.dst.data());
  }
}

// The bytes the job must read and write: the larger of the two pictures, moved once.
void BM_memcpy(benchmark::State& state, const Job& j) {
  const Buffers b(j);
  pfb::memcpy_job(state, std::max(b.src_bytes(), b.dst_bytes()));
}

bool libyuv_job(const Job& j, Buffers& b) {
  uint8_t* s = b.src.data();
  uint8_t* d = b.dst.data();
  const int sw = j.sw, sh = j.sh, dw = j.dw, dh = j.dh;
  uint8_t* su = s + sw * sh;
  uint8_t* sv = su + sw * sh / 4;
  uint8_t* du = d + dw * dh;
  uint8_t* dv = du + dw * dh / 4;
  const std::string name = j.name;
  if (name.rfind("scale_", 0) == 0) {
    libyuv::I420Scale(s, sw, su, sw / 2, sv, sw / 2, sw, sh, d, dw, du, dw / 2, dv, dw / 2, dw, dh,
                      libyuv::kFilterBilinear);
  } else if (name.rfind("copy_", 0) == 0) {
    libyuv::I420Copy(s, sw, su, sw / 2, sv, sw / 2, d, dw, du, dw / 2, dv, dw / 2, dw, dh);
  } else if (name.rfind("uyvy_to_420", 0) == 0) {
    libyuv::UYVYToI420(s, 2 * sw, d, dw, du, dw / 2, dv, dw / 2, dw, dh);
  } else if (name.rfind("yuyv_to_420", 0) == 0) {
    libyuv::YUY2ToI420(s, 2 * sw, d, dw, du, dw / 2, dv, dw / 2, dw, dh);
  } else if (name.rfind("420_to_uyvy", 0) == 0) {
    libyuv::I420ToUYVY(s, sw, su, sw / 2, sv, sw / 2, d, 2 * dw, dw, dh);
  } else if (name.rfind("420_to_nv12", 0) == 0) {
    libyuv::I420ToNV12(s, sw, su, sw / 2, sv, sw / 2, d, dw, du, dw, dw, dh);
  } else if (name.rfind("nv12_to_420", 0) == 0) {
    libyuv::NV12ToI420(s, sw, su, sw, d, dw, du, dw / 2, dv, dw / 2, dw, dh);
  } else {
    return false;
  }
  return true;
}

void BM_libyuv(benchmark::State& state, const Job& j) {
  Buffers b(j);
  if (!libyuv_job(j, b)) {
    state.SkipWithError("libyuv has no function for this job");
    return;
  }
  for (auto _ : state) {
    libyuv_job(j, b);
    benchmark::DoNotOptimize(b.dst.data());
  }
}

AVPixelFormat av_format(uint32_t type) {
  switch (type) {
    case 422:
      return AV_PIX_FMT_UYVY422;
    case 4201:
      return AV_PIX_FMT_YUYV422;
    case 42012:
      return AV_PIX_FMT_NV12;
    default:
      return AV_PIX_FMT_YUV420P;
  }
}

// swscale wants every line on a 16-byte boundary (its NV12 path stores aligned vectors), so its
// planes get their own buffer with lines rounded up to 64 bytes. The bytes per picture it
// touches stay those of the job.
struct SwsPlanes {
  Bytes storage;
  uint8_t* data[4] = {};
  int stride[4] = {};
  SwsPlanes(uint32_t type, int w, int h) {
    auto round = [](int v) { return (v + 63) / 64 * 64; };
    int rows[3] = {h, 0, 0};
    if (type == 422 || type == 4201) {
      stride[0] = round(2 * w);
    } else if (type == 42012) {
      stride[0] = round(w);
      stride[1] = round(w);
      rows[1] = h / 2;
    } else {
      stride[0] = round(w);
      stride[1] = stride[2] = round(w / 2);
      rows[1] = rows[2] = h / 2;
    }
    size_t total = 0;
    for (int i = 0; i < 3; ++i) total += static_cast<size_t>(stride[i]) * rows[i];
    storage.assign(total + pfb::kPadding, 128);
    size_t offset = 0;
    for (int i = 0; i < 3; ++i) {
      if (stride[i] == 0) continue;
      data[i] = storage.data() + offset;
      offset += static_cast<size_t>(stride[i]) * rows[i];
    }
    // It looks at a third plane pointer even for NV12; give it the chroma plane.
    if (type == 42012) {
      data[2] = data[1];
      stride[2] = stride[1];
    }
  }
};

void BM_swscale(benchmark::State& state, const Job& j) {
  if (j.si != j.di) {
    state.SkipWithError("swscale has no field re-layout");
    return;
  }
  const bool same = j.sw == j.dw && j.sh == j.dh;
  SwsContext* ctx = sws_getContext(j.sw, j.sh, av_format(j.st), j.dw, j.dh, av_format(j.dt),
                                   same ? SWS_POINT : SWS_BILINEAR, nullptr, nullptr, nullptr);
  SwsPlanes src(j.st, j.sw, j.sh), dst(j.dt, j.dw, j.dh);
  for (auto _ : state) {
    sws_scale(ctx, src.data, src.stride, 0, j.sh, dst.data, dst.stride);
    benchmark::DoNotOptimize(dst.storage.data());
  }
  sws_freeContext(ctx);
}

// The graph's time includes what any libavfilter user pays per picture: the frame bookkeeping
// and the copy of the result into the caller's planes.
void BM_lavfi(benchmark::State& state, const Job& j) {
  SwsPlanes src(j.st, j.sw, j.sh), dst(j.dt, j.dw, j.dh);
  pfb::LavfiRunner graph(j.lavfi, j.sw, j.sh, av_get_pix_fmt_name(av_format(j.st)));
  for (auto _ : state) {
    graph.push(src.data, src.stride);
    if (!graph.pull(dst.data, dst.stride)) {
      state.SkipWithError("the graph gave no picture");
      break;
    }
    benchmark::DoNotOptimize(dst.storage.data());
  }
}

[[maybe_unused]] const bool kRegistered = [] {
  for (const Job& j : kJobs) {
    pfb::add_bench("scaling", "pelforge", j.name, [&j](benchmark::State& s) { BM_pelforge(s, j); });
    pfb::add_bench("scaling", "libyuv", j.name, [&j](benchmark::State& s) { BM_libyuv(s, j); });
    pfb::add_bench("scaling", "swscale", j.name, [&j](benchmark::State& s) { BM_swscale(s, j); });
    pfb::add_bench("scaling", "memcpy", j.name, [&j](benchmark::State& s) { BM_memcpy(s, j); });
    if (j.lavfi != nullptr) {
      pfb::add_bench("scaling", "lavfi", j.name, [&j](benchmark::State& s) { BM_lavfi(s, j); });
    }
  }
  return true;
}();

}  // namespace
