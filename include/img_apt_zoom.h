/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * ImageAptZoom (module id 20, "IMG_APT_ZOOM_MOD"): scales a planar 4:2:0 or packed 4:2:2 picture
 * into an output picture less four bars, painted in Y 1, U 128, V 128, through a private resizer
 * instance (img_resizer.h). Giving bars that keep the picture's aspect ratio letterboxes or
 * pillarboxes it. The resizer's status codes come back unchanged, and AnalyzeErrorCode names them
 * through the resizer's table.
 */
#ifndef PELFORGE_IMG_APT_ZOOM_H_
#define PELFORGE_IMG_APT_ZOOM_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC4E00001 upwards. APT_ZOOM_NUM and UNSUPPORT_YUV420TOYUV422_TYPE
 * are never returned. */
/* clang-format off */
#define PF_IMAGE_APT_ZOOM_ERRORS(X)                                                               \
  X(SELF_INIT_POINTER) X(SELF_INIT_LEFT_OFFSET_ILLEGAL) X(SELF_INIT_RIGHT_OFFSET_ILLEGAL)         \
  X(SELF_INIT_HORIZON_OFFSET_ILLEGAL) X(SELF_INIT_TOP_OFFSET_ILLEGAL)                             \
  X(SELF_INIT_BOTTOM_OFFSET_ILLEGAL) X(SELF_INIT_VERTICAL_OFFSET_ILLEGAL)                         \
  X(SELF_INIT_IMAGE_WIDTH_ILLEGAL) X(SELF_INIT_IMAGE_HEIGHT_ILLEGAL) X(SELF_INIT_YSTRIDE_ILLEGAL)  \
  X(SELF_INIT_UVSTRIDE_ILLEGAL) X(SELF_INIT_OUT_IMAGE_WIDTH_ILLEGAL)                              \
  X(SELF_INIT_OUT_IMAGE_HEIGHT_ILLEGAL) X(SELF_INIT_OUT_YSTRIDE_ILLEGAL)                          \
  X(SELF_INIT_SRC_YUVTYPE_ILLEGAL) X(SELF_INIT_DST_YUVTYPE_ILLEGAL)                               \
  X(SELF_INIT_HANDLE_MEM_MALLOC_ERROR) X(SELF_INIT_SRC_IMAGETYPE_ILLEGAL)                         \
  X(SELF_INIT_DST_IMAGETYPE_ILLEGAL) X(SELF_INIT_APT_ZOOM_NUM_ILLEGAL)                            \
  X(SELF_INIT_UNSUPPORT_YUV420TOYUV422_TYPE) X(SELF_SETPARAM_POINTER) X(SELF_CLOSE_POINTER)       \
  X(SELF_CLOSE_MEM_POINTER) X(SELF_GET_VERSION_POINTER) X(SELF_GET_VERSION_VERLEN_POINTER)        \
  X(SELF_VERSION_BUFLEN_TOO_SHORT) X(SELF_INPUT_POINTER) X(SELF_INPUT_DATA_POINTER)               \
  X(SELF_OUTPUT_DATA_POINTER) X(SELF_STATUS_POINTER) X(FAST_SCRATCH_MEM_MALLOC)                   \
  X(GET_DMA_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE) X(GET_MEMSIZE_ZOOM_PARAM) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_APT_ZOOM_##name,
enum { ERR_IMG_APT_ZOOM_BASE_ = 0xC4E00000u, PF_IMAGE_APT_ZOOM_ERRORS(PF_X) };
#undef PF_X

/**
 * Parameter record of Open, SetParam, GetStatus and GetMemSize, checked in this order: source
 * width, height and pitches, output width, height and pitch, left, right and both horizontal
 * bars, top, bottom and both vertical bars, the YUV types, the image types. The bars are checked
 * against the source's size (each below it, both together below it, multiples of 4) and painted
 * in the output, so the scaled picture measures output width - left - right by output height -
 * top - bottom; the resizer refuses bars that leave nothing of it. Each picture is one buffer:
 * for 4:2:0, Y, then U at Y + width * height, then V a quarter of that further, their lines a
 * pitch and half a pitch apart. The planes do not move with the pitch, so 4:2:0 pictures are
 * meant to be unpadded (pitch = width).
 */
typedef struct tImageAptZoomParam {
  int32_t s32SrcWidth;    /**< >= 2, even, else ERR_IMG_APT_ZOOM_SELF_INIT_IMAGE_WIDTH_ILLEGAL */
  int32_t s32SrcHeight;   /**< >= 2; a multiple of 4 for field pictures, even for frames, else
                               ERR_IMG_APT_ZOOM_SELF_INIT_IMAGE_HEIGHT_ILLEGAL */
  uint32_t u32SrcYPitch;  /**< bytes (pixels for 422), >= width, else
                               ERR_IMG_APT_ZOOM_SELF_INIT_YSTRIDE_ILLEGAL */
  uint32_t u32SrcUVPitch; /**< luma pitch / 2, else ERR_IMG_APT_ZOOM_SELF_INIT_UVSTRIDE_ILLEGAL */
  uint32_t u32SrcYuvType; /**< PF_YUV_420 or PF_YUV_UYVY, else
                               ERR_IMG_APT_ZOOM_SELF_INIT_SRC_YUVTYPE_ILLEGAL */
  int32_t s32OutWidth;   /**< >= 2, even, else ERR_IMG_APT_ZOOM_SELF_INIT_OUT_IMAGE_WIDTH_ILLEGAL */
  int32_t s32OutHeight;  /**< >= 2, even, else
                              ERR_IMG_APT_ZOOM_SELF_INIT_OUT_IMAGE_HEIGHT_ILLEGAL */
  uint32_t u32OutYPitch; /**< bytes (pixels for 422), >= output width, else
                              ERR_IMG_APT_ZOOM_SELF_INIT_OUT_YSTRIDE_ILLEGAL; the output's
                              chroma pitch is half of it */
  uint32_t u32OutYuvType;   /**< PF_YUV_420 or PF_YUV_UYVY, else
                                 ERR_IMG_APT_ZOOM_SELF_INIT_DST_YUVTYPE_ILLEGAL */
  uint32_t u32SrcImageType; /**< PF_IMAGE_FRAME or PF_IMAGE_FIELD, else
                                 ERR_IMG_APT_ZOOM_SELF_INIT_SRC_IMAGETYPE_ILLEGAL */
  uint32_t u32OutImageType; /**< PF_IMAGE_FRAME or PF_IMAGE_FIELD, else
                                 ERR_IMG_APT_ZOOM_SELF_INIT_DST_IMAGETYPE_ILLEGAL */
  int32_t s32LeftOffset;    /**< bar pixels, 0..source width - 1, multiple of 4, else
                                 ERR_IMG_APT_ZOOM_SELF_INIT_LEFT_OFFSET_ILLEGAL */
  int32_t s32RightOffset;   /**< likewise, else ERR_IMG_APT_ZOOM_SELF_INIT_RIGHT_OFFSET_ILLEGAL;
                                 left + right < source width, else
                                 ERR_IMG_APT_ZOOM_SELF_INIT_HORIZON_OFFSET_ILLEGAL */
  int32_t s32TopOffset;     /**< bar lines, 0..source height - 1, multiple of 4, else
                                 ERR_IMG_APT_ZOOM_SELF_INIT_TOP_OFFSET_ILLEGAL */
  int32_t s32BottomOffset;  /**< likewise, else ERR_IMG_APT_ZOOM_SELF_INIT_BOTTOM_OFFSET_ILLEGAL;
                                 top + bottom < source height, else
                                 ERR_IMG_APT_ZOOM_SELF_INIT_VERTICAL_OFFSET_ILLEGAL */
  uint32_t u32Reserved;     /**< kept and handed back by GetStatus, not otherwise read */
} tImageAptZoomParam;

/** Second argument of Process: the two pictures. They are not checked for being the same. */
typedef struct tImageAptZoomBuffers {
  const uint8_t* pu8Src; /**< null: ERR_IMG_APT_ZOOM_SELF_INPUT_DATA_POINTER */
  uint8_t* pu8Dst;       /**< null: ERR_IMG_APT_ZOOM_SELF_OUTPUT_DATA_POINTER */
} tImageAptZoomBuffers;

/* Entry points. Open: (out handle, const tImageAptZoomParam*, memory handle); null pointers give
 * ERR_IMG_APT_ZOOM_SELF_INIT_POINTER. Process: (handle, tImageAptZoomBuffers*, a third pointer
 * that must not be null and is not read); null pointers give ERR_IMG_APT_ZOOM_SELF_INPUT_POINTER.
 * SetParam re-validates and re-sets the resizer; a refusal leaves the instance as it was.
 * GetStatus fills a tImageAptZoomParam. GetMemSize: the resizer's size plus 192 bytes; a null
 * record or size pointer gives ERR_IMG_APT_ZOOM_GET_MEMSIZE_ZOOM_PARAM. Close returns the
 * resizer's Close status. Debug does nothing. */
PF_API uint32_t ImageAptZoomOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageAptZoomProcess_c(void* hHandle, void* pBuffers, void* pReserved);
PF_API uint32_t ImageAptZoomClose_c(void* hHandle);
PF_API uint32_t ImageAptZoomSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageAptZoomGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageAptZoomGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageAptZoomAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageAptZoomDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageAptZoomGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tImageAptZoomFunc;
/** The module's descriptor ("IMG_APT_ZOOM_MOD", id 20) and the pointer to it in ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_AptZoom;
PF_API extern const tImgProcDesc* const ptImgProc_AptZoom;
PF_API extern const char* const pas8ImageAptZoomSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_APT_ZOOM_H_ */
