// SPDX-License-Identifier: BSD-2-Clause
// The mosaic kernels: each SSE2 variant against its scalar twin on D1 pictures, in place (the
// module's usual use, and the copy both make when the pointers differ is the same memmove), for
// privacy masks of the usual sizes and for the whole picture at block sizes the variants treat
// each their own way. The ratio table "mosaic" gives the SSE2 time against the scalar one.
//
//   pf_bench --benchmark_filter=mosaic --benchmark_repetitions=9
#include <string>
#include <vector>

#include "bench_util.hpp"
#include "img_mosaic.h"

namespace {

struct Job {
  const char* name;
  tMosaicKernel scalar, sse2;
  uint32_t yuv, type;
  std::vector<tMosaicWindow> windows;
};

// Faces and a number plate, block sizes 8 to 16.
const std::vector<tMosaicWindow> kMasks = {
    {64, 48, 160, 160, 8}, {300, 200, 240, 120, 16}, {500, 400, 180, 96, 12}, {40, 420, 96, 64, 6}};
std::vector<tMosaicWindow> whole(int block) { return {{0, 0, 720, 576, block}}; }

const std::vector<Job>& jobs() {
  static const std::vector<Job> all = {
      {"420_frame_4_masks", YUV420FrameProduceMosaic_c, YUV420FrameProduceMosaic_sse2, PF_YUV_420,
       PF_IMAGE_FRAME, kMasks},
      {"420_field_4_masks", YUV420FieldProduceMosaic_c, YUV420FieldProduceMosaic_sse2, PF_YUV_420,
       PF_IMAGE_FIELD, kMasks},
      {"uyvy_frame_4_masks", YUV422FrameProduceMosaic_c, YUV422FrameProduceMosaic_sse2, PF_YUV_UYVY,
       PF_IMAGE_FRAME, kMasks},
      {"uyvy_field_4_masks", YUV422FieldProduceMosaic_c, YUV422FieldProduceMosaic_sse2, PF_YUV_UYVY,
       PF_IMAGE_FIELD, kMasks},
      {"420_frame_whole_block_4", YUV420FrameProduceMosaic_c, YUV420FrameProduceMosaic_sse2,
       PF_YUV_420, PF_IMAGE_FRAME, whole(4)},
      {"420_frame_whole_block_6", YUV420FrameProduceMosaic_c, YUV420FrameProduceMosaic_sse2,
       PF_YUV_420, PF_IMAGE_FRAME, whole(6)},
      {"420_frame_whole_block_32", YUV420FrameProduceMosaic_c, YUV420FrameProduceMosaic_sse2,
       PF_YUV_420, PF_IMAGE_FRAME, whole(32)},
      {"uyvy_frame_whole_block_4", YUV422FrameProduceMosaic_c, YUV422FrameProduceMosaic_sse2,
       PF_YUV_UYVY, PF_IMAGE_FRAME, whole(4)},
      {"uyvy_frame_whole_block_6", YUV422FrameProduceMosaic_c, YUV422FrameProduceMosaic_sse2,
       PF_YUV_UYVY, PF_IMAGE_FRAME, whole(6)},
      {"uyvy_frame_whole_block_32", YUV422FrameProduceMosaic_c, YUV422FrameProduceMosaic_sse2,
       PF_YUV_UYVY, PF_IMAGE_FRAME, whole(32)},
  };
  return all;
}

tImageMosaicParam param_of(const Job& j) {
  tImageMosaicParam p{};
  p.s32Width = 720, p.s32Height = 576, p.s32YStride = 720, p.s32UVStride = 360;
  p.u32YuvType = j.yuv, p.u32ImageType = j.type;
  p.u32MosaicNum = static_cast<uint32_t>(j.windows.size());
  for (size_t i = 0; i < j.windows.size(); ++i) p.atWindow[i] = j.windows[i];
  return p;
}

void run(benchmark::State& state, const Job& j, tMosaicKernel kernel) {
  const tImageMosaicParam p = param_of(j);
  pfb::Bytes picture = pfb::picture_buffer(pfb::picture_bytes(j.yuv, 720, 576));
  for (auto _ : state) {
    // In place, as hosts mask a picture: the same picture every round. Each block already holds
    // its own value after the first round, which changes nothing in what the kernels do.
    kernel(picture.data(), picture.data(), &p);
    benchmark::DoNotOptimize(picture.data());
  }
}

const bool registered = [] {
  for (const Job& j : jobs()) {
    const std::string name = std::string("mosaic_") + j.name;
    pfb::add_bench("mosaic", "sse2", name, [&j](benchmark::State& s) { run(s, j, j.sse2); });
    pfb::add_bench("mosaic", "scalar", name, [&j](benchmark::State& s) { run(s, j, j.scalar); });
  }
  return true;
}();

}  // namespace
