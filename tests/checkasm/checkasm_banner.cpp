// SPDX-License-Identifier: BSD-2-Clause
// The banner's rectangle kernels in the parity harness: random rectangles, colours and opacities
// on guarded pictures of the storage each kernel serves, odd pitches included.
#include <memory>
#include <string>

#include "banner/banner.hpp"
#include "checkasm.hpp"
#include "img_banner.h"

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

pfc::Pictures picture_of(const tBannerInstance& b, uint64_t seed) {
  pft::Rng rng(seed);
  pfc::Pictures pictures;
  pictures.emplace_back(b.u32YuvType, static_cast<uint32_t>(b.s32BgWidth),
                        static_cast<uint32_t>(b.s32BgHeight), rng, 37);
  return pictures;
}

void draw(const tBannerInstance& b, tBannerKernel kernel, pfc::Pictures& pictures) {
  const tImgPicture pic = pictures[0].record();
  kernel(&pic, &b, b.u8Opacity);
}

int run_banner(const pfc::Options& o, uint32_t flags) {
  const auto rows = pf::banner_kernels();
  pfc::Family<tBannerKernel, tBannerInstance> f;
  f.rows = rows;
  f.cases = [&](pft::Rng& rng, size_t row, int count) {
    const Serves s = serves(rows[row].name);
    return pfc::random_cases<tBannerInstance>(
        rng, 4 * count, [&](pft::Rng& r, int) { return random_instance(r, s, 80, 48); });
  };
  f.make = picture_of;
  f.run = draw;
  f.describe = [](const tBannerInstance& b) {
    return "picture " + std::to_string(b.s32BgWidth) + "x" + std::to_string(b.s32BgHeight) +
           ", rect " + std::to_string(b.s32DrawLeft) + "," + std::to_string(b.s32DrawTop) + " " +
           std::to_string(b.s32DrawWidth) + "x" + std::to_string(b.s32DrawHeight) + ", opacity " +
           std::to_string(b.u8Opacity);
  };
  f.bench = [&](size_t row) -> std::pair<std::function<void(tBannerKernel)>, std::string> {
    pft::Rng r(1);
    tBannerInstance b = random_instance(r, serves(rows[row].name), 2, 2);
    b.s32BgWidth = 720, b.s32BgHeight = 576;
    b.s32DrawTop = 400, b.s32DrawLeft = 0;
    b.s32DrawWidth = 720, b.s32DrawHeight = 120;
    b.u8Opacity = 160;
    auto pics = std::make_shared<pfc::Pictures>(picture_of(b, 1));
    return {[b, pics](tBannerKernel k) { draw(b, k, *pics); }, "720x576, lower third"};
  };
  return pfc::run_family("banner", f, o, flags);
}

}  // namespace

PF_CHECKASM_FAMILY("banner", run_banner);
