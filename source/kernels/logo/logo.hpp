// SPDX-License-Identifier: BSD-2-Clause
// What the logo module, its kernels and the tests share beyond the public header.
#ifndef PELFORGE_SOURCE_KERNELS_LOGO_LOGO_HPP_
#define PELFORGE_SOURCE_KERNELS_LOGO_LOGO_HPP_

#include <cstdint>
#include <span>

#include "dispatch.hpp"
#include "img_logo.h"

namespace pf {

// The module's kernel manifest, one row per public kernel pointer.
std::span<const KernelRow<tLogoKernel>> logo_kernels();

// The text-line state an adaptive logo starts each frame from: the lines the top cut leaves,
// where the first of them begins in the width list, and how many of its rows the cut hides.
void skip_cut_text_lines(tLogoInstance& inst);

// Brings the scroll state up to date for this call and returns the shift S to apply.
int32_t update_scroll(tLogoInstance& inst);

}  // namespace pf

#endif  // PELFORGE_SOURCE_KERNELS_LOGO_LOGO_HPP_
