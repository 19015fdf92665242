// SPDX-License-Identifier: BSD-2-Clause
// What the four spatial filter modules, their kernels and the tests share beyond the public
// headers.
#ifndef PELFORGE_SOURCE_KERNELS_SPATIAL_SPATIAL_HPP_
#define PELFORGE_SOURCE_KERNELS_SPATIAL_SPATIAL_HPP_

#include <cstdint>
#include <span>

#include "dispatch.hpp"
#include "img_crossfilter.h"
#include "img_filter.h"
#include "img_gaussfilter.h"
#include "img_sharp.h"

namespace pf::spatial {

std::span<const KernelRow<tCrossFilterKernel>> cross_filter_kernels();
std::span<const KernelRow<tGaussFilterKernel>> gauss_filter_kernels();
std::span<const KernelRow<tImgSharpKernel>> sharp_kernels();
std::span<const KernelRow<tImageFilterKernel>> vertical_filter_kernels();

}  // namespace pf::spatial

#endif  // PELFORGE_SOURCE_KERNELS_SPATIAL_SPATIAL_HPP_
