/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Gaussian filter (exported entry points only: no table, no descriptor, no id). Filters each
 * plane of a planar 4:2:0 picture with a separable 9-tap Gaussian, horizontally from the source
 * into an intermediate picture, then vertically into the destination. Each output sample is
 *   (sum over k = -4 .. 4 of l32Coeff[level][k + 4] * n'(k)) >> 7,
 * where n(k) is the neighbour at offset k along the pass (the nearest end sample beyond the line
 * or column) and n'(k) is n(k) limited to the band c - limit .. c + limit around the centre c.
 * Neighbours that differ from the centre by more than the limit thus count as if they differed by
 * the limit, which keeps edges. Level 0 and limit 0 both copy the picture.
 */
#ifndef PELFORGE_IMG_GAUSSFILTER_H_
#define PELFORGE_IMG_GAUSSFILTER_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, from 0xC7000000 (the start marker, named too). */
/* clang-format off */
#define PF_IMG_GAUSS_FILTER_ERRORS(X)                                                              \
  X(START) X(OPEN_HANDLE) X(PARAM_WIDTH_HEIGHT) X(PARAM_SRC) X(PARAM_DST) X(PARAM_RADIUS)          \
  X(PARAM_DELTAPARAM) X(OPEN_MALLOC) X(OPEN_MALLOC_MEDIATE_BUF) X(PROCESS_HANDLE)                  \
  X(PROCESS_INPUT_POINTER) X(PROCESS_OUTPUT_POINTER) X(CLOSE_HANDLE) X(CLOSE_FREE)                 \
  X(SETPARAM_HANDLE) X(GETVERSION_HANDLE) X(GETVERSION_POINTER) X(GETVERSION_LENGTH)               \
  X(GETSTATUS_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE) X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE)        \
  X(GETMEMSIZE_PARAM_POINTER) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_GAUSS_FILTER_##name,
enum { ERR_IMG_GAUSS_FILTER_BASE_ = 0xC6FFFFFFu, PF_IMG_GAUSS_FILTER_ERRORS(PF_X) };
#undef PF_X

/** Widest picture: 30 lines of it must fit the fast scratch's 97792 working bytes. */
#define PF_GAUSS_FILTER_MAX_WIDTH 3259

/**
 * Parameter record of Open, SetParam, GetStatus and GetMemSize. Chroma planes are
 * (width / 2) x (height / 2). A source value below 1, a stride below its plane's width or a width
 * above PF_GAUSS_FILTER_MAX_WIDTH gives ERR_IMG_GAUSS_FILTER_PARAM_SRC; a destination value below
 * 1 or a stride below its plane's width ERR_IMG_GAUSS_FILTER_PARAM_DST.
 */
typedef struct tImgGaussFilterParam {
  int32_t s32SrcWidth;
  int32_t s32SrcHeight;
  int32_t s32SrcYStride;
  int32_t s32SrcUVStride;
  int32_t s32DstWidth;  /**< = s32SrcWidth, else ERR_IMG_GAUSS_FILTER_PARAM_WIDTH_HEIGHT */
  int32_t s32DstHeight; /**< = s32SrcHeight, else ERR_IMG_GAUSS_FILTER_PARAM_WIDTH_HEIGHT */
  int32_t s32DstYStride;
  int32_t s32DstUVStride;
  int32_t s32Level; /**< 0 .. 4, the rows of l32Coeff; else ERR_IMG_GAUSS_FILTER_PARAM_RADIUS */
  uint8_t u8Limit;  /**< half width of the band neighbours are limited to */
} tImgGaussFilterParam;

/** Process record: the planes of both pictures (they may be the same picture). */
typedef struct tImgGaussFilterPicture {
  const uint8_t* pu8SrcY;
  const uint8_t* pu8SrcU;
  const uint8_t* pu8SrcV;
  uint8_t* pu8DstY;
  uint8_t* pu8DstU;
  uint8_t* pu8DstV;
} tImgGaussFilterPicture;

struct tImgGaussFilterInstance;

/** Kernel: one plane, through the instance's intermediate picture and fast scratch. */
typedef void (*tGaussFilterKernel)(struct tImgGaussFilterInstance* ptInstance,
                                   const uint8_t* pu8Src, uint8_t* pu8Dst, int32_t s32Width,
                                   int32_t s32Height, int32_t s32SrcStride, int32_t s32DstStride,
                                   int32_t s32Level, uint8_t u8Limit);

/** The instance behind a handle. */
typedef struct tImgGaussFilterInstance {
  void* hMem;                   /**< memory handle given to Open */
  void* pvFastScratch;          /**< PF_FAST_SCRATCH_BYTES */
  void* hDma;                   /**< DMA handle */
  uint8_t* pu8Mediate;          /**< intermediate picture, width x height x 3 / 2 bytes at Open */
  uint32_t u32MediateBytes;     /**< its size */
  tGaussFilterKernel pfnFilter; /**< the kernel chosen at Open */
  tImgGaussFilterParam tParam;  /**< the validated parameters */
} tImgGaussFilterInstance;

/*
 * Entry points. Open: (out handle, const tImgGaussFilterParam*, memory handle). Process: (handle,
 * tImgGaussFilterPicture*, any non-null pointer). SetParam takes pictures no larger than the
 * intermediate picture made at Open (else ERR_IMG_GAUSS_FILTER_PARAM_SRC). GetStatus fills a
 * tImgGaussFilterParam. Debug does nothing. GetMemSize validates like Open and reports the
 * instance and its intermediate picture.
 */
PF_API uint32_t ImgGaussFilterOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgGaussFilterProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgGaussFilterClose_c(void* hHandle);
PF_API uint32_t ImgGaussFilterSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgGaussFilterGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgGaussFilterGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgGaussFilterAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageGaussFilterDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageGaussFilterGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgGaussFilterGlobalInit(void);
PF_API void ImgGaussFilterMMXFunctions(void);
PF_API void ImgGaussFilterSSE2Functions(void);
PF_API void ImgGaussFilterSSSE3Functions(void);
PF_API void ImgGaussFilterSSE4Functions(void);

/** Taps per level, positions -4 .. 4; each row sums to 128. */
PF_API extern const int32_t l32Coeff[5][9];

/** The kernel pointer (no SIMD variant). */
PF_API extern tGaussFilterKernel GaussDanymicFilter;
PF_API void GaussDanymicFilter_c(tImgGaussFilterInstance* ptInstance, const uint8_t* pu8Src,
                                 uint8_t* pu8Dst, int32_t s32Width, int32_t s32Height,
                                 int32_t s32SrcStride, int32_t s32DstStride, int32_t s32Level,
                                 uint8_t u8Limit);

PF_API extern const char* const pas8GaussFilterAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_GAUSSFILTER_H_ */
