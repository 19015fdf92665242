// SPDX-License-Identifier: BSD-2-Clause
// Analysis and standards: motion detection per frame at 720x576 and 1920x1080 (the fps counter
// is one channel's rate; a core follows fps / 25 channels at 25 frames per second), and every
// PAL/NTSC change kernel as the module installs it, its scalar form, and memcpy of the bytes it
// writes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench_util.hpp"
#include "img_motionsurveil.h"
#include "img_pnchange.h"
#include "pnchange/pnchange.hpp"

namespace {

struct MotionJob {
  const char* name;
  int width, height, interlace;
};
constexpr MotionJob kMotionJobs[] = {
    {"motion_720x576", 720, 576, 1},
    {"motion_720x576_fields", 720, 576, 2},
    {"motion_1920x1080", 1920, 1080, 1},
};

// A textured scene with a block that moves by 8 pixels between the two pictures, so that every
// frame has pixels that change, pixels that come back and pixels that hold.
pfb::Bytes scene(int w, int h, int shift) {
  pfb::Bytes p = pfb::picture_buffer(static_cast<size_t>(w) * h);
  for (int y = h / 4; y < h / 2; ++y)
    std::memset(p.data() + static_cast<size_t>(y) * w + w / 4 + shift, 235, w / 4);
  return p;
}

void bench_motion(benchmark::State& state, const MotionJob& j) {
  tImageMotionSurveilParam p{};
  p.s32Width = j.width;
  p.s32Height = j.height;
  p.s32YuvType = 420;
  p.s32Interlace = j.interlace;
  p.s16Sensitivity = 3;
  const auto third_w = static_cast<int16_t>(j.width / 3),
             third_h = static_cast<int16_t>(j.height / 3);
  p.s16AreaNum = 3;
  p.atArea[0] = {0, 0, third_w, third_h};
  p.atArea[1] = {third_h, third_w, third_w, third_h};
  p.atArea[2] = {0, 0, static_cast<int16_t>(j.width), static_cast<int16_t>(j.height)};
  const pfb::Instance module(state, "motion detection", ImageMotionSurveilOpen_c,
                             ImageMotionSurveilClose_c, &p);
  if (!module) return;
  void* handle = module.get();
  const pfb::Bytes pictures[2] = {scene(j.width, j.height, 0), scene(j.width, j.height, 8)};
  uint8_t result = 0;
  size_t frame = 0;
  for (auto _ : state) {
    tImageMotionSurveilInput in{pictures[frame++ & 1].data(), &result};
    ImageMotionSurveilProcess_c(handle, &in, &result);
    benchmark::DoNotOptimize(result);
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

size_t line_bytes(const pf::PnKernelShape& s) {
  return s.layout == pf::PnLayout::kUyvyFrame ? 2 * s.width : s.width;
}
// Luma (or packed) lines of a picture of one standard, chroma included.
size_t lines(const pf::PnKernelShape& s, bool pal) {
  const size_t luma = pal ? 576 : 480;
  return s.layout == pf::PnLayout::kUyvyFrame ? luma : luma * 3 / 2;
}

tImagePNChangePicture planes(uint8_t* base, const pf::PnKernelShape& s, size_t luma_lines) {
  tImagePNChangePicture p{base, nullptr, nullptr};
  if (s.layout != pf::PnLayout::kUyvyFrame) {
    p.pu8U = base + s.width * luma_lines;
    p.pu8V = p.pu8U + s.width * luma_lines / 4;
  }
  return p;
}

// One-buffer kernels run in place on a PAL-sized buffer, as hosts use them; the others write a
// second buffer.
void bench_pn(benchmark::State& state, const pf::PnKernelShape& shape, tPNChangeKernel kernel) {
  const bool to_pal = shape.direction == pf::PnDirection::kNtscToPal;
  const size_t lb = line_bytes(shape);
  pfb::Bytes a = pfb::picture_buffer(lb * lines(shape, true));
  pfb::Bytes b = pfb::picture_buffer(lb * lines(shape, true));
  const tImagePNChangePicture src = planes(a.data(), shape, to_pal ? 480 : 576);
  const tImagePNChangePicture dst =
      planes(shape.one_buffer ? a.data() : b.data(), shape, to_pal ? 576 : 480);
  for (auto _ : state) {
    kernel(&src, &dst);
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * lb * lines(shape, to_pal)));
}

const bool registered = [] {
  for (const MotionJob& j : kMotionJobs) {
    pfb::add_bench("motion", "pelforge", j.name, [&j](benchmark::State& s) { bench_motion(s, j); });
  }
  // The kernel the module runs is the pointer after the processor dispatch.
  ImagePNChangeGlobalInit();
  for (const auto& row : pf::pnchange_kernels()) {
    const pf::PnKernelShape shape = *pf::pn_kernel_shape(row.pointer);
    const tPNChangeKernel installed = *row.pointer, scalar = row.scalar;
    const size_t written =
        line_bytes(shape) * lines(shape, shape.direction == pf::PnDirection::kNtscToPal);
    pfb::add_bench("pal_ntsc", "pelforge", row.name,
                   [shape, installed](benchmark::State& s) { bench_pn(s, shape, installed); });
    pfb::add_bench("pal_ntsc", "scalar", row.name,
                   [shape, scalar](benchmark::State& s) { bench_pn(s, shape, scalar); });
    pfb::add_memcpy_bench("pal_ntsc", row.name, written);
  }
  return true;
}();

}  // namespace
