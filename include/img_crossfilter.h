/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Cross filter (exported entry points only: no table, no descriptor, no id). Smooths each plane
 * of a planar 4:2:0 picture with a 5-point cross, from a source picture into a destination
 * picture of the same size. With c a pixel and u, d, l, r its upper, lower, left and right
 * neighbours:
 *   out = (u + d + l + r + 4c) >> 3,
 * at the first column (u + d + 2r + 4c) >> 3, at the last (u + d + 2l + 4c) >> 3, and on a plane
 * one pixel wide (u + d + 6c) >> 3. The first and the last line are copied.
 */
#ifndef PELFORGE_IMG_CROSSFILTER_H_
#define PELFORGE_IMG_CROSSFILTER_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, from 0xC3800000 (the start marker, never returned). */
/* clang-format off */
#define PF_IMG_CROSS_FILTER_ERRORS(X)                                                              \
  X(START) X(OPEN_HANDLE) X(PARAM_WIDTH_HEIGHT) X(PARAM_SRC) X(PARAM_DST) X(OPEN_MALLOC)           \
  X(PROCESS_HANDLE) X(PROCESS_INPUT_POINTER) X(PROCESS_OUTPUT_POINTER) X(CLOSE_HANDLE)             \
  X(CLOSE_FREE) X(SETPARAM_HANDLE) X(GETVERSION_HANDLE) X(GETVERSION_POINTER)                      \
  X(GETVERSION_LENGTH) X(GETSTATUS_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE) X(MALLOC_FAST_SCRATCH)     \
  X(GET_DMA_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_CROSS_FILTER_##name,
enum { ERR_IMG_CROSS_FILTER_BASE_ = 0xC37FFFFFu, PF_IMG_CROSS_FILTER_ERRORS(PF_X) };
#undef PF_X

/**
 * Parameter record of Open, SetParam and GetStatus. Chroma planes are (width / 2) x (height / 2).
 * Any source value below 1, or a stride below its plane's width, gives
 * ERR_IMG_CROSS_FILTER_PARAM_SRC; the same for the destination ERR_IMG_CROSS_FILTER_PARAM_DST.
 */
typedef struct tImgCrossFilterParam {
  int32_t s32SrcWidth;    /**< >= 1 */
  int32_t s32SrcHeight;   /**< >= 1 */
  int32_t s32SrcYStride;  /**< bytes between luma lines, >= s32SrcWidth */
  int32_t s32SrcUVStride; /**< bytes between chroma lines, >= s32SrcWidth / 2 */
  int32_t s32DstWidth;    /**< = s32SrcWidth, else ERR_IMG_CROSS_FILTER_PARAM_WIDTH_HEIGHT */
  int32_t s32DstHeight;   /**< = s32SrcHeight, else ERR_IMG_CROSS_FILTER_PARAM_WIDTH_HEIGHT */
  int32_t s32DstYStride;  /**< >= s32DstWidth */
  int32_t s32DstUVStride; /**< >= s32DstWidth / 2 */
} tImgCrossFilterParam;

/** Process record: the planes of both pictures, which must not overlap. */
typedef struct tImgCrossFilterPicture {
  const uint8_t* pu8SrcY;
  const uint8_t* pu8SrcU;
  const uint8_t* pu8SrcV;
  uint8_t* pu8DstY;
  uint8_t* pu8DstU;
  uint8_t* pu8DstV;
} tImgCrossFilterPicture;

/** Kernel: (scratch, source plane, destination plane, height, width, strides); one plane. */
typedef void (*tCrossFilterKernel)(void* pvScratch, const uint8_t* pu8Src, uint8_t* pu8Dst,
                                   int32_t s32Height, int32_t s32Width, int32_t s32SrcStride,
                                   int32_t s32DstStride);

/** The instance behind a handle. */
typedef struct tImgCrossFilterInstance {
  void* hMem;                   /**< memory handle given to Open */
  void* pvFastScratch;          /**< PF_FAST_SCRATCH_BYTES, handed to the kernel */
  void* hDma;                   /**< DMA handle */
  tCrossFilterKernel pfnFilter; /**< the kernel chosen at Open */
  tImgCrossFilterParam tParam;  /**< the validated parameters */
} tImgCrossFilterInstance;

/*
 * Entry points. Open: (out handle, const tImgCrossFilterParam*, memory handle). Process: (handle,
 * tImgCrossFilterPicture*, any non-null pointer). GetStatus fills a tImgCrossFilterParam. Debug
 * does nothing. GetMemSize reports 72.
 */
PF_API uint32_t ImgCrossFilterOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgCrossFilterProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgCrossFilterClose_c(void* hHandle);
PF_API uint32_t ImgCrossFilterSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgCrossFilterGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgCrossFilterGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgCrossFilterAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageCrossFilterDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageCrossFilterGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgCrossFilterGlobalInit(void);
PF_API void ImgCrossFilterMMXFunctions(void);
PF_API void ImgCrossFilterSSE2Functions(void);
PF_API void ImgCrossFilterSSSE3Functions(void);
PF_API void ImgCrossFilterSSE4Functions(void);

/** The kernel pointer; CrossFilter_sse2 computes CrossFilter_c's planes. */
PF_API extern tCrossFilterKernel CrossFilter;
PF_API void CrossFilter_c(void* pvScratch, const uint8_t* pu8Src, uint8_t* pu8Dst,
                          int32_t s32Height, int32_t s32Width, int32_t s32SrcStride,
                          int32_t s32DstStride);
PF_API void CrossFilter_sse2(void* pvScratch, const uint8_t* pu8Src, uint8_t* pu8Dst,
                             int32_t s32Height, int32_t s32Width, int32_t s32SrcStride,
                             int32_t s32DstStride);

PF_API extern const char* const pas8CrossFilterAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_CROSSFILTER_H_ */
