// SPDX-License-Identifier: BSD-2-Clause
// The temporal filter's SSE2 kernel in the parity harness. It computes a different filter from
// the block blend of Filterframe_c, so it is held to the model of its own definition
// (temporal_model.hpp), on random sizes, strengths and difference spreads with guard bands.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "checkasm.hpp"
#include "temporal/temporal.hpp"
#include "temporal_model.hpp"

namespace {

// Filterframe_sse2 as defined: the window filter on Y, U and V with their strengths.
void window_model(tImgTemporalFilterInstance* inst, uint8_t* cur, uint8_t* pre) {
  const int aw = inst->s32AlignedWidth, ah = inst->s32AlignedHeight;
  const size_t luma = static_cast<size_t>(aw) * ah;
  pft::window_filter_model(cur, pre, aw, ah, inst->as32Strength[0]);
  pft::window_filter_model(cur + luma, pre + luma, aw / 2, ah / 2, inst->as32Strength[1]);
  pft::window_filter_model(cur + luma * 5 / 4, pre + luma * 5 / 4, aw / 2, ah / 2,
                           inst->as32Strength[2]);
}

struct Case {
  int aw, ah, strength[3], spread;
};

Case random_case(pft::Rng& rng, bool big) {
  Case c{};
  c.aw = big ? 720 : 8 * rng.range(1, 12);
  c.ah = big ? 576 : 8 * rng.range(1, 6);
  for (int& s : c.strength) s = rng.range(0, 29);
  c.spread = rng.chance(25) ? 255 : rng.range(0, 16);
  return c;
}

// The current picture and the previous output, each one contiguous 4:2:0 buffer: one guarded
// plane of aw bytes by ah * 3 / 2 rows (a packed picture of aw / 2 pixels has that shape).
pfc::Pictures pictures(const Case& c, uint64_t seed) {
  pft::Rng rng(seed);
  pfc::Pictures pics;
  const auto w = static_cast<uint32_t>(c.aw / 2), rows = static_cast<uint32_t>(c.ah * 3 / 2);
  pics.emplace_back(PF_YUV_UYVY, w, rows, rng);
  pics.emplace_back(PF_YUV_UYVY, w, rows, rng);
  pft::GuardedPlane& cur = pics[0].planes()[0];
  pft::GuardedPlane& pre = pics[1].planes()[0];
  for (uint32_t y = 0; y < rows; ++y) {
    for (uint32_t x = 0; x < cur.width(); ++x) {
      const int d = rng.range(-c.spread, c.spread);
      pre.at(x, y) = static_cast<uint8_t>(std::clamp(cur.at(x, y) + d, 0, 255));
    }
  }
  return pics;
}

void run(const Case& c, tFilterframeKernel kernel, pfc::Pictures& pics) {
  tImgTemporalFilterInstance inst{};
  inst.s32AlignedWidth = c.aw;
  inst.s32AlignedHeight = c.ah;
  for (int i = 0; i < 3; ++i) inst.as32Strength[i] = c.strength[i];
  std::vector<uint8_t> lines(static_cast<size_t>(37 * c.aw + 864), 0x5A);
  inst.pu8LineBuf = lines.data();
  kernel(&inst, pics[0].planes()[0].data(), pics[1].planes()[0].data());
}

int run_temporal(const pfc::Options& o, uint32_t flags) {
  pfc::Family<tFilterframeKernel, Case> f;
  f.rows = pf::temporal::temporal_filter_kernels();
  f.cases = [](pft::Rng& rng, size_t, int count) {
    return pfc::random_cases<Case>(rng, count,
                                   [](pft::Rng& r, int) { return random_case(r, false); });
  };
  f.make = pictures;
  f.run = run;
  f.describe = [](const Case& c) { return std::to_string(c.aw) + "x" + std::to_string(c.ah); };
  f.model = [](tFilterframeKernel) { return window_model; };
  // The scalar kernel is the block blend, a different filter: the ratio compares the two.
  f.bench = [&](size_t) -> std::pair<std::function<void(tFilterframeKernel)>, std::string> {
    pft::Rng rng(o.seed);
    Case c = random_case(rng, true);
    c.spread = 6;
    auto pics = std::make_shared<pfc::Pictures>(pictures(c, 1));
    return {[c, pics](tFilterframeKernel k) { run(c, k, *pics); },
            "720x576, against the scalar block blend"};
  };
  return pfc::run_family("temporal", f, o, flags);
}

}  // namespace

PF_CHECKASM_FAMILY("temporal", run_temporal);
