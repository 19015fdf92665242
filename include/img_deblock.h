/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Deblock: smooths the 8 x 8 block edges of a decoded planar 4:2:0 picture. Each plane is copied
 * from the source to the destination while every vertical block edge is filtered (the
 * horizontal pass), then the destination is filtered in place across every horizontal block
 * edge (the vertical pass). Per edge segment the quantiser QP given with the picture chooses
 * between a strong smoothing of eight samples (flat areas) and a two-sample correction.
 *
 * The module has no function table, descriptor or registry entry: hosts call its entry points.
 *
 * The eight samples s0 .. s7 of a segment lie across the edge, which runs between s3 and s4:
 *   smoothing: sk = (sum over j = -4 .. 4 of b(j) p(k + j)) >> 4, b = 1 1 2 2 4 2 2 1 1,
 *     p(m) = s0 for m < 0, s7 for m > 7;
 *   correction: a0 = 5 (s3 - s4) + 2 (s5 - s2), a1 = 2 (s4 - s7) - 5 (s5 - s6),
 *     a2 = 2 (s0 - s3) - 5 (s1 - s2); e = max(|a0| - min(|a1|, |a2|), 0) when |a0| < 8 QP,
 *     else 0; d = (5 e + 32) >> 6, negative when a0 is; h = (s3 - s4) >> 1; when h and d have
 *     the same sign c = the one nearer zero, else c = 0; s3 -= c, s4 += c.
 *   flatness: the number of neighbouring pairs (s0 s1 .. s6 s7) that differ by less than 2.
 * Horizontal pass (edges x = 8, 16, ..), four lines at a time: count >= 20 of 28 pairs smooths
 * all four lines when |s0 - s7| < 2 QP in the first of them and leaves them as they are
 * otherwise; a lower count corrects each line. Vertical pass (edges y = 8, 16, ..), eight
 * columns at a time: count > 40 of 56 smooths all eight when |s0 - s7| <= 2 QP in each of them
 * and leaves them otherwise; a lower count corrects each column. Edges whose segment would
 * reach past the plane are not filtered; a last group of fewer lines or columns (a plane width
 * that is not a multiple of 8) compares its count with the same share of its pairs.
 */
#ifndef PELFORGE_IMG_DEBLOCK_H_
#define PELFORGE_IMG_DEBLOCK_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order from 0xC2400000 (the start marker); END is 0xC2400015. */
/* clang-format off */
#define PF_IMG_DEBLOCK_ERRORS(X)                                                                   \
  X(MOD_START) X(OPEN_HANDLE) X(OPEN_MALLOC) X(PARAM_WIDTH) X(PARAM_HEIGHT) X(PARAM_WIDTH_HEIGHT)  \
  X(PARAM_SRC_STRIDE) X(PARAM_DST_STRIDE) X(PROCESS_HANDLE) X(PROCESS_INPUT_POINTER)               \
  X(PROCESS_OUTPUT_POINTER) X(CLOSE_HANDLE) X(CLOSE_FREE) X(SET_PARAM_HANDLE) X(GETVERSION_HANDLE) \
  X(GETVERSION_POINTER) X(GETVERSION_LENGTH) X(GETSTATUS_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE)      \
  X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_DEBLOCK_##name,
enum { ERR_IMG_DEBLOCK_BASE_ = 0xC23FFFFFu, PF_IMG_DEBLOCK_ERRORS(PF_X) };
#undef PF_X

/**
 * Parameter record of Open and SetParam; GetStatus fills the same layout. Widths and heights
 * that are not positive pass validation and make Process do nothing.
 */
typedef struct tImgDeblockParam {
  int32_t s32SrcWidth;    /**< a positive width is a multiple of 8 (ERR_..._PARAM_WIDTH) */
  int32_t s32SrcHeight;   /**< a positive height is a multiple of 8 (ERR_..._PARAM_HEIGHT) */
  int32_t s32SrcYStride;  /**< >= s32SrcWidth (ERR_..._PARAM_SRC_STRIDE) */
  int32_t s32SrcUVStride; /**< >= s32SrcWidth / 2 (ERR_..._PARAM_SRC_STRIDE) */
  int32_t s32DstWidth;    /**< equal to s32SrcWidth (ERR_..._PARAM_WIDTH_HEIGHT) */
  int32_t s32DstHeight;   /**< equal to s32SrcHeight (ERR_..._PARAM_WIDTH_HEIGHT) */
  int32_t s32DstYStride;  /**< >= s32DstWidth (ERR_..._PARAM_DST_STRIDE) */
  int32_t s32DstUVStride; /**< >= s32DstWidth / 2 (ERR_..._PARAM_DST_STRIDE) */
} tImgDeblockParam;

/**
 * Process record. The source may be the destination (the picture is then deblocked in place);
 * other overlaps are not supported.
 */
typedef struct tImgDeblockData {
  const uint8_t* pu8SrcY;
  const uint8_t* pu8SrcU; /**< chroma planes are width / 2 x height / 2 */
  const uint8_t* pu8SrcV;
  uint8_t* pu8DstY;
  uint8_t* pu8DstU;
  uint8_t* pu8DstV;
  int32_t s32QP; /**< quantiser of the picture; 0 or less disables nearly all filtering */
} tImgDeblockData;

/** Frame kernel: the three planes, each source to destination. */
typedef void (*tImgDeblockKernel)(const uint8_t* pu8SrcY, const uint8_t* pu8SrcU,
                                  const uint8_t* pu8SrcV, uint8_t* pu8DstY, uint8_t* pu8DstU,
                                  uint8_t* pu8DstV, int32_t s32Width, int32_t s32Height,
                                  int32_t s32SrcYStride, int32_t s32SrcUVStride,
                                  int32_t s32DstYStride, int32_t s32DstUVStride, int32_t s32QP);

/** The instance behind a handle. */
typedef struct tImgDeblockInstance {
  void* hMem;                  /**< memory handle given to Open */
  void* pvFastScratch;         /**< PF_FAST_SCRATCH_BYTES, not used by the kernels */
  void* hDma;                  /**< DMA handle */
  tImgDeblockParam tParam;     /**< the validated parameters */
  tImgDeblockKernel pfnKernel; /**< ImgDeblockFrame as it was at Open/SetParam */
} tImgDeblockInstance;

/* Entry points. Open: (out handle, const tImgDeblockParam*, memory handle). Process: (handle,
 * tImgDeblockData*, any non-null pointer). GetMemSize stores 72 (a null size pointer gives
 * ERR_IMG_DEBLOCK_OPEN_HANDLE). Debug does nothing. */
PF_API uint32_t ImgDeblockOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgDeblockProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgDeblockClose_c(void* hHandle);
PF_API uint32_t ImgDeblockSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgDeblockGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgDeblockGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgDeblockAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageDeblockDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageDeblockGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgDeblockGlobalInit(void);
PF_API void ImgDeblockMMXFunctions(void);
PF_API void ImgDeblockSSE2Functions(void);
PF_API void ImgDeblockSSSE3Functions(void);
PF_API void ImgDeblockSSE4Functions(void);

/** Y (width x height), then U and V (width / 2 x height / 2): horizontal, then vertical pass. */
PF_API extern tImgDeblockKernel ImgDeblockFrame;
PF_API void ImgDeblockFrame_c(const uint8_t* pu8SrcY, const uint8_t* pu8SrcU,
                              const uint8_t* pu8SrcV, uint8_t* pu8DstY, uint8_t* pu8DstU,
                              uint8_t* pu8DstV, int32_t s32Width, int32_t s32Height,
                              int32_t s32SrcYStride, int32_t s32SrcUVStride, int32_t s32DstYStride,
                              int32_t s32DstUVStride, int32_t s32QP);
/** ImgDeblockFrame_c's picture, on 8 x 8 tiles. */
PF_API void ImgDeblockFrame_sse2(const uint8_t* pu8SrcY, const uint8_t* pu8SrcU,
                                 const uint8_t* pu8SrcV, uint8_t* pu8DstY, uint8_t* pu8DstU,
                                 uint8_t* pu8DstV, int32_t s32Width, int32_t s32Height,
                                 int32_t s32SrcYStride, int32_t s32SrcUVStride,
                                 int32_t s32DstYStride, int32_t s32DstUVStride, int32_t s32QP);
/** Rows become columns: dst[c][r] = src[r][c] for an 8 x 8 tile of bytes. */
PF_API void ImageTranspose8x8_sse2(const uint8_t* pu8Src, int32_t s32SrcStride, uint8_t* pu8Dst,
                                   int32_t s32DstStride);
/**
 * Filters the 8 x 8 tile across the horizontal edge between its rows 3 and 4, column by column.
 * s32Group 8: the vertical pass's rule over the eight columns. s32Group 4: the horizontal pass's
 * rule over columns 0 .. 3 and, separately, 4 .. 7 (a transposed tile of eight lines).
 */
PF_API void ImageDeblock8x8Horiz_sse2(uint8_t* pu8Tile, int32_t s32Stride, int32_t s32QP,
                                      int32_t s32Group);

PF_API extern const char* const pas8DeblockAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_DEBLOCK_H_ */
