// SPDX-License-Identifier: BSD-2-Clause
// The mosaic kernels in the parity harness: random pictures and pitches, up to 32 windows of
// every block size (the SIMD forms treat 2, 4, 8, 16 and more, and the others, each their own
// way), in place and into another buffer; each picture is one buffer with canaries around it.
#include <cstdio>
#include <string>
#include <vector>

#include "checkasm.hpp"
#include "guarded.hpp"
#include "img_mosaic.h"
#include "mosaic/mosaic.hpp"
#include "parity.hpp"
#include "rng.hpp"

namespace {

bool packed_kernel(const std::string& name) { return name.find("422") != std::string::npos; }
bool field_kernel(const std::string& name) { return name.find("Field") != std::string::npos; }

tImageMosaicParam random_param(pft::Rng& rng, bool packed, bool field, bool big) {
  tImageMosaicParam p{};
  p.s32Width = big ? 720 : 2 * rng.range(1, rng.chance(25) ? 360 : 48);
  p.s32Height = big ? 576 : 2 * rng.range(1, rng.chance(25) ? 144 : 24);
  p.s32YStride = p.s32Width + (big ? 0 : rng.range(0, 33));
  p.s32UVStride = p.s32YStride / 2;
  p.u32YuvType = packed ? PF_YUV_UYVY : PF_YUV_420;
  p.u32ImageType = field ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
  p.u32MosaicNum = big ? 4 : rng.below(rng.chance(15) ? PF_MOSAIC_MAX_WINDOWS + 1 : 6);
  for (uint32_t i = 0; i < p.u32MosaicNum; ++i) {
    tMosaicWindow& w = p.atWindow[i];
    if (big) {
      // Privacy masks of the usual sizes: faces and number plates.
      static constexpr tMosaicWindow kMasks[4] = {{64, 48, 160, 160, 8},
                                                  {300, 200, 240, 120, 16},
                                                  {500, 400, 180, 96, 12},
                                                  {40, 420, 96, 64, 6}};
      w = kMasks[i];
      continue;
    }
    w.s32Left = rng.range(0, p.s32YStride - 1);
    w.s32Width = rng.range(0, p.s32YStride - w.s32Left);
    w.s32Top = rng.range(0, p.s32Height - 1);
    w.s32Height = rng.range(0, p.s32Height - w.s32Top);
    const int limit = w.s32Width < w.s32Height ? w.s32Width : w.s32Height;
    const int g = rng.chance(50) ? rng.range(2, 18) : rng.range(0, limit);
    w.s32Granularity = g < limit ? g : limit;
  }
  return p;
}

size_t buffer_bytes(const tImageMosaicParam& p, bool packed) {
  const size_t lines = size_t(p.s32YStride) * (packed ? 2 : 1) * size_t(p.s32Height);
  const size_t area = size_t(p.s32Width) * size_t(p.s32Height);
  const size_t copy = packed ? 2 * area : area * 3 / 2;
  return lines > copy ? lines : copy;
}

// A picture buffer as the one plane of a guarded picture: one row of `bytes`, canaries around.
std::vector<pft::GuardedPicture> pictures(size_t bytes, bool in_place, uint64_t seed) {
  pft::Rng rng(seed);
  std::vector<pft::GuardedPicture> out;
  out.emplace_back(PF_YUV_UYVY, static_cast<uint32_t>((bytes + 1) / 2), 1, rng);
  if (!in_place) out.emplace_back(PF_YUV_UYVY, static_cast<uint32_t>((bytes + 1) / 2), 1, rng);
  return out;
}

void call(tMosaicKernel kernel, const tImageMosaicParam& p,
          std::vector<pft::GuardedPicture>& pics) {
  uint8_t* src = pics[0].planes()[0].data();
  uint8_t* dst = pics.back().planes()[0].data();
  kernel(src, dst, &p);
}

int run_mosaic(const pfc::Options& o, uint32_t flags) {
  int failures = 0;
  int tested[4] = {}, failed[4] = {};
  for (const auto& row : pf::mosaic::mosaic_kernels()) {
    if (!pfc::wanted(o, row.name)) continue;
    if (o.list) {
      std::printf("%-48s", row.name);
      for (int isa = 0; isa < 4; ++isa) {
        if (row.variant[isa] != nullptr) std::printf(" %s", pf::kIsaName[isa]);
      }
      std::printf("\n");
      continue;
    }
    pf::KernelRow<tMosaicKernel> selected = row;
    for (int isa = 0; isa < 4; ++isa) {
      if (!o.isa.empty() && o.isa != pf::kIsaName[isa]) selected.variant[isa] = nullptr;
    }
    const bool packed = packed_kernel(row.name), field = field_kernel(row.name);
    const uint64_t row_seed = o.seed ^ std::hash<std::string>{}(row.name);
    pft::Rng rng(row_seed);
    // Four times the usual count: the cases are small and the block sizes many.
    for (int n = 0; n < 4 * o.cases; ++n) {
      const tImageMosaicParam p = random_param(rng, packed, field, false);
      const bool in_place = rng.chance(50);
      const uint64_t seed = rng.next();
      const size_t bytes = buffer_bytes(p, packed);
      auto make = [&](uint64_t s) { return pictures(bytes, in_place, s); };
      auto run = [&](tMosaicKernel k, std::vector<pft::GuardedPicture>& pics) { call(k, p, pics); };
      const auto messages = pft::compare_variants(selected, seed, make, run);
      for (int isa = 0; isa < 4; ++isa) {
        if (selected.variant[isa] == nullptr || (flags & pf::kIsaFlag[isa]) == 0) continue;
        ++tested[isa];
        for (const std::string& m : messages) {
          if (m.find(std::string(" ") + pf::kIsaName[isa] + " ") != std::string::npos)
            ++failed[isa];
        }
      }
      for (const std::string& m : messages) {
        std::printf("[FAILED] %s (%dx%d pitch %d, %u windows, %s)\n", m.c_str(), p.s32Width,
                    p.s32Height, p.s32YStride, p.u32MosaicNum, in_place ? "in place" : "copy");
        ++failures;
      }
    }
    if (o.bench && failures == 0) {
      const tImageMosaicParam p = random_param(rng, packed, field, true);
      auto pics = pictures(buffer_bytes(p, packed), false, 1);
      const double scalar = pfc::cycles_per_call([&] { call(row.scalar, p, pics); });
      for (int isa = 0; isa < 4; ++isa) {
        if (selected.variant[isa] == nullptr || (flags & pf::kIsaFlag[isa]) == 0) continue;
        const tMosaicKernel variant = selected.variant[isa];
        const double cycles = pfc::cycles_per_call([&] { call(variant, p, pics); });
        std::printf("  %-44s %-6s %10.0f cycles  x%5.2f  (720x576, 4 windows, copy)\n", row.name,
                    pf::kIsaName[isa], cycles, scalar / cycles);
      }
    }
  }
  pfc::report_family("mosaic", tested, failed, o.list);
  return failures;
}

}  // namespace

PF_CHECKASM_FAMILY("mosaic", run_mosaic);
