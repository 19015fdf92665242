/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * YUV420-to-YUV422 (module id 2, "IMG_YUV420_TO_YUV422"): planar 4:2:0 to packed 4:2:2 (bytes U
 * Y0 V Y1 per pixel pair), scaling on the way when the sizes differ, through a private resizer
 * instance (img_resizer.h). Pictures have no padding: the 4:2:0 source of w x h holds Y (pitch
 * w), U at Y + w * h and V at U + w * h / 4 (pitch w / 2); the packed destination has a pitch of
 * its width in pixels. The resizer checks sizes and refuses what it cannot convert; its codes come
 * back unchanged, and AnalyzeErrorCode names them through the resizer's table.
 */
#ifndef PELFORGE_IMG_YUV420TOYUV422_H_
#define PELFORGE_IMG_YUV420TOYUV422_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC1000024 upwards (this module's part of the colour-space block).
 * Open and SetParam both refuse a destination image type with SETPARAM_OUTPUT_IMG_INTERLACE. */
/* clang-format off */
#define PF_IMG_YUV420TOYUV422_ERRORS(X)                                                           \
  X(OPEN_INPUT_HANDLE) X(OPEN_INPUT_PARAM) X(OPEN_INPUT_MEMHANDLE) X(OPEN_INPUT_IMG_INTERLACE)    \
  X(OPEN_OUTPUT_IMG_INTERLACE) X(OPEN_OUTPUT_IMG_SIZE) X(OPEN_INPUT_IMG_WIDTH)                    \
  X(OPEN_INPUT_IMG_HEIGHT) X(OPEN_UNSUPPORTTYPE) X(OPEN_MALLOC) X(SETPARAM_INPUT_HANDLE)          \
  X(SETPARAM_INPUT_PARAM) X(SETPARAM_INPUT_IMG_INTERLACE) X(SETPARAM_OUTPUT_IMG_INTERLACE)        \
  X(SETPARAM_OUTPUT_IMG_SIZE) X(SETPARAM_INPUT_IMG_WIDTH) X(SETPARAM_INPUT_IMG_HEIGHT)            \
  X(SETPARAM_UNSUPPORTTYPE) X(PROCESS_INPUT_HANDLE) X(PROCESS_INPUT_PARAM)                        \
  X(PROCESS_OUTPUT_PARAM) X(PROCESS_INPUT_BUFF) X(PROCESS_OUTPUT_BUFF) X(GETVERSION_INPUT_BUFFER) \
  X(GETVERSION_BUFFERLEN) X(CLOSE_INPUT_HANDLE) X(CLOSE_INPUT_MEMHANDLE) X(CLOSE_FREE)            \
  X(GETSTATUS_INPUT_HANDLE) X(GETSTATUS_INPUT_PARAM) X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE)     \
  X(GETMEMSIZE_PARAM_POINTER) X(ANDTF_ANALYZECODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_420TO422_##name,
enum { ERR_IMG_420TO422_BASE_ = 0xC1000023u, PF_IMG_YUV420TOYUV422_ERRORS(PF_X) };
#undef PF_X

/** Parameter record of Open, SetParam, GetStatus and GetMemSize. */
typedef struct tYUV420ToYUV422Param {
  int32_t s32SrcWidth;     /**< checked by the resizer */
  int32_t s32SrcHeight;    /**< checked by the resizer */
  int32_t s32SrcImageType; /**< PF_IMAGE_ code; the resizer refuses pairs it cannot convert */
  int32_t s32DstWidth;     /**< checked by the resizer */
  int32_t s32DstHeight;    /**< checked by the resizer */
  int32_t s32DstImageType; /**< PF_IMAGE_FRAME or PF_IMAGE_INTERLACED, else
                                ERR_IMG_420TO422_SETPARAM_OUTPUT_IMG_INTERLACE */
} tYUV420ToYUV422Param;

/** Second argument of Process: the two pictures. */
typedef struct tYUV420ToYUV422Buffers {
  const uint8_t* pu8Src; /**< 4:2:0 source; null: ERR_IMG_420TO422_PROCESS_INPUT_BUFF */
  uint8_t* pu8Dst;       /**< packed destination; null: ERR_IMG_420TO422_PROCESS_OUTPUT_BUFF */
} tYUV420ToYUV422Buffers;

/* Entry points. Open: (out handle, const tYUV420ToYUV422Param*, memory handle). Process:
 * (handle, tYUV420ToYUV422Buffers*, uint32_t* that receives the destination image type).
 * SetParam re-sets the resizer; a refusal leaves the instance as it was. GetStatus fills a
 * tYUV420ToYUV422Param. GetMemSize reports the resizer's size. Close returns the resizer's Close
 * status when that fails, else ERR_IMG_420TO422_CLOSE_FREE when a release fails. Debug does
 * nothing. */
PF_API uint32_t ImgYUV420ToYUV422Open_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgYUV420ToYUV422Process_c(void* hHandle, void* pBuffers, void* pDstImageType);
PF_API uint32_t ImgYUV420ToYUV422Close_c(void* hHandle);
PF_API uint32_t ImgYUV420ToYUV422SetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgYUV420ToYUV422GetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                              uint32_t* pu32TextLen);
PF_API uint32_t ImgYUV420ToYUV422GetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgYUV420ToYUV422AnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                    char* ps8Buf);
PF_API uint32_t ImgYUV420ToYUV422Debug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgYUV420ToYUV422GetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tYUV420ToYUV422Funcs;
/** The module's descriptor ("IMG_YUV420_TO_YUV422", id 2) and the pointer to it in ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_YUV420toYUV422;
PF_API extern const tImgProcDesc* const ptImgProc_YUV420toYUV422;
PF_API extern const char* const pas8ImageYUV420ToYUV422SelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_YUV420TOYUV422_H_ */
