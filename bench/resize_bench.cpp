// SPDX-License-Identifier: BSD-2-Clause
// Resizer throughput next to libyuv, swscale and memcpy doing the same work. After the usual
// Google Benchmark table it prints, for each job, our time as a ratio to libyuv's and to memcpy
// of the same bytes (medians when run with --benchmark_repetitions).
//
//   pf_bench --benchmark_repetitions=9 --benchmark_min_time=0.2
#include <benchmark/benchmark.h>
#include <libyuv.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "img_resizer.h"
#include "video_mem.h"

namespace {

struct Job {
  const char* name;
  uint32_t st, si;
  int sw, sh;
  uint32_t dt, di;
  int dw, dh;
};

// The jobs we measure; every one of them is also done by libyuv (where it has the function),
// by swscale, and by memcpy of the bytes the job moves.
const Job kJobs[] = {
    {"scale_720x576_to_352x288", 420, 1, 720, 576, 420, 1, 352, 288},
    {"scale_720x576_to_400x300", 420, 1, 720, 576, 420, 1, 400, 300},
    {"scale_352x288_to_720x576", 420, 1, 352, 288, 420, 1, 720, 576},
    {"scale_1920x1080_to_1280x720", 420, 1, 1920, 1080, 420, 1, 1280, 720},
    {"copy_420_720x576", 420, 1, 720, 576, 420, 1, 720, 576},
    {"uyvy_to_420_720x576", 422, 1, 720, 576, 420, 1, 720, 576},
    {"yuyv_to_420_720x576", 4201, 1, 720, 576, 420, 1, 720, 576},
    {"420_to_uyvy_720x576", 420, 1, 720, 576, 422, 1, 720, 576},
    {"420_to_nv12_720x576", 420, 1, 720, 576, 42012, 1, 720, 576},
    {"nv12_to_420_720x576", 42012, 1, 720, 576, 420, 1, 720, 576},
    {"frame_to_field_420_720x576", 420, 1, 720, 576, 420, 2, 720, 576},
    {"field_to_frame_420_720x576", 420, 2, 720, 576, 420, 1, 720, 576},
};

size_t picture_bytes(uint32_t type, int w, int h) {
  const size_t luma = static_cast<size_t>(w) * static_cast<size_t>(h);
  switch (type) {
    case 422:
    case 4201:
    case 4221:
      return 2 * luma;
    default:
      return luma * 3 / 2;
  }
}

// A byte vector on 64-byte boundaries: swscale's AVX2 paths assume aligned planes.
template <class T>
struct Aligned64 {
  using value_type = T;
  Aligned64() = default;
  template <class U>
  explicit Aligned64(const Aligned64<U>&) {}
  T* allocate(size_t n) {
    return static_cast<T*>(::operator new (n * sizeof(T), std::align_val_t{64}));
  }
  void deallocate(T* p, size_t) { ::operator delete (p, std::align_val_t{64}); }
  bool operator==(const Aligned64&) const { return true; }
};
using Bytes = std::vector<uint8_t, Aligned64<uint8_t>>;

struct Buffers {
  Bytes src, dst;
  // swscale's vector loops read and write a little past the last line; the padding keeps that
  // inside our buffers. It is not counted in the bytes a job moves.
  static constexpr size_t kPadding = 4096;
  explicit Buffers(const Job& j)
      : src(picture_bytes(j.st, j.sw, j.sh) + kPadding),
        dst(picture_bytes(j.dt, j.dw, j.dh) + kPadding) {
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
  }
  size_t src_bytes() const { return src.size() - kPadding; }
  size_t dst_bytes() const { return dst.size() - kPadding; }
};

void BM_pelforge(benchmark::State& state, const Job& j) {
  Buffers b(j);
  void* mem = VideoMemCreate();
  tImageResizerParam p{};
  p.s32SrcWidth = j.sw;
  p.s32SrcHeight = j.sh;
  p.u32SrcYuvType = j.st;
  p.u32SrcImageType = j.si;
  p.s32DstWidth = j.dw;
  p.s32DstHeight = j.dh;
  p.u32DstYuvType = j.dt;
  p.u32DstImageType = j.di;
  void* handle = nullptr;
  if (ImageResizerOpen_c(&handle, &p, mem) != 0) {
    state.SkipWithError("resizer refused the job");
    return;
  }
  tImgPicture src{b.src.data(), nullptr, nullptr, static_cast<uint32_t>(j.sw), 0, 0, 0};
  tImgPicture dst{b.dst.data(), nullptr, nullptr, static_cast<uint32_t>(j.dw), 0, 0, 0};
  for (auto _ : state) {
    ImageResizerProcess_c(handle, &src, &dst);
    benchmark::DoNotOptimize(b.dst.data());
  }
  ImageResizerClose_c(handle);
  VideoMemDestroy(mem);
}

void BM_memcpy(benchmark::State& state, const Job& j) {
  Buffers b(j);
  // The bytes the job must read and write: the larger of the two pictures, moved once.
  const size_t n = std::max(b.src_bytes(), b.dst_bytes());
  Bytes from(n, 1), to(n);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), n);
    benchmark::DoNotOptimize(to.data());
  }
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
    storage.assign(total + 4096, 128);
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

// Keeps the console output and remembers each benchmark's time (the median aggregate when there
// are repetitions) for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const std::string base = name.substr(0, name.find("_median"));
      if (median || (run.run_type == Run::RT_Iteration && times_.count(base) == 0)) {
        times_[median ? base : name] = run.GetAdjustedRealTime();
      }
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    char line[256];
    std::snprintf(line, sizeof line, "\n%-30s %12s %12s %12s %12s %10s %10s\n", "job", "pelforge",
                  "libyuv", "swscale", "memcpy", "vs libyuv", "vs memcpy");
    out << line;
    for (const Job& j : kJobs) {
      auto t = [&](const char* who) {
        auto it = times_.find(std::string(who) + "/" + j.name);
        return it == times_.end() ? -1.0 : it->second;
      };
      const double ours = t("pelforge"), yuv = t("libyuv"), sws = t("swscale"), mem = t("memcpy");
      auto cell = [](double v) {
        static char buf[8][32];
        static int k = 0;
        char* out = buf[k++ % 8];
        if (v < 0) {
          std::snprintf(out, 32, "-");
        } else {
          std::snprintf(out, 32, "%.1f us", v / 1000.0);
        }
        return out;
      };
      auto ratio = [](double a, double b) {
        static char buf[4][16];
        static int k = 0;
        char* out = buf[k++ % 4];
        if (a < 0 || b <= 0) {
          std::snprintf(out, 16, "-");
        } else {
          std::snprintf(out, 16, "%.2f", a / b);
        }
        return out;
      };
      std::snprintf(line, sizeof line, "%-30s %12s %12s %12s %12s %10s %10s\n", j.name, cell(ours),
                    cell(yuv), cell(sws), cell(mem), ratio(ours, yuv), ratio(ours, mem));
      out << line;
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  for (const Job& j : kJobs) {
    benchmark::RegisterBenchmark((std::string("pelforge/") + j.name).c_str(), BM_pelforge, j);
    benchmark::RegisterBenchmark((std::string("libyuv/") + j.name).c_str(), BM_libyuv, j);
    benchmark::RegisterBenchmark((std::string("swscale/") + j.name).c_str(), BM_swscale, j);
    benchmark::RegisterBenchmark((std::string("memcpy/") + j.name).c_str(), BM_memcpy, j);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
