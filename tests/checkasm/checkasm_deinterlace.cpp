// SPDX-License-Identifier: BSD-2-Clause
// The deinterlace and deblock kernels in the parity harness. Every case runs through a module
// instance whose kernel is swapped for the one under test, on guarded pictures with odd strides:
// deinterlace on a sequence of pictures (mode 3 carries its history from one to the next),
// deblock from a source into a destination or in place. The SSE2 mode-0 kernel is held to its
// model (divergent.hpp).
#include <memory>
#include <string>

#include "checkasm.hpp"
#include "divergent.hpp"
#include "filter_cases.hpp"
#include "img_deblock.h"
#include "img_deblock_internal.hpp"
#include "img_deinterlace.h"
#include "img_deinterlace_internal.hpp"

namespace {

using pfc::Pictures;

// ---- deinterlace ----

struct DeinterlaceCase {
  tImgDeinterlaceParam param;
  int frames;
};

// The module opened on `p` with the pictures' strides.
std::unique_ptr<pfc::Opened> open_deinterlace(tImgDeinterlaceParam p, const Pictures& pictures) {
  p.s32YStride = static_cast<int32_t>(pictures.front().planes()[0].pitch());
  p.s32UVStride = static_cast<int32_t>(pictures.front().planes()[1].pitch());
  return std::make_unique<pfc::Opened>(ImgDeinterlaceOpen_c, ImgDeinterlaceClose_c, &p);
}

void process_deinterlace(const pfc::Opened& o, tImgDeinterlaceKernel kernel,
                         pft::GuardedPicture& picture) {
  if (o.handle == nullptr) return;
  o.as<tImgDeinterlaceInstance>()->pfnKernel = kernel;
  uint8_t* planes[3] = {picture.planes()[0].data(), picture.planes()[1].data(),
                        picture.planes()[2].data()};
  ImgDeinterlaceProcess_c(o.handle, planes, planes);
}

// Pictures of one geometry: later ones are either new content or the first one slightly moved,
// as consecutive pictures of a video are.
Pictures deinterlace_pictures(const DeinterlaceCase& c, uint64_t seed) {
  pft::Rng content(seed * 3 + 1);
  Pictures pictures;
  for (int i = 0; i < c.frames; ++i) {
    pft::Rng geometry(seed);
    pictures.emplace_back(PF_YUV_420, c.param.s32Width, c.param.s32Height, geometry, 24);
    pft::GuardedPicture& picture = pictures.back();
    if (i == 0 || content.chance(50)) {
      pft::fill_filter_content(picture, content);
      continue;
    }
    for (size_t k = 0; k < 3; ++k) {
      auto& plane = picture.planes()[k];
      const auto& first = pictures.front().planes()[k];
      const uint32_t shift = content.below(3);
      for (uint32_t y = 0; y < plane.rows(); ++y) {
        for (uint32_t x = 0; x < plane.width(); ++x)
          plane.at(x, y) = first.at(x + shift < plane.width() ? x + shift : x, y);
      }
    }
  }
  return pictures;
}

// ---- deblock ----

struct DeblockCase {
  tImgDeblockParam param;
  int32_t qp;
  bool in_place;
};

Pictures deblock_pictures(const DeblockCase& c, uint64_t seed) {
  pft::Rng rng(seed);
  Pictures pictures;
  pictures.emplace_back(PF_YUV_420, c.param.s32SrcWidth, c.param.s32SrcHeight, rng, 24);
  pft::fill_blocky_content(pictures.back(), rng);
  if (!c.in_place)
    pictures.emplace_back(PF_YUV_420, c.param.s32SrcWidth, c.param.s32SrcHeight, rng, 24);
  return pictures;
}

// The module opened on the pictures' size and strides.
std::unique_ptr<pfc::Opened> open_deblock(const Pictures& pictures) {
  const pft::GuardedPicture& src = pictures.front();
  const pft::GuardedPicture& dst = pictures.back();
  auto pitch = [](const pft::GuardedPicture& p, int k) {
    return static_cast<int32_t>(p.planes()[k].pitch());
  };
  const auto w = static_cast<int32_t>(src.planes()[0].width());
  const auto h = static_cast<int32_t>(src.planes()[0].rows());
  const tImgDeblockParam p{w, h, pitch(src, 0), pitch(src, 1), w, h, pitch(dst, 0), pitch(dst, 1)};
  return std::make_unique<pfc::Opened>(ImgDeblockOpen_c, ImgDeblockClose_c, &p);
}

void process_deblock(const pfc::Opened& o, tImgDeblockKernel kernel, Pictures& pictures,
                     int32_t qp) {
  if (o.handle == nullptr) return;
  o.as<tImgDeblockInstance>()->pfnKernel = kernel;
  pft::GuardedPicture& src = pictures.front();
  pft::GuardedPicture& dst = pictures.back();
  tImgDeblockData data{src.planes()[0].data(),
                       src.planes()[1].data(),
                       src.planes()[2].data(),
                       dst.planes()[0].data(),
                       dst.planes()[1].data(),
                       dst.planes()[2].data(),
                       qp};
  ImgDeblockProcess_c(o.handle, &data, &data);
}

// ---- the families ----

using Bench = std::pair<std::function<void(tImgDeinterlaceKernel)>, std::string>;

int run_deinterlace(const pfc::Options& o, uint32_t flags) {
  pfc::Family<tImgDeinterlaceKernel, DeinterlaceCase> f;
  f.rows = pf::deinterlace_kernels();
  f.cases = [](pft::Rng& rng, size_t row, int count) {
    return pfc::random_cases<DeinterlaceCase>(rng, count, [row](pft::Rng& r, int) {
      return DeinterlaceCase{pft::random_deinterlace_param(r, static_cast<int32_t>(row)),
                             r.range(1, 3)};
    });
  };
  f.make = deinterlace_pictures;
  f.run = [](const DeinterlaceCase& c, tImgDeinterlaceKernel kernel, Pictures& pictures) {
    const auto instance = open_deinterlace(c.param, pictures);
    for (auto& picture : pictures) process_deinterlace(*instance, kernel, picture);
  };
  f.describe = [](const DeinterlaceCase& c) {
    return pft::describe(c.param) + ", " + std::to_string(c.frames) + " pictures";
  };
  f.model = [](tImgDeinterlaceKernel v) { return pft::divergent_model(v); };
  f.bench = [](size_t row) -> Bench {
    const DeinterlaceCase c{{720, 576, 0, 0, static_cast<int32_t>(row), 1}, 1};
    auto pictures = std::make_shared<Pictures>(deinterlace_pictures(c, 7));
    std::shared_ptr<pfc::Opened> instance = open_deinterlace(c.param, *pictures);
    return {[=](tImgDeinterlaceKernel k) { process_deinterlace(*instance, k, pictures->front()); },
            "720x576"};
  };
  return pfc::run_family("deinterlace", f, o, flags);
}

int run_deblock(const pfc::Options& o, uint32_t flags) {
  pfc::Family<tImgDeblockKernel, DeblockCase> f;
  f.rows = pf::deblock_kernels();
  f.cases = [](pft::Rng& rng, size_t, int count) {
    return pfc::random_cases<DeblockCase>(rng, count, [](pft::Rng& r, int) {
      const int32_t w = 8 * r.range(1, 30), h = 8 * r.range(1, 16);
      return DeblockCase{{w, h, 0, 0, w, h, 0, 0}, pft::random_qp(r), r.chance(25)};
    });
  };
  f.make = deblock_pictures;
  f.run = [](const DeblockCase& c, tImgDeblockKernel kernel, Pictures& pictures) {
    process_deblock(*open_deblock(pictures), kernel, pictures, c.qp);
  };
  f.describe = [](const DeblockCase& c) {
    return std::to_string(c.param.s32SrcWidth) + "x" + std::to_string(c.param.s32SrcHeight) +
           " QP " + std::to_string(c.qp) + (c.in_place ? " in place" : "");
  };
  f.bench = [](size_t) -> std::pair<std::function<void(tImgDeblockKernel)>, std::string> {
    const DeblockCase c{{720, 576, 0, 0, 720, 576, 0, 0}, 12, false};
    auto pictures = std::make_shared<Pictures>(deblock_pictures(c, 7));
    std::shared_ptr<pfc::Opened> instance = open_deblock(*pictures);
    return {[=](tImgDeblockKernel k) { process_deblock(*instance, k, *pictures, c.qp); },
            "720x576"};
  };
  return pfc::run_family("deblock", f, o, flags);
}

}  // namespace

PF_CHECKASM_FAMILY("deinterlace", run_deinterlace);
PF_CHECKASM_FAMILY("deblock", run_deblock);
