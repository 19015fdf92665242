// SPDX-License-Identifier: BSD-2-Clause
// Y, U and V samples of every YUV layout addressed alike, resizer runs on guarded pictures, and
// the destination a run must leave according to a per-sample model of its picture.
#ifndef PELFORGE_TESTS_SUPPORT_YUV_SAMPLES_HPP_
#define PELFORGE_TESTS_SUPPORT_YUV_SAMPLES_HPP_

#include <cstdint>
#include <functional>
#include <utility>

#include "guarded.hpp"
#include "img_resizer.h"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace pft {

// Luma lines per chroma line: 1 for the 4:2:2 layouts, 2 for the 4:2:0 ones.
inline uint32_t chroma_div_y(uint32_t yuv_type) {
  return yuv_type == PF_YUV_422P || yuv_type == PF_YUV_UYVY || yuv_type == PF_YUV_YUYV ? 1 : 2;
}

// Component c (0 Y, 1 U, 2 V) at column x, line y of that component's own grid (chroma columns
// count pixel pairs; chroma lines are the plane's lines).
inline uint8_t& sample(GuardedPicture& p, int c, uint32_t x, uint32_t y) {
  auto& planes = p.planes();
  switch (p.yuv_type()) {
    case PF_YUV_UYVY:
      return planes[0].at(c == 0 ? 2 * x + 1 : 4 * x + (c == 1 ? 0 : 2), y);
    case PF_YUV_YUYV:
      return planes[0].at(c == 0 ? 2 * x : 4 * x + (c == 1 ? 1 : 3), y);
    case PF_YUV_NV12:
    case PF_YUV_NV21:
      if (c == 0) return planes[0].at(x, y);
      return planes[1].at(2 * x + ((c == 1) == (p.yuv_type() == PF_YUV_NV21) ? 1 : 0), y);
    default:
      return planes[static_cast<size_t>(c)].at(x, y);
  }
}
inline uint8_t sample(const GuardedPicture& p, int c, uint32_t x, uint32_t y) {
  return sample(const_cast<GuardedPicture&>(p), c, x, y);
}

// Picture sample (component, field, column, line), counted from the picture's top-left corner
// in that component's grid; the field is 0 unless the destination is written field by field.
using SampleModel = std::function<uint8_t(int c, int field, uint32_t x, uint32_t y)>;

// The destination `before` after a run of parameter p: the offset area untouched, the fill in
// the fill colour and the picture from the model. With fields = 2 each field of a field picture
// has half the fill lines at its top and bottom.
inline GuardedPicture expected_destination(const GuardedPicture& before,
                                           const tImageResizerParam& p, int fields,
                                           const SampleModel& model) {
  GuardedPicture want = before;
  const auto w = static_cast<uint32_t>(p.s32DstWidth - p.s32OffsetLeft - p.s32OffsetRight -
                                       p.s32FillLeft - p.s32FillRight);
  const auto h = static_cast<uint32_t>(p.s32DstHeight - p.s32OffsetTop - p.s32OffsetBottom -
                                       p.s32FillTop - p.s32FillBottom);
  const auto nf = static_cast<uint32_t>(fields);
  const auto field_lines = (static_cast<uint32_t>(p.s32FillTop + p.s32FillBottom) + h) / nf;
  const auto painted = static_cast<uint32_t>(p.s32FillLeft + p.s32FillRight) + w;
  const uint32_t colour[3] = {p.u32FillY, p.u32FillU, p.u32FillV};
  for (uint32_t f = 0; f < nf; ++f) {
    for (int c = 0; c < 3; ++c) {
      const uint32_t vdiv = c == 0 ? 1 : chroma_div_y(before.yuv_type()), hdiv = c == 0 ? 1 : 2;
      const uint32_t top = (static_cast<uint32_t>(p.s32OffsetTop) + f * field_lines) / vdiv;
      const uint32_t left = static_cast<uint32_t>(p.s32OffsetLeft) / hdiv;
      const uint32_t ft = static_cast<uint32_t>(p.s32FillTop) / nf / vdiv;
      const uint32_t fl = static_cast<uint32_t>(p.s32FillLeft) / hdiv;
      for (uint32_t y = 0; y < field_lines / vdiv; ++y) {
        for (uint32_t x = 0; x < painted / hdiv; ++x) {
          const bool inside = y >= ft && y - ft < h / nf / vdiv && x >= fl && x - fl < w / hdiv;
          sample(want, c, left + x, top + y) = inside
                                                   ? model(c, static_cast<int>(f), x - fl, y - ft)
                                                   : static_cast<uint8_t>(colour[c]);
        }
      }
    }
  }
  return want;
}

// Source and destination of the parameter's sizes, pitches up to `slack` bytes longer.
inline std::pair<GuardedPicture, GuardedPicture> pictures_for(const tImageResizerParam& p, Rng& rng,
                                                              uint32_t slack) {
  auto u = [](int32_t v) { return static_cast<uint32_t>(v); };
  GuardedPicture src(p.u32SrcYuvType, u(p.s32SrcWidth), u(p.s32SrcHeight), rng, slack);
  return {src, GuardedPicture(p.u32DstYuvType, u(p.s32DstWidth), u(p.s32DstHeight), rng, slack)};
}

class ResizerRunTest : public VmemTest {
 protected:
  // Open, Process, Close. Returns the kernel Open chose and, when asked, the geometry it stored.
  tResizerKernel run(const tImageResizerParam& p, GuardedPicture& src, GuardedPicture& dst,
                     tResizerGeometry* geometry = nullptr) {
    void* handle = nullptr;
    EXPECT_EQ(ImageResizerOpen_c(&handle, &p, mem()), 0u);
    if (handle == nullptr) return nullptr;
    const auto& instance = *static_cast<tImageResizerInstance*>(handle);
    const tResizerKernel chosen = instance.pfnKernel;
    if (geometry != nullptr) *geometry = instance.tGeometry;
    tImgPicture in = src.record(), out = dst.record();
    EXPECT_EQ(ImageResizerProcess_c(handle, &in, &out), 0u);
    EXPECT_EQ(ImageResizerClose_c(handle), 0u);
    return chosen;
  }
};

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_YUV_SAMPLES_HPP_
