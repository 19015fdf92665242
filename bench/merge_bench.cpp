// SPDX-License-Identifier: BSD-2-Clause
// Composition: merging is copying. A full 1920x1080 4:2:0 background from 16 windows of 480x270
// through the merge copy kernel, against memcpy of the background's bytes; and the module as a
// monitor wall runs it, 64 windows at 1280x800 and 16 at 1024x768 with boundary lines and a
// focus frame, in pictures per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bench_util.hpp"
#include "img_merge.h"

namespace {

constexpr int kW = 1920, kH = 1080, kTiles = 4, kTileW = kW / kTiles, kTileH = kH / kTiles;

// Sixteen windows tiling the background, each copied by the frame kernel the module uses.
void BM_kernel_wall(benchmark::State& state) {
  pfb::Bytes dst = pfb::picture_buffer(pfb::picture_bytes(420, kW, kH));
  std::vector<pfb::Bytes> tiles;
  for (int i = 0; i < kTiles * kTiles; ++i) {
    tiles.push_back(pfb::picture_buffer(pfb::picture_bytes(420, kTileW, kTileH)));
  }
  uint8_t* out[3] = {dst.data(), dst.data() + kW * kH, dst.data() + kW * kH * 5 / 4};
  const tMergePictureKernel copy = MergePictureFrame420;
  for (auto _ : state) {
    for (int i = 0; i < kTiles * kTiles; ++i) {
      const uint8_t* t = tiles[static_cast<size_t>(i)].data();
      const uint8_t* in[3] = {t, t + kTileW * kTileH, t + kTileW * kTileH * 5 / 4};
      copy(out, kW, kH, in, kTileW, kTileH, kTileW, (i / kTiles) * kTileH, (i % kTiles) * kTileW);
    }
    benchmark::DoNotOptimize(dst.data());
  }
}

struct Wall {
  const char* name;
  uint16_t style;
  int width, height;
  bool lines;
};

const Wall kWalls[] = {
    {"wall_64_1280x800", 22, 1280, 800, false},
    {"wall_16_1024x768_lines_focus", 17, 1024, 768, true},
};

// The module as a host drives it: one Process per output picture, every window given.
void BM_module_wall(benchmark::State& state, const Wall& w) {
  tImgMergeParam p{};
  p.u16MergeStyle = w.style;
  p.u32BgWidth = static_cast<uint32_t>(w.width);
  p.u32BgHeight = static_cast<uint32_t>(w.height);
  p.u32ImageType = 1;
  p.u32YuvType = 420;
  p.u8DrawBoundary = w.lines ? 1 : 0;
  p.u8DrawFocus = w.lines ? 1 : 0;
  p.u8BoundaryR = p.u8BoundaryG = p.u8BoundaryB = 255;
  std::vector<pfb::Bytes> pictures;
  uint8_t* array[PF_MERGE_PICTURE_ENTRIES] = {};
  for (int n = 1; n <= al32FgNum[w.style]; ++n) {
    int x = 0, y = 0, ww = 0, wh = 0;
    ImgMergeGetWindowRect(w.style, n, w.width, w.height, &x, &y, &ww, &wh);
    tImgMergeWindow& win = p.atWindow[n - 1];
    win.u32Width = static_cast<uint32_t>(ww);
    win.u32Height = static_cast<uint32_t>(wh);
    win.u32ImageType = 1;
    win.u32YuvType = 420;
    win.u8WindowNo = static_cast<uint8_t>(n);
    win.u8Focus = n == 6 ? 1 : 0;
    win.u8FocusR = 255;
    pictures.push_back(pfb::picture_buffer(pfb::picture_bytes(420, ww, wh)));
    array[n - 1] = pictures.back().data();
  }
  pfb::Bytes out = pfb::picture_buffer(pfb::picture_bytes(420, w.width, w.height));
  array[PF_MERGE_OUTPUT_Y] = out.data();
  const pfb::Instance module(state, "the merge", ImgMergeOpen_c, ImgMergeClose_c, &p);
  if (!module) return;
  void* h = module.get();
  int context = 0;
  for (auto _ : state) {
    ImgMergeProcess_c(h, array, &context);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

[[maybe_unused]] const bool kRegistered = [] {
  pfb::add_bench("composition", "pelforge", "merge_16_into_1920x1080", BM_kernel_wall);
  pfb::add_memcpy_bench("composition", "merge_16_into_1920x1080", pfb::picture_bytes(420, kW, kH));
  for (const Wall& w : kWalls) {
    pfb::add_bench("composition", "pelforge", w.name,
                   [&w](benchmark::State& s) { BM_module_wall(s, w); });
    pfb::add_memcpy_bench("composition", w.name, pfb::picture_bytes(420, w.width, w.height));
  }
  return true;
}();

}  // namespace
