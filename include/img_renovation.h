/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Renovation (module id 27): fills a picture with a generated pattern: a solid colour, one of two
 * sets of eight vertical colour bars, or a fixed 720x576 test card built around a large circle.
 *
 * Colours are converted with Y = clamp((76 R + 150 G + 29 B + 128) >> 8),
 * U = clamp(((-43 R - 84 G + 128 B + 128) >> 8) + 128), V = clamp(((128 R - 107 G - 20 B + 128)
 * >> 8) + 128), arithmetic shifts, clamped to 0..255.
 *
 * Colour bars: eight bars of s32Width / 8 pixels over the full height, left to right
 *   set 1 (PF_RENOVATION_BARS):  white, yellow, blue, green, dark red (128,0,0), red, magenta,
 *                                black;
 *   set 2 (PF_RENOVATION_BARS2): (255,255,255), (255,240,0), (0,231,255), (0,216,0),
 *                                (255,39,255), (255,24,0), (0,15,255), (0,0,0).
 *
 * Test card (720 x 576, 4:2:0): a frame of black bars (Y 16, U = V = 128) with white
 * (Y 235, U = V = 128) ruler blocks around an inner field of Y 16, U = V = 240 crossed by a white
 * grid (16 lines 4 rows high every 36 rows from row 12, 18 lines 4 columns wide every 40 columns
 * from column 20), and a circle of radius 240 about the centre (360, 288) holding, top to bottom,
 * a grey band, colour bars of set 1, a grey wedge, a black/white split, a multiburst of 8-, 4-
 * and 2-pixel lines and colour bars of set 2, ringed in white with a grey cross at the centre.
 * Within the circle's bounding square every luma sample with dx^2 + dy^2 - 240^2 > -120 (dx, dy
 * from the centre in frame pixels) is set to 16. u32Interlace 1 stores the card as a frame (4:2:0
 * chroma row c sampled at frame row 2c); 2 stores it as a field picture, first all rows of the top
 * field, then all of the bottom one, each with chroma of its own (chroma row c of a field sampled
 * at that field's row 2c).
 */
#ifndef PELFORGE_IMG_RENOVATION_H_
#define PELFORGE_IMG_RENOVATION_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC8000001 upwards. */
/* clang-format off */
#define PF_IMG_RENOVATION_ERRORS(X)                                                                \
  X(OPEN_INPUT_HANDLE) X(OPEN_INPUT_PARAM) X(OPEN_INPUT_MEMHANDLE) X(OPEN_MALLOC)                  \
  X(OPEN_MALLOC_FAST_SCRATCH) X(OPEN_GET_DMA_HANDLE) X(WIDTH) X(HEIGHT) X(PATTERNTYPE) X(SRCTYPE)  \
  X(INTERLACE) X(RGBVALUE) X(WIDTH_HEIGHT_GLOBOSITY) X(SETPARAM_INPUT_HANDLE)                      \
  X(SETPARAM_INPUT_PARAM) X(PROCESS_INPUT_HANDLE) X(PROCESS_INPUT_PARAM) X(PROCESS_OUTPUT_PARAM)   \
  X(PROCESS_INPUT_BUFF) X(PROCESS_OUTPUT_BUFF) X(PROCESS_SRC_STRIDE) X(PROCESS_DST_STRIDE)         \
  X(GETVERSION_INPUT_BUFFER) X(GETVERSION_BUFFERLEN) X(CLOSE_INPUT_HANDLE)                         \
  X(CLOSE_INPUT_MEMHANDLE) X(CLOSE_FREE) X(GETSTATUS_INPUT_HANDLE) X(GETSTATUS_INPUT_PARAM)        \
  X(ANDTF_ANALYZECODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_RENOVATION_##name,
enum { ERR_IMG_RENOVATION_BASE_ = 0xC8000000u, PF_IMG_RENOVATION_ERRORS(PF_X) };
#undef PF_X

/* Pattern types. */
#define PF_RENOVATION_TESTCARD 1u /**< the 720x576 4:2:0 test card */
#define PF_RENOVATION_BARS 2u     /**< colour bars, first set */
#define PF_RENOVATION_SOLID 3u    /**< solid colour u32R, u32G, u32B */
#define PF_RENOVATION_BARS2 4u    /**< colour bars, second set */

#define PF_RENOVATION_MAX_SIZE 12288

/**
 * Parameter record of Open and SetParam, returned by GetStatus. Checks, in this order, with their
 * codes: WIDTH, HEIGHT, PATTERNTYPE, SRCTYPE, INTERLACE, RGBVALUE; then the test card needs
 * 720x576 and PF_YUV_420 (WIDTH_HEIGHT_GLOBOSITY) and colour bars a width that is a multiple of
 * 16 (WIDTH).
 */
typedef struct tRenovationParam {
  uint32_t u32PatternType;     /**< PF_RENOVATION_TESTCARD .. PF_RENOVATION_BARS2 */
  int32_t s32Width;            /**< even, 1..PF_RENOVATION_MAX_SIZE */
  int32_t s32Height;           /**< even, 1..PF_RENOVATION_MAX_SIZE */
  uint32_t u32YuvType;         /**< PF_YUV_420 or PF_YUV_UYVY */
  uint32_t u32Interlace;       /**< 1 frame, 2 field-separated (the test card only) */
  uint32_t u32R;               /**< solid colour, 0..255 */
  uint32_t u32G;               /**< solid colour, 0..255 */
  uint32_t u32B;               /**< solid colour, 0..255 */
  uint32_t u32RenovationSpare; /**< kept with the record */
} tRenovationParam;

struct tRenovationInstance;

/**
 * Pattern kernel: (picture, instance, context). Fills s32Width x s32Height of the picture: 4:2:0
 * luma and chroma planes with their pitches in bytes, or one packed U Y V Y plane whose pitch
 * counts pixels (a line is 2 x pitch bytes). The context is passed through unread.
 */
typedef void (*tRenovationKernel)(const tImgPicture* ptPicture,
                                  const struct tRenovationInstance* ptInstance, void* pContext);

/** The instance behind a handle. */
typedef struct tRenovationInstance {
  void* hMem;                  /**< memory handle given to Open */
  void* pvFastScratch;         /**< PF_FAST_SCRATCH_BYTES, not used by the kernels */
  void* hDma;                  /**< DMA handle */
  tRenovationParam tParam;     /**< the validated parameters */
  uint8_t u8Y;                 /**< the solid colour converted */
  uint8_t u8U;                 /**< the solid colour converted */
  uint8_t u8V;                 /**< the solid colour converted */
  tRenovationKernel pfnKernel; /**< chosen at Open/SetParam by pattern and YUV type */
} tRenovationInstance;

/*
 * Entry points. Open: (out handle, const tRenovationParam*, memory handle). Process: (handle,
 * tImgPicture*, context): the context must be non-null; for PF_YUV_420 a null U or V makes
 * U = Y + pitch x s32Height and V = U + pitch x s32Height / 4 with chroma pitch pitch / 2.
 * Process refuses a null Y (PROCESS_INPUT_BUFF), a luma pitch below s32Width (PROCESS_SRC_STRIDE)
 * and a given chroma pitch below s32Width / 2 (PROCESS_DST_STRIDE). GetStatus fills a
 * tRenovationParam. GetMemSize reports 104 (a null size pointer gives OPEN_INPUT_PARAM). Debug
 * does nothing.
 */
PF_API uint32_t ImgRenovationOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgRenovationProcess_c(void* hHandle, void* pPicture, void* pContext);
PF_API uint32_t ImgRenovationClose_c(void* hHandle);
PF_API uint32_t ImgRenovationSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgRenovationGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgRenovationGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgRenovationAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImgRenovationDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgRenovationGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgRenovationGlobalInit(void);
PF_API void ImgRenovationMMXFunctions(void);
PF_API void ImgRenovationSSE2Functions(void);
PF_API void ImgRenovationSSSE3Functions(void);
PF_API void ImgRenovationSSE4Functions(void);

/* Pattern kernels, through their pointers; there are no SIMD variants. */
PF_API extern tRenovationKernel RenovationGlobosity;
PF_API extern tRenovationKernel RenovationRainbow420;
PF_API extern tRenovationKernel RenovationRainbow422;
PF_API extern tRenovationKernel RenovationPureColor420;
PF_API extern tRenovationKernel RenovationPureColor422;
PF_API void RenovationGlobosity_c(const tImgPicture* ptPicture,
                                  const tRenovationInstance* ptInstance, void* pContext);
PF_API void RenovationRainbow420_c(const tImgPicture* ptPicture,
                                   const tRenovationInstance* ptInstance, void* pContext);
PF_API void RenovationRainbow422_c(const tImgPicture* ptPicture,
                                   const tRenovationInstance* ptInstance, void* pContext);
PF_API void RenovationPureColor420_c(const tImgPicture* ptPicture,
                                     const tRenovationInstance* ptInstance, void* pContext);
PF_API void RenovationPureColor422_c(const tImgPicture* ptPicture,
                                     const tRenovationInstance* ptInstance, void* pContext);

PF_API extern const tImgProcFuncList TImgRenovationFuncs;
/** The module's descriptor ("IMG_RENOVATION", id 27) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Renovation;
PF_API extern const tImgProcDesc* const ptImgProc_Renovation;
PF_API extern const char* const pas8RenovationAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_RENOVATION_H_ */
