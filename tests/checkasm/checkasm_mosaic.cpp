// SPDX-License-Identifier: BSD-2-Clause
// The mosaic kernels in the parity harness: random pictures and pitches, up to 32 windows of
// every block size (the SIMD forms treat 2, 4, 8, 16 and more, and the others, each their own
// way), in place and into another buffer; each picture is one buffer with canaries around it.
#include <memory>
#include <string>

#include "checkasm.hpp"
#include "img_mosaic.h"
#include "mosaic/mosaic.hpp"

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

struct Case {
  tImageMosaicParam param;
  bool packed, in_place;
};

// A picture buffer as the one plane of a guarded picture: one row of its bytes, canaries around.
pfc::Pictures pictures(const Case& c, uint64_t seed) {
  const auto half = static_cast<uint32_t>((buffer_bytes(c.param, c.packed) + 1) / 2);
  pft::Rng rng(seed);
  pfc::Pictures out;
  out.emplace_back(PF_YUV_UYVY, half, 1, rng);
  if (!c.in_place) out.emplace_back(PF_YUV_UYVY, half, 1, rng);
  return out;
}

void call(const Case& c, tMosaicKernel kernel, pfc::Pictures& pics) {
  kernel(pics[0].planes()[0].data(), pics.back().planes()[0].data(), &c.param);
}

int run_mosaic(const pfc::Options& o, uint32_t flags) {
  const auto rows = pf::mosaic::mosaic_kernels();
  pfc::Family<tMosaicKernel, Case> f;
  f.rows = rows;
  // Four times the usual count: the cases are small and the block sizes many.
  f.cases = [&](pft::Rng& rng, size_t row, int count) {
    const bool packed = packed_kernel(rows[row].name), field = field_kernel(rows[row].name);
    return pfc::random_cases<Case>(rng, 4 * count, [&](pft::Rng& r, int) {
      const tImageMosaicParam p = random_param(r, packed, field, false);
      return Case{p, packed, r.chance(50)};
    });
  };
  f.make = pictures;
  f.run = call;
  f.describe = [](const Case& c) {
    const tImageMosaicParam& p = c.param;
    return std::to_string(p.s32Width) + "x" + std::to_string(p.s32Height) + " pitch " +
           std::to_string(p.s32YStride) + ", " + std::to_string(p.u32MosaicNum) + " windows, " +
           (c.in_place ? "in place" : "copy");
  };
  f.bench = [&](size_t row) -> std::pair<std::function<void(tMosaicKernel)>, std::string> {
    const bool packed = packed_kernel(rows[row].name);
    pft::Rng rng(o.seed);
    const Case c{random_param(rng, packed, field_kernel(rows[row].name), true), packed, false};
    auto pics = std::make_shared<pfc::Pictures>(pictures(c, 1));
    return {[c, pics](tMosaicKernel k) { call(c, k, *pics); }, "720x576, 4 windows, copy"};
  };
  return pfc::run_family("mosaic", f, o, flags);
}

}  // namespace

PF_CHECKASM_FAMILY("mosaic", run_mosaic);
