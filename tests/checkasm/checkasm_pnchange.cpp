// SPDX-License-Identifier: BSD-2-Clause
// The PAL/NTSC change kernels in the parity harness: each SSE2 twin against its scalar kernel in
// separate buffers, in place, and (PAL to NTSC, 4:2:0) repacked inside one buffer, with planes
// at every alignment and random contents.
#include <cstdio>
#include <string>
#include <vector>

#include "checkasm.hpp"
#include "guarded.hpp"
#include "img_pnchange.h"
#include "parity.hpp"
#include "pnchange/pnchange.hpp"
#include "rng.hpp"

namespace {

using Spec = pf::PnKernelSpec;

// Plane offsets of a picture stored plane after plane, and its size in lines of the luma (or
// packed) line length.
struct Flat {
  std::vector<size_t> planes;
  uint32_t lines;
};

Flat flat(const Spec& s, bool pal) {
  const uint32_t luma = pal ? 576 : 480;
  if (s.layout == pf::PnLayout::kUyvyFrame) return {{0}, luma};
  const size_t y = size_t{s.width} * luma;
  return {{0, y, y + y / 4}, luma * 3 / 2};
}

size_t line_bytes(const Spec& s) {
  return s.layout == pf::PnLayout::kUyvyFrame ? 2 * s.width : s.width;
}

enum class Place { kSeparate, kInPlace, kRepacked };
constexpr const char* kPlaceName[] = {"separate", "in place", "repacked"};

tImagePNChangePicture at(pft::GuardedPicture& pic, size_t shift, const std::vector<size_t>& o) {
  uint8_t* base = pic.planes()[0].data() + shift;
  tImagePNChangePicture p{base + o[0], nullptr, nullptr};
  if (o.size() == 3) p.pu8U = base + o[1], p.pu8V = base + o[2];
  return p;
}

int run_pnchange(const pfc::Options& o, uint32_t flags) {
  int failures = 0, tested = 0;
  for (const auto& row : pf::pnchange_kernels()) {
    if (!pfc::wanted(o, row.name)) continue;
    if (o.list) {
      std::printf("%-48s sse2\n", row.name);
      continue;
    }
    if (!o.isa.empty() && o.isa != "sse2") continue;
    const Spec& spec = *pf::pn_kernel_spec(row.pointer);
    const bool to_pal = spec.direction == pf::PnDirection::kNtscToPal;
    std::vector<Place> places = {Place::kSeparate};
    if (spec.one_buffer) places.push_back(Place::kInPlace);
    if (spec.one_buffer && !to_pal && spec.layout != pf::PnLayout::kUyvyFrame)
      places.push_back(Place::kRepacked);
    const auto lb = static_cast<uint32_t>(line_bytes(spec));
    const Flat src = flat(spec, !to_pal), dst = flat(spec, to_pal), pal = flat(spec, true);
    pft::Rng seeds(o.seed ^ std::hash<std::string>{}(row.name));
    for (int c = 0; c < o.cases; ++c) {
      const Place place = places[static_cast<size_t>(c) % places.size()];
      const uint64_t seed = seeds.next();
      const size_t shift = seed % 16;
      auto make = [&](uint64_t s) {
        pft::Rng rng(s);
        std::vector<pft::GuardedPicture> pics;
        // One spare line gives the shifted planes room.
        if (place == Place::kSeparate) {
          pics.emplace_back(PF_YUV_UYVY, lb / 2, src.lines + 1, rng);
          pics.emplace_back(PF_YUV_UYVY, lb / 2, dst.lines + 1, rng);
        } else {
          pics.emplace_back(PF_YUV_UYVY, lb / 2, pal.lines + 1, rng);
        }
        return pics;
      };
      auto run = [&](tPNChangeKernel kernel, std::vector<pft::GuardedPicture>& pics) {
        const tImagePNChangePicture s =
            at(pics[0], shift, place == Place::kSeparate ? src.planes : pal.planes);
        const tImagePNChangePicture d =
            place == Place::kSeparate
                ? at(pics[1], shift, dst.planes)
                : at(pics[0], shift, place == Place::kInPlace ? pal.planes : dst.planes);
        kernel(&s, &d);
      };
      for (const std::string& m : pft::compare_variants(row, seed, make, run)) {
        std::printf("[FAILED] %s (%s)\n", m.c_str(), kPlaceName[static_cast<int>(place)]);
        ++failures;
      }
      if ((flags & VIDEOMEM_CPU_SSE2) != 0) ++tested;
    }
    if (o.bench && failures == 0 && (flags & VIDEOMEM_CPU_SSE2) != 0) {
      pft::Rng rng(1);
      std::vector<pft::GuardedPicture> pics;
      pics.emplace_back(PF_YUV_UYVY, lb / 2, src.lines, rng);
      pics.emplace_back(PF_YUV_UYVY, lb / 2, dst.lines, rng);
      const tImagePNChangePicture s = at(pics[0], 0, src.planes), d = at(pics[1], 0, dst.planes);
      const double scalar = pfc::cycles_per_call([&] { row.scalar(&s, &d); });
      const double sse2 = pfc::cycles_per_call([&] { row.variant[pf::kSse2](&s, &d); });
      std::printf("  %-44s sse2   %10.0f cycles  x%5.2f\n", row.name, sse2, scalar / sse2);
    }
  }
  if (!o.list) {
    if (tested == 0) {
      std::printf("[OK]     pnchange: no variant runs on this processor\n");
    } else {
      std::printf("%s pnchange sse2   (%d cases)\n", failures == 0 ? "[OK]    " : "[FAILED]",
                  tested);
    }
  }
  return failures;
}

}  // namespace

PF_CHECKASM_FAMILY("pnchange", run_pnchange);
