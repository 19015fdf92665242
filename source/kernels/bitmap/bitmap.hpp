// SPDX-License-Identifier: BSD-2-Clause
// What the bitmap module and the tests share beyond the public header.
#ifndef PELFORGE_SOURCE_KERNELS_BITMAP_BITMAP_HPP_
#define PELFORGE_SOURCE_KERNELS_BITMAP_BITMAP_HPP_

#include <span>

#include "dispatch.hpp"
#include "img_bmptoyuv_alpha.h"

namespace pf {

// The module's kernel manifest, one row per public kernel pointer.
std::span<const KernelRow<tBmpToYuvAlphaKernel>> bmp_to_yuv_alpha_kernels();

}  // namespace pf

#endif  // PELFORGE_SOURCE_KERNELS_BITMAP_BITMAP_HPP_
