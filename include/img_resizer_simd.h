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

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_RESIZER_SIMD_H_ */
