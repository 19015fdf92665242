/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * YUV-to-RGB (module id 3): converts a window of a planar 4:2:0 picture into RGB 5-6-5, 24-bit
 * or 32-bit pixels of a picture of the same size, bottom-up (the default) or top-down.
 *
 * Colours use 8 fractional bits and lookup tables, for luma Y and the chroma U, V of the pixel's
 * 2x2 block:
 *   R = clip((al32RGB_Y_Tab[Y] + al32R_V_Tab[V]) >> 8)
 *   G = clip((al32RGB_Y_Tab[Y] - al32G_U_Tab[U] - al32G_V_Tab[V]) >> 8)
 *   B = clip((al32RGB_Y_Tab[Y] + al32B_U_Tab[U]) >> 8)
 * with arithmetic shifts and clip = pl32Clip[], which clamps to 0..255. RGB bytes are stored
 * blue, green, red (and 0 for 32-bit pixels).
 */
#ifndef PELFORGE_IMG_YUV420TORGB_H_
#define PELFORGE_IMG_YUV420TORGB_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC1000063 upwards (this module's part of the colour-space
 * block). */
/* clang-format off */
#define PF_IMG_YUV420TORGB_ERRORS(X)                                                               \
  X(OPEN_INPUT_HANDLE) X(OPEN_INPUT_PARAM) X(OPEN_INPUT_MEMHANDLE) X(OPEN_INPUT_IMG_SIZE)          \
  X(OPEN_RGB_Y_POSITION) X(OPEN_RGB_X_POSITION) X(OPEN_WINDOW_HEIGHT) X(OPEN_WINDOW_WIDTH)         \
  X(OPEN_UNSUPPORTTYPE) X(OPEN_MALLOC) X(OPEN_MALLOC_FAST_SCRATCH) X(OPEN_GET_DMA_HANDLE)          \
  X(SETPARAM_INPUT_HANDLE) X(SETPARAM_INPUT_PARAM) X(SETPARAM_INPUT_IMG_SIZE)                      \
  X(SETPARAM_RGB_Y_POSITION) X(SETPARAM_RGB_X_POSITION) X(SETPARAM_WINDOW_HEIGHT)                  \
  X(SETPARAM_WINDOW_WIDTH) X(SETPARAM_UNSUPPORTTYPE) X(PROCESS_INPUT_HANDLE)                       \
  X(PROCESS_INPUT_PARAM) X(PROCESS_OUTPUT_PARAM) X(PROCESS_INPUT_BUFF) X(PROCESS_OUTPUT_BUFF)      \
  X(GETVERSION_INPUT_BUFFER) X(GETVERSION_BUFFERLEN) X(CLOSE_INPUT_HANDLE)                         \
  X(CLOSE_INPUT_MEMHANDLE) X(CLOSE_FREE) X(GETSTATUS_INPUT_HANDLE) X(GETSTATUS_INPUT_PARAM)        \
  X(ANDTF_ANALYZECODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_420TORGB_##name,
enum { ERR_IMG_420TORGB_BASE_ = 0xC1000062u, PF_IMG_YUV420TORGB_ERRORS(PF_X) };
#undef PF_X

/**
 * Parameter record of Open, SetParam and GetStatus. The source is one buffer holding Y
 * (s32Width x s32Height, pitch s32Width), then U, then V. Chroma planes are
 * ((s32Width + 1) / 2) x ((s32Height + 1) / 2) with that width as pitch, which for even sizes is
 * the usual w/2 x h/2; an odd last column or row has chroma of its own. The destination is an
 * RGB picture of s32Width x s32Height pixels without row padding.
 */
typedef struct tYuv420ToRgbParam {
  int32_t s32Width;     /**< picture width, >= 1 */
  int32_t s32Height;    /**< picture height, >= 1 */
  int32_t s32WinTop;    /**< first window row, 0..s32Height - 1 */
  int32_t s32WinLeft;   /**< first window column, 0..s32Width - 1 */
  int32_t s32WinWidth;  /**< 1..s32Width - s32WinLeft */
  int32_t s32WinHeight; /**< 1..s32Height - s32WinTop */
  uint32_t u32BitCount; /**< 16 (5-6-5), 24 or 32 */
} tYuv420ToRgbParam;

/** Data record of Process: the two pictures. */
typedef struct tYuv420ToRgbData {
  const uint8_t* pu8Yuv; /**< source 4:2:0 picture, laid out as tYuv420ToRgbParam says */
  uint8_t* pu8Rgb;       /**< destination RGB picture */
} tYuv420ToRgbData;

#define PF_YUV420TORGB_OPTION_TOP_DOWN 1u

/** An option: u32Kind PF_YUV420TORGB_OPTION_TOP_DOWN sets the top-down flag to u32Value. */
typedef struct tYuv420ToRgbOption {
  uint32_t u32Kind;
  uint32_t u32Value;
} tYuv420ToRgbOption;

/** Option record of Process; it must be given even when it carries no option. */
typedef struct tYuv420ToRgbOptions {
  void* pvReserved;                   /**< not read */
  const tYuv420ToRgbOption* ptOption; /**< null or another kind: the flag is 0 (bottom-up) */
} tYuv420ToRgbOptions;

struct tYuv420ToRgbInstance;

/**
 * Conversion kernel: (instance, source picture, destination picture). Window row j (0 first)
 * goes to destination row s32Height - 1 - s32WinTop - j when u32TopDown is 0, and to row
 * s32WinTop + j otherwise; the window's left edge lands at column s32WinLeft.
 */
typedef void (*tYuv420ToRgbKernel)(const struct tYuv420ToRgbInstance* ptInstance,
                                   const uint8_t* pu8Yuv, uint8_t* pu8Rgb);

/** The instance behind a handle; kernels read the parameters and the flag from it. */
typedef struct tYuv420ToRgbInstance {
  void* hMem;                   /**< memory handle given to Open */
  void* pvFastScratch;          /**< PF_FAST_SCRATCH_BYTES, not used by the kernels */
  void* hDma;                   /**< DMA handle */
  tYuv420ToRgbKernel pfnKernel; /**< chosen at Open/SetParam by u32BitCount */
  tYuv420ToRgbParam tParam;     /**< the validated parameters */
  uint32_t u32TopDown;          /**< set by each Process from its option record */
} tYuv420ToRgbInstance;

/* Entry points. Open: (out handle, const tYuv420ToRgbParam*, memory handle); after every
 * successful Open the tables below are regenerated. Process: (handle, tYuv420ToRgbData*,
 * tYuv420ToRgbOptions*). GetStatus fills a tYuv420ToRgbParam. GetMemSize reports 88 (a null
 * size pointer gives ERR_IMG_420TORGB_OPEN_INPUT_PARAM). Debug does nothing. */
PF_API uint32_t ImgYUV420ToRGBOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgYUV420ToRGBProcess_c(void* hHandle, void* pData, void* pOptions);
PF_API uint32_t ImgYUV420ToRGBClose_c(void* hHandle);
PF_API uint32_t ImgYUV420ToRGBSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgYUV420ToRGBGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgYUV420ToRGBGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgYUV420ToRGBAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageYUV420ToRGBDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageYUV420ToRGBGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgYUV420ToRGBGlobalInit(void);
PF_API void ImgYUV420ToRGBMMXFunctions(void);
PF_API void ImgYUV420ToRGBSSE2Functions(void);
PF_API void ImgYUV420ToRGBSSSE3Functions(void);
PF_API void ImgYUV420ToRGBSSE4Functions(void);

/*
 * The tables, shared by every instance. They hold their values from load time on, and
 * GenerateYUVtoRGBTables (re)writes the same values:
 *   al32RGB_Y_Tab[i] = 298 (i - 16)    al32R_V_Tab[i] = 409 (i - 128)
 *   al32G_U_Tab[i] = 100 (i - 128)     al32G_V_Tab[i] = 208 (i - 128)
 *   al32B_U_Tab[i] = 517 (i - 128)
 *   al32Clip_Tab: 512 zeros, 0..255, 1280 times 255; pl32Clip = al32Clip_Tab + 512 clamps any
 *   index from -512 to 1535.
 */
PF_API extern int32_t al32RGB_Y_Tab[256];
PF_API extern int32_t al32R_V_Tab[256];
PF_API extern int32_t al32G_U_Tab[256];
PF_API extern int32_t al32G_V_Tab[256];
PF_API extern int32_t al32B_U_Tab[256];
PF_API extern int32_t al32Clip_Tab[2048];
PF_API extern int32_t* const pl32Clip;

typedef void (*tGenerateYUVtoRGBTables)(void);
PF_API extern tGenerateYUVtoRGBTables GenerateYUVtoRGBTables;
PF_API void GenerateYUVtoRGBTables_c(void);

/*
 * Kernels. The 24- and 32-bit kernels convert the window with its width and height rounded down
 * to even. YUV420ToRGB565 converts the whole window, an odd last column and row included (they
 * lie inside the picture, and their chroma exists), and carries the truncation error along each
 * row: to every channel it adds the low three bits of that channel's unclamped value for the
 * previous pixel of the row (0 at the window's left edge), then clamps and packs
 * (R & 0xF8) << 8 | (G << 3 & 0x7E0) | B >> 3 as a little-endian 16-bit pixel.
 */
PF_API extern tYuv420ToRgbKernel YUV420ToRGB565;
PF_API extern tYuv420ToRgbKernel YUV420ToRGB24;
PF_API extern tYuv420ToRgbKernel YUV420ToRGB32;
PF_API void YUV420ToRGB565_c(const tYuv420ToRgbInstance* ptInstance, const uint8_t* pu8Yuv,
                             uint8_t* pu8Rgb);
PF_API void YUV420ToRGB24_c(const tYuv420ToRgbInstance* ptInstance, const uint8_t* pu8Yuv,
                            uint8_t* pu8Rgb);
PF_API void YUV420ToRGB32_c(const tYuv420ToRgbInstance* ptInstance, const uint8_t* pu8Yuv,
                            uint8_t* pu8Rgb);

PF_API extern const tImgProcFuncList tYUVYUV420toRGBFuncs;
/** The module's descriptor ("IMG_YUV420_TO_RGB", id 3) and the pointer to it in section ".IMG$B".
 */
PF_API extern const tImgProcDesc tImgProc_YUV420toRGB;
PF_API extern const tImgProcDesc* const ptImgProc_YUV420toRGB;
PF_API extern const char* const pas8ImageYUV420ToRGBSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_YUV420TORGB_H_ */
