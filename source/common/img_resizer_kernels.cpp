// SPDX-License-Identifier: BSD-2-Clause
// The resizer's public kernel pointers and its processor selectors, both generated from the
// kernel manifest.
#include "img_resizer_internal.hpp"
#include "img_resizer_simd.h"

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tResizerKernel ptr = c;
#include "img_resizer_kernels.def"
#undef PF_K

void ImageResizerMMXFunctions(void) {
#define PF_K PF_KERNEL_SET_MMX
#include "img_resizer_kernels.def"
#undef PF_K
}

void ImageResizerSSE2Functions(void) {
#define PF_K PF_KERNEL_SET_SSE2
#include "img_resizer_kernels.def"
#undef PF_K
}

void ImageResizerSSSE3Functions(void) {
#define PF_K PF_KERNEL_SET_SSSE3
#include "img_resizer_kernels.def"
#undef PF_K
}

void ImageResizerSSE4Functions(void) {
#define PF_K PF_KERNEL_SET_SSE4
#include "img_resizer_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {

namespace {
constexpr KernelRow<tResizerKernel> kResizerKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "img_resizer_kernels.def"
#undef PF_K
};
}  // namespace

std::span<const KernelRow<tResizerKernel>> image_resizer_kernels() { return kResizerKernels; }

void restore_resizer_scalar_defaults() { restore_scalar_defaults(kResizerKernels); }

}  // namespace pf
