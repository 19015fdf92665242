/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * The resizer's kernels. Each is reached through a public, writable pointer that bears its name
 * without suffix; the pointer starts on the scalar kernel (suffix _c) and the resizer's processor
 * dispatch may point it at a SIMD variant that computes the same picture. A resizer instance
 * copies the pointer's value at Open/SetParam, so a host that repoints a kernel affects instances
 * opened afterwards.
 *
 * All take the resizer kernel signature (tResizerKernel). They paint the fill area in the fill
 * colour, write the DW x DH picture inside it and never write the offset area; any change they
 * make to the geometry or the two picture records is undone before they return.
 */
#ifndef PELFORGE_IMG_RESIZER_KERNELS_H_
#define PELFORGE_IMG_RESIZER_KERNELS_H_

#include "img_resizer.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Copy and re-layout (same size; nothing filtered or averaged) ---- */
/** 420 frame or interlaced -> same; also 4202 -> 4202 */
PF_API extern tResizerKernel CopyPic420to420;
PF_API void CopyPic420to420_c(PF_RESIZER_KERNEL_ARGS);
/** 420 frame -> 420 field picture */
PF_API extern tResizerKernel FrametoField420to420;
PF_API void FrametoField420to420_c(PF_RESIZER_KERNEL_ARGS);
/** 420 field picture -> 420 field picture */
PF_API extern tResizerKernel FieldtoField420to420;
PF_API void FieldtoField420to420_c(PF_RESIZER_KERNEL_ARGS);
/** 420 field picture -> 420 frame or interlaced */
PF_API extern tResizerKernel FieldtoFrame420to420;
PF_API void FieldtoFrame420to420_c(PF_RESIZER_KERNEL_ARGS);
/** 420 frame -> UYVY frame; interlaced -> interlaced */
PF_API extern tResizerKernel FrametoFrame420to422;
PF_API void FrametoFrame420to422_c(PF_RESIZER_KERNEL_ARGS);
/** 420 field picture -> UYVY frame */
PF_API extern tResizerKernel FieldtoFrame420to422;
PF_API void FieldtoFrame420to422_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY frame or interlaced -> 420 frame or interlaced */
PF_API extern tResizerKernel FrametoFrame422to420;
PF_API void FrametoFrame422to420_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY frame -> 420 field picture */
PF_API extern tResizerKernel FrametoField422to420;
PF_API void FrametoField422to420_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY -> UYVY */
PF_API extern tResizerKernel CopyPic422to422;
PF_API void CopyPic422to422_c(PF_RESIZER_KERNEL_ARGS);
/** 420 frame -> 4:2:2 planar frame or interlaced */
PF_API extern tResizerKernel CopyPic420to422P;
PF_API void CopyPic420to422P_c(PF_RESIZER_KERNEL_ARGS);
/** 420 interlaced -> 4:2:2 planar interlaced */
PF_API extern tResizerKernel CopyPic420Ito422PI;
PF_API void CopyPic420Ito422PI_c(PF_RESIZER_KERNEL_ARGS);
/** 420 field picture -> 4:2:2 planar interlaced */
PF_API extern tResizerKernel CopyPic420Fieldto422PFrameI;
PF_API void CopyPic420Fieldto422PFrameI_c(PF_RESIZER_KERNEL_ARGS);
/** 4:2:2 planar -> 420 */
PF_API extern tResizerKernel CopyPic422Pto420;
PF_API void CopyPic422Pto420_c(PF_RESIZER_KERNEL_ARGS);
/** 4:2:2 planar -> 4:2:2 planar */
PF_API extern tResizerKernel CopyPic422Pto422P;
PF_API void CopyPic422Pto422P_c(PF_RESIZER_KERNEL_ARGS);

/* ---- Bilinear scaling ---- */
/** 420 frame -> 420 frame (base kernel) */
PF_API extern tResizerKernel GeneralBilinearframetoframe420to420;
PF_API void GeneralBilinearframetoframe420to420_c(PF_RESIZER_KERNEL_ARGS);
PF_API extern tResizerKernel FastBilinearframetoframe420to420;
/** 420 frame -> 420 field picture */
PF_API extern tResizerKernel GeneralBilinearframetofield420to420;
PF_API void GeneralBilinearframetofield420to420_c(PF_RESIZER_KERNEL_ARGS);
PF_API extern tResizerKernel FastBilinearframetofield420to420;
/** 420 field picture -> 420 field picture */
PF_API extern tResizerKernel GeneralBilinearfieldtofield420to420;
PF_API void GeneralBilinearfieldtofield420to420_c(PF_RESIZER_KERNEL_ARGS);
PF_API extern tResizerKernel FastBilinearfieldtofield420to420;
/** 420 field picture -> 420 frame */
PF_API extern tResizerKernel GeneralBilinearfieldtoframe420to420;
PF_API void GeneralBilinearfieldtoframe420to420_c(PF_RESIZER_KERNEL_ARGS);
PF_API extern tResizerKernel FastBilinearfieldtoframe420to420;
/** 420 interlaced -> 420 interlaced */
PF_API extern tResizerKernel GeneralBilinearframeItoframeI420to420;
PF_API void GeneralBilinearframeItoframeI420to420_c(PF_RESIZER_KERNEL_ARGS);
PF_API extern tResizerKernel FastBilinearframeItoframeI420to420;
/** 420 interlaced (first field) -> 420 frame */
PF_API extern tResizerKernel GeneralBilinearframeItoframe420to420;
PF_API void GeneralBilinearframeItoframe420to420_c(PF_RESIZER_KERNEL_ARGS);
PF_API extern tResizerKernel FastBilinearframeItoframe420to420;
/** frame -> field with a border (CIF -> 720x576) */
PF_API extern tResizerKernel GeneralBilinearframetofield420to420FtoF;
/* starts on GeneralBilinearframetofield420to420_c */
/** 352x288 frame -> 720x576 field picture */
PF_API extern tResizerKernel ConvertCifFrameto720x576FieldFilter;
PF_API void ConvertCifFrameto720x576FieldFilter_c(PF_RESIZER_KERNEL_ARGS);
/** first field of a 420 field picture -> 420 frame */
PF_API extern tResizerKernel GeneralBilinearfieldtoframe420to420ItoF;
PF_API void GeneralBilinearfieldtoframe420to420ItoF_c(PF_RESIZER_KERNEL_ARGS);
/** 420 frame -> UYVY frame */
PF_API extern tResizerKernel GeneralBilinearframetoframe420to422;
PF_API void GeneralBilinearframetoframe420to422_c(PF_RESIZER_KERNEL_ARGS);
PF_API extern tResizerKernel FastBilinearframetoframe420to422;
/** 420 field picture -> UYVY frame */
PF_API extern tResizerKernel GeneralBilinearfieldtoframe420to422;
PF_API void GeneralBilinearfieldtoframe420to422_c(PF_RESIZER_KERNEL_ARGS);
PF_API extern tResizerKernel FastBilinearfieldtoframe420to422;
/** 420 interlaced -> UYVY interlaced */
PF_API extern tResizerKernel GeneralBilinearframeItoframeI420to422;
PF_API void GeneralBilinearframeItoframeI420to422_c(PF_RESIZER_KERNEL_ARGS);
PF_API extern tResizerKernel FastBilinearframeItoframeI420to422;
/** UYVY frame -> 420 frame */
PF_API extern tResizerKernel Bilinearframetoframe422to420;
PF_API void Bilinearframetoframe422to420_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY frame -> 420 field picture */
PF_API extern tResizerKernel Bilinearframetofield422to420;
PF_API void Bilinearframetofield422to420_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY interlaced -> 420 interlaced */
PF_API extern tResizerKernel BilinearFrameItoFrameI422to420;
PF_API void BilinearFrameItoFrameI422to420_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY interlaced (first field) -> 420 frame */
PF_API extern tResizerKernel BilinearFrameItoFrame422to420;
PF_API void BilinearFrameItoFrame422to420_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY frame -> UYVY frame or interlaced */
PF_API extern tResizerKernel Bilinearframetoframe422to422;
PF_API void Bilinearframetoframe422to422_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY interlaced -> UYVY interlaced */
PF_API extern tResizerKernel Bilinearframetoframe422to422ItoI;
PF_API void Bilinearframetoframe422to422ItoI_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY interlaced (first field) -> UYVY frame */
PF_API extern tResizerKernel Bilinearframetoframe422to422ItoP;
PF_API void Bilinearframetoframe422to422ItoP_c(PF_RESIZER_KERNEL_ARGS);
/** 420 frame -> 4:2:2 planar frame */
PF_API extern tResizerKernel Bilinearframetoframe420to422P;
PF_API void Bilinearframetoframe420to422P_c(PF_RESIZER_KERNEL_ARGS);
/** 420 interlaced (first field) -> 4:2:2 planar frame */
PF_API extern tResizerKernel BilinearframeItoframe420to422P;
PF_API void BilinearframeItoframe420to422P_c(PF_RESIZER_KERNEL_ARGS);
/** 420 interlaced -> 4:2:2 planar interlaced */
PF_API extern tResizerKernel BilinearframeItoframeI420to422P;
PF_API void BilinearframeItoframeI420to422P_c(PF_RESIZER_KERNEL_ARGS);
/** 4:2:2 planar frame -> 420 frame */
PF_API extern tResizerKernel Bilinearframetoframe422Pto420;
PF_API void Bilinearframetoframe422Pto420_c(PF_RESIZER_KERNEL_ARGS);
/** 4:2:2 planar interlaced (first field) -> 420 frame */
PF_API extern tResizerKernel BilinearframeItoframe422Pto420;
PF_API void BilinearframeItoframe422Pto420_c(PF_RESIZER_KERNEL_ARGS);
/** 4:2:2 planar frame -> 4:2:2 planar frame */
PF_API extern tResizerKernel Bilinearframetoframe422Pto422P;
PF_API void Bilinearframetoframe422Pto422P_c(PF_RESIZER_KERNEL_ARGS);
/** 4:2:2 planar interlaced (first field) -> 4:2:2 planar frame */
PF_API extern tResizerKernel BilinearframeItoframe422Pto422P;
PF_API void BilinearframeItoframe422Pto422P_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY 720 wide -> 420 96, 112 or 176 wide */
PF_API extern tResizerKernel YUV422toYUV420ScaleDown;
PF_API void YUV422toYUV420ScaleDown_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY 720 wide -> 420 352 wide */
PF_API extern tResizerKernel YUV422Width720toYUV420Width352Cut16Point;
PF_API void YUV422Width720toYUV420Width352Cut16Point_c(PF_RESIZER_KERNEL_ARGS);

/* ---- Nearest neighbour, packed and semi-planar ---- */
/** 420 frame -> 420 frame, nearest neighbour */
PF_API extern tResizerKernel Nearestframetoframe420to420;
PF_API void Nearestframetoframe420to420_c(PF_RESIZER_KERNEL_ARGS);
/** 4:2:2 planar frame -> same, nearest neighbour */
PF_API extern tResizerKernel Nearestframetoframe422Pto422P;
PF_API void Nearestframetoframe422Pto422P_c(PF_RESIZER_KERNEL_ARGS);
/** 420 -> YUYV, same size */
PF_API extern tResizerKernel YUV420toYUYVConversion;
PF_API void YUV420toYUYVConversion_c(PF_RESIZER_KERNEL_ARGS);
/** YUYV -> 420, same size */
PF_API extern tResizerKernel YUYVtoYUV420Conversion;
PF_API void YUYVtoYUV420Conversion_c(PF_RESIZER_KERNEL_ARGS);
/** 420 -> NV12, same size */
PF_API extern tResizerKernel YUV420toNV12Conversion;
PF_API void YUV420toNV12Conversion_c(PF_RESIZER_KERNEL_ARGS);
/** 420 -> NV21, same size */
PF_API extern tResizerKernel YUV420toNV21Conversion;
PF_API void YUV420toNV21Conversion_c(PF_RESIZER_KERNEL_ARGS);
/** NV12 -> 420, same size */
PF_API extern tResizerKernel NV12toYUV420Conversion;
PF_API void NV12toYUV420Conversion_c(PF_RESIZER_KERNEL_ARGS);
/** NV21 -> 420, same size */
PF_API extern tResizerKernel NV21toYUV420Conversion;
PF_API void NV21toYUV420Conversion_c(PF_RESIZER_KERNEL_ARGS);
/** NV12 frame -> 420 field picture */
PF_API extern tResizerKernel FrametoFieldNV12to420;
PF_API void FrametoFieldNV12to420_c(PF_RESIZER_KERNEL_ARGS);
/** NV21 frame -> 420 field picture */
PF_API extern tResizerKernel FrametoFieldNV21to420;
PF_API void FrametoFieldNV21to420_c(PF_RESIZER_KERNEL_ARGS);
/** NV12 -> NV21 */
PF_API extern tResizerKernel NV12toNV21Conversion;
PF_API void NV12toNV21Conversion_c(PF_RESIZER_KERNEL_ARGS);
/** NV21 -> NV12 */
PF_API extern tResizerKernel NV21toNV12Conversion;
PF_API void NV21toNV12Conversion_c(PF_RESIZER_KERNEL_ARGS);
/** YUYV -> YUYV, scaled */
PF_API extern tResizerKernel BilinearframetoframeYUYVtoYUYV;
PF_API void BilinearframetoframeYUYVtoYUYV_c(PF_RESIZER_KERNEL_ARGS);
/** YUYV -> NV12, scaled */
PF_API extern tResizerKernel BilinearConverframetoframeYUYVtoNV12;
PF_API void YUYVtoNV12ConversionAndBilinear_c(PF_RESIZER_KERNEL_ARGS);
/** NV12 -> NV12, scaled */
PF_API extern tResizerKernel Bilinearframetoframe420SPto420SP;
PF_API void Bilinearframetoframe420SPto420SP_c(PF_RESIZER_KERNEL_ARGS);

/* ---- D1 conversions (720-wide UYVY to 4:2:0) ---- */
/** UYVY D1 frame -> 420 D1 frame, with scene change */
PF_API extern tResizerKernel YUV422toYUV420D1FrametoD1Frame;
PF_API void YUV422toYUV420D1FrametoD1Frame_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY D1 frame -> 420 D1 field picture, with scene change */
PF_API extern tResizerKernel YUV422toYUV420D1FrametoD1Field;
PF_API void YUV422toYUV420D1FrametoD1Field_c(PF_RESIZER_KERNEL_ARGS);
/** UYVY D1 field picture -> 420 D1 field picture */
PF_API extern tResizerKernel YUV422toYUV420D1FieldtoD1Field;
PF_API void YUV422toYUV420D1FieldtoD1Field_c(PF_RESIZER_KERNEL_ARGS);

/* ---- Helpers the kernels above are built from ---- */

/**
 * Scales one plane bilinearly (16.16 steps, eighth-pixel phases):
 *   xStep = (srcWidth * 65536 - 65536) / (dstWidth - 1), unsigned; if (xStep & 0xF800) == 0 it is
 *   recomputed as (srcWidth * 65536 - 131072) / (dstWidth - 1) and x starts at 0x8000 (the same,
 *   independently, for y). For destination row j and column i with y = y0 + j * yStep,
 *   x = x0 + i * xStep, r = y >> 16, c = x >> 16, wy = ((y & 0xFFFF) >> 13) * 1024,
 *   fx = (x & 0xFFFF) >> 13:
 *     a = src[r][c] * (8 - fx) + src[r][c + 1] * fx, b = the same on row r + 1,
 *     dst[j][i] = (a * (8192 - wy) + b * wy + 32768) >> 16.
 *   A neighbour of weight 0 is not read. A destination of width or height 1 uses a step of 0.
 * pvScratch is not used.
 */
PF_API void BilinearZoom_c(void* pvScratch, const uint8_t* pu8Src, uint8_t* pu8Dst,
                           uint32_t u32SrcWidth, uint32_t u32SrcHeight, uint32_t u32SrcPitch,
                           uint32_t u32DstWidth, uint32_t u32DstHeight, uint32_t u32DstPitch);

/**
 * Scales one plane by nearest neighbour: steps as in BilinearZoom_c; a position p selects
 * (p >> 16) + 1 when bits 12..15 of p are 8 or more, else p >> 16.
 */
PF_API void NearestZoom_c(const uint8_t* pu8Src, uint8_t* pu8Dst, uint32_t u32SrcWidth,
                          uint32_t u32SrcHeight, uint32_t u32SrcPitch, uint32_t u32DstWidth,
                          uint32_t u32DstHeight, uint32_t u32DstPitch);

/** NV12 / NV21 -> 4:2:0 with the fill area painted; called once per field. */
PF_API void CopyPicNV12to420_c(PF_RESIZER_KERNEL_ARGS);
PF_API void CopyPicNV21to420_c(PF_RESIZER_KERNEL_ARGS);

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_RESIZER_KERNELS_H_ */
