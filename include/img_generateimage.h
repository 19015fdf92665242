/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Generated pictures (module id 11, "IMG_GENERATE_IMAGE"): fills a 4:2:0 frame held in one buffer
 * with a test pattern through a private renovation instance (img_renovation.h): the 720x576 test
 * card, or either set of colour bars. The renovation instance's status codes come back unchanged
 * (its size checks among them).
 */
#ifndef PELFORGE_IMG_GENERATEIMAGE_H_
#define PELFORGE_IMG_GENERATEIMAGE_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order; the start marker is 0xC3400000, the first error 0xC3400001. */
/* clang-format off */
#define PF_IMG_GENERATE_IMAGE_ERRORS(X)                                                            \
  X(START) X(OPEN_PARAM_POINTER) X(OPEN_WIDTH_HEIGHT_GLOBOSITY) X(OPEN_WIDTH_HEIGHT_RAINBOW)       \
  X(OPEN_PATTER_TYPE) X(OPEN_MALLOC) X(PROCESS_HANDLE) X(PROCESS_IN_OUT_HANDLE)                    \
  X(PROCESS_INPUT_POINTER) X(CLOSE_HANDLE) X(CLOSE_FREE) X(SET_PARAM_HANDLE)                       \
  X(SET_PARAM_WIDTH_HEIGHT_GLOBOSITY) X(SET_PARAM_WIDTH_HEIGHT_RAINBOW) X(SET_PARAM_PATTER_TYPE)   \
  X(GET_STATUS_HANDLE) X(GETVERSION_HANDLE) X(GETVERSION_POINTER) X(GETVERSION_LENGTH)             \
  X(ANALYZECODE_HANDLE) X(FAST_SCRATCH) X(DMA_HANDLE) X(GETMEMSIZE_PARAM_POINTER)                  \
  X(GETMEMSIZE_PATTER_TYPE) X(GETMEMSIZE_WIDTH) X(GETMEMSIZE_HEIGHT) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_GENERATE_IMAGE_##name,
enum { ERR_IMG_GENERATE_IMAGE_BASE_ = 0xC33FFFFFu, PF_IMG_GENERATE_IMAGE_ERRORS(PF_X) };
#undef PF_X

/**
 * Parameter record of Open, SetParam, GetStatus and GetMemSize. Open and SetParam take the
 * pattern types 1 (test card, 720x576 only), 2 and 4 (colour bars, a width that is a multiple of
 * 16), else OPEN_PATTER_TYPE or SET_PARAM_PATTER_TYPE; the renovation instance checks the size
 * with its own codes.
 */
typedef struct tImgGenerateImageParam {
  uint32_t u32PatternType; /**< PF_RENOVATION_TESTCARD, _BARS or _BARS2 (img_renovation.h) */
  int32_t s32Width;        /**< even, 1..12288 */
  int32_t s32Height;       /**< even, 1..12288 */
} tImgGenerateImageParam;

/*
 * Entry points. Open: (out handle, const tImgGenerateImageParam*, memory handle); a null pointer
 * gives OPEN_PARAM_POINTER. Process: (handle, uint8_t* array whose first entry is the picture's
 * Y plane, a context that must not be null); the picture is one buffer: U = Y + w h,
 * V = U + w h / 4, pitches w and w / 2. A null handle, array or context gives PROCESS_HANDLE, a
 * null Y PROCESS_INPUT_POINTER. SetParam: null pointers SET_PARAM_HANDLE; a refusal changes
 * nothing. GetStatus fills the record (null: GET_STATUS_HANDLE). GetMemSize takes pattern types
 * 1 to 4 (GETMEMSIZE_PATTER_TYPE) and even sizes 1..12288 (GETMEMSIZE_WIDTH, _HEIGHT) and
 * reports the renovation module's size plus 92 bytes. Close: CLOSE_HANDLE for a null handle or
 * an instance without memory handle, else the renovation instance's Close status, or CLOSE_FREE.
 * Debug does nothing.
 */
PF_API uint32_t ImgGenerateImageOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgGenerateImageProcess_c(void* hHandle, void* pPlanes, void* pContext);
PF_API uint32_t ImgGenerateImageClose_c(void* hHandle);
PF_API uint32_t ImgGenerateImageSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgGenerateImageGetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                             uint32_t* pu32TextLen);
PF_API uint32_t ImgGenerateImageGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgGenerateImageAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                   char* ps8Buf);
PF_API uint32_t ImgGenerateImageDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgGenerateImageGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tImgGenerateImageFunc;
/** The module's descriptor ("IMG_GENERATE_IMAGE", id 11) and its pointer in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_GenerateImage;
PF_API extern const tImgProcDesc* const ptImgProc_GenerateImage;
PF_API extern const char* const pas8ImgGenerateImageAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_GENERATEIMAGE_H_ */
