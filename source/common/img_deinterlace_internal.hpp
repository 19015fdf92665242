// SPDX-License-Identifier: BSD-2-Clause
// What the library's own code and tests know about the deinterlace module beyond its header.
#ifndef PELFORGE_SOURCE_COMMON_IMG_DEINTERLACE_INTERNAL_HPP_
#define PELFORGE_SOURCE_COMMON_IMG_DEINTERLACE_INTERNAL_HPP_

#include <span>

#include "dispatch.hpp"
#include "img_deinterlace.h"

namespace pf {

// One row per mode kernel pointer, mode 0 first.
std::span<const KernelRow<tImgDeinterlaceKernel>> deinterlace_kernels();
void restore_deinterlace_scalar_defaults();

}  // namespace pf

#endif  // PELFORGE_SOURCE_COMMON_IMG_DEINTERLACE_INTERNAL_HPP_
