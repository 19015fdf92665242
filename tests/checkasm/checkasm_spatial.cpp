// SPDX-License-Identifier: BSD-2-Clause
// The spatial filters' SIMD variants in the parity harness: the cross filter and sharpen, each
// against its scalar twin on random sizes, pitches, strengths and contents with guard bands.
#include <memory>
#include <string>
#include <vector>

#include "checkasm.hpp"
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

pfc::Pictures pictures(const Case& c, uint64_t seed) {
  pft::Rng rng(seed);
  pfc::Pictures pics;
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

// The loop's part of a family of these cases: every width up to two vectors first.
template <class Fn>
pfc::Family<Fn, Case> family(std::span<const pf::KernelRow<Fn>> rows, bool even,
                             std::function<void(const Case&, Fn, pfc::Pictures&)> run) {
  pfc::Family<Fn, Case> f;
  f.rows = rows;
  f.cases = [even](pft::Rng& rng, size_t, int count) {
    return pfc::random_cases<Case>(rng, 2 * count + 40,
                                   [even](pft::Rng& r, int i) { return random_case(r, i, even); });
  };
  f.make = pictures;
  f.run = std::move(run);
  f.describe = [](const Case& c) {
    return std::to_string(c.w) + "x" + std::to_string(c.h) + " strength " +
           std::to_string(c.strength) + (c.in_place ? ", in place" : "");
  };
  f.bench = [run = f.run](size_t) -> std::pair<std::function<void(Fn)>, std::string> {
    const Case big{720, 576, 96, false};
    auto pics = std::make_shared<pfc::Pictures>(pictures(big, 1));
    return {[big, pics, run](Fn k) { run(big, k, *pics); }, "720x576"};
  };
  return f;
}

int run_spatial(const pfc::Options& o, uint32_t flags) {
  pfc::Tally tally;
  auto scratch = std::make_shared<std::vector<uint8_t>>(PF_FAST_SCRATCH_BYTES);
  pfc::check_family(family<tCrossFilterKernel>(
                        pf::spatial::cross_filter_kernels(), false,
                        [scratch](const Case&, tCrossFilterKernel k, pfc::Pictures& pics) {
                          for (size_t p = 0; p < 3; ++p) {
                            const auto& s = pics[0].planes()[p];
                            auto& d = pics[1].planes()[p];
                            k(scratch->data(), s.data(), d.data(), static_cast<int32_t>(s.rows()),
                              static_cast<int32_t>(s.width()), static_cast<int32_t>(s.pitch()),
                              static_cast<int32_t>(d.pitch()));
                          }
                        }),
                    o, flags, tally);
  auto store = std::make_shared<std::vector<uint8_t>>(PF_SHARP_LINE_STORE_BYTES);
  pfc::check_family(
      family<tImgSharpKernel>(pf::spatial::sharp_kernels(), true,
                              [store](const Case& c, tImgSharpKernel k, pfc::Pictures& pics) {
                                tImgSharpInstance inst{};
                                inst.pu8LineStore = store->data();
                                inst.tParam = {c.w, c.h, c.strength, 0};
                                const tImgPicture src = pics[0].record();
                                const tImgPicture dst = c.in_place ? src : pics[1].record();
                                k(&inst, &src, &dst);
                              }),
      o, flags, tally);
  pfc::report_family("spatial", tally, o.list);
  return tally.failures;
}

}  // namespace

PF_CHECKASM_FAMILY("spatial", run_spatial);
