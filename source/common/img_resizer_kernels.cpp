// SPDX-License-Identifier: BSD-2-Clause
// The resizer's public kernel pointers, its processor selectors and its dispatch, all generated
// from the kernel manifest.
#include "img_resizer_internal.hpp"
#include "img_resizer_simd.h"

extern "C" {

#define PF_K(ptr, c, ...) tResizerKernel ptr = c;
#include "img_resizer_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {

namespace {
constexpr KernelRow<tResizerKernel> kResizerKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "img_resizer_kernels.def"
#undef PF_K
};
}  // namespace

std::span<const KernelRow<tResizerKernel>> image_resizer_kernels() { return kResizerKernels; }

void restore_resizer_scalar_defaults() { restore_scalar_defaults(kResizerKernels); }

}  // namespace pf

PF_DISPATCH(ImageResizer, pf::kResizerKernels)
