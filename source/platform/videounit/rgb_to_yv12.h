/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * The codec unit library's RGB-to-YUV converters (bgr_to_yv12_mmx, bgra_to_yv12_mmx, declared in
 * video_unit.h) pick an implementation once, from the processor's features: AVX2, SSSE3 or the
 * portable loops; all three write the same bytes. A host or a test can hold them below a path,
 * for the process, with these calls or with the environment variable PELFORGE_UNIT_RGB_PATH
 * ("c", "ssse3" or "avx2"), read at the first conversion.
 */
#ifndef PELFORGE_RGB_TO_YV12_H_
#define PELFORGE_RGB_TO_YV12_H_

#include <stdint.h>

#include "video_unit.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VIDEOUNIT_RGB_PATH_C 0u
#define VIDEOUNIT_RGB_PATH_SSSE3 1u
#define VIDEOUNIT_RGB_PATH_AVX2 2u

/** Lets the converters use paths up to u32Path (when the processor has them); returns the
 * limit in force before. */
VIDEOUNIT_API uint32_t VideoUnitLimitRgbPath(uint32_t u32Path);
/** The path the converters use now. */
VIDEOUNIT_API uint32_t VideoUnitRgbPath(void);

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_RGB_TO_YV12_H_ */
