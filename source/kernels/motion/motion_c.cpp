// SPDX-License-Identifier: BSD-2-Clause
// Motion detection: per-pixel classification with a three-state memory, the 3 x 4 majority
// filter, the watch-area counts, and the reduction of full-size PAL pictures.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "img_motionsurveil.h"
#include "img_resizer_kernels.h"
#include "motion/motion.hpp"

namespace pf {
namespace {

constexpr int kMoving = 100;

// One line: class of the temporal difference against the remembered class. The memory returns to
// 0 when a class repeats, so a pixel that changes once and then holds is reported twice and then
// forgotten, and the reference always follows the picture.
// Kept out of line so that the compiler keeps the pointers' independence and vectorizes on
// 16-bit lanes: differences lie in -255..255, so a threshold clamped to -256..256 classes every
// difference as the full 16-bit threshold would.
[[gnu::noinline]] void classify_line(const uint8_t* __restrict cur, uint8_t* __restrict ref,
                                     int8_t* __restrict state, uint8_t* __restrict map,
                                     size_t width, int threshold) {
  const auto t =
      static_cast<int16_t>(threshold < -256 ? -256 : (threshold > 256 ? 256 : threshold));
  const auto minus_t = static_cast<int16_t>(-t);
  for (size_t x = 0; x < width; ++x) {
    const auto d = static_cast<int16_t>(cur[x] - ref[x]);
    // Branch-free selects: q is 100 above the threshold, -100 below its negative, else 0.
    const int up = d > t;
    const int down = (d < minus_t) & (up ^ 1);
    const auto q = static_cast<int8_t>((up - down) * kMoving);
    // The memory only ever holds -100, 0 or 100, so |s - q| < 100 means s == q.
    const int repeated = state[x] == q;
    state[x] = static_cast<int8_t>(repeated != 0 ? 0 : q);
    map[x] = static_cast<uint8_t>(kMoving - kMoving * (repeated & static_cast<int>(q == 0)));
    ref[x] = cur[x];
  }
}

// Filtered cells of one line from the raw lines above, at and below it. Raw cells are exactly 0
// or 100, so "the twelve cells sum to more than 600" is "at least 7 of them are set", which a
// byte counts (100 >> 6 = 1) on sixteen cells at a time.
void filter_line(const uint8_t* __restrict a, const uint8_t* __restrict b,
                 const uint8_t* __restrict c, uint8_t* __restrict out, size_t width) {
  out[0] = b[0];
  for (size_t x = 1; x + 3 < width; ++x) {
    uint8_t set = 0;
    for (size_t k = 0; k < 4; ++k)
      set = static_cast<uint8_t>(set + (a[x - 1 + k] >> 6) + (b[x - 1 + k] >> 6) +
                                 (c[x - 1 + k] >> 6));
    out[x] = set >= 7 ? kMoving : 0;
  }
  for (size_t x = width - 3; x < width; ++x) out[x] = b[x];
}

// The filtered map overwrites the raw map three lines behind the line being read: filtered line
// y lands on buffer line y, raw line y lives on buffer line y + 3, and raw line y - 3 is no longer
// needed once filtered line y - 2 is written.
void majority_filter(uint8_t* map, size_t width, size_t height) {
  const auto raw = [map, width](size_t y) { return map + (y + 3) * width; };
  std::memcpy(map, raw(0), width);
  for (size_t y = 1; y + 1 < height; ++y)
    filter_line(raw(y - 1), raw(y), raw(y + 1), map + y * width, width);
  if (height > 1) std::memcpy(map + (height - 1) * width, raw(height - 1), width);
}

bool area_alarm(const uint8_t* map, size_t width, const tMotionSurveilArea& area,
                int32_t threshold) {
  int32_t count = 0;
  for (int32_t y = area.s16Top; y < area.s16Top + area.s16Height; ++y) {
    const uint8_t* line = map + static_cast<size_t>(y) * width;
    for (int32_t x = area.s16Left; x < area.s16Left + area.s16Width; ++x)
      count += line[x] >= kMoving ? 1 : 0;
  }
  return count > threshold;
}

}  // namespace

void motion_detect(tImageMotionSurveilInstance& inst, tMotionSurveilKernel kernel) {
  const int32_t width = inst.s32Width, height = inst.s32Height;
  if (!motion_reduces(width, height)) {
    kernel(&inst);
    return;
  }
  // The first field at half width: the per-pixel work and the thresholds become those of a
  // 360 (or 352) x 288 picture. The reduced picture goes to the front of the reference buffer,
  // the reduced reference lives behind it.
  const auto half_w = static_cast<uint32_t>(width / 2), half_h = static_cast<uint32_t>(height / 2);
  const uint32_t src_pitch = static_cast<uint32_t>(inst.s32Interlace == 2 ? width : 2 * width);
  BilinearZoom_c(inst.pvFastScratch, inst.pu8Cur, inst.pu8Reference, static_cast<uint32_t>(width),
                 half_h, src_pitch, half_w, half_h, half_w);

  uint8_t* const reference = inst.pu8Reference;
  const int16_t area_threshold = inst.s16AreaThreshold;
  tMotionSurveilArea areas[PF_MOTION_MAX_AREAS];
  std::memcpy(areas, inst.atArea, sizeof areas);

  inst.pu8Cur = reference;
  inst.pu8Reference = reference + static_cast<size_t>(half_w) * half_h;
  inst.s32Width = width / 2;
  inst.s32Height = height / 2;
  inst.s16AreaThreshold = static_cast<int16_t>(area_threshold / 4);
  inst.s32Interlace = 1;
  for (int i = 0; i < inst.s16AreaNum && i < PF_MOTION_MAX_AREAS; ++i) {
    tMotionSurveilArea& a = inst.atArea[i];
    a.s16Top = static_cast<int16_t>(a.s16Top >> 1);
    a.s16Left = static_cast<int16_t>(a.s16Left >> 1);
    a.s16Width = static_cast<int16_t>(a.s16Width >> 1);
    a.s16Height = static_cast<int16_t>(a.s16Height >> 1);
  }

  kernel(&inst);

  inst.pu8Reference = reference;
  inst.s32Width = width;
  inst.s32Height = height;
  inst.s16AreaThreshold = area_threshold;
  inst.s32Interlace = inst.s32InterlaceSaved;
  std::memcpy(inst.atArea, areas, sizeof areas);
}

}  // namespace pf

extern "C" {

void MDModifiedTemporalDiff_c(tImageMotionSurveilInstance* ptInstance) {
  tImageMotionSurveilInstance& inst = *ptInstance;
  const auto width = static_cast<size_t>(inst.s32Width);
  const auto height = static_cast<size_t>(inst.s32Height);
  *inst.pu8Result = 0;
  if (inst.s32ReferenceValid == 0) {
    std::memcpy(inst.pu8Reference, inst.pu8Cur, width * height);
    std::memset(inst.ps8State, 0, width * height);
    // Hosts may look at the map after any call: after priming it shows no motion.
    std::memset(inst.pu8Map, 0, width * (height + 3));
    inst.s32ReferenceValid = 1;
    return;
  }

  const int threshold = inst.s16PixelThreshold;
  uint8_t* const raw = inst.pu8Map + 3 * width;
  if (inst.s32Interlace == 2) {
    // The picture holds the upper field, then the lower one; state and map are kept in display
    // order, so the filter and the areas see the lines as they are shown.
    const size_t half = height / 2;
    for (size_t i = 0; i < half; ++i) {
      for (size_t f = 0; f < 2; ++f) {
        const size_t line = f * half + i;
        pf::classify_line(inst.pu8Cur + line * width, inst.pu8Reference + line * width,
                          inst.ps8State + (2 * i + f) * width, raw + (2 * i + f) * width, width,
                          threshold);
      }
    }
    // An odd last line belongs to neither field's pairs: it is not classified and shows no
    // motion, rather than whatever the map held before.
    if (height % 2 != 0) std::memset(raw + (height - 1) * width, 0, width);
  } else {
    for (size_t y = 0; y < height; ++y) {
      pf::classify_line(inst.pu8Cur + y * width, inst.pu8Reference + y * width,
                        inst.ps8State + y * width, raw + y * width, width, threshold);
    }
  }

  pf::majority_filter(inst.pu8Map, width, height);

  for (int i = 0; i < inst.s16AreaNum && i < PF_MOTION_MAX_AREAS; ++i) {
    if (pf::area_alarm(inst.pu8Map, width, inst.atArea[i], inst.s16AreaThreshold)) {
      *inst.pu8Result = 1;
      return;
    }
  }
}

void MotionSurveilBlock_c(tImageMotionSurveilInstance* ptInstance) {
  MDModifiedTemporalDiff_c(ptInstance);
}

void MotionSurveil_c(tImageMotionSurveilInstance* ptInstance) {
  pf::motion_detect(*ptInstance, MDModifiedTemporalDiff_c);
}

}  // extern "C"
