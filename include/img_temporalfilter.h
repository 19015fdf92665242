/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Temporal noise filter (module id 37, not looked up by id: reach it through
 * tImageTemporalFilterFunc or ptImgProc_TemporalFilter). Works in place on contiguous planar
 * 4:2:0 pictures, blending each picture with the filter's previous output, which the instance
 * keeps from call to call.
 *
 * Two kernels, and they compute different pictures:
 *  - Filterframe_c (every processor without SSE2, or PELFORGE_CPU_MASK without 0x8): per 4x4
 *    block, S = sum of |cur - prev| over the block; a = 0 when S < 33, else min(16 S, 1024);
 *    every pixel becomes (prev * (1024 - a) + cur * a) >> 10. The strengths are not used.
 *  - Filterframe_sse2 (processors with SSE2): per pixel, S = sum of |cur - prev| over lines
 *    y - 8 .. y + 8 and columns max(x - 7, 1) .. min(x + 8, width - 1) of the plane (the input
 *    values, clipped to the plane); w = au8GuassDiff[strength][min(S >> 6, 63)];
 *    o = (cur * (256 - w) + prev * w + 128) >> 8.
 * Both write the result to the picture and to the previous-output buffer.
 */
#ifndef PELFORGE_IMG_TEMPORALFILTER_H_
#define PELFORGE_IMG_TEMPORALFILTER_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, from 0xC6400000 (the start marker, never returned). */
/* clang-format off */
#define PF_IMG_TEMPORALFILTER_ERRORS(X)                                                            \
  X(START_CODE) X(OPEN_HANDLE) X(OPEN_MALLOC_HANDLE) X(OPEN_MALLOC_PREFRAME)                       \
  X(OPEN_MALLOC_ALIGNED_CURFRAME) X(OPEN_MALLOC_FAST_SCRATCH) X(OPEN_MALLOC_TEMP_BUF)              \
  X(PARAM_WIDTH) X(PARAM_HEIGHT) X(PARAM_STRIDE) X(PROCESS_HANDLE) X(PROCESS_INPUT_POINTER)        \
  X(PROCESS_OUTPUT_POINTER) X(CLOSE_HANDLE) X(CLOSE_FREE) X(SET_PARAM_HANDLE) X(GETVERSION_HANDLE) \
  X(GETVERSION_POINTER) X(GETVERSION_LENGTH) X(GETSTATUS_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE)      \
  X(GETMEMSIZE_PARAM_POINTER) X(DEBUG_HANDLE) X(DEBUG_MODULE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_TEMPORALFILTER_##name,
enum { ERR_IMG_TEMPORALFILTER_BASE_ = 0xC63FFFFFu, PF_IMG_TEMPORALFILTER_ERRORS(PF_X) };
#undef PF_X

/** Highest strength; the strengths ramp from 0 by the add-noise value per picture up to it. */
#define PF_TEMPORALFILTER_MAX_STRENGTH 29

/**
 * Parameter record of Open, SetParam and GetStatus. Pictures are read as width x height luma
 * bytes followed by U and V of (width / 2) x (height / 2) each, without padding; the strides are
 * checked and reported but do not change that. Pictures need 4 x 4 blocks: sizes that are not
 * multiples of 8 are filtered in a working picture rounded up to them.
 */
typedef struct tImgTemporalFilterParam {
  int32_t s32Width;    /**< >= 1, else ERR_IMG_TEMPORALFILTER_PARAM_WIDTH */
  int32_t s32Height;   /**< >= 1, else ERR_IMG_TEMPORALFILTER_PARAM_HEIGHT */
  int32_t s32YStride;  /**< >= s32Width, else ERR_IMG_TEMPORALFILTER_PARAM_STRIDE */
  int32_t s32UVStride; /**< >= s32Width / 2, else ERR_IMG_TEMPORALFILTER_PARAM_STRIDE */
  int32_t s32AddNoise; /**< added to every strength before each picture (kept within 0..29) */
} tImgTemporalFilterParam;

struct tImgTemporalFilterInstance;

/** Kernel: (instance, current picture, previous-output buffer), both AW x AH 4:2:0 pictures. */
typedef void (*tFilterframeKernel)(struct tImgTemporalFilterInstance* ptInstance, uint8_t* pu8Cur,
                                   uint8_t* pu8Pre);

/** The instance behind a handle; kernels read the aligned size and the strengths from it. */
typedef struct tImgTemporalFilterInstance {
  void* hMem;                 /**< memory handle given to Open */
  void* pvFastScratch;        /**< PF_FAST_SCRATCH_BYTES */
  void* hDma;                 /**< DMA handle (kept, not needed by the kernels) */
  uint8_t* pu8PreFrame;       /**< previous output, AW x AH 4:2:0, zero after Open */
  uint8_t* pu8AlignedFrame;   /**< working picture when the size is not aligned, else null */
  uint8_t* pu8LineBuf;        /**< 37 AW + 864 bytes of running sums for Filterframe_sse2 */
  int32_t s32Width;           /**< as received */
  int32_t s32Height;          /**< as received */
  int32_t s32YStride;         /**< as received */
  int32_t s32UVStride;        /**< as received */
  int32_t s32AlignedWidth;    /**< AW: the width rounded up to a multiple of 8 */
  int32_t s32AlignedHeight;   /**< AH: the height rounded up to a multiple of 8 */
  int32_t s32AlignedYStride;  /**< the luma stride when the width is a multiple of 8, else AW */
  int32_t s32AlignedUVStride; /**< the chroma stride when the width is a multiple of 8, else AW/2 */
  int32_t s32Aligned;         /**< 1 when width and height are multiples of 8 (filtered in place) */
  int32_t as32Strength[3];    /**< Y, U, V strengths, 0..29 */
  int32_t s32AddNoise;        /**< strength increment per picture */
  tFilterframeKernel pfnFilter; /**< the kernel chosen at Open */
} tImgTemporalFilterInstance;

/*
 * Entry points. Open: (out handle, const tImgTemporalFilterParam*, memory handle); a null
 * argument gives ERR_IMG_TEMPORALFILTER_OPEN_HANDLE. Process: (handle, tImgPicture*, any
 * non-null pointer): only pu8Y is read, the picture's chroma follows its luma; the picture is
 * filtered in place. SetParam takes a new size only when the buffers made at Open fit it (same
 * size rounded up to multiples of 8, and a working picture when the new size needs one), else it
 * returns the width or height code; it keeps the previous output and the strengths. GetStatus
 * fills a tImgTemporalFilterParam. Debug: (handle, text) accepts "h=vid/enc/temfilter" commands;
 * "addnoise=N" in the text sets the add-noise value. GetMemSize: (3 AW AH) / 2 + 37 AW + 408.
 */
PF_API uint32_t ImgTemporalFilterOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgTemporalFilterProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgTemporalFilterClose_c(void* hHandle);
PF_API uint32_t ImgTemporalFilterSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgTemporalFilterGetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                              uint32_t* pu32TextLen);
PF_API uint32_t ImgTemporalFilterGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgTemporalFilterAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                    char* ps8Buf);
PF_API uint32_t ImgTemporalFilterDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgTemporalFilterGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgTemporalFilterGlobalInit(void);
PF_API void ImgTemporalFilterMMXFunctions(void);
PF_API void ImgTemporalFilterSSE2Functions(void);
PF_API void ImgTemporalFilterSSSE3Functions(void);
PF_API void ImgTemporalFilterSSE4Functions(void);

/** The kernel pointer, Filterframe_c until the dispatch finds SSE2. */
PF_API extern tFilterframeKernel Filterframe;
PF_API void Filterframe_c(tImgTemporalFilterInstance* ptInstance, uint8_t* pu8Cur, uint8_t* pu8Pre);
/** The per-pixel filter on Y, U and V, each with its own strength (see above). */
PF_API void Filterframe_sse2(tImgTemporalFilterInstance* ptInstance, uint8_t* pu8Cur,
                             uint8_t* pu8Pre);
/**
 * The per-pixel filter on one plane of s32Width x s32Height bytes (line step s32Width) of the
 * current picture and of the previous output. pu8LineBuf holds at least 37 s32Width + 864 bytes.
 */
PF_API void IIR_SAD_filter_sse2(uint8_t* pu8Cur, uint8_t* pu8Pre, int32_t s32Width,
                                int32_t s32Height, int32_t s32Strength, uint8_t* pu8LineBuf);

/**
 * Weights of the SSE2 kernel: row s (strength 0..29), column i (windowed difference / 64, 0..63).
 * Each row starts at 255 and falls as a Gaussian of i of width max(s, 1): about 154 at
 * i = max(s, 1) and 34 at twice that, never below 1.
 */
PF_API extern const uint8_t au8GuassDiff[30][64];

PF_API extern const tImgProcFuncList tImageTemporalFilterFunc;
/** The module's descriptor ("IMG_TEMPORAL_FILTER", id 37) and its pointer in ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_TemporalFilter;
PF_API extern const tImgProcDesc* const ptImgProc_TemporalFilter;
PF_API extern const char* const pas8TemporalFilterAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_TEMPORALFILTER_H_ */
