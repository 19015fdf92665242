// SPDX-License-Identifier: BSD-2-Clause
// The banner's rectangle kernels in the parity harness: random rectangles, colours and opacities
// on guarded pictures of the storage each kernel serves, odd pitches included.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "banner/banner.hpp"
#include "checkasm.hpp"
#include "guarded.hpp"
#include "img_banner.h"
#include "parity.hpp"
#include "rng.hpp"

namespace {

// The storage a kernel's name says it serves.
struct Serves {
  bool packed, field, nv12;
};
Serves serves(const std::string& name) {
  return {name.find("422") != std::string::npos, name.find("Field") != std::string::npos,
          name.find("NV12") != std::string::npos};
}

// A banner instance as Open would set it up, without going through Open: the harness gives each
// kernel the instance fields it reads.
tBannerInstance random_instance(pft::Rng& rng, const Serves& s, int max_width, int max_height) {
  tBannerInstance b{};
  b.s32BgWidth = rng.range(2, max_width);
  b.s32BgHeight = rng.range(2, max_height);
  b.s32DrawTop = rng.range(0, b.s32BgHeight - 1) & ~1;
  b.s32DrawLeft = rng.range(0, b.s32BgWidth - 1) & ~1;
  b.s32DrawWidth = rng.range(0, b.s32BgWidth - b.s32DrawLeft) & ~1;
  b.s32DrawHeight = rng.range(0, b.s32BgHeight - b.s32DrawTop) & ~1;
  if (rng.chance(25)) {  // the whole picture
    b.s32DrawTop = b.s32DrawLeft = 0;
    b.s32DrawWidth = b.s32BgWidth & ~1;
    b.s32DrawHeight = b.s32BgHeight & ~1;
  }
  b.u32YuvType =
      s.packed ? (rng.chance(50) ? PF_YUV_UYVY : PF_YUV_YUYV) : (s.nv12 ? PF_YUV_NV12 : PF_YUV_420);
  b.u32ImageType = s.field ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
  b.u8Y = rng.byte(), b.u8U = rng.byte(), b.u8V = rng.byte();
  const uint32_t o = rng.below(4);
  b.u8Opacity = o == 0 ? 1 : o == 1 ? 254 : rng.byte();
  return b;
}

int run_banner(const pfc::Options& o, uint32_t flags) {
  int tested[4] = {}, failed[4] = {};
  int failures = 0;
  for (const auto& row : pf::banner_kernels()) {
    if (!pfc::wanted(o, row.name)) continue;
    if (o.list) {
      std::printf("%-48s", row.name);
      for (int isa = 0; isa < 4; ++isa) {
        if (row.variant[isa] != nullptr) std::printf(" %s", pf::kIsaName[isa]);
      }
      std::printf("\n");
      continue;
    }
    pf::KernelRow<tBannerKernel> selected = row;
    bool any = false;
    for (int isa = 0; isa < 4; ++isa) {
      if ((!o.isa.empty() && o.isa != pf::kIsaName[isa]) || (flags & pf::kIsaFlag[isa]) == 0) {
        selected.variant[isa] = nullptr;
      }
      any |= selected.variant[isa] != nullptr;
    }
    if (!any) continue;
    const Serves s = serves(row.name);
    pft::Rng rng(o.seed ^ std::hash<std::string>{}(row.name));
    for (int c = 0; c < 4 * o.cases; ++c) {
      const tBannerInstance banner = random_instance(rng, s, 80, 48);
      const uint64_t seed = rng.next();
      auto make = [&](uint64_t picture_seed) {
        pft::Rng r(picture_seed);
        std::vector<pft::GuardedPicture> pictures;
        pictures.emplace_back(banner.u32YuvType, static_cast<uint32_t>(banner.s32BgWidth),
                              static_cast<uint32_t>(banner.s32BgHeight), r, 37);
        return pictures;
      };
      auto run = [&](tBannerKernel kernel, std::vector<pft::GuardedPicture>& pictures) {
        const tImgPicture pic = pictures[0].record();
        kernel(&pic, &banner, banner.u8Opacity);
      };
      for (const std::string& m : pft::compare_variants(selected, seed, make, run)) {
        std::printf("[FAILED] %s (picture %dx%d, rect %d,%d %dx%d, opacity %d)\n", m.c_str(),
                    banner.s32BgWidth, banner.s32BgHeight, banner.s32DrawLeft, banner.s32DrawTop,
                    banner.s32DrawWidth, banner.s32DrawHeight, banner.u8Opacity);
        ++failures;
        for (int isa = 0; isa < 4; ++isa) {
          if (m.find(std::string(" ") + pf::kIsaName[isa] + " ") != std::string::npos) {
            ++failed[isa];
          }
        }
      }
      for (int isa = 0; isa < 4; ++isa) tested[isa] += selected.variant[isa] != nullptr;
    }
    if (o.bench && failures == 0) {
      pft::Rng r(1);
      tBannerInstance banner = random_instance(r, s, 2, 2);
      banner.s32BgWidth = 720, banner.s32BgHeight = 576;
      banner.s32DrawTop = 400, banner.s32DrawLeft = 0;
      banner.s32DrawWidth = 720, banner.s32DrawHeight = 120;
      banner.u8Opacity = 160;
      pft::GuardedPicture picture(banner.u32YuvType, 720, 576, r);
      const tImgPicture pic = picture.record();
      const double scalar =
          pfc::cycles_per_call([&] { row.scalar(&pic, &banner, banner.u8Opacity); });
      for (int isa = 0; isa < 4; ++isa) {
        if (selected.variant[isa] == nullptr) continue;
        const tBannerKernel variant = selected.variant[isa];
        const double cycles =
            pfc::cycles_per_call([&] { variant(&pic, &banner, banner.u8Opacity); });
        std::printf("  %-44s %-6s %10.0f cycles  x%5.2f  (720x576, lower third)\n", row.name,
                    pf::kIsaName[isa], cycles, scalar / cycles);
      }
    }
  }
  pfc::report_family("banner", tested, failed, o.list);
  return failures;
}

}  // namespace

PF_CHECKASM_FAMILY("banner", run_banner);
