/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * The video codec unit library: the calls pelforge makes into it. This is the default stand-in,
 * shipped as its own shared library so that a host can bring the real one; it holds the two
 * RGB-to-YUV converters, and the decoder and encoder channel entry points will join them.
 */
#ifndef PELFORGE_VIDEO_UNIT_H_
#define PELFORGE_VIDEO_UNIT_H_

#include <stdint.h>

#if defined(__GNUC__)
#define VIDEOUNIT_API __attribute__((visibility("default")))
#else
#define VIDEOUNIT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status of every call: 0 is success, anything else a failure of that call. */
#define VIDEOUNIT_OK 0u
#define VIDEOUNIT_ERR_ARGUMENT 0xE2000001u /**< null plane or non-positive, odd size */

/*
 * RGB to planar 4:2:0. Arguments: the RGB buffer (first stored row), its row length in bytes,
 * the Y, U and V planes, the luma pitch, the chroma pitch, width and height (both even and
 * positive), the bottom-up flag (non-zero: the first stored row is the picture's bottom row) and
 * the caller's parameter record, which these converters do not read (may be null).
 *
 * bgr_to_yv12_mmx reads blue, green, red bytes; bgra_to_yv12_mmx blue, green, red and an unread
 * fourth byte. For each 2x2 block, with arithmetic shifts:
 *   Y of each pixel = (76 R + 150 G + 29 B + 128) >> 8
 *   U = min(((-43 R - 84 G + 128 B + 128) >> 8) + 128, 255)   from the block's top-left pixel
 *   V = min(((128 R - 107 G - 20 B + 128) >> 8) + 128, 255)   likewise
 * which is exactly what pelforge's RGB24toYUV420_c and RGB32toYUV420_c compute.
 */
VIDEOUNIT_API uint32_t bgr_to_yv12_mmx(const uint8_t* pu8Bgr, int32_t s32SrcStride, uint8_t* pu8Y,
                                       uint8_t* pu8U, uint8_t* pu8V, int32_t s32YPitch,
                                       int32_t s32UVPitch, int32_t s32Width, int32_t s32Height,
                                       uint32_t u32BottomUp, const void* pvParam);
VIDEOUNIT_API uint32_t bgra_to_yv12_mmx(const uint8_t* pu8Bgra, int32_t s32SrcStride, uint8_t* pu8Y,
                                        uint8_t* pu8U, uint8_t* pu8V, int32_t s32YPitch,
                                        int32_t s32UVPitch, int32_t s32Width, int32_t s32Height,
                                        uint32_t u32BottomUp, const void* pvParam);

/*
 * Decoder and encoder channels (multi-decoder and multi-encoder modules), to come:
 * VideoUnitDecoder4PelforgeOpen, VideoUnitDecoder4PelforgeNewOpen, VideoUnitDecoderSetParam,
 * VideoUnitDecoderProcess, VideoUnitDecoderGetStatus, VideoUnitDecoderGetMemSize,
 * VideoUnitDecoderGetVersion, VideoUnitDecoderClose, VideoUnitDecoder4PelforgeClose,
 * VideoUnitMultiEncoderOpen, VideoUnitEncoderSetParam, VideoUnitEncoderProcess,
 * VideoUnitEncoderGetStatus, VideoUnitEncoderGetMemSize, VideoUnitEncoderGetVersion,
 * VideoUnitEncoderDebug, VideoUnitEncoderClose, VideoUnitMultiEncoderClose.
 */

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_VIDEO_UNIT_H_ */
