/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * RGB resizer (module id 26, "RGB_RESIZER"): scales an RGB picture bilinearly and converts
 * between 8-bit palette, 16-bit 5-6-5 and 24-bit pixels on the way. Rows are stored top-down,
 * 24-bit pixels as blue, green, red, 5-6-5 pixels as little-endian 16-bit words
 * (red in bits 15..11, green 10..5, blue 4..0).
 *
 * For destination pixel (x, y), in 16.16 fixed point:
 *   sx = ((SW << 16) - 65536) / (DW - 1), sy likewise; positions are x * sx and y * sy
 *   (a destination width or height of 1 has step 0: that column or row samples source
 *   position 0, the picture's left or top edge)
 *   c = pos_x >> 16, r = pos_y >> 16; the pixel right of and below them, or the same one at the
 *   right or bottom edge
 *   fx, fy = the top 6 bits of the fractions (0..63)
 *   sum = (p[r][c] (64 - fx) + p[r][c+1] fx) (1024 - 16 fy) + (p[r+1][c] (64 - fx) +
 *         p[r+1][c+1] fx) 16 fy, per channel
 * The result is (sum + 32768) >> 16 at the channel's source precision, except: 24->16 and 8->16
 * keep the top bits of the 8-bit result, (sum + 32768) >> 19 for red and blue and >> 18 for
 * green; 16->24 writes (sum + 32768) >> 13 for red and blue and >> 14 for green, so that 5-6-5
 * black becomes (4, 2, 4) and white (252, 254, 252).
 */
#ifndef PELFORGE_RGB_RESIZER_H_
#define PELFORGE_RGB_RESIZER_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC7C00001 upwards. */
/* clang-format off */
#define PF_RGB_RESIZER_ERRORS(X)                                                                   \
  X(OPEN_INPUT_HANDLE) X(OPEN_INPUT_PARAM) X(OPEN_INPUT_MEMHANDLE) X(OPEN_INPUT_IMG_SIZE)          \
  X(OPEN_DST_IMG_SIZE) X(OPEN_MALLOC) X(OPEN_MALLOC_FAST_SCRATCH) X(OPEN_GET_DMA_HANDLE)           \
  X(OPEN_SRCRGB_TYPE) X(OPEN_DSTRGB_TYPE) X(SETPARAM_INPUT_HANDLE) X(SETPARAM_INPUT_PARAM)         \
  X(SETPARAM_INPUT_IMG_SIZE) X(SETPARAM_OUTPUT_IMG_SIZE) X(SETPARAM_SRCRGB_TYPE)                   \
  X(SETPARAM_DSTRGB_TYPE) X(PROCESS_INPUT_HANDLE) X(PROCESS_INPUT_PARAM)                           \
  X(PROCESS_OUTPUT_PARAM) X(PROCESS_INPUT_BUFF) X(PROCESS_OUTPUT_BUFF) X(PROCESS_SRC_STRIDE)       \
  X(PROCESS_DST_STRIDE) X(GETVERSION_INPUT_BUFFER) X(GETVERSION_BUFFERLEN)                         \
  X(CLOSE_INPUT_HANDLE) X(CLOSE_INPUT_MEMHANDLE) X(CLOSE_FREE) X(GETSTATUS_INPUT_HANDLE)           \
  X(GETSTATUS_INPUT_PARAM) X(ANDTF_ANALYZECODE_HANDLE) X(FUNC_SELECT) X(END)
/* clang-format on */

#define PF_X(name) ERR_RGB_RESIZER_##name,
enum { ERR_RGB_RESIZER_BASE_ = 0xC7C00000u, PF_RGB_RESIZER_ERRORS(PF_X) };
#undef PF_X

#define PF_RGB_RESIZER_MAX_WIDTH 12288

/**
 * Parameter record of Open, SetParam and GetStatus. The pairs served are 16->16, 16->24,
 * 24->24, 24->16 and 8->16; any other pair is refused with ERR_RGB_RESIZER_FUNC_SELECT.
 */
typedef struct tRgbResizerParam {
  int32_t s32SrcWidth;      /**< 1..12288 */
  int32_t s32SrcHeight;     /**< >= 1 */
  uint32_t u32SrcBitCount;  /**< 8 (palette), 16 (5-6-5) or 24 */
  int32_t s32DstWidth;      /**< 1..12288 */
  int32_t s32DstHeight;     /**< >= 1 */
  uint32_t u32DstBitCount;  /**< 8, 16 or 24 */
  uint32_t u32ResizerSpare; /**< kept, not read */
} tRgbResizerParam;

/**
 * Source record of Process. s32Pitch is given in pixels; Process replaces it with the row length
 * in bytes rounded up to a multiple of 4, ((bits * pixels + 31) & ~31) / 8, and that is the
 * distance between the rows it reads. The record must be given its pixel pitch again before it
 * is used for another call.
 */
typedef struct tRgbResizerSrc {
  const uint8_t* pu8Data;    /**< first row */
  const uint8_t* pu8Palette; /**< 8-bit sources: 256 entries of blue, green, red, reserved */
  int32_t s32Pitch;          /**< >= s32SrcWidth; bytes after Process */
} tRgbResizerSrc;

/** Destination record of Process; s32Pitch is handled like the source's. */
typedef struct tRgbResizerDst {
  uint8_t* pu8Data; /**< first row */
  int32_t s32Pitch; /**< >= s32DstWidth; bytes after Process */
} tRgbResizerDst;

/** Resizer kernel: (parameters, source, destination), the records' pitches in bytes. */
typedef void (*tRgbResizerKernel)(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                                  const tRgbResizerDst* ptDst);

/** The instance behind a handle. */
typedef struct tRgbResizerInstance {
  void* hMem;                  /**< memory handle given to Open */
  void* pvFastScratch;         /**< PF_FAST_SCRATCH_BYTES, not used by the kernels */
  void* hDma;                  /**< DMA handle */
  tRgbResizerKernel pfnKernel; /**< chosen at Open/SetParam by the bit-count pair */
  tRgbResizerParam tParam;     /**< the validated parameters */
} tRgbResizerInstance;

/* Entry points. Open: (out handle, const tRgbResizerParam*, memory handle). Process: (handle,
 * tRgbResizerSrc*, tRgbResizerDst*); a pitch whose byte length would not fit 31 bits is refused
 * with the stride code. GetStatus fills a tRgbResizerParam. GetMemSize reports 80 (a null size
 * pointer gives ERR_RGB_RESIZER_OPEN_INPUT_PARAM). Debug does nothing. */
PF_API uint32_t RGBResizerOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t RGBResizerProcess_c(void* hHandle, void* pSrc, void* pDst);
PF_API uint32_t RGBResizerClose_c(void* hHandle);
PF_API uint32_t RGBResizerSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t RGBResizerGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t RGBResizerGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t RGBResizerAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t RGBResizerDebug_c(void* hHandle, void* pArg);
PF_API uint32_t RGBResizerGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void RGBResizerGlobalInit(void);
PF_API void RGBResizerMMXFunctions(void);
PF_API void RGBResizerSSE2Functions(void);
PF_API void RGBResizerSSSE3Functions(void);
PF_API void RGBResizerSSE4Functions(void);

/* Kernels, one per bit-count pair, through pointers that start on the scalar kernels. */
PF_API extern tRgbResizerKernel RGB565ReSizer;       /**< 16 -> 16 */
PF_API extern tRgbResizerKernel RGB24ReSizer;        /**< 24 -> 24 */
PF_API extern tRgbResizerKernel RGB24toRGB16ReSizer; /**< 24 -> 16 */
PF_API extern tRgbResizerKernel RGB16toRGB24ReSizer; /**< 16 -> 24 */
PF_API extern tRgbResizerKernel RGB8toRGB16ReSizer;  /**< 8 (palette) -> 16 */
PF_API void RGB565ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                            const tRgbResizerDst* ptDst);
PF_API void RGB24ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                           const tRgbResizerDst* ptDst);
PF_API void RGB24toRGB16ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                                  const tRgbResizerDst* ptDst);
PF_API void RGB16toRGB24ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                                  const tRgbResizerDst* ptDst);
PF_API void RGB8toRGB16ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                                 const tRgbResizerDst* ptDst);

PF_API extern const tImgProcFuncList tRGBResizerFuncs;
/** The module's descriptor ("RGB_RESIZER", id 26) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_RGBResizer;
PF_API extern const tImgProcDesc* const ptImgProc_RGBResizer;
PF_API extern const char* const pas8RGBResizerAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_RGB_RESIZER_H_ */
