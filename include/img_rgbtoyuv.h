/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * RGB-to-YUV (module id 36, "IMG_RGBTOYUV"): converts a 16-bit 5-6-5, 24-bit or 32-bit RGB
 * picture into planar 4:2:0 YUV of the same size.
 *
 * Per 2x2 block of the picture (rows 2k and 2k + 1, counted from the top of the picture also when
 * the source rows are stored bottom-up), with arithmetic shifts:
 *   Y of each pixel = (76 R + 150 G + 29 B + 128) >> 8
 *   U = min(((-43 R - 84 G + 128 B + 128) >> 8) + 128, 255)   from the block's top-left pixel
 *   V = min(((128 R - 107 G - 20 B + 128) >> 8) + 128, 255)   likewise
 * 5-6-5 pixels are widened to R = r5 << 3, G = g6 << 2, B = b5 << 3 and converted through the
 * instance's 65536-entry table. 24-bit pixels are blue, green, red bytes; 32-bit pixels blue,
 * green, red and a byte that is not read; 5-6-5 pixels little-endian 16-bit words.
 */
#ifndef PELFORGE_IMG_RGBTOYUV_H_
#define PELFORGE_IMG_RGBTOYUV_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC8C00001 upwards. */
/* clang-format off */
#define PF_IMG_RGBTOYUV_ERRORS(X)                                                                  \
  X(OPEN_INPUT_HANDLE) X(OPEN_INPUT_PARAM) X(OPEN_INPUT_MEMHANDLE) X(OPEN_INPUT_IMG_SIZE)          \
  X(OPEN_INPUT_IMG_SRCSTRIDE) X(OPEN_DST_IMG_SIZE) X(OPEN_INPUT_IMG_DSTSTRIDE) X(OPEN_MALLOC)      \
  X(OPEN_MALLOC_FAST_SCRATCH) X(OPEN_GET_DMA_HANDLE) X(OPEN_SRCRGB_TYPE) X(OPEN_DSTRGB_TYPE)       \
  X(OPEN_FUNC_SELECT) X(SETPARAM_INPUT_HANDLE) X(SETPARAM_INPUT_PARAM)                             \
  X(SETPARAM_INPUT_IMG_SIZE) X(SETPARAM_INPUT_IMG_STRIDE) X(SETPARAM_OUTPUT_IMG_SIZE)              \
  X(SETPARAM_OUTPUT_IMG_STRIDE) X(SETPARAM_SRCRGB_TYPE) X(SETPARAM_DSTRGB_TYPE)                    \
  X(SETPARAM_FUNC_SELECT) X(PROCESS_INPUT_HANDLE) X(PROCESS_INPUT_PARAM)                           \
  X(PROCESS_OUTPUT_PARAM) X(PROCESS_INPUT_BUFF) X(PROCESS_OUTPUT_BUFF) X(PROCESS_SRC_STRIDE)       \
  X(PROCESS_DST_STRIDE) X(GETVERSION_INPUT_BUFFER) X(GETVERSION_BUFFERLEN)                         \
  X(CLOSE_INPUT_HANDLE) X(CLOSE_INPUT_MEMHANDLE) X(CLOSE_FREE) X(GETSTATUS_INPUT_HANDLE)           \
  X(GETSTATUS_INPUT_PARAM) X(ANDTF_ANALYZECODE_HANDLE) X(FUNC_SELECT) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_RGBTOYUV_##name,
enum { ERR_IMG_RGBTOYUV_BASE_ = 0xC8C00000u, PF_IMG_RGBTOYUV_ERRORS(PF_X) };
#undef PF_X

/** Bytes of the instance's 5-6-5 table: 65536 entries of Y, U, V and an unread byte. */
#define PF_RGBTOYUV_TABLE_BYTES 0x40000u
/** The widest picture SetParam accepts (Open has no such limit). */
#define PF_RGBTOYUV_SETPARAM_MAX_WIDTH 12288

/** Parameter record of Open, SetParam and GetStatus. */
typedef struct tRgbToYuvParam {
  int32_t s32SrcWidth;       /**< even, > 0 */
  int32_t s32SrcHeight;      /**< even, > 0 */
  int32_t s32SrcPitch;       /**< source row distance in pixels, >= s32SrcWidth; rows are
                                  ((bits * pitch + 31) & ~31) / 8 bytes apart */
  uint32_t u32SrcBitCount;   /**< 16 (5-6-5), 24 or 32 */
  int32_t s32DstWidth;       /**< equal to s32SrcWidth */
  int32_t s32DstHeight;      /**< equal to s32SrcHeight */
  int32_t s32DstPitch;       /**< luma pitch in bytes, >= s32DstWidth; chroma pitch is half */
  uint32_t u32DstYuvType;    /**< PF_YUV_420 only */
  uint32_t u32SrcBottomUp;   /**< non-zero: the first stored source row is the bottom row */
  uint32_t u32RgbToYuvSpare; /**< kept, not read */
} tRgbToYuvParam;

/** Source record of Process. */
typedef struct tRgbToYuvSrc {
  const uint8_t* pu8Rgb; /**< first stored row */
} tRgbToYuvSrc;

/**
 * Destination record of Process. When U or V is null both are derived from Y:
 * U = Y + s32DstPitch * s32DstHeight and V = U + s32DstPitch * s32DstHeight / 4.
 */
typedef struct tRgbToYuvDst {
  uint8_t* pu8Y;
  uint8_t* pu8U;
  uint8_t* pu8V;
} tRgbToYuvDst;

struct tRgbToYuvInstance;

/**
 * Conversion kernel: (instance, source, Y, U, V). While a kernel runs, the instance's
 * tParam.s32SrcPitch holds the source row length in bytes instead of pixels.
 */
typedef void (*tRgbToYuvKernel)(const struct tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb,
                                uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);

/** The instance behind a handle. */
typedef struct tRgbToYuvInstance {
  void* hMem;                /**< memory handle given to Open */
  void* pvFastScratch;       /**< PF_FAST_SCRATCH_BYTES, not used by the kernels */
  void* hDma;                /**< DMA handle */
  uint8_t* pu8Table565;      /**< PF_RGBTOYUV_TABLE_BYTES: Y, U, V, - for every 5-6-5 value */
  tRgbToYuvKernel pfnKernel; /**< chosen at Open/SetParam by u32SrcBitCount */
  tRgbToYuvParam tParam;     /**< the validated parameters */
} tRgbToYuvInstance;

/* Entry points. Open: (out handle, const tRgbToYuvParam*, memory handle). Process: (handle,
 * tRgbToYuvSrc*, tRgbToYuvDst*). GetStatus fills a tRgbToYuvParam. GetMemSize reports 0x40070
 * (a null size pointer gives ERR_IMG_RGBTOYUV_OPEN_INPUT_PARAM). Debug does nothing. */
PF_API uint32_t RGBtoYUVOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t RGBtoYUVProcess_c(void* hHandle, void* pSrc, void* pDst);
PF_API uint32_t RGBtoYUVClose_c(void* hHandle);
PF_API uint32_t RGBtoYUVSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t RGBtoYUVGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t RGBtoYUVGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t RGBtoYUVAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t RGBtoYUVDebug_c(void* hHandle, void* pArg);
PF_API uint32_t RGBtoYUVGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void RGBtoYUVGlobalInit(void);
/** Points RGB32toYUV420 and RGB24toYUV420 at their _mmx variants. */
PF_API void RGBtoYUVMMXFunctions(void);
PF_API void RGBtoYUVSSE2Functions(void);
PF_API void RGBtoYUVSSSE3Functions(void);
PF_API void RGBtoYUVSSE4Functions(void);

/* Kernels. The _mmx variants hand the conversion to the video codec unit library's
 * bgra_to_yv12_mmx and bgr_to_yv12_mmx and produce exactly the scalar kernels' planes. */
PF_API extern tRgbToYuvKernel RGB32toYUV420;
PF_API extern tRgbToYuvKernel RGB24toYUV420;
PF_API extern tRgbToYuvKernel RGB565toYUV420;
PF_API void RGB32toYUV420_c(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb,
                            uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);
PF_API void RGB24toYUV420_c(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb,
                            uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);
PF_API void RGB565toYUV420_c(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb,
                             uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);
PF_API void RGB32toYUV420_mmx(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb,
                              uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);
PF_API void RGB24toYUV420_mmx(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb,
                              uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);

PF_API extern const tImgProcFuncList tRGBtoYUVFuncs;
/** The module's descriptor ("IMG_RGBTOYUV", id 36) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_RGBtoYUV;
PF_API extern const tImgProcDesc* const ptImgProc_RGBtoYUV;
PF_API extern const char* const pas8RGBtoYUVAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_RGBTOYUV_H_ */
