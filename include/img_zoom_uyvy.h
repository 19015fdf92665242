/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * ImageZoomUYVY (module id 23, "IMG_YUV422_ZOOM"): scales a packed 4:2:2 picture (bytes U Y0 V
 * Y1 per pixel pair) into another, inside black bars of the given widths, through a private
 * resizer instance (img_resizer.h). The bars are painted in Y 1, U 128, V 128. The resizer's
 * status codes come back unchanged, and AnalyzeErrorCode names them through the resizer's table.
 */
#ifndef PELFORGE_IMG_ZOOM_UYVY_H_
#define PELFORGE_IMG_ZOOM_UYVY_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC5200001 upwards. The two YUV-type codes are never returned: the
 * record has no YUV type. */
/* clang-format off */
#define PF_IMAGE_ZOOM_UYVY_ERRORS(X)                                                              \
  X(INIT_POINTER) X(INIT_HANDLE_MEM_MALLOC) X(INIT_SRCWIDTH_ILLEGAL) X(INIT_DSTWIDTH_ILLEGAL)     \
  X(INIT_SRCHEIGHT_ILLEGAL) X(INIT_DSTHEIGHT_ILLEGAL) X(INIT_SRC_STRIDE_ILLEGAL)                  \
  X(INIT_DST_STRIDE_ILLEGAL) X(INIT_SRC_YUVTYPE_ILLEGAL) X(INIT_DST_YUVTYPE_ILLEGAL)              \
  X(INIT_SRC_IMAGETYPE_ILLEGAL) X(INIT_DST_IMAGETYPE_ILLEGAL) X(PROCESS_INPUT_POINTER)            \
  X(PROCESS_INPUT_DATA_POINTER) X(PROCESS_OUTPUT_DATA_POINTER)                                    \
  X(PROCESS_INPUT_OUTPUT_POINTER_SAME) X(CLOSE_POINTER) X(CLOSE_MEM_POINTER) X(SETPARAM_POINTER)  \
  X(GET_VERSION_POINTER) X(GET_VERSION_VERLEN_POINTER) X(VERSION_BUFLEN_TOO_SHORT)                \
  X(STATUS_POINTER) X(TOP_BLACK) X(BOTTOM_BLACK) X(LEFT_BLACK) X(RIGHT_BLACK)                     \
  X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE) X(ANDTF_ANALYZECODE_HANDLE)                            \
  X(GETMEMSIZE_PARAM_POINTER) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_ZOOM_UYVY_##name,
enum { ERR_IMG_ZOOM_UYVY_BASE_ = 0xC5200000u, PF_IMAGE_ZOOM_UYVY_ERRORS(PF_X) };
#undef PF_X

/**
 * Parameter record of Open, SetParam, GetStatus and GetMemSize, checked in this order: both
 * widths, both heights, both pitches, the four bars, both image types. The scaled picture fills
 * the destination less the bars; the resizer refuses bars that leave nothing of it.
 */
typedef struct tImageZoomUYVYParam {
  int32_t s32SrcWidth;  /**< 2..12288, even, else ERR_IMG_ZOOM_UYVY_INIT_SRCWIDTH_ILLEGAL */
  int32_t s32SrcHeight; /**< 2..6144, even, else ERR_IMG_ZOOM_UYVY_INIT_SRCHEIGHT_ILLEGAL */
  uint32_t u32SrcPitch; /**< pixels (2 bytes each), >= width, else
                             ERR_IMG_ZOOM_UYVY_INIT_SRC_STRIDE_ILLEGAL */
  uint32_t
      u32SrcImageType;  /**< PF_IMAGE_ code, else ERR_IMG_ZOOM_UYVY_INIT_SRC_IMAGETYPE_ILLEGAL */
  int32_t s32DstWidth;  /**< 2..12288, even, else ERR_IMG_ZOOM_UYVY_INIT_DSTWIDTH_ILLEGAL */
  int32_t s32DstHeight; /**< 2..6144, even, else ERR_IMG_ZOOM_UYVY_INIT_DSTHEIGHT_ILLEGAL */
  uint32_t u32DstPitch; /**< pixels, >= width, else ERR_IMG_ZOOM_UYVY_INIT_DST_STRIDE_ILLEGAL */
  uint32_t
      u32DstImageType;    /**< PF_IMAGE_ code, else ERR_IMG_ZOOM_UYVY_INIT_DST_IMAGETYPE_ILLEGAL */
  int32_t s32TopBlack;    /**< lines, >= 0, even, else ERR_IMG_ZOOM_UYVY_TOP_BLACK */
  int32_t s32BottomBlack; /**< lines, >= 0, even, else ERR_IMG_ZOOM_UYVY_BOTTOM_BLACK */
  int32_t s32LeftBlack;   /**< pixels, >= 0, even, else ERR_IMG_ZOOM_UYVY_LEFT_BLACK */
  int32_t s32RightBlack;  /**< pixels, >= 0, even, else ERR_IMG_ZOOM_UYVY_RIGHT_BLACK */
  uint32_t u32Reserved;   /**< kept and handed back by GetStatus, not otherwise read */
} tImageZoomUYVYParam;

/** Second argument of Process: the two packed pictures. */
typedef struct tImageZoomUYVYBuffers {
  const uint8_t* pu8Src; /**< null: ERR_IMG_ZOOM_UYVY_PROCESS_INPUT_DATA_POINTER */
  uint8_t* pu8Dst;       /**< null: ERR_IMG_ZOOM_UYVY_PROCESS_OUTPUT_DATA_POINTER; equal to
                              pu8Src: ERR_IMG_ZOOM_UYVY_PROCESS_INPUT_OUTPUT_POINTER_SAME */
} tImageZoomUYVYBuffers;

/* Entry points. Open: (out handle, const tImageZoomUYVYParam*, memory handle); null pointers give
 * ERR_IMG_ZOOM_UYVY_INIT_POINTER. Process: (handle, tImageZoomUYVYBuffers*, a third pointer that
 * must not be null and is not read); null pointers give ERR_IMG_ZOOM_UYVY_PROCESS_INPUT_POINTER.
 * SetParam re-validates and re-sets the resizer; a refusal leaves the instance as it was.
 * GetStatus fills a tImageZoomUYVYParam. GetMemSize (exported as ImageZoomUYVGetMemSize_c): the
 * resizer's size plus 184 bytes; a null record or size pointer gives
 * ERR_IMG_ZOOM_UYVY_GETMEMSIZE_PARAM_POINTER. Close returns the resizer's Close status. Debug
 * does nothing. */
PF_API uint32_t ImageZoomUYVYOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageZoomUYVYProcess_c(void* hHandle, void* pBuffers, void* pReserved);
PF_API uint32_t ImageZoomUYVYClose_c(void* hHandle);
PF_API uint32_t ImageZoomUYVYSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageZoomUYVYGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageZoomUYVYGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageZoomUYVYAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageZoomUYVYDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageZoomUYVGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tImageZoomUYVYFunc;
/** The module's descriptor ("IMG_YUV422_ZOOM", id 23) and the pointer to it in ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_YUV422Zoom;
PF_API extern const tImgProcDesc* const ptImgProc_YUV422Zoom;
PF_API extern const char* const pas8ImageZoomUYVYSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_ZOOM_UYVY_H_ */
