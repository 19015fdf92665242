// SPDX-License-Identifier: BSD-2-Clause
#include "resizer_cases.hpp"

#include <sstream>

namespace pft {
namespace {

const uint32_t kTypes[] = {420, 4202, 4221, 422, 4201, 42012, 42021};

}  // namespace

tImageResizerParam random_resizer_param(Rng& rng, const ResizerCaseOptions& options) {
  tImageResizerParam p{};
  p.u32SrcYuvType = kTypes[rng.below(7)];
  p.u32DstYuvType = kTypes[rng.below(7)];
  p.u32SrcImageType = 1 + rng.below(3);
  p.u32DstImageType = 1 + rng.below(3);
  auto even = [&](int lo, int hi) { return 2 * rng.range(lo / 2, hi / 2); };
  auto four = [&](int lo, int hi) { return 4 * rng.range((lo + 3) / 4, hi / 4); };
  int sw = even(2, options.max_width), sh = four(4, options.max_height);
  int dw = even(2, options.max_width), dh = four(4, options.max_height);
  if (rng.chance(40)) {
    dw = sw;
    dh = sh;
  }
  if (rng.chance(static_cast<uint32_t>(options.special_percent))) {
    switch (rng.below(5)) {
      case 0:  // D1 UYVY conversions: 720 wide, any height
        p.u32SrcYuvType = 422;
        p.u32DstYuvType = 420;
        sw = 720;
        sh = dh = four(4, 24);
        dw = rng.chance(50) ? 720 : 352;
        if (rng.chance(25)) {  // the D1 field-picture conversion takes full PAL pictures only
          sh = dh = 576;
          dw = 720;
          p.u32SrcImageType = p.u32DstImageType = 2;
        }
        break;
      case 1: {  // the small D1 reductions
        static const int kWidths[] = {96, 112, 176};
        p.u32SrcYuvType = 422;
        p.u32DstYuvType = 420;
        sw = 720;
        sh = four(8, 24);
        dw = kWidths[rng.below(3)];
        dh = four(4, 16);
        break;
      }
      case 2:  // CIF frame to a D1-wide field picture
        p.u32SrcYuvType = p.u32DstYuvType = 420;
        p.u32SrcImageType = 1;
        p.u32DstImageType = 2;
        sw = 352;
        sh = rng.chance(50) ? 288 : four(4, 32);
        dw = rng.chance(50) ? 720 : 704;
        dh = sh == 288 && rng.chance(70) ? 576 : four(4, 40);
        break;
      case 3: {  // a D1-wide field picture to a small frame
        static const int kWidths[] = {352, 704, 720};
        p.u32SrcYuvType = p.u32DstYuvType = 420;
        p.u32SrcImageType = 2;
        p.u32DstImageType = 1;
        sw = kWidths[rng.below(3)];
        sh = four(8, 40);
        dw = even(2, 48);
        dh = four(4, 24);
        break;
      }
      default:  // wide pictures, where vector loops run long
        sw = even(64, 400);
        dw = rng.chance(50) ? sw : even(64, 400);
        break;
    }
  }
  auto maybe = [&](int v) {
    return rng.chance(static_cast<uint32_t>(options.border_percent)) ? v : 0;
  };
  p.s32CutTop = maybe(4 * rng.range(1, 2));
  p.s32CutBottom = maybe(4);
  p.s32CutLeft = maybe(even(2, 8));
  p.s32CutRight = maybe(2);
  p.s32OffsetTop = maybe(4);
  p.s32OffsetBottom = maybe(4 * rng.range(1, 2));
  p.s32OffsetLeft = maybe(even(2, 8));
  p.s32OffsetRight = maybe(2);
  p.s32FillTop = maybe(rng.chance(50) ? 4 : 2);
  p.s32FillBottom = maybe(rng.chance(50) ? 8 : 2);
  p.s32FillLeft = maybe(even(2, 8));
  p.s32FillRight = maybe(even(2, 6));
  p.s32SrcWidth = sw + p.s32CutLeft + p.s32CutRight;
  p.s32SrcHeight = sh + p.s32CutTop + p.s32CutBottom;
  p.s32DstWidth = dw + p.s32OffsetLeft + p.s32OffsetRight + p.s32FillLeft + p.s32FillRight;
  p.s32DstHeight = dh + p.s32OffsetTop + p.s32OffsetBottom + p.s32FillTop + p.s32FillBottom;
  p.u32FillY = rng.below(256);
  p.u32FillU = rng.below(256);
  p.u32FillV = rng.below(256);
  if (rng.chance(static_cast<uint32_t>(options.nearest_percent))) {
    static const tResizerExtension kNearest{PF_RESIZER_EXTENSION_MAGIC, PF_RESIZER_MODE_NEAREST};
    p.pExtension = &kNearest;
  }
  return p;
}

std::string describe(const tImageResizerParam& p) {
  std::ostringstream out;
  out << p.u32SrcYuvType << "/" << p.u32SrcImageType << " " << p.s32SrcWidth << "x"
      << p.s32SrcHeight << " -> " << p.u32DstYuvType << "/" << p.u32DstImageType << " "
      << p.s32DstWidth << "x" << p.s32DstHeight << " cut " << p.s32CutTop << "," << p.s32CutBottom
      << "," << p.s32CutLeft << "," << p.s32CutRight << " offset " << p.s32OffsetTop << ","
      << p.s32OffsetBottom << "," << p.s32OffsetLeft << "," << p.s32OffsetRight << " fill "
      << p.s32FillTop << "," << p.s32FillBottom << "," << p.s32FillLeft << "," << p.s32FillRight
      << (p.pExtension != nullptr ? " nearest" : "");
  return out.str();
}

}  // namespace pft
