// SPDX-License-Identifier: BSD-2-Clause
// The MMX variants of the 24- and 32-bit RGB-to-YUV kernels: the video codec unit library's
// converters do the work.
#include <mmintrin.h>

#include "img_rgbtoyuv.h"
#include "video_unit.h"

namespace pf {
namespace {

// The converters leave the MMX registers aliased over the x87 stack; without EMMS the next
// floating-point code in the process would compute garbage silently. The guard issues it on
// every way out.
class EmmsGuard {
 public:
  EmmsGuard() = default;
  EmmsGuard(const EmmsGuard&) = delete;
  EmmsGuard& operator=(const EmmsGuard&) = delete;
  ~EmmsGuard() { _mm_empty(); }
};

using Converter = uint32_t (*)(const uint8_t*, int32_t, uint8_t*, uint8_t*, uint8_t*, int32_t,
                               int32_t, int32_t, int32_t, uint32_t, const void*);

void hand_over(Converter convert, const tRgbToYuvInstance& inst, const uint8_t* rgb, uint8_t* y,
               uint8_t* u, uint8_t* v) {
  const EmmsGuard guard;
  const tRgbToYuvParam& p = inst.tParam;
  // The module has validated everything the converter checks, and a kernel has no status to
  // report, so the converter's status is not looked at. The parameter record goes along for
  // converters that want more than the arguments; the source pitch in it is in bytes now.
  static_cast<void>(convert(rgb, p.s32SrcPitch, y, u, v, p.s32DstPitch, p.s32DstPitch / 2,
                            p.s32SrcWidth, p.s32SrcHeight, p.u32SrcBottomUp, &p));
}

}  // namespace
}  // namespace pf

extern "C" {

void RGB32toYUV420_mmx(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb, uint8_t* pu8Y,
                       uint8_t* pu8U, uint8_t* pu8V) {
  pf::hand_over(bgra_to_yv12_mmx, *ptInstance, pu8Rgb, pu8Y, pu8U, pu8V);
}

void RGB24toYUV420_mmx(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb, uint8_t* pu8Y,
                       uint8_t* pu8U, uint8_t* pu8V) {
  pf::hand_over(bgr_to_yv12_mmx, *ptInstance, pu8Rgb, pu8Y, pu8U, pu8V);
}

}  // extern "C"
