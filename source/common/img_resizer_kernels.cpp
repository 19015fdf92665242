// SPDX-License-Identifier: BSD-2-Clause
// The resizer's public kernel pointers and its processor selectors, both generated from the
// kernel manifest.
#include "img_resizer_internal.hpp"
#include "img_resizer_simd.h"

// A build without SIMD variants (PF_NO_SIMD) keeps every pointer on its scalar kernel.
#ifdef PF_NO_SIMD
#define PF_VARIANTS(...) PF_NONE, PF_NONE, PF_NONE, PF_NONE
#else
#define PF_VARIANTS(...) __VA_ARGS__
#endif
#define PF_APPLY(macro, args) macro args

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tResizerKernel ptr = c;
#include "img_resizer_kernels.def"
#undef PF_K

void ImageResizerMMXFunctions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_MMX, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "img_resizer_kernels.def"
#undef PF_K
}

void ImageResizerSSE2Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE2, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "img_resizer_kernels.def"
#undef PF_K
}

void ImageResizerSSSE3Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSSE3, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "img_resizer_kernels.def"
#undef PF_K
}

void ImageResizerSSE4Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE4, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "img_resizer_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {

namespace {
constexpr KernelRow<tResizerKernel> kResizerKernels[] = {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_ROW, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "img_resizer_kernels.def"
#undef PF_K
};
}  // namespace

std::span<const KernelRow<tResizerKernel>> image_resizer_kernels() { return kResizerKernels; }

void restore_resizer_scalar_defaults() { restore_scalar_defaults(kResizerKernels); }

}  // namespace pf
