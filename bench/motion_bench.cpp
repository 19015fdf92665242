// SPDX-License-Identifier: BSD-2-Clause
// Motion detection per frame at 720x576 and 1920x1080 (frames per second of one channel, and the
// channels one core follows at 25 frames per second), and every PAL/NTSC change kernel, scalar
// and SSE2, next to memcpy of the bytes it writes.
//
//   pf_motion_bench --benchmark_repetitions=9 --benchmark_min_time=0.2
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "img_motionsurveil.h"
#include "img_pnchange.h"
#include "pnchange/pnchange.hpp"
#include "video_mem.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct MotionJob {
  const char* name;
  int width, height, interlace;
};
const MotionJob kMotionJobs[] = {
    {"motion_720x576", 720, 576, 1},
    {"motion_720x576_fields", 720, 576, 2},
    {"motion_1920x1080", 1920, 1080, 1},
};

// Two pictures of a textured scene with a block in different places, so that every frame has
// pixels that change, pixels that come back and pixels that hold.
Bytes scene(int w, int h, int shift) {
  Bytes p(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool block = x >= w / 4 + shift && x < w / 2 + shift && y >= h / 4 && y < h / 2;
      p[static_cast<size_t>(y) * w + x] =
          block ? 235 : static_cast<uint8_t>(64 + ((x * 7 + y * 13 + shift) & 63));
    }
  }
  return p;
}

void BM_motion(benchmark::State& state, const MotionJob& j) {
  void* mem = VideoMemCreate();
  tImageMotionSurveilParam p{};
  p.s32Width = j.width;
  p.s32Height = j.height;
  p.s32YuvType = 420;
  p.s32Interlace = j.interlace;
  p.s16Sensitivity = 3;
  p.s16AreaNum = 3;
  p.atArea[0] = {0, 0, static_cast<int16_t>(j.width / 3), static_cast<int16_t>(j.height / 3)};
  p.atArea[1] = {static_cast<int16_t>(j.height / 3), static_cast<int16_t>(j.width / 3),
                 static_cast<int16_t>(j.width / 3), static_cast<int16_t>(j.height / 3)};
  p.atArea[2] = {0, 0, static_cast<int16_t>(j.width), static_cast<int16_t>(j.height)};
  void* handle = nullptr;
  if (ImageMotionSurveilOpen_c(&handle, &p, mem) != 0) {
    state.SkipWithError("motion detection refused the job");
    return;
  }
  const Bytes pictures[2] = {scene(j.width, j.height, 0), scene(j.width, j.height, 8)};
  uint8_t result = 0;
  size_t frame = 0;
  for (auto _ : state) {
    tImageMotionSurveilInput in{pictures[frame++ & 1].data(), &result};
    ImageMotionSurveilProcess_c(handle, &in, &result);
    benchmark::DoNotOptimize(result);
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  ImageMotionSurveilClose_c(handle);
  VideoMemDestroy(mem);
}

// Bytes a kernel writes: the destination picture.
size_t written_bytes(const pf::PnKernelSpec& s) {
  const size_t lines = s.direction == pf::PnDirection::kNtscToPal ? 576 : 480;
  return s.layout == pf::PnLayout::kUyvyFrame ? 2 * s.width * lines : s.width * lines * 3 / 2;
}

struct PnJob {
  std::string name;
  pf::PnKernelSpec spec;
  tPNChangeKernel scalar, sse2;
};

std::vector<PnJob> pn_jobs() {
  std::vector<PnJob> jobs;
  for (const auto& row : pf::pnchange_kernels())
    jobs.push_back({row.name, *pf::pn_kernel_spec(row.pointer), row.scalar, row.variant[1]});
  return jobs;
}

tImagePNChangePicture planes(Bytes& b, const pf::PnKernelSpec& s, size_t lines) {
  tImagePNChangePicture p{b.data(), nullptr, nullptr};
  if (s.layout != pf::PnLayout::kUyvyFrame) {
    p.pu8U = b.data() + s.width * lines;
    p.pu8V = p.pu8U + s.width * lines / 4;
  }
  return p;
}

void BM_pn(benchmark::State& state, const PnJob& j, bool sse2) {
  const tPNChangeKernel kernel = sse2 ? j.sse2 : j.scalar;
  if (kernel == nullptr || (sse2 && (DetectCpuFlags_x86() & VIDEOMEM_CPU_SSE2) == 0)) {
    state.SkipWithError("no SSE2");
    return;
  }
  // One-buffer kernels run in place on a PAL-sized buffer, as a host uses them.
  const bool to_pal = j.spec.direction == pf::PnDirection::kNtscToPal;
  const size_t per_line =
      j.spec.layout == pf::PnLayout::kUyvyFrame ? 2 * j.spec.width : j.spec.width;
  const size_t pal_bytes = per_line * (j.spec.layout == pf::PnLayout::kUyvyFrame ? 576 : 864);
  Bytes a(pal_bytes, 90), b(pal_bytes, 30);
  const tImagePNChangePicture src = planes(a, j.spec, to_pal ? 480 : 576);
  const tImagePNChangePicture dst = j.spec.one_buffer ? planes(a, j.spec, to_pal ? 576 : 576)
                                                      : planes(b, j.spec, to_pal ? 576 : 480);
  for (auto _ : state) {
    kernel(&src, &dst);
    benchmark::DoNotOptimize(b.data());
    benchmark::DoNotOptimize(a.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written_bytes(j.spec)));
}

void BM_memcpy(benchmark::State& state, size_t n) {
  Bytes from(n, 1), to(n);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), n);
    benchmark::DoNotOptimize(to.data());
  }
}

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const std::string base = name.substr(0, name.find("_median"));
      if (median || (run.run_type == Run::RT_Iteration && times_.count(base) == 0))
        times_[median ? base : name] = run.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    char line[256];
    std::snprintf(line, sizeof line, "\n%-24s %12s %12s %16s\n", "motion job", "per frame", "fps",
                  "channels @25fps");
    out << line;
    for (const MotionJob& j : kMotionJobs) {
      const double ns = time(std::string("motion/") + j.name);
      if (ns <= 0) continue;
      std::snprintf(line, sizeof line, "%-24s %9.1f us %12.0f %16.1f\n", j.name, ns / 1000.0,
                    1e9 / ns, 1e9 / ns / 25.0);
      out << line;
    }
    std::snprintf(line, sizeof line, "\n%-30s %11s %11s %11s %8s %8s\n", "PAL/NTSC kernel",
                  "scalar", "sse2", "memcpy", "c/mem", "sse2/mem");
    out << line;
    for (const PnJob& j : pn_jobs()) {
      const double c = time("pn_c/" + j.name), s = time("pn_sse2/" + j.name);
      const double m = time("memcpy/" + std::to_string(written_bytes(j.spec)));
      if (c <= 0 || m <= 0) continue;
      std::snprintf(line, sizeof line, "%-30s %8.1f us %8.1f us %8.1f us %8.2f %8.2f\n",
                    j.name.c_str(), c / 1000.0, s / 1000.0, m / 1000.0, c / m, s > 0 ? s / m : 0.0);
      out << line;
    }
  }

 private:
  double time(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? -1.0 : it->second;
  }
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  for (const MotionJob& j : kMotionJobs)
    benchmark::RegisterBenchmark((std::string("motion/") + j.name).c_str(), BM_motion, j);
  std::map<size_t, bool> sizes;
  for (const PnJob& j : pn_jobs()) {
    benchmark::RegisterBenchmark(("pn_c/" + j.name).c_str(), BM_pn, j, false);
    benchmark::RegisterBenchmark(("pn_sse2/" + j.name).c_str(), BM_pn, j, true);
    sizes[written_bytes(j.spec)] = true;
  }
  for (const auto& [n, unused] : sizes)
    benchmark::RegisterBenchmark(("memcpy/" + std::to_string(n)).c_str(), BM_memcpy, n);
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
