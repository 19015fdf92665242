// SPDX-License-Identifier: BSD-2-Clause
// The resizer's kernels in the parity harness: geometries found by asking the decision table which
// kernel it picks, so every variant runs on the cases that reach it through the module.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "checkasm.hpp"
#include "divergent.hpp"
#include "guarded.hpp"
#include "img_resizer.h"
#include "img_resizer_internal.hpp"
#include "parity.hpp"
#include "resizer_cases.hpp"
#include "rng.hpp"
#include "video_mem.h"

namespace {

// A resizer instance opened on a case; the harness swaps the kernel it calls.
struct Instance {
  void* mem = nullptr;
  void* handle = nullptr;
  ~Instance() {
    if (handle != nullptr) ImageResizerClose_c(handle);
    if (mem != nullptr) VideoMemDestroy(mem);
  }
  tImageResizerInstance& get() { return *static_cast<tImageResizerInstance*>(handle); }
};

// Cases whose geometry makes the decision table pick `pointer`.
std::vector<tImageResizerParam> cases_for(tResizerKernel* pointer, uint64_t seed, int wanted,
                                          const pft::ResizerCaseOptions& options) {
  std::vector<tImageResizerParam> found;
  pft::Rng rng(seed);
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

std::vector<pft::GuardedPicture> pictures_for(const tImageResizerParam& p, uint64_t seed) {
  pft::Rng rng(seed);
  std::vector<pft::GuardedPicture> pictures;
  pictures.emplace_back(p.u32SrcYuvType, static_cast<uint32_t>(p.s32SrcWidth),
                        static_cast<uint32_t>(p.s32SrcHeight), rng, 24);
  pictures.emplace_back(p.u32DstYuvType, static_cast<uint32_t>(p.s32DstWidth),
                        static_cast<uint32_t>(p.s32DstHeight), rng, 24);
  // Skewed contents provoke saturation and rounding: all dark, all bright, or a ramp.
  switch (rng.below(4)) {
    case 0:
      for (auto& plane : pictures[0].planes()) plane.fill(static_cast<uint8_t>(rng.below(3) * 127));
      break;
    case 1:
      for (auto& plane : pictures[0].planes()) {
        for (uint32_t y = 0; y < plane.rows(); ++y) {
          for (uint32_t x = 0; x < plane.width(); ++x)
            plane.at(x, y) = static_cast<uint8_t>(x + 3 * y);
        }
      }
      break;
    default:
      break;  // random, as constructed
  }
  return pictures;
}

void process(Instance& instance, tResizerKernel kernel, std::vector<pft::GuardedPicture>& pics) {
  instance.get().pfnKernel = kernel;
  tImgPicture src = pics[0].record(), dst = pics[1].record();
  ImageResizerProcess_c(instance.handle, &src, &dst);
}

bool open_instance(Instance& instance, const tImageResizerParam& p) {
  instance.mem = VideoMemCreate();
  return ImageResizerOpen_c(&instance.handle, &p, instance.mem) == 0;
}

int run_resizer(const pfc::Options& o, uint32_t flags) {
  int failures = 0;
  std::map<std::string, int> tested, failed;  // per ISA
  std::map<tResizerKernel, bool> done;        // variants shared by several pointers
  for (const auto& row : pf::image_resizer_kernels()) {
    if (!pfc::wanted(o, row.name)) continue;
    bool any = false;
    for (int isa = 0; isa < 4; ++isa) any |= row.variant[isa] != nullptr;
    if (o.list) {
      std::printf("%-48s", row.name);
      for (int isa = 0; isa < 4; ++isa) {
        if (row.variant[isa] != nullptr) std::printf(" %s", pf::kIsaName[isa]);
      }
      std::printf("\n");
      continue;
    }
    if (!any) continue;
    pf::KernelRow<tResizerKernel> selected = row;
    for (int isa = 0; isa < 4; ++isa) {
      const bool wanted = o.isa.empty() || o.isa == pf::kIsaName[isa];
      if (!wanted || (flags & pf::kIsaFlag[isa]) == 0 || done.count(row.variant[isa]) != 0) {
        selected.variant[isa] = nullptr;
      }
    }
    bool runnable = false;
    for (int isa = 0; isa < 4; ++isa) runnable |= selected.variant[isa] != nullptr;
    if (!runnable) continue;

    pft::ResizerCaseOptions options;
    options.special_percent = 30;
    const uint64_t row_seed = o.seed ^ std::hash<std::string>{}(row.name);
    const auto cases = cases_for(row.pointer, row_seed, o.cases, options);
    if (cases.empty()) {
      std::printf("[FAILED] %s: no geometry selects this kernel\n", row.name);
      ++failures;
      continue;
    }
    pft::Rng seeds(row_seed);
    for (const tImageResizerParam& p : cases) {
      Instance instance;
      if (!open_instance(instance, p)) continue;
      const uint64_t seed = seeds.next();
      auto make = [&](uint64_t s) { return pictures_for(p, s); };
      auto run = [&](tResizerKernel kernel, std::vector<pft::GuardedPicture>& pics) {
        process(instance, kernel, pics);
      };
      // A variant that computes a different picture by design is held to its model instead.
      pf::KernelRow<tResizerKernel> twins = selected;
      std::vector<std::string> messages;
      for (int isa = 0; isa < 4; ++isa) {
        const tResizerKernel model = pft::divergent_model(selected.variant[isa]);
        if (model == nullptr) continue;
        pf::KernelRow<tResizerKernel> modelled{row.name, row.pointer, model, {}};
        modelled.variant[isa] = selected.variant[isa];
        twins.variant[isa] = nullptr;
        for (std::string& m : pft::compare_variants(modelled, seed, make, run)) {
          messages.push_back(m + " (against its model)");
        }
      }
      for (std::string& m : pft::compare_variants(twins, seed, make, run)) messages.push_back(m);
      for (const std::string& m : messages) {
        std::printf("[FAILED] %s (%s)\n", m.c_str(), pft::describe(p).c_str());
        ++failures;
      }
      for (int isa = 0; isa < 4; ++isa) {
        if (selected.variant[isa] == nullptr) continue;
        tested[pf::kIsaName[isa]]++;
        for (const std::string& m : messages) {
          if (m.find(std::string(" ") + pf::kIsaName[isa] + " ") != std::string::npos) {
            failed[pf::kIsaName[isa]]++;
          }
        }
      }
      if (o.verbose) std::printf("  %s: %s\n", row.name, pft::describe(p).c_str());
    }
    for (int isa = 0; isa < 4; ++isa) {
      if (selected.variant[isa] != nullptr) done[selected.variant[isa]] = true;
    }

    if (o.bench && failures == 0) {
      pft::ResizerCaseOptions big;
      big.max_width = 720;
      big.max_height = 576;
      big.border_percent = 0;
      big.special_percent = 30;
      const auto bench_cases = cases_for(row.pointer, row_seed + 1, 8, big);
      if (bench_cases.empty()) continue;
      const tImageResizerParam& p = *std::max_element(
          bench_cases.begin(), bench_cases.end(), [](const auto& a, const auto& b) {
            return a.s32SrcWidth * a.s32SrcHeight < b.s32SrcWidth * b.s32SrcHeight;
          });
      Instance instance;
      if (!open_instance(instance, p)) continue;
      auto pics = pictures_for(p, 1);
      const double scalar = pfc::cycles_per_call([&] { process(instance, row.scalar, pics); });
      for (int isa = 0; isa < 4; ++isa) {
        if (selected.variant[isa] == nullptr) continue;
        const tResizerKernel variant = selected.variant[isa];
        const double cycles = pfc::cycles_per_call([&] { process(instance, variant, pics); });
        std::printf("  %-44s %-6s %10.0f cycles  x%5.2f  (%s)\n", row.name, pf::kIsaName[isa],
                    cycles, scalar / cycles, pft::describe(p).c_str());
      }
    }
  }
  for (const auto& [isa, count] : tested) {
    const int bad = failed.count(isa) != 0 ? failed[isa] : 0;
    std::printf("%s resizer %-6s (%d cases)\n", bad == 0 ? "[OK]    " : "[FAILED]", isa.c_str(),
                count);
  }
  if (tested.empty() && !o.list)
    std::printf("[OK]     resizer: no variant runs on this processor\n");
  return failures;
}

}  // namespace

PF_CHECKASM_FAMILY("resizer", run_resizer);
