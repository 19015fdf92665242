/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * D1 split (module id 4, "IMG_YUV422_SPLIT"): one packed 4:2:2 D1 frame (720 x 576 or 720 x 480,
 * bytes U Y0 V Y1 per pixel pair, lines of 1440 bytes) into four planar 4:2:0 pictures 352
 * pixels wide, one per field and half:
 *
 *   picture 0: first field (even lines), source pixels   8..359
 *   picture 1: first field,              source pixels 360..711
 *   picture 2: second field (odd lines), source pixels   8..359
 *   picture 3: second field,             source pixels 360..711
 *
 * No filtering: picture q's line j is field line j (source line 2j for pictures 0 and 1, 2j + 1
 * for 2 and 3); its chroma line k is the U and V of field line 2k, those of line 2k + 1 are
 * dropped. Each picture of 352 x H is one buffer: Y (pitch 352), U at Y + 352 H, V at
 * U + 352 H / 4 (pitch 176).
 */
#ifndef PELFORGE_IMG_YUV422TOYUV420_D1SPLIT_H_
#define PELFORGE_IMG_YUV422TOYUV420_D1SPLIT_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC1000047 upwards (this module's part of the colour-space block). */
/* clang-format off */
#define PF_IMG_D1SPLIT_ERRORS(X)                                                                  \
  X(OPEN_INPUT_HANDLE) X(OPEN_INPUT_PARAM) X(OPEN_INPUT_MEMHANDLE) X(OPEN_INPUT_IMG_SIZE)         \
  X(OPEN_OUTPUT_IMG_WIDTH) X(OPEN_OUTPUT_IMG_HEIGHT) X(OPEN_MALLOC) X(SETPARAM_INPUT_HANDLE)      \
  X(SETPARAM_INPUT_PARAM) X(SETPARAM_INPUT_IMG_SIZE) X(SETPARAM_OUTPUT_IMG_WIDTH)                 \
  X(SETPARAM_OUTPUT_IMG_HEIGHT) X(PROCESS_INPUT_HANDLE) X(PROCESS_INPUT_PARAM)                    \
  X(PROCESS_OUTPUT_PARAM) X(PROCESS_INPUT_BUFF) X(PROCESS_OUTPUT_BUFF) X(GETVERSION_INPUT_BUFFER) \
  X(GETVERSION_BUFFERLEN) X(CLOSE_INPUT_HANDLE) X(CLOSE_INPUT_MEMHANDLE) X(CLOSE_FREE)            \
  X(GETSTATUS_INPUT_HANDLE) X(GETSTATUS_INPUT_PARAM) X(FAST_SCRATCH_MEM_MALLOC) X(GET_DMA_HANDLE) \
  X(ANDTF_ANALYZECODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_D1_SPLIT_##name,
enum { ERR_IMG_D1_SPLIT_BASE_ = 0xC1000046u, PF_IMG_D1SPLIT_ERRORS(PF_X) };
#undef PF_X

/** Size of one output picture. */
typedef struct tYUV422ToYUV420D1To4xCifSize {
  int32_t s32Width;  /**< 352, else ERR_IMG_D1_SPLIT_OPEN_OUTPUT_IMG_WIDTH */
  int32_t s32Height; /**< 288 or 240, at most half the source height, else
                          ERR_IMG_D1_SPLIT_OPEN_OUTPUT_IMG_HEIGHT */
} tYUV422ToYUV420D1To4xCifSize;

/**
 * Parameter record of Open, SetParam and GetStatus. SetParam makes the same checks with its
 * SETPARAM_ codes.
 */
typedef struct tYUV422ToYUV420D1To4xCifParam {
  int32_t s32SrcWidth;  /**< 720, else ERR_IMG_D1_SPLIT_OPEN_INPUT_IMG_SIZE */
  int32_t s32SrcHeight; /**< 576 or 480, else ERR_IMG_D1_SPLIT_OPEN_INPUT_IMG_SIZE */
  tYUV422ToYUV420D1To4xCifSize atDst[4]; /**< the four pictures, in the order above */
} tYUV422ToYUV420D1To4xCifParam;

/** Second argument of Process: the source frame, then the four pictures. */
typedef struct tYUV422ToYUV420D1To4xCifData {
  const uint8_t* pu8Src; /**< null: ERR_IMG_D1_SPLIT_PROCESS_INPUT_BUFF */
  uint8_t* apu8Dst[4];   /**< any null: ERR_IMG_D1_SPLIT_PROCESS_OUTPUT_BUFF */
} tYUV422ToYUV420D1To4xCifData;

struct tYUV422ToYUV420D1To4xCifInstance;

/** Split kernel: (instance, source frame, pictures 0 to 3). */
typedef void (*tYUV422ToYUV420D1To4xCifKernel)(
    const struct tYUV422ToYUV420D1To4xCifInstance* ptInstance, const uint8_t* pu8Src,
    uint8_t* pu8Dst0, uint8_t* pu8Dst1, uint8_t* pu8Dst2, uint8_t* pu8Dst3);

/** The instance behind a handle; the kernel reads the sizes from it. */
typedef struct tYUV422ToYUV420D1To4xCifInstance {
  void* hMem;                               /**< memory handle given to Open */
  void* pvFastScratch;                      /**< PF_FAST_SCRATCH_BYTES, not used by the kernel */
  void* hDma;                               /**< DMA handle */
  tYUV422ToYUV420D1To4xCifKernel pfnKernel; /**< the kernel pointer's value at Open */
  int32_t s32SrcWidth;
  int32_t s32SrcHeight;
  int32_t s32SrcLineBytes; /**< 2 x source width */
  tYUV422ToYUV420D1To4xCifSize atDst[4];
} tYUV422ToYUV420D1To4xCifInstance;

/* Entry points. Open: (out handle, const tYUV422ToYUV420D1To4xCifParam*, memory handle).
 * Process: (handle, tYUV422ToYUV420D1To4xCifData*, a third pointer that must not be null and is
 * not read). GetStatus fills a tYUV422ToYUV420D1To4xCifParam. GetMemSize reports 96 (a null size
 * pointer gives ERR_IMG_D1_SPLIT_OPEN_INPUT_PARAM). Debug does nothing. */
PF_API uint32_t ImgYUV422ToYUV420D1To4xCifOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgYUV422ToYUV420D1To4xCifProcess_c(void* hHandle, void* pData, void* pReserved);
PF_API uint32_t ImgYUV422ToYUV420D1To4xCifClose_c(void* hHandle);
PF_API uint32_t ImgYUV422ToYUV420D1To4xCifSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgYUV422ToYUV420D1To4xCifGetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                                       uint32_t* pu32TextLen);
PF_API uint32_t ImgYUV422ToYUV420D1To4xCifGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgYUV422ToYUV420D1To4xCifAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                             char* ps8Buf);
PF_API uint32_t ImgYUV422ToYUV420D1To4xCifDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgYUV422ToYUV420D1To4xCifGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgYUV422ToYUV420D1To4xCifGlobalInit(void);
PF_API void ImgYUV422ToYUV420D1To4xCifMMXFunctions(void);
PF_API void ImgYUV422ToYUV420D1To4xCifSSE2Functions(void);
PF_API void ImgYUV422ToYUV420D1To4xCifSSSE3Functions(void);
PF_API void ImgYUV422ToYUV420D1To4xCifSSE4Functions(void);

/**
 * The split kernel and its pointer. Picture q takes min(height, source height / 2) lines and
 * min(width, 352) columns (even); a source narrower than 712 pixels leaves the pictures as they
 * are.
 */
PF_API extern tYUV422ToYUV420D1To4xCifKernel ImgYUV422ToYUV420D1To4xCif;
PF_API void ImgYUV422ToYUV420D1To4xCif_c(const tYUV422ToYUV420D1To4xCifInstance* ptInstance,
                                         const uint8_t* pu8Src, uint8_t* pu8Dst0, uint8_t* pu8Dst1,
                                         uint8_t* pu8Dst2, uint8_t* pu8Dst3);

PF_API extern const tImgProcFuncList tYUV422ToYUV420D1To4xCifFuncs;
/** The module's descriptor ("IMG_YUV422_SPLIT", id 4) and the pointer to it in ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_YUV422Split;
PF_API extern const tImgProcDesc* const ptImgProc_YUV422Split;
PF_API extern const char* const pas8ImageYUV422ToYUV420D1To4xCifSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_YUV422TOYUV420_D1SPLIT_H_ */
