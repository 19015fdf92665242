/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * OSD filter (module id 18): smooths a 32-bit on-screen-display picture with a 3x3 kernel and
 * passes every result through a brightness and contrast curve whose pivot is the mean grey level
 * of a reference picture.
 *
 * Pictures are u32Width x u32Height pixels of 4 bytes, rows packed: byte 0 blue, 1 green, 2 red,
 * byte 3 a fourth channel the filter does not compute. For every interior pixel and each of the
 * bytes 0..2: s = (sum of the eight neighbours) + u8CenterWeight x centre, result
 * tone[div[s]] with div[s] = min(s / (u8CenterWeight + 8), 255). Pixels of the first and last
 * row and column are copied whole; byte 3 of interior pixels is left as the destination had it.
 *
 * Tone curve, with m the mean grey level, for each level i, b = max(s16Brightness + i, 0) and
 * c = s16Contrast, clamped to 0..255:
 *   c = 128:            b < m ? 0 : 255
 *   c = 0 and b >= 256: 255
 *   other c >= 0:       (b - m) x (128 / (128 - c) - 1) + b   (integer division)
 *   c < 0:              trunc((i - m) x c / 128) + s16Brightness + i
 * m = sum over the reference of ((306 R + 601 G + 117 B + 512) >> 10) / (u32Width x u32Height).
 */
#ifndef PELFORGE_IMG_FILTEROSD_H_
#define PELFORGE_IMG_FILTEROSD_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC4800001 upwards. */
/* clang-format off */
#define PF_IMG_FILTEROSD_ERRORS(X)                                                                 \
  X(OPEN_POINTER) X(OPEN_MALLOC) X(OPEN_MALLOC_GETBUF) X(OPEN_MALLOC_cTable) X(PROCESS_POINTER)    \
  X(CLOSE_HANDLE) X(VER_POINTER) X(BUFFERLEN) X(STATUS_NOTIMPLEMENT) X(REFERENCE_PICTURE)          \
  X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE) X(WIDTH) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_OSD_##name,
enum { ERR_IMG_OSD_BASE_ = 0xC4800000u, PF_IMG_FILTEROSD_ERRORS(PF_X) };
#undef PF_X

/** Centre weights the division table serves (its 5100 entries cover sums up to 19 x 255). */
#define PF_OSD_MAX_CENTER_WEIGHT 11
#define PF_OSD_DIV_TABLE_BYTES 5100

/**
 * Parameter record of Open and SetParam. Open and SetParam refuse, with ERR_IMG_OSD_WIDTH, a
 * width or height of 0 and a centre weight above PF_OSD_MAX_CENTER_WEIGHT, and with
 * ERR_IMG_OSD_REFERENCE_PICTURE a request to measure without a reference picture.
 */
typedef struct tFilterOsdParam {
  uint8_t u8CenterWeight;         /**< weight of the centre pixel, 0..11; neighbours weigh 1 */
  int16_t s16Brightness;          /**< added to every level */
  int16_t s16Contrast;            /**< 0: none; 128: hard threshold at the mean; see the curve */
  uint32_t u32Width;              /**< picture width in pixels, >= 1 */
  uint32_t u32Height;             /**< picture height in pixels, >= 1 */
  const uint32_t* pu32RefPicture; /**< picture the mean is measured from */
  uint8_t u8MeasureMean;          /**< non-zero: measure the mean now */
} tFilterOsdParam;

/** Data record of Process: source and destination pictures; they must not overlap. */
typedef struct tFilterOsdPictures {
  const uint32_t* pu32Src;
  uint32_t* pu32Dst;
} tFilterOsdPictures;

struct tFilterOsdInstance;

/** Filter kernel: (instance, source, destination); reads size, weight and tables from it. */
typedef void (*tFilterOsdKernel)(const struct tFilterOsdInstance* ptInstance,
                                 const uint32_t* pu32Src, uint32_t* pu32Dst);
/**
 * Tone-table builder: (instance, parameters). Measures and keeps the mean when u8MeasureMean is
 * set (otherwise uses the kept one) and rebuilds the tone table from the instance's brightness
 * and contrast.
 */
typedef void (*tGrayInit)(struct tFilterOsdInstance* ptInstance, const tFilterOsdParam* ptParam);

/** The instance behind a handle. */
typedef struct tFilterOsdInstance {
  void* hMem;                 /**< memory handle given to Open */
  void* pvFastScratch;        /**< PF_FAST_SCRATCH_BYTES, not used by the kernel */
  void* hDma;                 /**< DMA handle */
  uint8_t* pu8DivTable;       /**< PF_OSD_DIV_TABLE_BYTES */
  uint8_t* pu8ToneTable;      /**< 256 bytes */
  int16_t s16Brightness;      /**< as given */
  int16_t s16Contrast;        /**< as given */
  uint8_t u8CenterWeight;     /**< as given */
  uint32_t u32Width;          /**< as given */
  uint32_t u32Height;         /**< as given */
  uint32_t u32Mean;           /**< measured mean grey level; 0 until measured */
  tFilterOsdKernel pfnFilter; /**< chosen at Open */
} tFilterOsdInstance;

/*
 * Entry points. Open: (out handle, const tFilterOsdParam*, memory handle). Process: (handle,
 * tFilterOsdPictures*, context); the context must be non-null and is not read; refused with
 * ERR_IMG_OSD_REFERENCE_PICTURE until a non-zero mean has been measured. SetParam takes the new
 * size, rebuilds the division table when the weight changes and the tone table when asked to
 * measure or when brightness or contrast change; a null argument gives ERR_IMG_OSD_OPEN_POINTER.
 * GetStatus always returns ERR_IMG_OSD_STATUS_NOTIMPLEMENT. GetMemSize reports 5436 (a null size
 * pointer gives ERR_IMG_OSD_OPEN_POINTER). Debug does nothing.
 */
PF_API uint32_t ImageFilterOSDOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageFilterOSDProcess_c(void* hHandle, void* pPictures, void* pContext);
PF_API uint32_t ImageFilterOSDClose_c(void* hHandle);
PF_API uint32_t ImageFilterOSDSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageFilterOSDGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageFilterOSDGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageFilterOSDAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageFilterOSDDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageFilterOSDGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImageFilterOSDGlobalInit(void);
PF_API void ImageFilterOSDMMXFunctions(void);
PF_API void ImageFilterOSDSSE2Functions(void);
PF_API void ImageFilterOSDSSSE3Functions(void);
PF_API void ImageFilterOSDSSE4Functions(void);

/* Kernels, through their pointers; there are no SIMD variants. */
PF_API extern tFilterOsdKernel FilterOSD;
PF_API extern tGrayInit GrayInit;
PF_API void FilterOSD_c(const tFilterOsdInstance* ptInstance, const uint32_t* pu32Src,
                        uint32_t* pu32Dst);
PF_API void GrayInit_c(tFilterOsdInstance* ptInstance, const tFilterOsdParam* ptParam);

PF_API extern const tImgProcFuncList tFilterOSDFunc;
/** The module's descriptor ("IMG_FILTER_OSD", id 18) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_FilterOSD;
PF_API extern const tImgProcDesc* const ptImgProc_FilterOSD;
PF_API extern const char* const pas8FilterOSDAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_FILTEROSD_H_ */
