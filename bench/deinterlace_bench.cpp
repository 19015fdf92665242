// SPDX-License-Identifier: BSD-2-Clause
// The deinterlacer's four modes next to FFmpeg's yadif and bwdif, and the deblock module next to
// FFmpeg's deblock filter, on the same 720x576 4:2:0 pictures in one run (libavfilter in this
// process, on one thread as our modules run); then every SIMD variant against its scalar kernel.
// Ratio tables "deinterlace", "deblock" and "filter variants".
#include <string>

#include "bench_util.hpp"
#include "img_deblock.h"
#include "img_deblock_internal.hpp"
#include "img_deinterlace.h"
#include "img_deinterlace_internal.hpp"
#include "lavfi.hpp"

namespace {

constexpr int kWidth = 720, kHeight = 576;

// A 4:2:0 picture in one padded, aligned buffer with the pattern of the other benchmarks.
struct Picture {
  pfb::Bytes data = pfb::picture_buffer(pfb::picture_bytes(420, kWidth, kHeight));
  uint8_t* planes[4] = {data.data(), data.data() + kWidth* kHeight,
                        data.data() + kWidth* kHeight * 5 / 4, nullptr};
  int pitches[4] = {kWidth, kWidth / 2, kWidth / 2, 0};
};

// Mode `mode` as the dispatch chose it, or with `kernel` put in its place.
void BM_deinterlace(benchmark::State& state, int32_t mode, tImgDeinterlaceKernel kernel) {
  Picture picture;
  const tImgDeinterlaceParam p{kWidth, kHeight, kWidth, kWidth / 2, mode, PF_DEINTERLACE_FRAME};
  const pfb::Instance module(state, "deinterlace", ImgDeinterlaceOpen_c, ImgDeinterlaceClose_c, &p);
  if (!module) return;
  void* handle = module.get();
  if (kernel != nullptr) module.as<tImgDeinterlaceInstance>().pfnKernel = kernel;
  for (auto _ : state) {
    ImgDeinterlaceProcess_c(handle, picture.planes, picture.planes);
    benchmark::DoNotOptimize(picture.data.data());
  }
}

void BM_deblock(benchmark::State& state, tImgDeblockKernel kernel) {
  Picture src, dst;
  const tImgDeblockParam p{kWidth, kHeight, kWidth, kWidth / 2,
                           kWidth, kHeight, kWidth, kWidth / 2};
  const pfb::Instance module(state, "deblock", ImgDeblockOpen_c, ImgDeblockClose_c, &p);
  if (!module) return;
  void* handle = module.get();
  if (kernel != nullptr) module.as<tImgDeblockInstance>().pfnKernel = kernel;
  tImgDeblockData d{
      src.planes[0], src.planes[1], src.planes[2], dst.planes[0], dst.planes[1], dst.planes[2], 12};
  for (auto _ : state) {
    ImgDeblockProcess_c(handle, &d, &d);
    benchmark::DoNotOptimize(dst.data.data());
  }
}

// One picture in, one picture out per iteration; yadif and bwdif hold the first one back.
void BM_lavfi(benchmark::State& state, const std::string& filters) {
  Picture src, dst;
  try {
    pfb::LavfiRunner runner(filters, kWidth, kHeight, "yuv420p");
    runner.push(src.planes, src.pitches);
    for (auto _ : state) {
      runner.push(src.planes, src.pitches);
      if (!runner.pull(dst.planes, dst.pitches)) {
        state.SkipWithError("the filter gave no picture");
        break;
      }
      benchmark::DoNotOptimize(dst.data.data());
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

const bool registered = [] {
  for (int32_t mode = 0; mode < 4; ++mode) {
    const std::string job = "mode" + std::to_string(mode) + "_720x576";
    pfb::add_bench("deinterlace", "pelforge", job,
                   [mode](benchmark::State& s) { BM_deinterlace(s, mode, nullptr); });
    pfb::add_bench("deinterlace", "yadif", job,
                   [](benchmark::State& s) { BM_lavfi(s, "yadif=mode=send_frame"); });
    pfb::add_bench("deinterlace", "bwdif", job,
                   [](benchmark::State& s) { BM_lavfi(s, "bwdif=mode=send_frame"); });
  }
  pfb::add_bench("deblock", "pelforge", "deblock_720x576",
                 [](benchmark::State& s) { BM_deblock(s, nullptr); });
  pfb::add_bench("deblock", "ffmpeg", "deblock_720x576",
                 [](benchmark::State& s) { BM_lavfi(s, "deblock"); });

  // Each variant against its scalar twin, whatever the dispatch would pick.
  for (size_t mode = 0; mode < pf::deinterlace_kernels().size(); ++mode) {
    const auto& row = pf::deinterlace_kernels()[mode];
    for (int isa = 0; isa < 4; ++isa) {
      if (row.variant[isa] == nullptr) continue;
      const std::string job = std::string(row.name) + "_" + pf::kIsaName[isa];
      const auto m = static_cast<int32_t>(mode);
      const tImgDeinterlaceKernel variant = row.variant[isa], scalar = row.scalar;
      pfb::add_bench("filter variants", "pelforge", job,
                     [m, variant](benchmark::State& s) { BM_deinterlace(s, m, variant); });
      pfb::add_bench("filter variants", "scalar", job,
                     [m, scalar](benchmark::State& s) { BM_deinterlace(s, m, scalar); });
    }
  }
  for (const auto& row : pf::deblock_kernels()) {
    for (int isa = 0; isa < 4; ++isa) {
      if (row.variant[isa] == nullptr) continue;
      const std::string job = std::string(row.name) + "_" + pf::kIsaName[isa];
      const tImgDeblockKernel variant = row.variant[isa], scalar = row.scalar;
      pfb::add_bench("filter variants", "pelforge", job,
                     [variant](benchmark::State& s) { BM_deblock(s, variant); });
      pfb::add_bench("filter variants", "scalar", job,
                     [scalar](benchmark::State& s) { BM_deblock(s, scalar); });
    }
  }
  return true;
}();

}  // namespace
