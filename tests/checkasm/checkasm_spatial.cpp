// SPDX-License-Identifier: BSD-2-Clause
// The spatial filters' SIMD variants in the parity harness: the cross filter and sharpen, each
// against its scalar twin on random sizes, pitches, strengths and contents with guard bands.
#include <cstdio>
#include <string>
#include <vector>

#include "checkasm.hpp"
#include "guarded.hpp"
#include "parity.hpp"
#include "rng.hpp"
#include "spatial/spatial.hpp"

namespace {

struct Case {
  int w, h, strength;
  bool in_place;
};

Case random_case(pft::Rng& rng, int index, bool even) {
  Case c{};
  // Every width up to two vectors and a little more first, then anything.
  c.w = index < 40 ? index + 1 : rng.range(1, 200);
  c.h = rng.range(1, 40);
  if (even) c.w += c.w & 1, c.h += c.h & 1;
  c.strength = rng.chance(20) ? (rng.chance(50) ? 0 : 255) : rng.range(0, 255);
  c.in_place = rng.chance(30);
  return c;
}

std::vector<pft::GuardedPicture> pictures(const Case& c, uint64_t seed) {
  pft::Rng rng(seed);
  std::vector<pft::GuardedPicture> pics;
  for (int i = 0; i < 2; ++i) {
    pics.emplace_back(PF_YUV_420, static_cast<uint32_t>(c.w), static_cast<uint32_t>(c.h), rng, 40);
  }
  // Saturating contents now and then: all dark, all bright, or a 0/255 checkerboard.
  const uint32_t mode = rng.below(5);
  for (auto& plane : pics[0].planes()) {
    for (uint32_t y = 0; y < plane.rows(); ++y) {
      for (uint32_t x = 0; x < plane.width(); ++x) {
        if (mode == 1) plane.at(x, y) = 0;
        if (mode == 2) plane.at(x, y) = 255;
        if (mode == 3) plane.at(x, y) = static_cast<uint8_t>((x + y) % 2 * 255);
      }
    }
  }
  return pics;
}

template <class Fn, class Run>
void check_rows(const pfc::Options& o, uint32_t flags, std::span<const pf::KernelRow<Fn>> rows,
                bool even, Run run, int (&tested)[4], int (&failed)[4], int& failures) {
  for (const auto& row : rows) {
    if (!pfc::wanted(o, row.name)) continue;
    if (o.list) {
      std::printf("%-48s", row.name);
      for (int isa = 0; isa < 4; ++isa) {
        if (row.variant[isa] != nullptr) std::printf(" %s", pf::kIsaName[isa]);
      }
      std::printf("\n");
      continue;
    }
    pf::KernelRow<Fn> selected = row;
    bool any = false;
    for (int isa = 0; isa < 4; ++isa) {
      if ((flags & pf::kIsaFlag[isa]) == 0 || (!o.isa.empty() && o.isa != pf::kIsaName[isa])) {
        selected.variant[isa] = nullptr;
      }
      any |= selected.variant[isa] != nullptr;
    }
    if (!any) continue;
    pft::Rng seeds(o.seed ^ std::hash<std::string>{}(row.name));
    for (int i = 0; i < 2 * o.cases + 40; ++i) {
      const uint64_t seed = seeds.next();
      pft::Rng rng(seed);
      const Case c = random_case(rng, i, even);
      const auto messages = pft::compare_variants(
          selected, seed, [&](uint64_t s) { return pictures(c, s); },
          [&](Fn k, std::vector<pft::GuardedPicture>& pics) { run(c, k, pics); });
      for (int isa = 0; isa < 4; ++isa) tested[isa] += selected.variant[isa] != nullptr;
      for (const std::string& m : messages) {
        std::printf("[FAILED] %s (%dx%d strength %d%s)\n", m.c_str(), c.w, c.h, c.strength,
                    c.in_place ? ", in place" : "");
        ++failures;
        for (int isa = 0; isa < 4; ++isa) {
          if (m.find(std::string(" ") + pf::kIsaName[isa] + " ") != std::string::npos)
            ++failed[isa];
        }
      }
    }
    if (o.bench && failures == 0) {
      const Case big{720, 576, 96, false};
      auto pics = pictures(big, 1);
      const double scalar = pfc::cycles_per_call([&] { run(big, row.scalar, pics); });
      for (int isa = 0; isa < 4; ++isa) {
        if (selected.variant[isa] == nullptr) continue;
        const double cycles = pfc::cycles_per_call([&] { run(big, selected.variant[isa], pics); });
        std::printf("  %-44s %-6s %10.0f cycles  x%5.2f  (720x576)\n", row.name, pf::kIsaName[isa],
                    cycles, scalar / cycles);
      }
    }
  }
}

int run_spatial(const pfc::Options& o, uint32_t flags) {
  int tested[4] = {}, failed[4] = {};
  int failures = 0;
  std::vector<uint8_t> scratch(PF_FAST_SCRATCH_BYTES);
  check_rows(
      o, flags, pf::spatial::cross_filter_kernels(), false,
      [&](const Case& c, tCrossFilterKernel k, std::vector<pft::GuardedPicture>& pics) {
        for (size_t p = 0; p < 3; ++p) {
          const auto& s = pics[0].planes()[p];
          auto& d = pics[1].planes()[p];
          k(scratch.data(), s.data(), d.data(), static_cast<int32_t>(s.rows()),
            static_cast<int32_t>(s.width()), static_cast<int32_t>(s.pitch()),
            static_cast<int32_t>(d.pitch()));
        }
        (void)c;
      },
      tested, failed, failures);
  std::vector<uint8_t> store(PF_SHARP_LINE_STORE_BYTES);
  check_rows(
      o, flags, pf::spatial::sharp_kernels(), true,
      [&](const Case& c, tImgSharpKernel k, std::vector<pft::GuardedPicture>& pics) {
        tImgSharpInstance inst{};
        inst.pu8LineStore = store.data();
        inst.tParam = {c.w, c.h, c.strength, 0};
        const tImgPicture src = pics[0].record();
        const tImgPicture dst = c.in_place ? src : pics[1].record();
        k(&inst, &src, &dst);
      },
      tested, failed, failures);
  pfc::report_family("spatial", tested, failed, o.list);
  return failures;
}

}  // namespace

PF_CHECKASM_FAMILY("spatial", run_spatial);
