// SPDX-License-Identifier: BSD-2-Clause
// What the library's own code and tests know about the deblock and dering modules beyond their
// headers: their kernel manifests.
#ifndef PELFORGE_SOURCE_COMMON_IMG_DEBLOCK_INTERNAL_HPP_
#define PELFORGE_SOURCE_COMMON_IMG_DEBLOCK_INTERNAL_HPP_

#include <span>

#include "dispatch.hpp"
#include "img_deblock.h"
#include "img_dering.h"

namespace pf {

std::span<const KernelRow<tImgDeblockKernel>> deblock_kernels();
void restore_deblock_scalar_defaults();
std::span<const KernelRow<tImgDeringKernel>> dering_kernels();

}  // namespace pf

#endif  // PELFORGE_SOURCE_COMMON_IMG_DEBLOCK_INTERNAL_HPP_
