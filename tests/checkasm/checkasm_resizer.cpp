// SPDX-License-Identifier: BSD-2-Clause
// The resizer's kernels in the parity harness: geometries found by asking the decision table which
// kernel it picks, so every variant runs on the cases that reach it through the module.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "checkasm.hpp"
#include "divergent.hpp"
#include "img_resizer.h"
#include "img_resizer_internal.hpp"
#include "resizer_cases.hpp"
#include "video_mem.h"

namespace {

// The resizer instance running `kernel` on the first picture into the second.
void process(const pfc::Opened& instance, tResizerKernel kernel, pfc::Pictures& pics) {
  if (instance.handle == nullptr) return;
  instance.as<tImageResizerInstance>()->pfnKernel = kernel;
  tImgPicture src = pics[0].record(), dst = pics[1].record();
  ImageResizerProcess_c(instance.handle, &src, &dst);
}

// Cases whose geometry makes the decision table pick `pointer`.
std::vector<tImageResizerParam> cases_for(tResizerKernel* pointer, pft::Rng& rng, int wanted,
                                          const pft::ResizerCaseOptions& options) {
  std::vector<tImageResizerParam> found;
  void* mem = VideoMemCreate();
  for (int attempt = 0; attempt < 200000 && static_cast<int>(found.size()) < wanted; ++attempt) {
    const tImageResizerParam p = pft::random_resizer_param(rng, options);
    void* handle = nullptr;
    if (ImageResizerOpen_c(&handle, &p, mem) != 0) continue;
    const auto* inst = static_cast<tImageResizerInstance*>(handle);
    uint32_t error = 0;
    if (pf::resizer_choice(inst->tGeometry, inst->u32ExtensionMode, &error) == pointer) {
      found.push_back(p);
    }
    ImageResizerClose_c(handle);
  }
  VideoMemDestroy(mem);
  return found;
}

pfc::Pictures pictures_for(const tImageResizerParam& p, uint64_t seed) {
  pft::Rng rng(seed);
  pfc::Pictures pictures;
  pictures.emplace_back(p.u32SrcYuvType, static_cast<uint32_t>(p.s32SrcWidth),
                        static_cast<uint32_t>(p.s32SrcHeight), rng, 24);
  pictures.emplace_back(p.u32DstYuvType, static_cast<uint32_t>(p.s32DstWidth),
                        static_cast<uint32_t>(p.s32DstHeight), rng, 24);
  // Skewed contents provoke saturation and rounding: all dark, all bright, or a ramp.
  const uint32_t mode = rng.below(4);
  for (auto& plane : pictures[0].planes()) {
    if (mode == 0) plane.fill(static_cast<uint8_t>(rng.below(3) * 127));
    for (uint32_t y = 0; mode == 1 && y < plane.rows(); ++y) {
      for (uint32_t x = 0; x < plane.width(); ++x) plane.at(x, y) = static_cast<uint8_t>(x + 3 * y);
    }
  }
  return pictures;
}

int run_resizer(const pfc::Options& o, uint32_t flags) {
  const auto rows = pf::image_resizer_kernels();
  pfc::Family<tResizerKernel, tImageResizerParam> f;
  f.rows = rows;
  f.cases = [&](pft::Rng& rng, size_t row, int count) {
    pft::ResizerCaseOptions options;
    options.special_percent = 30;
    return cases_for(rows[row].pointer, rng, count, options);
  };
  f.make = pictures_for;
  // A fresh instance per run: the scalar and the variant start from the same state.
  f.run = [](const tImageResizerParam& p, tResizerKernel kernel, pfc::Pictures& pics) {
    process(pfc::Opened(ImageResizerOpen_c, ImageResizerClose_c, &p), kernel, pics);
  };
  f.describe = [](const tImageResizerParam& p) { return pft::describe(p); };
  f.model = [](tResizerKernel v) { return pft::divergent_model(v); };
  f.once_per_variant = true;
  f.bench = [&](size_t row) -> std::pair<std::function<void(tResizerKernel)>, std::string> {
    pft::ResizerCaseOptions big;
    big.max_width = 720;
    big.max_height = 576;
    big.border_percent = 0;
    big.special_percent = 30;
    pft::Rng rng(o.seed + 1);
    const auto cases = cases_for(rows[row].pointer, rng, 8, big);
    if (cases.empty()) return {};
    const tImageResizerParam p =
        *std::max_element(cases.begin(), cases.end(), [](const auto& a, const auto& b) {
          return a.s32SrcWidth * a.s32SrcHeight < b.s32SrcWidth * b.s32SrcHeight;
        });
    auto instance = std::make_shared<pfc::Opened>(ImageResizerOpen_c, ImageResizerClose_c, &p);
    auto pics = std::make_shared<pfc::Pictures>(pictures_for(p, 1));
    return {[instance, pics](tResizerKernel k) { process(*instance, k, *pics); }, pft::describe(p)};
  };
  return pfc::run_family("resizer", f, o, flags);
}

}  // namespace

PF_CHECKASM_FAMILY("resizer", run_resizer);
