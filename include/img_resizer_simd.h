/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * SIMD variants of the resizer's kernels. Each computes exactly the picture of its scalar twin
 * (img_resizer_kernels.h), for every geometry the resizer can hand it, and touches no byte
 * outside the planes it is given.
 */
#ifndef PELFORGE_IMG_RESIZER_SIMD_H_
#define PELFORGE_IMG_RESIZER_SIMD_H_

#include "img_resizer.h"
#include "img_resizer_kernels.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- SSE2: copy and re-layout ---- */
PF_API void CopyPic422Pto422P_sse2(PF_RESIZER_KERNEL_ARGS);
PF_API void CopyPic420to422P_sse2(PF_RESIZER_KERNEL_ARGS);
PF_API void CopyPic420Ito422PI_sse2(PF_RESIZER_KERNEL_ARGS);
PF_API void CopyPic420Fieldto422PFrameI_sse2(PF_RESIZER_KERNEL_ARGS);
PF_API void CopyPic422Pto420_sse2(PF_RESIZER_KERNEL_ARGS);
PF_API void FrametoField420to420_sse2(PF_RESIZER_KERNEL_ARGS);
PF_API void FieldtoFrame420to420_sse2(PF_RESIZER_KERNEL_ARGS);
PF_API void FieldtoField420to420_sse2(PF_RESIZER_KERNEL_ARGS);
PF_API void CopyPic420to420_sse2(PF_RESIZER_KERNEL_ARGS);
PF_API void CopyPic422to422_sse2(PF_RESIZER_KERNEL_ARGS);

/* ---- SSSE3: packed conversions and D1 ---- */
PF_API void FrametoFrame420to422_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void FieldtoFrame420to422_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void FrametoFrame422to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void FrametoField422to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void YUYVtoYUV420Conversion_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void YUV422toYUV420D1FrametoD1Frame_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void YUV422toYUV420D1FrametoD1Field_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void YUV422toYUV420D1FieldtoD1Field_ssse3(PF_RESIZER_KERNEL_ARGS);

/* ---- SSSE3: bilinear, per-plane (4:2:0 and 4:2:2 planar) ---- */
PF_API void GeneralBilinearframetoframe420to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void GeneralBilinearframetofield420to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void GeneralBilinearfieldtofield420to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void GeneralBilinearfieldtoframe420to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void GeneralBilinearframeItoframeI420to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void GeneralBilinearframeItoframe420to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void GeneralBilinearfieldtoframe420to420ItoF_ssse3(PF_RESIZER_KERNEL_ARGS);
/**
 * Not the picture of ConvertCifFrameto720x576FieldFilter_c: each plane is scaled on its own with
 * BilinearZoom_ssse3 in field-output mode, into the planes as the destination record addresses
 * them, and no fill area is painted. Also installed in GeneralBilinearframetofield420to420FtoF.
 */
PF_API void ConvertCifFrameto720x576FieldFilter_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void Bilinearframetoframe420to422P_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void BilinearframeItoframe420to422P_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void BilinearframeItoframeI420to422P_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void Bilinearframetoframe422Pto420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void BilinearframeItoframe422Pto420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void Bilinearframetoframe422Pto422P_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void BilinearframeItoframe422Pto422P_ssse3(PF_RESIZER_KERNEL_ARGS);

/**
 * BilinearZoom_c's picture; with s32FieldOutput non-zero destination row j is written as a field
 * picture: row j / 2 for even j, row dstHeight / 2 + j / 2 for odd j.
 */
PF_API void BilinearZoom_ssse3(void* pvScratch, const uint8_t* pu8Src, uint8_t* pu8Dst,
                               uint32_t u32SrcWidth, uint32_t u32SrcHeight, uint32_t u32SrcPitch,
                               uint32_t u32DstWidth, uint32_t u32DstHeight, uint32_t u32DstPitch,
                               int32_t s32FieldOutput);

/* ---- SSSE3: bilinear, packed (4:2:0 to UYVY and UYVY sources) ---- */
PF_API void GeneralBilinearframetoframe420to422_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void GeneralBilinearfieldtoframe420to422_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void GeneralBilinearframeItoframeI420to422_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void Bilinearframetoframe422to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void Bilinearframetofield422to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void BilinearFrameItoFrameI422to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void BilinearFrameItoFrame422to420_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void Bilinearframetoframe422to422_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void Bilinearframetoframe422to422ItoI_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void Bilinearframetoframe422to422ItoP_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void YUV422Width720toYUV420Width352Cut16Point_ssse3(PF_RESIZER_KERNEL_ARGS);
PF_API void YUV422toYUV420ScaleDown_ssse3(PF_RESIZER_KERNEL_ARGS);

/**
 * Scaling pass of the 4:2:0 -> UYVY kernels (eighths, truncating). Reads the u32SrcWidth x
 * u32SrcHeight rectangle of the planar 4:2:0 picture *ptSrc (pu8Y, pu8U, pu8V; u32YPitch and
 * u32UVPitch in bytes; chroma max(W/2, 1) samples wide and H/2 lines, one for a one-line source)
 * and writes u32DstHeight UYVY lines of u32DstWidth pixels (U Y0 V Y1 per pair; an odd last
 * pixel is not written) at pu8Dst, szDstStride bytes apart.
 * xStep = (SW 65536 - 65536) / (DW - 1) and yStep likewise, signed; 0 for one output. Line j at
 * y = j yStep: luma lines y >> 16 and the next, chroma lines y >> 17 and the next, weighted
 * 8 - f and f with f = (y >> 13) & 7. Luma of column i at x = i xStep: pixels x >> 16 and the
 * next, phase (x >> 13) & 7; chroma of pair k at x = 2 k xStep: samples x >> 17 and the next,
 * phase (x >> 14) & 7. Each byte is (sum of the four weighted samples) >> 6; a neighbour past
 * the last line, pixel or chroma sample is the last one.
 * pvScratch: null, or 8-aligned room for 6 DW + 4 SW + 8 bytes of tables and line buffers
 * (the resizer's fast scratch); with null, or a need above 0x18000 bytes, the same picture is
 * computed without them.
 */
PF_API void BilinearZoom420_422YUV(void* pvScratch, const tImgPicture* ptSrc, uint32_t u32SrcWidth,
                                   uint32_t u32SrcHeight, uint8_t* pu8Dst, size_t szDstStride,
                                   uint32_t u32DstWidth, uint32_t u32DstHeight);

/**
 * Scaling pass of the kernels with a UYVY source (64ths across, 1024ths down, rounding). Reads
 * u32SrcHeight UYVY lines of u32SrcWidth pixels at pu8Src, szSrcStride bytes apart, and writes a
 * u32DstWidth x u32DstHeight picture into *ptDst: for u32DstYuvType PF_YUV_420 the planes pu8Y,
 * pu8U, pu8V (pitches in bytes; chroma DW/2 x DH/2); for PF_YUV_UYVY the lines at pu8Y,
 * 2 x u32YPitch bytes apart (an odd last pixel is not written).
 * xStep = (SW 65536 - 196608) / (DW - 1), yStep = (SH 65536 - 65536) / (DH - 1), signed; 0 for
 * one output or a source too narrow. Line j at y = j yStep: lines y >> 16 and the next, q =
 * (y & 0xFC00) >> 6. Luma at x = i xStep: Y bytes of pixels x >> 16 and the next, phase
 * p = (x & 0xFC00) >> 10; chroma at x = 2 i xStep (a 4:2:0 destination: from its line pair's
 * first line): U or V bytes of pairs x >> 17 and the next, p = (x >> 11) & 63. Each sample is
 * ((u0 (64 - p) + u1 p) (1024 - q) + (l0 (64 - p) + l1 p) q + 32768) >> 16; a neighbour past the
 * last line, pixel or pair is the last one.
 * pvScratch: null, or 8-aligned room for 6 DW + 4 SW + 8 bytes, as for BilinearZoom420_422YUV.
 */
PF_API void BilinearZoom422_420YUV(void* pvScratch, const uint8_t* pu8Src, size_t szSrcStride,
                                   uint32_t u32SrcWidth, uint32_t u32SrcHeight,
                                   const tImgPicture* ptDst, uint32_t u32DstWidth,
                                   uint32_t u32DstHeight, uint32_t u32DstYuvType);

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_RESIZER_SIMD_H_ */
