/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * YUV422-to-YUV420 (module id 1, "IMG_YUV422_TO_YUV420"): packed 4:2:2 (bytes U Y0 V Y1 per pixel
 * pair) to planar 4:2:0, scaling on the way when the sizes differ, through a private resizer
 * instance (img_resizer.h). Pictures have no padding: the packed source has a pitch of its width
 * in pixels; the 4:2:0 destination of w x h holds Y (pitch w), U at Y + w * h and V at
 * U + w * h / 4 (pitch w / 2). 720-wide frames of the same size on both sides go through the D1
 * conversions, which also tell whether the picture starts a new scene. The resizer checks sizes
 * and refuses what it cannot convert; its codes come back unchanged, and AnalyzeErrorCode names
 * them through the resizer's table.
 */
#ifndef PELFORGE_IMG_YUV422TOYUV420_H_
#define PELFORGE_IMG_YUV422TOYUV420_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC1000001 upwards (this module's part of the colour-space block). */
/* clang-format off */
#define PF_IMG_YUV422TOYUV420_ERRORS(X)                                                           \
  X(OPEN_INPUT_HANDLE) X(OPEN_INPUT_PARAM) X(OPEN_INPUT_MEMHANDLE) X(OPEN_INPUT_IMG_INTERLACE)    \
  X(OPEN_OUTPUT_IMG_INTERLACE) X(OPEN_INPUT_IMG_SIZE) X(OPEN_OUTPUT_IMG_WIDTH)                    \
  X(OPEN_OUTPUT_IMG_HEIGHT) X(OPEN_UNSUPPORTTYPE) X(OPEN_MALLOC) X(SETPARAM_INPUT_HANDLE)         \
  X(SETPARAM_INPUT_PARAM) X(SETPARAM_INPUT_IMG_INTERLACE) X(SETPARAM_OUTPUT_IMG_INTERLACE)        \
  X(SETPARAM_INPUT_IMG_SIZE) X(SETPARAM_OUTPUT_IMG_WIDTH) X(SETPARAM_OUTPUT_IMG_HEIGHT)           \
  X(SETPARAM_UNSUPPORTTYPE) X(PROCESS_INPUT_HANDLE) X(PROCESS_INPUT_PARAM)                        \
  X(PROCESS_OUTPUT_PARAM) X(PROCESS_INPUT_BUFF) X(PROCESS_OUTPUT_BUFF) X(GETVERSION_INPUT_BUFFER) \
  X(GETVERSION_BUFFERLEN) X(CLOSE_INPUT_HANDLE) X(CLOSE_INPUT_MEMHANDLE) X(CLOSE_FREE)            \
  X(GETSTATUS_INPUT_HANDLE) X(GETSTATUS_INPUT_PARAM) X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE)     \
  X(ANDTF_ANALYZECODE_HANDLE) X(GETMEMSIZE_POINTER_PARAM) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_422TO420_##name,
enum { ERR_IMG_422TO420_BASE_ = 0xC1000000u, PF_IMG_YUV422TOYUV420_ERRORS(PF_X) };
#undef PF_X

/** Parameter record of Open, SetParam, GetStatus and GetMemSize; the resizer checks it. */
typedef struct tYUV422ToYUV420Param {
  int32_t s32SrcWidth;
  int32_t s32SrcHeight;
  int32_t s32SrcImageType; /**< PF_IMAGE_ code */
  int32_t s32DstWidth;
  int32_t s32DstHeight;
  int32_t s32DstImageType; /**< PF_IMAGE_ code */
} tYUV422ToYUV420Param;

/** Second argument of Process: the two pictures. */
typedef struct tYUV422ToYUV420Buffers {
  const uint8_t* pu8Src; /**< packed source; null: ERR_IMG_422TO420_PROCESS_INPUT_BUFF */
  uint8_t* pu8Dst;       /**< 4:2:0 destination; null: ERR_IMG_422TO420_PROCESS_OUTPUT_BUFF */
} tYUV422ToYUV420Buffers;

/** Third argument of Process: what it reports about the picture. */
typedef struct tYUV422ToYUV420Result {
  uint32_t u32DstImageType; /**< the destination's image type */
  uint32_t u32SceneChange;  /**< 1 when a 720-wide frame's mean Y, U and V differ enough from
                                 the previous picture's (all 0 before the first), else 0; always
                                 0 for other conversions */
} tYUV422ToYUV420Result;

/* Entry points. Open: (out handle, const tYUV422ToYUV420Param*, memory handle). Process:
 * (handle, tYUV422ToYUV420Buffers*, tYUV422ToYUV420Result*). SetParam re-sets the resizer; a
 * refusal leaves the instance as it was. GetStatus fills a tYUV422ToYUV420Param. GetMemSize
 * reports the resizer's size. Close returns the resizer's Close status when that fails, else
 * ERR_IMG_422TO420_CLOSE_FREE when a release fails. Debug does nothing. */
PF_API uint32_t ImgYUV422ToYUV420Open_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgYUV422ToYUV420Process_c(void* hHandle, void* pBuffers, void* pResult);
PF_API uint32_t ImgYUV422ToYUV420Close_c(void* hHandle);
PF_API uint32_t ImgYUV422ToYUV420SetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgYUV422ToYUV420GetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                              uint32_t* pu32TextLen);
PF_API uint32_t ImgYUV422ToYUV420GetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgYUV422ToYUV420AnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                    char* ps8Buf);
PF_API uint32_t ImgYUV422ToYUV420Debug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgYUV422ToYUV420GetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tYUV422ToYUV420Funcs;
/** The module's descriptor ("IMG_YUV422_TO_YUV420", id 1) and the pointer to it in ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_YUV422toYUV420;
PF_API extern const tImgProcDesc* const ptImgProc_YUV422toYUV420;
PF_API extern const char* const pas8ImageYUV422ToYUV420SelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_YUV422TOYUV420_H_ */
