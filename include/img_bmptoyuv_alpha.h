/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Bitmap to YUV with alpha (module id 7, "IMG_BMPTOYUVALPHA"): turns a bitmap held in memory (1,
 * 4, 8, 16, 24 or 32 bits per pixel) into a YUV picture, an alpha plane and its complement, ready
 * for the logo module. One colour, the key, is made transparent or partly transparent.
 *
 * The bitmap buffer starts with the 14-byte file header laid out as tBitMapFileHeaderMap (two
 * bytes of padding after the signature), then the 40-byte info header; every later byte of the
 * file stands 2 bytes further on in the buffer than in the file (the palette at buffer offset 56,
 * the pixels at the header's pixel offset + 2). Rows are bottom-up and padded to 4 bytes.
 *
 * The module is not told the buffer's size: it reads the header, the palette entries the pixels
 * name, and every stored row it converts. Callers that take bitmaps from files must check that
 * all of that lies inside the file first.
 *
 * Colours, with arithmetic shifts:
 *   Y = (76R + 150G + 29B + 128) >> 8
 *   U = min(((-43R - 84G + 128B + 128) >> 8) + 128, 255)
 *   V = min(((128R - 107G - 20B + 128) >> 8) + 128, 255)
 * 5-6-5 pixels widen by shifting: R = r5 << 3, G = g6 << 2, B = b5 << 3.
 *
 * Alpha is a transparency (255 keeps the background). With O = u8KeyOpacity and F = 255 when
 * O = 255, else 0: key pixels get alpha 255 - O, all others F; the complement is 255 - alpha.
 */
#ifndef PELFORGE_IMG_BMPTOYUV_ALPHA_H_
#define PELFORGE_IMG_BMPTOYUV_ALPHA_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order after the start marker ERR_IMG_BMPTOYUV_ALPHA_START (0xC3000000),
 * which the name table holds first; AnalyzeErrorCode names 0xC3000001 to 0xC3000017. */
/* clang-format off */
#define PF_IMG_BMPTOYUV_ALPHA_ERRORS(X)                                                           \
  X(ALPHA_OPEN_HANDLE) X(ALPHA_OPEN_YUVTYPE) X(ALPHA_OPEN_MALLOC)                  \
  X(ALPHA_PROCESS_HANDLE) X(ALPHA_PROCESS_INPUT_POINTER) X(ALPHA_PROCESS_OUTPUT_POINTER)          \
  X(UNSUPPORT_BMP_TYPE) X(UNSUPPORT_BMP_TYPE_DEFINED_32BMP)                                       \
  X(UNSUPPORT_BMP_TYPE_DEFINED_16BMP_BI_RGB) X(UNSUPPORT_BMP_TYPE_TO_YUYV)                        \
  X(UNSUPPORT_BMP_TYPE_DEFINED_16BMP_555) X(ALPHA_CLOSE_HANDLE) X(ALPHA_CLOSE_FREE)               \
  X(ALPHA_SETPARAM_HANDLE) X(ALPHA_SETPARAM_YUVTYPE) X(ALPHA_GETVERSION_HANDLE)                   \
  X(ALPHA_GETVERSION_POINTER) X(ALPHA_GETVERSION_LENGTH) X(ALPHA_GETSTATUS_HANDLE)                \
  X(ALPHA_ANALYZE_ERROR_CODE_HANDLE) X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE)                     \
  X(PALETTE_BMPCOLORNUM) X(ALPHA_END)
/* clang-format on */

#define PF_X(name) ERR_IMG_BMPTOYUV_##name,
enum { ERR_IMG_BMPTOYUV_ALPHA_START = 0xC3000000u, PF_IMG_BMPTOYUV_ALPHA_ERRORS(PF_X) };
#undef PF_X

#define PF_BMPTOYUV_MEM_SIZE 48u /**< what GetMemSize reports */

/** Parameter record of Open and SetParam, filled by GetStatus. */
typedef struct tBmpToYuvAlphaParam {
  uint32_t u32YuvType;  /**< output layout: PF_YUV_420, _NV12, _UYVY, _YUYV or _422P */
  uint8_t u8KeyR;       /**< key colour, red */
  uint8_t u8KeyG;       /**< green */
  uint8_t u8KeyB;       /**< blue */
  uint8_t u8KeyOpacity; /**< opacity of key pixels; 255 also makes every other pixel clear */
} tBmpToYuvAlphaParam;

/**
 * Data record of Process. Output layouts for w x h converted pixels (rows without padding):
 *   420:   Y w x h, U (w/2) x (h/2), V (w/2) x (h/2); alpha: w x h, then (w/2) x (h/2) chroma
 *   42012: Y w x h, then h/2 rows of w bytes of U V pairs; alpha as for 420
 *   422:   h rows of 2w bytes U Y0 V Y1; one alpha per byte (chroma bytes: the pair's alpha)
 *   4201:  h rows of 2w bytes Y0 U Y1 V; alpha as for 422
 *   4221:  Y w x h, U (w/2) x h, V (w/2) x h; alpha: w x h, (w/2) x h, and (w/2) x h again
 */
typedef struct tBmpToYuvAlphaData {
  const uint8_t* pu8Bmp; /**< the bitmap buffer (see above); not null */
  uint8_t* pu8Yuv;       /**< YUV output; not null */
  uint8_t* pu8AlphaInv;  /**< 255 - alpha, same layout as pu8Alpha; null: not written */
  uint8_t* pu8Alpha;     /**< alpha output; not null */
} tBmpToYuvAlphaData;

/** Info record of Process: what was converted. */
typedef struct tBmpToYuvAlphaInfo {
  uint32_t u32Height;   /**< rows converted: the bitmap's height rounded down to even */
  uint32_t u32Width;    /**< columns converted: its width rounded down to even */
  uint32_t u32YuvType;  /**< the layout written */
  uint8_t u8KeyOpacity; /**< the key opacity used */
} tBmpToYuvAlphaInfo;

/** The file header as it lies in the buffer: natural alignment puts 2 bytes after bfType. */
typedef struct tBitMapFileHeaderMap {
  uint16_t bfType;      /**< signature; not checked */
  uint16_t u16Pad;      /**< not read */
  uint32_t bfSize;      /**< not read */
  uint16_t bfReserved1; /**< not read */
  uint16_t bfReserved2; /**< not read */
  uint32_t bfOffBits;   /**< file offset of the pixels (buffer offset - 2) */
} tBitMapFileHeaderMap;

/** The info header, at buffer offset 16. */
typedef struct tBitMapInfo {
  uint32_t biSize;         /**< not read */
  int32_t biWidth;         /**< columns */
  int32_t biHeight;        /**< rows, bottom-up; a negative (top-down) height converts nothing */
  uint16_t biPlanes;       /**< not read */
  uint16_t biBitCount;     /**< 1, 4, 8, 16, 24 or 32 */
  uint32_t biCompression;  /**< 0 (plain) or 3 (bit fields; 16-bit 5-6-5 only) */
  uint32_t biSizeImage;    /**< not read */
  int32_t biXPelsPerMeter; /**< not read */
  int32_t biYPelsPerMeter; /**< not read */
  uint32_t biClrUsed;      /**< not read: palette indices are taken as they come */
  uint32_t biClrImportant; /**< not read */
} tBitMapInfo;

/** The instance behind a handle; the kernels read the layout and the key from it. */
typedef struct tBmpToYuvAlphaInstance {
  void* hMem;          /**< memory handle given to Open */
  void* pvFastScratch; /**< PF_FAST_SCRATCH_BYTES, not used by the kernels */
  void* hDma;          /**< DMA handle */
  uint32_t u32YuvType; /**< output layout */
  uint8_t u8KeyR;      /**< key colour and opacity */
  uint8_t u8KeyG;
  uint8_t u8KeyB;
  uint8_t u8KeyOpacity;
} tBmpToYuvAlphaInstance;

/**
 * Kernel: (instance, data, info) -> 0 or the module's code for an unsupported bitmap. Bitmaps
 * under 2 rows convert nothing and succeed. An odd width drops the rightmost column, an odd
 * height the top row. A failing kernel may leave its outputs partly written.
 */
typedef uint32_t (*tBmpToYuvAlphaKernel)(const tBmpToYuvAlphaInstance* ptInstance,
                                         const tBmpToYuvAlphaData* ptData,
                                         tBmpToYuvAlphaInfo* ptInfo);

/*
 * Entry points. Open: (out handle, const tBmpToYuvAlphaParam*, memory handle). Process: (handle,
 * tBmpToYuvAlphaData*, tBmpToYuvAlphaInfo*). SetParam replaces layout and key; GetStatus fills a
 * tBmpToYuvAlphaParam. GetMemSize reports PF_BMPTOYUV_MEM_SIZE. Debug does nothing.
 */
PF_API uint32_t ImgBMPToYUVAlphaOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgBMPToYUVAlphaProcess_c(void* hHandle, void* pData, void* pInfo);
PF_API uint32_t ImgBMPToYUVAlphaClose_c(void* hHandle);
PF_API uint32_t ImgBMPToYUVAlphaSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgBMPToYUVAlphaGetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                             uint32_t* pu32TextLen);
PF_API uint32_t ImgBMPToYUVAlphaGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgBMPToYUVAlphaAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                   char* ps8Buf);
PF_API uint32_t ImgBMPToYUVAlphaDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgBMPToYUVAlphaGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgBMPToYUVAlphaGlobalInit(void);
PF_API void ImgBMPToYUVAlphaMMXFunctions(void);
PF_API void ImgBMPToYUVAlphaSSE2Functions(void);
PF_API void ImgBMPToYUVAlphaSSSE3Functions(void);
PF_API void ImgBMPToYUVAlphaSSE4Functions(void);

/*
 * Kernels: 4:2:0 and NV12; packed 4:2:2 (both byte orders); planar 4:2:2. 4:2:0 chroma comes from
 * the first non-key pixel of a 2x2 block (top left, top right, bottom left); a block with exactly
 * three key pixels takes the key colour's chroma (pixel 4's for 1- and 4-bit bitmaps), and its
 * chroma alpha is the key's when three or four pixels are key. 4:2:2 chroma comes from the first
 * non-key pixel of a pair; the chroma alpha is the key's only when both are key.
 */
PF_API extern tBmpToYuvAlphaKernel ConvertBMPToYUV420AndAlpha;
PF_API extern tBmpToYuvAlphaKernel ConvertBMPToYUV422AndAlpha;
PF_API extern tBmpToYuvAlphaKernel ConvertBMPToYUV422PAndAlpha;
PF_API uint32_t ConvertBMPToYUV420AndAlpha_c(const tBmpToYuvAlphaInstance* ptInstance,
                                             const tBmpToYuvAlphaData* ptData,
                                             tBmpToYuvAlphaInfo* ptInfo);
PF_API uint32_t ConvertBMPToYUV422AndAlpha_c(const tBmpToYuvAlphaInstance* ptInstance,
                                             const tBmpToYuvAlphaData* ptData,
                                             tBmpToYuvAlphaInfo* ptInfo);
PF_API uint32_t ConvertBMPToYUV422PAndAlpha_c(const tBmpToYuvAlphaInstance* ptInstance,
                                              const tBmpToYuvAlphaData* ptData,
                                              tBmpToYuvAlphaInfo* ptInfo);

PF_API extern const tImgProcFuncList tImageBMPToYUVAlphaFunc;
/** The module's descriptor ("IMG_BMPTOYUVALPHA", id 7) and its pointer in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_BMPtoYUV;
PF_API extern const tImgProcDesc* const ptImgProc_BMPtoYUV;
PF_API extern const char* const pas8BMPToYUVAlphaAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_BMPTOYUV_ALPHA_H_ */
