// SPDX-License-Identifier: BSD-2-Clause
// What the library's own code and tests know about the resizer beyond its public header.
#ifndef PELFORGE_SOURCE_COMMON_IMG_RESIZER_INTERNAL_HPP_
#define PELFORGE_SOURCE_COMMON_IMG_RESIZER_INTERNAL_HPP_

#include <span>

#include "dispatch.hpp"
#include "img_resizer.h"

namespace pf {

// One row per public kernel pointer of the resizer, in manifest order.
std::span<const KernelRow<tResizerKernel>> image_resizer_kernels();
// The kernel pointer the decision table picks for a geometry and extension mode, or null with
// the refusal's code in *error.
tResizerKernel* resizer_choice(const tResizerGeometry& geometry, uint32_t mode, uint32_t* error);

// Points every resizer kernel pointer back at its scalar kernel.
void restore_resizer_scalar_defaults();

}  // namespace pf

#endif  // PELFORGE_SOURCE_COMMON_IMG_RESIZER_INTERNAL_HPP_
