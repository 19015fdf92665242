/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * ImageZoom (module id 5, "IMG_ZOOM"): scales a planar 4:2:0 picture held in one buffer into
 * another, with explicit pitches, through a private resizer instance (img_resizer.h). The
 * resizer's status codes come back unchanged from every entry point, and AnalyzeErrorCode names
 * them through the resizer's table.
 */
#ifndef PELFORGE_IMG_ZOOM_H_
#define PELFORGE_IMG_ZOOM_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC0E00001 upwards. */
/* clang-format off */
#define PF_IMAGE_ZOOM_ERRORS(X)                                                                   \
  X(SELF_INIT_POINTER) X(SELF_SETPARAM_POINTER) X(SELF_HANDLE_MEM_MALLOC)                         \
  X(SELF_SRCWIDTH_ILLEGAL) X(SELF_SRCHEIGHT_ILLEGAL) X(SELF_SRCYSTRIDE_ILLEGAL)                    \
  X(SELF_SRCUVSTRIDE_ILLEGAL) X(SELF_SRCYUVTYPE_ILLEGAL) X(SELF_SRCIMAGETYPE_ILLEGAL)              \
  X(SELF_DSTWIDTH_ILLEGAL) X(SELF_DSTHEIGHT_ILLEGAL) X(SELF_DSTYSTRIDE_ILLEGAL)                    \
  X(SELF_DSTUVSTRIDE_ILLEGAL) X(SELF_DSTYUVTYPE_ILLEGAL) X(SELF_DSTIMAGETYPE_ILLEGAL)              \
  X(SELF_ZOOMTYPE_ILLEGAL) X(SELF_INPUT_POINTER) X(SELF_INPUT_DATA_POINTER)                       \
  X(SELF_OUTPUT_DATA_POINTER) X(SELF_INPUT_OUTPUT_POINTER_SAME) X(SELF_VERSION_BUFLEN_TOO_SHORT)  \
  X(SELF_CLOSE_POINTER) X(SELF_CLOSE_MEM_POINTER) X(SELF_GET_VERSION_POINTER)                     \
  X(SELF_GET_VERSION_VERLEN_POINTER) X(SELF_STATUS_POINTER) X(GETMEMSIZE_INPUT_POINTER)           \
  X(FAST_SCRATCH_MEM_MALLOC) X(GET_DMA_HANDLE) X(SELF_ANDTF_ANALYZECODE_HANDLE)                   \
  X(SELF_GETMEMSIZE_PARAM_POINTER) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_ZOOM_##name,
enum { ERR_IMG_ZOOM_BASE_ = 0xC0E00000u, PF_IMAGE_ZOOM_ERRORS(PF_X) };
#undef PF_X

/**
 * Parameter record of Open, SetParam, GetStatus and GetMemSize. Each picture is one buffer: Y
 * (pitch u32...YPitch), then U (height / 2 lines of u32...UVPitch), then V. The checks run in the
 * order Open makes them: both widths, both heights, the four pitches, the YUV types, the image
 * types, the zoom type. The resizer then refuses what it cannot do (field pictures need heights
 * that are multiples of 4, for example) with its own codes.
 */
typedef struct tImageZoomParam {
  int32_t s32SrcWidth;      /**< 2..12288, even, else ERR_IMG_ZOOM_SELF_SRCWIDTH_ILLEGAL */
  int32_t s32SrcHeight;     /**< >= 2, even, else ERR_IMG_ZOOM_SELF_SRCHEIGHT_ILLEGAL */
  uint32_t u32SrcYPitch;    /**< bytes, >= width, else ERR_IMG_ZOOM_SELF_SRCYSTRIDE_ILLEGAL */
  uint32_t u32SrcUVPitch;   /**< luma pitch / 2, else ERR_IMG_ZOOM_SELF_SRCUVSTRIDE_ILLEGAL */
  uint32_t u32SrcYuvType;   /**< PF_YUV_420, else ERR_IMG_ZOOM_SELF_SRCYUVTYPE_ILLEGAL */
  uint32_t u32SrcImageType; /**< PF_IMAGE_ code, else ERR_IMG_ZOOM_SELF_SRCIMAGETYPE_ILLEGAL */
  int32_t s32DstWidth;      /**< 2..12288, even, else ERR_IMG_ZOOM_SELF_DSTWIDTH_ILLEGAL */
  int32_t s32DstHeight;     /**< >= 2, even, else ERR_IMG_ZOOM_SELF_DSTHEIGHT_ILLEGAL */
  uint32_t u32DstYPitch;    /**< bytes, >= width, else ERR_IMG_ZOOM_SELF_DSTYSTRIDE_ILLEGAL */
  uint32_t u32DstUVPitch;   /**< luma pitch / 2, else ERR_IMG_ZOOM_SELF_DSTUVSTRIDE_ILLEGAL */
  uint32_t u32DstYuvType;   /**< PF_YUV_420, else ERR_IMG_ZOOM_SELF_DSTYUVTYPE_ILLEGAL */
  uint32_t u32DstImageType; /**< PF_IMAGE_ code, else ERR_IMG_ZOOM_SELF_DSTIMAGETYPE_ILLEGAL */
  uint8_t u8ZoomType;       /**< 0..2, else ERR_IMG_ZOOM_SELF_ZOOMTYPE_ILLEGAL; kept, and every
                                 zoom type scales alike (bilinear) */
} tImageZoomParam;

/** Second argument of Process: the two pictures, each one buffer laid out as the record says. */
typedef struct tImageZoomBuffers {
  const uint8_t* pu8Src; /**< null: ERR_IMG_ZOOM_SELF_INPUT_DATA_POINTER */
  uint8_t* pu8Dst;       /**< null: ERR_IMG_ZOOM_SELF_OUTPUT_DATA_POINTER; equal to pu8Src:
                              ERR_IMG_ZOOM_SELF_INPUT_OUTPUT_POINTER_SAME */
} tImageZoomBuffers;

/* Entry points. Open: (out handle, const tImageZoomParam*, memory handle); a null out handle,
 * record or memory handle gives ERR_IMG_ZOOM_SELF_INIT_POINTER. Process: (handle,
 * tImageZoomBuffers*, a third pointer that must not be null and is not read); a null handle,
 * buffer record or third pointer gives ERR_IMG_ZOOM_SELF_INPUT_POINTER. SetParam re-validates and
 * re-sets the resizer; a refusal leaves the instance as it was. GetStatus fills a
 * tImageZoomParam. GetMemSize: the resizer's size plus 192 bytes, for a record Open would
 * validate; a null record gives ERR_IMG_ZOOM_SELF_GETMEMSIZE_PARAM_POINTER, a null size pointer
 * ERR_IMG_ZOOM_GETMEMSIZE_INPUT_POINTER. Close returns the resizer's Close status. Debug does
 * nothing. */
PF_API uint32_t ImageZoomOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageZoomProcess_c(void* hHandle, void* pBuffers, void* pReserved);
PF_API uint32_t ImageZoomClose_c(void* hHandle);
PF_API uint32_t ImageZoomSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageZoomGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageZoomGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageZoomAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageZoomDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageZoomGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tImageZoomFunc;
/** The module's descriptor ("IMG_ZOOM", id 5) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Zoom;
PF_API extern const tImgProcDesc* const ptImgProc_Zoom;
PF_API extern const char* const pas8ImageZoomSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_ZOOM_H_ */
