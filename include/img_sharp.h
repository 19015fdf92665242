/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Sharpen (module id 35): unsharp masking of each plane of a planar 4:2:0 picture against an
 * 8 x 8 box blur. Per plane and pixel p, with strength s:
 *   h(x)    = (p(x - 4) + .. + p(x + 3)) >> 3, the nearest end pixel beyond the line;
 *   blur(y) = (h(y - 4) + .. + h(y + 3)) >> 3, the first or last line beyond the plane;
 *   out     = clamp(p + (((p - blur) * s) >> 8), 0, 255), an arithmetic shift.
 * Strength 0, and flat areas at any strength, leave the picture unchanged. The source and the
 * destination may be the same picture.
 */
#ifndef PELFORGE_IMG_SHARP_H_
#define PELFORGE_IMG_SHARP_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, from 0xC6C00001. */
/* clang-format off */
#define PF_IMG_SHARP_ERRORS(X)                                                                     \
  X(SELF_INIT_POINTER) X(SELF_SETPARAM_POINTER) X(SELF_HANDLE_MEM_MALLOC)                          \
  X(SELF_IMGWIDTH_TOOLONGE) X(SELF_IMGWIDTH_ILLEGAL) X(SELF_IMGHEIGHT_ILLEGAL)                      \
  X(SELF_SRCSTRIDE_ILLEGAL) X(SELF_DSTSTRIDE_ILLEGAL) X(SELF_INPUT_POINTER)                        \
  X(SELF_INPUT_DATA_POINTER) X(SELF_OUTPUT_DATA_POINTER) X(SELF_VERSION_BUFLEN_TOO_SHORT)          \
  X(SELF_CLOSE_POINTER) X(SELF_CLOSE_MEM_POINTER) X(SELF_GET_VERSION_POINTER)                      \
  X(SELF_GET_VERSION_VERLEN_POINTER) X(SELF_STATUS_POINTER) X(FAST_SCRATCH_MEM_MALLOC)             \
  X(GET_DMA_HANDLE) X(SELF_FACTOR_ILLEGAL) X(SELF_ANALYZE_ERROR_CODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_SHARP_##name,
enum { ERR_IMG_SHARP_BASE_ = 0xC6C00000u, PF_IMG_SHARP_ERRORS(PF_X) };
#undef PF_X

/** Bytes of the line store every instance takes. */
#define PF_SHARP_LINE_STORE_BYTES 81920u

/** Parameter record of Open, SetParam and GetStatus. */
typedef struct tImgSharpParam {
  int32_t s32Width;    /**< even, 1 .. 2128 (38 x width must not exceed 80896:
                            ERR_IMG_SHARP_SELF_IMGWIDTH_TOOLONGE; else _IMGWIDTH_ILLEGAL) */
  int32_t s32Height;   /**< even, 1 .. 6144, else ERR_IMG_SHARP_SELF_IMGHEIGHT_ILLEGAL */
  int32_t s32Strength; /**< 0 .. 255 (256 = as strong as the difference to the blur), else
                            ERR_IMG_SHARP_SELF_FACTOR_ILLEGAL */
  int32_t s32Reserved; /**< kept and reported by GetStatus, not read */
} tImgSharpParam;

struct tImgSharpInstance;

/**
 * Kernel: (instance, source, destination) with every plane pointer set; pitches are the
 * records' (u32YPitch for luma, u32UVPitch for chroma).
 */
typedef void (*tImgSharpKernel)(struct tImgSharpInstance* ptInstance, const tImgPicture* ptSrc,
                                const tImgPicture* ptDst);

/** The instance behind a handle. */
typedef struct tImgSharpInstance {
  void* hMem;               /**< memory handle given to Open */
  uint8_t* pu8LineStore;    /**< PF_SHARP_LINE_STORE_BYTES: box lines of the blur */
  void* hDma;               /**< DMA handle */
  tImgSharpKernel pfnSharp; /**< the kernel chosen at Open */
  tImgSharpParam tParam;    /**< the validated parameters */
} tImgSharpInstance;

/*
 * Entry points. Open: (out handle, const tImgSharpParam*, memory handle). Process: (handle,
 * tImgPicture* source, tImgPicture* destination); missing chroma pointers follow the luma plane
 * (U = Y + pitch x height, V = U + pitch x height / 4, chroma pitch = pitch / 2). A luma pitch
 * below the width or a chroma pitch below half of it gives the record's stride code.
 * GetStatus fills a tImgSharpParam. Debug does nothing. GetMemSize reports 82000.
 */
PF_API uint32_t ImageSharpOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageSharpProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImageSharpClose_c(void* hHandle);
PF_API uint32_t ImageSharpSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageSharpGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageSharpGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageSharpAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageSharpDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageSharpGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImageSharpGlobalInit(void);
PF_API void ImageSharpMMXFunctions(void);
PF_API void ImageSharpSSE2Functions(void);
PF_API void ImageSharpSSSE3Functions(void);
PF_API void ImageSharpSSE4Functions(void);

/** The kernel pointer; ImgSharpYUV420_sse2 computes ImgSharpYUV420_c's picture. */
PF_API extern tImgSharpKernel ImgSharpYUV420;
PF_API void ImgSharpYUV420_c(tImgSharpInstance* ptInstance, const tImgPicture* ptSrc,
                             const tImgPicture* ptDst);
PF_API void ImgSharpYUV420_sse2(tImgSharpInstance* ptInstance, const tImgPicture* ptSrc,
                                const tImgPicture* ptDst);
/**
 * One plane of s32Width x s32Height (width at most 2128) with the SSE2 code; pu8LineStore holds
 * at least 9 x s32Width + 80 bytes.
 */
PF_API void ImgSharp_sse2(uint8_t* pu8LineStore, const uint8_t* pu8Src, int32_t s32SrcPitch,
                          uint8_t* pu8Dst, int32_t s32DstPitch, int32_t s32Width, int32_t s32Height,
                          int32_t s32Strength);

PF_API extern const tImgProcFuncList tImageSharpFunc;
/** The module's descriptor ("IMG_SHARP", id 35) and its pointer in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Sharp;
PF_API extern const tImgProcDesc* const ptImgProc_Sharp;
PF_API extern const char* const pas8ImageSharpSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_SHARP_H_ */
