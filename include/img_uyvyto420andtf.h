/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * UYVY to 4:2:0 with temporal filter (no module id; reach it through tImageUYVYTo420AndTFFunc).
 * Takes a 720 x 576 packed UYVY frame (1440 bytes per line), forms a contiguous planar 4:2:0
 * picture in one of seven output sizes, and passes every output sample s through a thresholded
 * recursive average with the sample p stored at the same place by the previous call:
 *   o = (s + p) >> 1 when |s - p| < 9, else o = s;
 * o is written to the output and stored. The previous output starts at zero after Open and after
 * every SetParam.
 *
 * Output sizes (width x height, interlace) and how each output sample is formed, with
 * avg(a, b) = (a + b + 1) >> 1 and chroma counted per source pixel pair:
 *  - 720 x 576, 2: field-separated: upper field (source lines 2j) in the first half of each
 *    plane, lower field (source lines 2j + 1) in the second; upper chroma line k from source line
 *    4k, lower chroma line k from source line 4k + 2; no horizontal change.
 *  - 352 x 576, 2: the same lines; pixel pair n from source pixels 4n .. 4n + 4:
 *    Y0 = avg(avg(Y4n, Y4n+1), avg(Y4n+1, Y4n+2)), Y1 likewise from 4n + 2,
 *    U = avg(avg(U2n, U2n+1), avg(U2n+1, U2n+2)), V likewise.
 *  - 352 x 288, 1: luma line j from source line 2j, chroma line k from 4k; horizontally as
 *    352 x 576.
 *  - 176 x 144, 1: luma line j from source line 4j, chroma line k from 8k; Y = sum of four Y
 *    >> 2; U = (((U0 + U1) >> 1) + ((U2 + U3) >> 1)) >> 1 over four pairs, V likewise.
 *  - 240 x 192, 1: luma line j from source line 3j, chroma line k from 6k; on even output lines
 *    Y = (Y3m + 2 Y3m+1 + Y3m+2 + 2) >> 2 and U, V = (c3m + 2 c3m+1 + c3m+2 + 2) >> 2 over
 *    pairs; on odd output lines Y = (((Y3m + Y3m+1) >> 1) + ((Y3m+1 + Y3m+2) >> 1)) >> 1.
 *  - 112 x 96, 1: Y = sum of the 4 x 4 box of source pixels 6n .. 6n + 3 on lines 6m .. 6m + 3,
 *    >> 4; U, V = sum of pairs 6n .. 6n + 3 on source line 12k, >> 2.
 *  - 96 x 80, 1: as 112 x 96 with a step of 7 (boxes at 7n, lines 7m, chroma line 14k).
 */
#ifndef PELFORGE_IMG_UYVYTO420ANDTF_H_
#define PELFORGE_IMG_UYVYTO420ANDTF_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, from 0xC4400000 (the start marker, never returned). */
/* clang-format off */
#define PF_IMG_UYVYTO420_ANDTF_ERRORS(X)                                                           \
  X(START) X(OPEN_HANDLE) X(OPEN_PARAM) X(OPEN_MEMHANDLE) X(OPEN_DST_INTERLACE)                    \
  X(OPEN_UNSUPPORTTYPE) X(CHECKPARAM_SRC_INTERLACE) X(CHECKPARAM_SRC_WIDTH)                        \
  X(CHECKPARAM_SRC_HEIGHT) X(CHECKPARAM_DST_WIDTH) X(CHECKPARAM_DST_HEIGHT) X(OPEN_MALLOC_HANDLE)  \
  X(OPEN_MALLOC_PREYUV) X(PROCESS_HANDLE) X(PROCESS_INPUT) X(PROCESS_OUTPUT)                       \
  X(PROCESS_SRC_POINTER) X(PROCESS_DST_POINTER) X(CLOSE_HANDLE) X(CLOSE_FREE_HANDLE)               \
  X(CLOSE_FREE_PREYUV) X(SET_PARAM_HANDLE) X(SET_PARAM_PARAM) X(SET_PARAM_DST_INTERLACE)           \
  X(SET_PARAM_UNSUPPORTTYPE) X(GETVERSION_HANDLE) X(GETVERSION_POINTER) X(GETVERSION_LENGTH)       \
  X(GET_STATUS_HANDLE) X(ANALYZECODE_HANDLE) X(GETMEMSIZE_PARAM_POINTER) X(FAST_SCRATH)            \
  X(DMA_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_UYVYTO420_ANDTF_##name,
enum { ERR_IMG_UYVYTO420_ANDTF_BASE_ = 0xC43FFFFFu, PF_IMG_UYVYTO420_ANDTF_ERRORS(PF_X) };
#undef PF_X

/** Parameter record of Open, SetParam, GetStatus and GetMemSize. */
typedef struct tImgUYVYTo420AndTFParam {
  int32_t s32SrcWidth;     /**< 720 */
  int32_t s32SrcHeight;    /**< 576 */
  int32_t s32SrcInterlace; /**< 1 (a frame) */
  int32_t s32DstWidth;     /**< 720, 352, 176, 240, 112 or 96 (see above) */
  int32_t s32DstHeight;    /**< 576, 288, 144, 192, 96 or 80 */
  int32_t s32DstInterlace; /**< 2 for the two field-separated sizes, 1 for the others */
} tImgUYVYTo420AndTFParam;

/** Process record: the two pictures. */
typedef struct tImgUYVYTo420AndTFData {
  const uint8_t* pu8Src; /**< 720 x 576 UYVY, 1440 bytes per line */
  uint8_t* pu8Dst;       /**< contiguous 4:2:0 of the output size: Y, then U, then V */
} tImgUYVYTo420AndTFData;

struct tImgUYVYTo420AndTFInstance;

/** Kernel: (instance, UYVY source, 4:2:0 destination); reads and updates the previous output. */
typedef void (*tUYVYTo420AndTFKernel)(struct tImgUYVYTo420AndTFInstance* ptInstance,
                                      const uint8_t* pu8Src, uint8_t* pu8Dst);

/** The instance behind a handle. */
typedef struct tImgUYVYTo420AndTFInstance {
  void* hMem;                      /**< memory handle given to Open */
  void* pvFastScratch;             /**< PF_FAST_SCRATCH_BYTES, not used by the kernels */
  void* hDma;                      /**< DMA handle */
  tUYVYTo420AndTFKernel pfnKernel; /**< chosen by the output size */
  uint8_t* pu8PreYuv;              /**< previous output, in the output layout */
  tImgUYVYTo420AndTFParam tParam;  /**< the validated parameters */
  uint32_t u32PreBytes;            /**< size of pu8PreYuv: the output size at Open */
} tImgUYVYTo420AndTFInstance;

/*
 * Entry points. Open: (out handle, const tImgUYVYTo420AndTFParam*, memory handle). Process:
 * (handle, tImgUYVYTo420AndTFData*, any non-null pointer). SetParam switches to another output
 * size no larger than the one Open was given (a larger one gives
 * ERR_IMG_UYVYTO420_ANDTF_SET_PARAM_UNSUPPORTTYPE) and clears the previous output. GetStatus
 * fills a tImgUYVYTo420AndTFParam. Debug does nothing. GetMemSize: w * 3 * h / 2 + 88.
 */
PF_API uint32_t ImgUYVYTo420AndTemporalFilterOpen_c(void** phHandle, const void* pParam,
                                                    void* hMem);
PF_API uint32_t ImgUYVYTo420AndTemporalFilterProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgUYVYTo420AndTemporalFilterClose_c(void* hHandle);
PF_API uint32_t ImgUYVYTo420AndTemporalFilterSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgUYVYTo420AndTemporalFilterGetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                                          uint32_t* pu32TextLen);
PF_API uint32_t ImgUYVYTo420AndTemporalFilterGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgUYVYTo420AndTemporalFilterAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                                char* ps8Buf);
PF_API uint32_t ImgUYVYTo420AndTemporalFilterDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgUYVYTo420AndTemporalFilterGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgUYVYTo420AndTemporalFilterGlobalInit(void);
PF_API void ImgUYVYTo420AndTemporalFilterMMXFunctions(void);
PF_API void ImgUYVYTo420AndTemporalFilterSSE2Functions(void);
PF_API void ImgUYVYTo420AndTemporalFilterSSSE3Functions(void);
PF_API void ImgUYVYTo420AndTemporalFilterSSE4Functions(void);

/* Kernel pointers (no SIMD variants) and their scalar kernels. */
PF_API extern tUYVYTo420AndTFKernel UYVYD1FrameTo420D1FieldAndTF;
PF_API extern tUYVYTo420AndTFKernel UYVYD1FrameTo4202CifFieldAndTF;
PF_API extern tUYVYTo420AndTFKernel UYVYD1FrameTo420CifFrameAndTF;
PF_API extern tUYVYTo420AndTFKernel UYVYD1FrameTo420QCifFrameAndTF;
PF_API extern tUYVYTo420AndTFKernel UYVYD1FrameTo420112x96FrameAndTF;
PF_API extern tUYVYTo420AndTFKernel UYVYD1FrameTo420NinethD1FrameAndTF;
PF_API extern tUYVYTo420AndTFKernel UYVYD1FrameTo42096x80FrameAndTF;
#define PF_UYVYTF_KERNEL_ARGS \
  tImgUYVYTo420AndTFInstance *ptInstance, const uint8_t *pu8Src, uint8_t *pu8Dst
PF_API void UYVYD1FrameTo420D1FieldAndTF_c(PF_UYVYTF_KERNEL_ARGS);
PF_API void UYVYD1FrameTo4202CifFieldAndTF_c(PF_UYVYTF_KERNEL_ARGS);
PF_API void UYVYD1FrameTo420CifFrameAndTF_c(PF_UYVYTF_KERNEL_ARGS);
PF_API void UYVYD1FrameTo420QCifFrameAndTF_c(PF_UYVYTF_KERNEL_ARGS);
PF_API void UYVYD1FrameTo420112x96FrameAndTF_c(PF_UYVYTF_KERNEL_ARGS);
PF_API void UYVYD1FrameTo420NinethD1FrameAndTF_c(PF_UYVYTF_KERNEL_ARGS);
PF_API void UYVYD1FrameTo42096x80FrameAndTF_c(PF_UYVYTF_KERNEL_ARGS);

PF_API extern const tImgProcFuncList tImageUYVYTo420AndTFFunc;
PF_API extern const char* const pas8UYVYTo420AndTFAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_UYVYTO420ANDTF_H_ */
