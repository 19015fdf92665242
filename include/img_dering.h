/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Dering: suppresses ringing around edges inside the 8 x 8 blocks of a decoded planar 4:2:0
 * picture, in place. Each block is split into a bright and a dark class at the midpoint of its
 * value range; a 3 x 3 smoothing reaches only pixels whose whole 3 x 3 neighbourhood lies in one
 * class, and no pixel moves by more than half the quantiser given with the picture.
 *
 * The module has no function table, descriptor or registry entry: hosts call its entry points.
 */
#ifndef PELFORGE_IMG_DERING_H_
#define PELFORGE_IMG_DERING_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order from 0xC2C00000 (the start marker); END is 0xC2C00013. */
/* clang-format off */
#define PF_IMG_DERING_ERRORS(X)                                                                    \
  X(START_CODE) X(OPEN_HANDLE) X(OPEN_MALLOC) X(PARAM_WIDTH) X(PARAM_HEIGHT) X(PARAM_STRIDE)       \
  X(PROCESS_HANDLE) X(PROCESS_INPUT_POINTER) X(PROCESS_OUTPUT_POINTER) X(CLOSE_HANDLE)             \
  X(CLOSE_FREE) X(SET_PARAM_HANDLE) X(GETVERSION_HANDLE) X(GETVERSION_POINTER)                     \
  X(GETVERSION_LENGTH) X(GETSTATUS_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE) X(MALLOC_FAST_SCRATCH)     \
  X(GET_DMA_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_DERING_##name,
enum { ERR_IMG_DERING_BASE_ = 0xC2BFFFFFu, PF_IMG_DERING_ERRORS(PF_X) };
#undef PF_X

/** Parameter record of Open and SetParam; GetStatus fills the same layout. */
typedef struct tImgDeringParam {
  int32_t s32Width;    /**< >= 1 and a multiple of 8 (ERR_IMG_DERING_PARAM_WIDTH) */
  int32_t s32Height;   /**< >= 1 and a multiple of 8 (ERR_IMG_DERING_PARAM_HEIGHT) */
  int32_t s32YStride;  /**< >= s32Width (ERR_IMG_DERING_PARAM_STRIDE) */
  int32_t s32UVStride; /**< >= s32Width / 2 (ERR_IMG_DERING_PARAM_STRIDE) */
} tImgDeringParam;

/** Process record: the picture, rewritten in place, and its quantiser. */
typedef struct tImgDeringData {
  uint8_t* pu8Y;
  uint8_t* pu8U; /**< chroma planes are width / 2 x height / 2 */
  uint8_t* pu8V;
  int32_t s32QP; /**< a pixel moves by at most QP >> 1; 1 or less leaves the picture as it is */
} tImgDeringData;

/** Plane kernel: (fast scratch, plane, width, height, stride, QP). */
typedef void (*tImgDeringKernel)(void* pvScratch, uint8_t* pu8Plane, int32_t s32Width,
                                 int32_t s32Height, int32_t s32Stride, int32_t s32QP);

/** The instance behind a handle. */
typedef struct tImgDeringInstance {
  void* hMem;                 /**< memory handle given to Open */
  void* pvFastScratch;        /**< PF_FAST_SCRATCH_BYTES, handed to the kernel */
  void* hDma;                 /**< DMA handle */
  tImgDeringParam tParam;     /**< the validated parameters */
  tImgDeringKernel pfnKernel; /**< Dering as it was at Open/SetParam */
} tImgDeringInstance;

/* Entry points. Open: (out handle, const tImgDeringParam*, memory handle). Process: (handle,
 * tImgDeringData*, any non-null pointer): the kernel on Y, then U and V with the same QP.
 * GetMemSize stores 56 (a null size pointer gives ERR_IMG_DERING_OPEN_HANDLE). Debug does
 * nothing. */
PF_API uint32_t ImgDeringOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgDeringProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgDeringClose_c(void* hHandle);
PF_API uint32_t ImgDeringSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgDeringGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgDeringGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgDeringAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageDeringDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageDeringGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgDeringGlobalInit(void);
PF_API void ImgDeringMMXFunctions(void);
PF_API void ImgDeringSSE2Functions(void);
PF_API void ImgDeringSSSE3Functions(void);
PF_API void ImgDeringSSE4Functions(void);

/**
 * One plane in place; m = QP >> 1 (0 for a negative QP). Nothing happens when the plane is
 * less than 17 lines high or 17 pixels wide. The blocks with top-left corner (8 + 8i, 8 + 8j),
 * i < (width - 9) / 8 and j < (height - 9) / 8, are visited row by row, left to right (the
 * outer ring of blocks stays). Per block: t = (min + max) >> 1 of its 64 pixels; a pixel is
 * of class 1 when >= t. A block pixel whose 3 x 3 neighbourhood is all of one class becomes,
 * with f = (corners + 2 x edges + 4 x centre) >> 4 of that neighbourhood (neighbours in blocks
 * visited earlier read as filtered) and d = f - p: p + m when d > m, f when d >= -m, else p - m.
 */
PF_API extern tImgDeringKernel Dering;
PF_API void Dering_c(void* pvScratch, uint8_t* pu8Plane, int32_t s32Width, int32_t s32Height,
                     int32_t s32Stride, int32_t s32QP);

PF_API extern const char* const pas8DeringAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_DERING_H_ */
