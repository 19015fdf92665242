// SPDX-License-Identifier: BSD-2-Clause
// Motion detection internals shared by the module and its exported kernels.
#ifndef PELFORGE_SOURCE_KERNELS_MOTION_MOTION_HPP_
#define PELFORGE_SOURCE_KERNELS_MOTION_MOTION_HPP_

#include <cstdint>
#include <span>

#include "dispatch.hpp"
#include "img_motionsurveil.h"

namespace pf {

// Size from which pictures are reduced to their first field at half width.
constexpr bool motion_reduces(int32_t width, int32_t height) {
  return (width == 720 || width == 704) && height == 576;
}

// One detection step on an instance whose current picture and result byte are set: the
// reduction of full-size PAL pictures, `kernel`, and the restoration of what the reduction
// changed in the instance.
void motion_detect(tImageMotionSurveilInstance& inst, tMotionSurveilKernel kernel);

// The module's kernel manifest rows.
std::span<const KernelRow<tMotionSurveilKernel>> motion_kernels();

}  // namespace pf

#endif  // PELFORGE_SOURCE_KERNELS_MOTION_MOTION_HPP_
