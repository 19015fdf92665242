/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Mosaic (module id 12, "IMG_MOSAIC"): pixelates up to 32 rectangular windows of a 4:2:0 or
 * packed 4:2:2 (UYVY) picture, each with its own block size, on the luma samples only.
 *
 * A window of w x h samples at (left, top) with block size g is cut into rows of g lines
 * (h / g full rows, then a row of h % g lines) and each row into blocks of g samples (w / g full
 * blocks, then one of w % g). In the first line of a row every block takes the value of its own
 * top-left sample; that line's w samples are then copied to the row's other lines:
 *
 *   out(x, y) = in(left + g*((x - left) / g), top + g*((y - top) / g))
 *
 * Windows are drawn in order, so where they overlap a later one pixelates what the earlier ones
 * left. Field pictures are pixelated field by field, each field taking the window's top and
 * height halved (rounded down) and the same block size. Chroma is never changed.
 */
#ifndef PELFORGE_IMG_MOSAIC_H_
#define PELFORGE_IMG_MOSAIC_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC2200001 upwards; ERR_IMG_MOSAIC_ is left off. */
/* clang-format off */
#define PF_IMAGE_MOSAIC_ERRORS(X)                                                              \
  X(SELF_INIT_POINTER) X(SELF_INIT_WINDOWS_LEFT_MINUS_ZERO)                                    \
  X(SELF_INIT_WINDOWS_WIDTH_MINUS_ZERO) X(SELF_INIT_GRANULARITY_EXCESS_WINDOWS_WIDTH)          \
  X(SELF_INIT_WINDOWS_WIDTH_PLUS_LEFT_EXCESS_Y_STRIDE) X(SELF_INIT_WINDOWS_TOP_MINUS_ZERO)     \
  X(SELF_INIT_WINDOWS_HEIGHT_MINUS_ZERO) X(SELF_INIT_GRANULARITY_EXCESS_WINDOWS_HEIGHT)        \
  X(SELF_INIT_WINDOWS_TOP_PLUS_HEIGHT_EXCESS_IMAGE_HEIGHT) X(SELF_INIT_IMAGE_WIDTH_ILLEGAL)    \
  X(SELF_INIT_IMAGE_HEIGHT_ILLEGAL) X(SELF_INIT_YSTRIDE_ILLEGAL) X(SELF_INIT_UVSTRIDE_ILLEGAL) \
  X(SELF_INIT_YUVTYPE_ILLEGAL) X(SELF_INIT_HANDLE_MEM_MALLOC_ERROR)                            \
  X(SELF_INIT_IMAGETYPE_ILLEGAL) X(SELF_INIT_MOSAIC_NUM_ILLEGAL) X(SELF_SETPARAM_POINTER)      \
  X(SELF_CLOSE_POINTER) X(SELF_CLOSE_MEM_POINTER) X(SELF_GET_VERSION_POINTER)                  \
  X(SELF_GET_VERSION_VERLEN_POINTER) X(SELF_VERSION_BUFLEN_TOO_SHORT) X(SELF_INPUT_POINTER)    \
  X(SELF_INPUT_DATA_POINTER) X(SELF_OUTPUT_DATA_POINTER) X(SELF_STATUS_POINTER)                \
  X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE) X(SELF_ANALYZE_ERROR_CODE_HANDLE) X(SELF_END)
/* clang-format on */

#define PF_X(name) ERR_IMG_MOSAIC_##name,
enum { ERR_IMG_MOSAIC_BASE_ = 0xC2200000u, PF_IMAGE_MOSAIC_ERRORS(PF_X) };
#undef PF_X

#define PF_MOSAIC_MAX_WINDOWS 32  /**< windows an instance holds */
#define PF_MOSAIC_MAX_WIDTH 12288 /**< widest picture */
#define PF_MOSAIC_MAX_HEIGHT 6144 /**< tallest picture */
#define PF_MOSAIC_MEM_SIZE 752u   /**< what GetMemSize reports */

/**
 * One window, in luma samples of the picture (frame lines for field pictures). Checked in the
 * order left, width, block size against the width, left + width, top, height, block size against
 * the height, top + height.
 */
typedef struct tMosaicWindow {
  int32_t s32Left;        /**< >= 0; else ERR_IMG_MOSAIC_SELF_INIT_WINDOWS_LEFT_MINUS_ZERO. With
                               s32Width at most s32YStride (the window may reach into the pitch
                               padding); else ..._WINDOWS_WIDTH_PLUS_LEFT_EXCESS_Y_STRIDE */
  int32_t s32Top;         /**< >= 0; else ..._WINDOWS_TOP_MINUS_ZERO. With s32Height at most the
                               picture height; else
                               ..._WINDOWS_TOP_PLUS_HEIGHT_EXCESS_IMAGE_HEIGHT */
  int32_t s32Width;       /**< >= 0; else ..._WINDOWS_WIDTH_MINUS_ZERO */
  int32_t s32Height;      /**< >= 0; else ..._WINDOWS_HEIGHT_MINUS_ZERO */
  int32_t s32Granularity; /**< block size, at most s32Width (else
                               ..._GRANULARITY_EXCESS_WINDOWS_WIDTH) and s32Height (else
                               ..._GRANULARITY_EXCESS_WINDOWS_HEIGHT). 0 switches the window off
                               and 1 changes nothing; a negative size is refused as
                               ..._GRANULARITY_EXCESS_WINDOWS_WIDTH */
} tMosaicWindow;

/**
 * Parameter record of Open and SetParam, returned by GetStatus. Open and SetParam read the seven
 * header words and the first u32MosaicNum windows only, and GetStatus writes just those back, so
 * a host may pass a record that ends after its last window. Header fields are checked in their
 * order, the count after the image type, then each window in turn.
 */
typedef struct tImageMosaicParam {
  int32_t s32Width;      /**< 2 .. PF_MOSAIC_MAX_WIDTH, even; else
                              ERR_IMG_MOSAIC_SELF_INIT_IMAGE_WIDTH_ILLEGAL */
  int32_t s32Height;     /**< 2 .. PF_MOSAIC_MAX_HEIGHT, even; else ..._IMAGE_HEIGHT_ILLEGAL */
  int32_t s32YStride;    /**< luma pitch, >= s32Width; else ..._YSTRIDE_ILLEGAL. Bytes for 4:2:0,
                              pixels (2 bytes each) for UYVY */
  int32_t s32UVStride;   /**< s32YStride / 2; else ..._UVSTRIDE_ILLEGAL */
  uint32_t u32YuvType;   /**< PF_YUV_420 or PF_YUV_UYVY; else ..._YUVTYPE_ILLEGAL */
  uint32_t u32ImageType; /**< PF_IMAGE_FRAME or PF_IMAGE_FIELD; else ..._IMAGETYPE_ILLEGAL */
  uint32_t u32MosaicNum; /**< windows in use, 0 .. PF_MOSAIC_MAX_WINDOWS; else
                              ..._MOSAIC_NUM_ILLEGAL */
  tMosaicWindow atWindow[PF_MOSAIC_MAX_WINDOWS]; /**< the windows, drawn in this order */
} tImageMosaicParam;

/**
 * Mosaic kernel: (source Y plane, destination Y plane, validated parameters). When the two
 * pointers differ, the first s32Width x s32Height x 3/2 bytes (4:2:0) or s32Width x 2 x
 * s32Height bytes (UYVY) of the source are first copied to the destination as one block; the
 * picture is thus one buffer without padding, its chroma planes following the luma plane. The
 * windows are then drawn on the destination, whose lines are s32YStride samples apart; a field
 * picture's second field starts s32Height / 2 lines after its first. Equal pointers work in
 * place; buffers that overlap otherwise are copied as if moved.
 */
typedef void (*tMosaicKernel)(const uint8_t* pu8Src, uint8_t* pu8Dst,
                              const tImageMosaicParam* ptParam);

/* The kernels, each behind a pointer of its name without suffix. The SSE2 variants, installed
 * by ImageMosaicSSE2Functions, compute the same pictures. */
/* clang-format off */
#define PF_IMAGE_MOSAIC_KERNELS(X) \
  X(YUV420FrameProduceMosaic) X(YUV420FieldProduceMosaic) \
  X(YUV422FrameProduceMosaic) X(YUV422FieldProduceMosaic)
/* clang-format on */

#define PF_X(name)                                                                                \
  PF_API extern tMosaicKernel name;                                                               \
  PF_API void name##_c(const uint8_t* pu8Src, uint8_t* pu8Dst, const tImageMosaicParam* ptParam); \
  PF_API void name##_sse2(const uint8_t* pu8Src, uint8_t* pu8Dst, const tImageMosaicParam* ptParam);
PF_IMAGE_MOSAIC_KERNELS(PF_X)
#undef PF_X

/**
 * The SSE2 field kernels' work on one field: every window of ptParam, with its top and height
 * halved, drawn on the field whose first line starts at pu8Field (for UYVY: the first byte of
 * the line), lines s32YStride samples apart. No copy is made.
 */
PF_API void YUV420ProduceMosaicinField_sse2(uint8_t* pu8Field, const tImageMosaicParam* ptParam);
PF_API void YUV422ProduceMosaicinField_sse2(uint8_t* pu8Field, const tImageMosaicParam* ptParam);

/*
 * Entry points. Open: (out handle, const tImageMosaicParam*, memory handle). Process: (handle,
 * uint8_t* pictures[2], context): pictures[0] is the source's Y plane, pictures[1] the
 * destination's (they may be equal); the context must not be null and is not read. GetStatus
 * fills a tImageMosaicParam. GetMemSize reports PF_MOSAIC_MEM_SIZE whatever the record (a null
 * size pointer gives ERR_IMG_MOSAIC_SELF_INIT_POINTER). Debug does nothing.
 */
PF_API uint32_t ImageMosaicOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageMosaicProcess_c(void* hHandle, void* pPictures, void* pContext);
PF_API uint32_t ImageMosaicClose_c(void* hHandle);
PF_API uint32_t ImageMosaicSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageMosaicGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageMosaicGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageMosaicAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageMosaicDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageMosaicGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImageMosaicGlobalInit(void);
PF_API void ImageMosaicMMXFunctions(void);
PF_API void ImageMosaicSSE2Functions(void);
PF_API void ImageMosaicSSSE3Functions(void);
PF_API void ImageMosaicSSE4Functions(void);

PF_API extern const tImgProcFuncList tImageMosaicFunc;
/** The module's descriptor ("IMG_MOSAIC", id 12) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Mosaic;
PF_API extern const tImgProcDesc* const ptImgProc_Mosaic;
PF_API extern const char* const pas8ImageMosaicSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_MOSAIC_H_ */
