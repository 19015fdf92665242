/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Picture insertion (module id 14, "IMG_ADD_IMAGE"): copies a foreground picture, cut at its four
 * edges, into a background picture at a given position, converting between frame and field
 * storage on the way, with the merge module's copy kernels (img_merge.h): planar 4:2:0 or packed
 * 4:2:2 (U Y V Y), each picture in one buffer of its own size (4:2:0: U = Y + w h,
 * V = Y + 5 w h / 4). Nothing is scaled or filtered.
 *
 * The kernel by foreground and background storage: frame into frame MergePictureFrame420 (or
 * ...422), frame into field MergePictureFrameField420, field into field MergePictureField420,
 * everything else (field into frame, and image types other than 1 and 2) MergePictureFieldFrame420.
 * Lines go in pairs, as those kernels copy them: a cut foreground of h lines gives h / 2 pairs of
 * luma lines and h / 4 pairs of chroma lines.
 *
 * Cuts: a frame foreground is cut at its top and bottom lines; a foreground stored as fields
 * (every kernel that reads fields takes it so) loses top cut / 2 and bottom cut / 2 lines of each
 * field, top cut / 4 and bottom cut / 4 chroma lines, so the cut applies to both fields alike.
 */
#ifndef PELFORGE_IMG_ADDIMAGE_H_
#define PELFORGE_IMG_ADDIMAGE_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC3C00001 upwards. */
/* clang-format off */
#define PF_IMG_ADD_IMAGE_ERRORS(X)                                                                 \
  X(ADD_IMAGE_OPEN_INPUT_POINTER) X(ADD_IMAGE_OPEN_MALLOC) X(ADD_IMAGE_SETPARAM_INPUT_POINTER)     \
  X(ADD_IMAGE_PROCESS_INPUT_POINTER) X(ADD_IMAGE_PROCESS_INPUT_POINTER_YUV)                        \
  X(ADD_IMAGE_PROCESS_OUTPUT_POINTER_YUV) X(ADD_IMAGE_CLOSE_INPUT_POINTER)                         \
  X(ADD_IMAGE_CLOSE_MEMHANDLE_POINTER) X(ADD_IMAGE_CLOSE_FREE) X(ADD_IMAGE_VERSION_INPUT_POINTER)  \
  X(ADD_IMAGE_VERSION_LEN) X(ADD_IMAGE_CHECK_INPUT) X(ADD_IMAGE_CHECK_BG_SIZE)                     \
  X(ADD_IMAGE_CHECK_FG_SIZE) X(ADD_IMAGE_CHECK_YUV_TYPE_EQUALITY) X(ADD_IMAGE_CHECK_YUV_TYPE)      \
  X(ADD_IMAGE_CHECK_TOP_SIZE) X(ADD_IMAGE_CHECK_LEFT_SIZE) X(ADD_IMAGE_CHECK_TOP_CUT_SIZE)         \
  X(ADD_IMAGE_CHECK_BOTTOM_CUT_SIZE) X(ADD_IMAGE_CHECK_LEFT_CUT_SIZE)                              \
  X(ADD_IMAGE_CHECK_RIGHT_CUT_SIZE) X(ADD_IMAGE_CHECK_FG_WIDTH_OVER)                               \
  X(ADDIMAGE_CHECK_FG_HEIGHT_OVER) X(ADD_IMAGE_STATUS_INPUT_POINTE) X(ADD_IMAGE_GET_DMA_HANDLE)    \
  X(ADD_IMAGE_ANALYZE_ERROR_CODE_HANDLE) X(ADD_IMAGE_END)
/* clang-format on */

#define PF_X(name) ERR_IMG_##name,
enum { ERR_IMG_ADD_IMAGE_BASE_ = 0xC3C00000u, PF_IMG_ADD_IMAGE_ERRORS(PF_X) };
#undef PF_X

/**
 * Parameter record of Open, SetParam and GetStatus (fourteen words). Checks, in this order, with
 * their codes: the background size (CHECK_BG_SIZE), the foreground size (CHECK_FG_SIZE), the YUV
 * types (CHECK_YUV_TYPE_EQUALITY, then CHECK_YUV_TYPE), top, left and the four cuts, then whether
 * the cut foreground fits at its place (CHECK_FG_WIDTH_OVER,
 * ERR_IMG_ADDIMAGE_CHECK_FG_HEIGHT_OVER). The image types are not checked (see the kernel choice
 * above).
 */
typedef struct tImageAddImageParam {
  int32_t s32BgWidth;      /**< a positive multiple of 8 */
  int32_t s32BgHeight;     /**< a positive multiple of 8 */
  uint32_t u32BgImageType; /**< PF_IMAGE_FRAME or PF_IMAGE_FIELD */
  uint32_t u32BgYuvType;   /**< PF_YUV_420 or PF_YUV_UYVY, the foreground's */
  int32_t s32FgWidth;      /**< a positive multiple of 8 */
  int32_t s32FgHeight;     /**< a positive multiple of 8 */
  uint32_t u32FgImageType; /**< PF_IMAGE_FRAME or PF_IMAGE_FIELD */
  uint32_t u32FgYuvType;   /**< PF_YUV_420 or PF_YUV_UYVY */
  int32_t s32Top;          /**< background line of the foreground's first line; even, >= 0 */
  int32_t s32Left;         /**< background column of its first column; even, >= 0 */
  int32_t s32TopCut;       /**< foreground lines cut off at the top; even, >= 0 */
  int32_t s32BottomCut;    /**< ... at the bottom; even, >= 0 */
  int32_t s32LeftCut;      /**< foreground columns cut off at the left; even, >= 0 */
  int32_t s32RightCut;     /**< ... at the right; even, >= 0 */
} tImageAddImageParam;

/*
 * Entry points. Open: (out handle, const tImageAddImageParam*, memory handle); a null pointer
 * gives OPEN_INPUT_POINTER. Process: (handle, uint8_t* array {foreground Y, background Y}, a
 * third pointer that must not be null and is not read): a null handle, array or third pointer
 * gives PROCESS_INPUT_POINTER, a null foreground PROCESS_INPUT_POINTER_YUV, a null background
 * PROCESS_OUTPUT_POINTER_YUV; the background is written in place. SetParam: a null pointer gives
 * SETPARAM_INPUT_POINTER; a refusal changes nothing. GetStatus fills the record (null:
 * STATUS_INPUT_POINTE). GetMemSize reports 216 whatever the record (a null size pointer gives
 * CHECK_INPUT). Debug does nothing.
 */
PF_API uint32_t ImgAddImageOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgAddImageProcess_c(void* hHandle, void* pPictures, void* pReserved);
PF_API uint32_t ImgAddImageClose_c(void* hHandle);
PF_API uint32_t ImgAddImageSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgAddImageGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgAddImageGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgAddImageAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImgAddImageDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgAddImageGetMemSize_c(const void* pParam, uint32_t* pu32Size);

/* Processor dispatch: the copy kernels are the merge module's, so the selectors are empty. */
PF_API void ImgAddImageGlobalInit(void);
PF_API void ImgAddImageMMXFunctions(void);
PF_API void ImgAddImageSSE2Functions(void);
PF_API void ImgAddImageSSSE3Functions(void);
PF_API void ImgAddImageSSE4Functions(void);

PF_API extern const tImgProcFuncList tImageAddImageFunc;
/** The module's descriptor ("IMG_ADD_IMAGE", id 14) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_AddImage;
PF_API extern const tImgProcDesc* const ptImgProc_AddImage;
PF_API extern const char* const pas8ImageAddImageSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_ADDIMAGE_H_ */
