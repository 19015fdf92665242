/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Vertical filter (module id 33): a 6-tap vertical low-pass over each plane of a planar 4:2:0
 * frame or field picture, in place. Every line y becomes
 *   clamp((-3 in(y-4) + 12 in(y-2) + 23 in(y-1) + 23 in(y) + 12 in(y+1) - 3 in(y+3)) >> 6, 0, 255)
 * (an arithmetic shift) of the input lines, the first or last line standing in for lines beyond
 * the plane. The taps are symmetric about y - 1/2. A field picture (image type 2) is filtered as
 * two pictures: the first half of each plane's lines, then the second half.
 */
#ifndef PELFORGE_IMG_FILTER_H_
#define PELFORGE_IMG_FILTER_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, from 0xC1800001. */
/* clang-format off */
#define PF_IMG_FILTER_ERRORS(X)                                                                    \
  X(SELF_INIT_POINTER) X(SELF_SETPARAM_POINTER) X(SELF_HANDLE_MEM_MALLOC) X(SELF_IMGWIDTH_ILLEGAL) \
  X(SELF_IMGHEIGHT_ILLEGAL) X(SELF_INPUT_POINTER) X(SELF_INPUT_DATA_POINTER)                       \
  X(SELF_VERSION_BUFLEN_TOO_SHORT) X(SELF_CLOSE_POINTER) X(SELF_CLOSE_MEM_POINTER)                 \
  X(SELF_GET_VERSION_POINTER) X(SELF_GET_VERSION_VERLEN_POINTER) X(SELF_STATUS_POINTER)            \
  X(FAST_SCRATCH_MEM_MALLOC) X(GET_DMA_HANDLE) X(SELF_YSTRIDE_ILLEGAL) X(SELF_UVSTRIDE_ILLEGAL)    \
  X(SELF_YUVTYPE_ILLEGAL) X(SELF_INTERLACE_ILLEGAL) X(SELF_FILTERTYPE_ILLEGAL)                     \
  X(SELF_ANALYZE_ERROR_CODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_FILTER_##name,
enum { ERR_IMG_FILTER_BASE_ = 0xC1800000u, PF_IMG_FILTER_ERRORS(PF_X) };
#undef PF_X

/* Filter types: which planes are filtered. */
#define PF_FILTER_TYPE_ALL 0  /**< luma and both chroma planes */
#define PF_FILTER_TYPE_LUMA 1 /**< luma only */

/** Parameter record of Open, SetParam and GetStatus. */
typedef struct tImageFilterParam {
  int32_t s32Width;      /**< even, 1 .. 2560 (38 x width at most 97280; else
                              ERR_IMG_FILTER_SELF_IMGWIDTH_ILLEGAL) */
  int32_t s32Height;     /**< even, 1 .. 6144, else ERR_IMG_FILTER_SELF_IMGHEIGHT_ILLEGAL */
  int32_t s32YStride;    /**< >= s32Width, else ERR_IMG_FILTER_SELF_YSTRIDE_ILLEGAL */
  int32_t s32UVStride;   /**< 0 (= s32Width / 2) or >= s32Width / 2 */
  int32_t s32YuvType;    /**< PF_YUV_420 only */
  int32_t s32ImageType;  /**< PF_IMAGE_FRAME or PF_IMAGE_FIELD */
  int32_t s32FilterType; /**< PF_FILTER_TYPE_ALL or PF_FILTER_TYPE_LUMA */
  int32_t s32Reserved1;  /**< kept and reported by GetStatus, not read */
  int32_t s32Reserved2;  /**< kept and reported by GetStatus, not read */
} tImageFilterParam;

/** Process record: the three planes, each filtered in place with the record's strides. */
typedef struct tImageFilterPlanes {
  uint8_t* pu8Y;
  uint8_t* pu8U;
  uint8_t* pu8V;
} tImageFilterPlanes;

/** A plane for the kernels: width bytes of height lines, stride bytes apart. */
typedef struct tImageFilterGeometry {
  int32_t s32Width;
  int32_t s32Height;
  int32_t s32Stride;
} tImageFilterGeometry;

/** Kernel: (ring of 16 line copies, at least 16 x width bytes; geometry; plane). */
typedef void (*tImageFilterKernel)(uint8_t* pu8Ring, const tImageFilterGeometry* ptGeometry,
                                   uint8_t* pu8Plane);

/** The instance behind a handle. */
typedef struct tImageFilterInstance {
  void* hMem;                   /**< memory handle given to Open */
  void* pvFastScratch;          /**< PF_FAST_SCRATCH_BYTES: the kernels' line ring */
  void* hDma;                   /**< DMA handle */
  tImageFilterKernel pfnFilter; /**< frame or field kernel, by image type */
  tImageFilterParam tParam;     /**< the validated parameters */
} tImageFilterInstance;

/*
 * Entry points. Open: (out handle, const tImageFilterParam*, memory handle). Process: (handle,
 * tImageFilterPlanes*, any non-null pointer). GetStatus fills a tImageFilterParam. Debug does
 * nothing. GetMemSize reports 88.
 */
PF_API uint32_t ImageFilterOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageFilterProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImageFilterClose_c(void* hHandle);
PF_API uint32_t ImageFilterSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageFilterGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageFilterGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageFilterAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageFilterDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageFilterGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImageFilterGlobalInit(void);
PF_API void ImageFilterMMXFunctions(void);
PF_API void ImageFilterSSE2Functions(void);
PF_API void ImageFilterSSSE3Functions(void);
PF_API void ImageFilterSSE4Functions(void);

/* Kernel pointers (no SIMD variants). */
PF_API extern tImageFilterKernel ImageFilterVYUV420Frame;
PF_API extern tImageFilterKernel ImageFilterVYUV420Field;
PF_API void ImageFilterVYUV420Frame_c(uint8_t* pu8Ring, const tImageFilterGeometry* ptGeometry,
                                      uint8_t* pu8Plane);
PF_API void ImageFilterVYUV420Field_c(uint8_t* pu8Ring, const tImageFilterGeometry* ptGeometry,
                                      uint8_t* pu8Plane);

PF_API extern const tImgProcFuncList tImageFilterFunc;
/** The module's descriptor ("IMG_FILTER", id 33) and its pointer in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Filter;
PF_API extern const tImgProcDesc* const ptImgProc_Filter;
PF_API extern const char* const pas8ImageFilterSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_FILTER_H_ */
